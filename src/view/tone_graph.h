// The tone graphs of the gamma and level dialogs: where the gamma points sit and how clicks,
// drags and typing move them, the curves the operations would apply and the preview
// histograms of the image after the change. The widgets only draw what these return.
//
// Common principles:
// - Coordinates are dialog client pixels, y growing downwards.
// - The tone graph puts level (input, output) = (0, 0) at client (10, 320), one pixel per
//   level, output growing upwards; its histograms stand on y = 400 from x = 11.
// - Every function takes the settings as they are and tolerates values outside their
//   ranges (a settings file is loaded unchecked): nothing here can divide by zero or index
//   outside a table.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ops/tone.h"
#include "shell/settings.h"
#include "view/dialog_drawings.h"
#include "workspace/image_record.h"

namespace orva {

// ---- Tone graph ----

inline constexpr int kToneGraphLeft = 10;     // x of level 0
inline constexpr int kToneGraphBottom = 320;  // y of level 0
inline constexpr int kToneGridStep = 16;      // levels between grid lines
inline constexpr int kPreviewLeft = 11;       // x of histogram bin 0
inline constexpr int kPreviewBase = 400;      // y the histogram columns stand on
inline constexpr int kPreviewMaxHeight = 64;

// Client position of the level pair (input, output).
PlotPoint ToneGraphPoint(int input, int output);

// One curve of a tone graph: the output level (0..255) for each of the 256 inputs 0, 256,
// ..., 65280, drawn at (10 + i, 320 - level[i]).
struct ToneTrace {
    std::array<int, 256> level{};
    Rgb colour;
};

// The histograms of the image as it would be after a tone change.
struct PreviewHistogram {
    int channels = 0;  // 0 without an image, 1 for one grey histogram, else 3
    std::array<std::array<int, 256>, 3> counts{};
    std::array<Rgb, 3> colours{};
    // Column heights in pixels (0..64) per channel and bin.
    std::array<std::array<int, 256>, 3> heights{};
};

// Counts every (width / 100 + 1)-th sample of every (height / 100 + 1)-th row of each
// channel after `map(channel, sample)`, which returns the mapped 16-bit value. Channel c
// reads plane c, or the first plane for a single-plane picture; `grey` asks for one grey
// histogram of channel 0. The heights scale the four tallest bins (each bin taken at the
// largest count of the drawn channels) to about 64 x 7 / 8 pixels.
template <typename Map>
PreviewHistogram ComputePreviewHistogram(const ImageRecord& rec, bool grey, Map map);

// Fills `heights` from `counts` for the first `channels` histograms.
void ScalePreviewHistogram(PreviewHistogram& h);

// ---- Gamma dialog ----

inline constexpr int kGammaHitRange = 4;  // pixels in each direction around a point

// Point `index` (0..2) of gamma set `set` as (input, output) levels.
PlotPoint GammaPointLevels(const GammaSettings& g, int set, int index);

// The curve the gamma operation would apply for set `set` (knots as the operation builds
// them, so the graph shows exactly what will be done).
ToneCurve GammaSetCurve(const GammaSettings& g, int set);

// The curves of the graph: set 0 as one grey curve, or sets 1..3 in red, green and blue.
std::vector<ToneTrace> GammaTraces(const GammaSettings& g);

// The point of the edited set (g.channel_set) within 4 pixels of the click in both
// directions, or -1. When several qualify the nearest wins; on a tie the middle point,
// which can move both ways, is preferred.
int HitGammaPoint(const GammaSettings& g, PlotPoint click);

// Moves point `index` of the edited set to (input, output), holding the input between its
// neighbours' inputs (0 below the first point, 255 above the last) and the output within
// 0..255. Typed values and mouse drags both come through here.
void MoveGammaPoint(GammaSettings& g, int index, int input, int output);

// A drag of point `index` to the client position `mouse`.
void DragGammaPoint(GammaSettings& g, int index, PlotPoint mouse);

// "初期化": every set back to (0, 0), (128, 128), (255, 255).
void ResetGammaPoints(GammaSettings& g);

// A square marker centred on a point.
struct GraphMarker {
    PlotPoint centre;
    int size = 0;  // edge length in pixels
    Rgb colour;
};

// Point markers in drawing order: set 0 as 8-pixel grey squares; otherwise the edited set's
// points as 8-pixel squares of its colour and the other colour sets' as 4-pixel squares;
// last the selected point (selected >= 0) as a 6-pixel black square.
std::vector<GraphMarker> GammaMarkers(const GammaSettings& g, int selected);

// The histograms after the gamma operation: each channel through the curve it would get
// (set 0 for all, or sets 1, 2, 3 for red, green and blue), rounded to the nearest level.
PreviewHistogram GammaPreview(const ImageRecord& rec, const GammaSettings& g);

// ---- Level dialog ----

// The mapping curves: set 0 as one grey curve, or sets 1..3 in red, green and blue.
std::vector<ToneTrace> LevelTraces(const LevelSettings& lv);

// "初期化": every set back to its defaults.
void ResetLevelSets(LevelSettings& lv);

// The histograms after the level correction (each sample truncated after the mapping).
PreviewHistogram LevelPreview(const ImageRecord& rec, const LevelSettings& lv);

// ---- template definition ----

template <typename Map>
PreviewHistogram ComputePreviewHistogram(const ImageRecord& rec, bool grey, Map map) {
    PreviewHistogram h;
    if (!rec.occupied()) return h;
    h.channels = grey ? 1 : 3;
    h.colours =
        grey ? std::array<Rgb, 3>{kGrey, kGrey, kGrey} : std::array<Rgb, 3>{kRed, kGreen, kBlue};
    const std::size_t w = static_cast<std::size_t>(rec.width);
    const std::size_t n = rec.pixels();
    const int step_x = rec.width / 100 + 1;
    const int step_y = rec.height / 100 + 1;
    for (int c = 0; c < h.channels; ++c) {
        const Plane& plane = rec.plane(rec.single_plane == 1 ? 0 : c);
        if (plane.size() < n) continue;  // a picture without this plane counts nothing
        auto& counts = h.counts[static_cast<std::size_t>(c)];
        for (int y = 0; y < rec.height; y += step_y) {
            const uint16_t* row = plane.data() + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < rec.width; x += step_x)
                ++counts[static_cast<std::size_t>(map(c, row[x]) >> 8)];
        }
    }
    ScalePreviewHistogram(h);
    return h;
}

}  // namespace orva
