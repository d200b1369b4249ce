// The toolkit-free rules of the tone, wavelet, restoration, colour and noise dialogs beyond
// plain edit and scroll-bar fields: where the gamma points sit and how clicks, drags and
// typing move them, the curves and preview histograms of the tone graphs, the wavelet
// presets, the restoration profile, the hue strip, the colour swatches, the gray mode
// choice and the noise window positions. The widgets only draw what these functions return.
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
#include "workspace/image_record.h"

namespace orva {

struct DialogRgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const DialogRgb&) const = default;
};

struct DialogPoint {
    int x = 0, y = 0;
    bool operator==(const DialogPoint&) const = default;
};

inline constexpr DialogRgb kDialogGrey{128, 128, 128};
inline constexpr DialogRgb kDialogRed{255, 0, 0};
inline constexpr DialogRgb kDialogGreen{0, 255, 0};
inline constexpr DialogRgb kDialogBlue{0, 0, 255};
inline constexpr DialogRgb kDialogBlack{0, 0, 0};

// ---- Tone graph ----

inline constexpr int kToneGraphLeft = 10;     // x of level 0
inline constexpr int kToneGraphBottom = 320;  // y of level 0
inline constexpr int kToneGridStep = 16;      // levels between grid lines
inline constexpr int kPreviewLeft = 11;       // x of histogram bin 0
inline constexpr int kPreviewBase = 400;      // y the histogram columns stand on
inline constexpr int kPreviewMaxHeight = 64;

// Client position of the level pair (input, output).
DialogPoint ToneGraphPoint(int input, int output);

// One curve of a tone graph: the output level (0..255) for each of the 256 inputs 0, 256,
// ..., 65280, drawn at (10 + i, 320 - level[i]).
struct ToneTrace {
    std::array<int, 256> level{};
    DialogRgb colour;
};

// The histograms of the image as it would be after a tone change.
struct PreviewHistogram {
    int channels = 0;  // 0 without an image, 1 for one grey histogram, else 3
    std::array<std::array<int, 256>, 3> counts{};
    std::array<DialogRgb, 3> colours{};
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
DialogPoint GammaPointLevels(const GammaSettings& g, int set, int index);

// The curve the gamma operation would apply for set `set` (knots as the operation builds
// them, so the graph shows exactly what will be done).
ToneCurve GammaSetCurve(const GammaSettings& g, int set);

// The curves of the graph: set 0 as one grey curve, or sets 1..3 in red, green and blue.
std::vector<ToneTrace> GammaTraces(const GammaSettings& g);

// The point of the edited set (g.channel_set) within 4 pixels of the click in both
// directions, or -1. When several qualify the nearest wins; on a tie the middle point,
// which can move both ways, is preferred.
int HitGammaPoint(const GammaSettings& g, DialogPoint click);

// Moves point `index` of the edited set to (input, output), holding the input between its
// neighbours' inputs (0 below the first point, 255 above the last) and the output within
// 0..255. Typed values and mouse drags both come through here.
void MoveGammaPoint(GammaSettings& g, int index, int input, int output);

// A drag of point `index` to the client position `mouse`.
void DragGammaPoint(GammaSettings& g, int index, DialogPoint mouse);

// "初期化": every set back to (0, 0), (128, 128), (255, 255).
void ResetGammaPoints(GammaSettings& g);

// A square marker centred on a point.
struct GraphMarker {
    DialogPoint centre;
    int size = 0;  // edge length in pixels
    DialogRgb colour;
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

// ---- Wavelet dialog ----

struct WaveletPreset {
    const char* label;
    std::array<int, 6> gains;  // gain 0 first, tenths
};

inline constexpr std::array<WaveletPreset, 4> kWaveletPresets = {{
    {"変換無し", {10, 10, 10, 10, 10, 10}},
    {"弱", {10, 10, 10, 12, 15, 20}},
    {"中", {10, 12, 15, 20, 30, 50}},
    {"強", {10, 15, 20, 30, 50, 90}},
}};

// The five rows of the dialog, coarsest first; row r edits gain r + 1.
inline constexpr std::array<const char*, 5> kWaveletRowLabels = {"5(L)", "4", "3", "2", "1(H)"};

void ApplyWaveletPreset(WaveletSettings& w, int preset);

// ---- Restoration dialog ----

// The painted profile of the spread function: for screen offsets p = -100..100 the point
// (130 + p, 250 - 100 / (((p / spread)^2)^(blunting / 20) + 1)), spread and blunting in
// tenths, truncated to whole pixels.
std::vector<DialogPoint> RestoreProfile(int spread, int blunting);

// The axes: the horizontal axis (30, 250)-(230, 250), the vertical axis (130, 150)-(130,
// 250) and 21 ticks 10 pixels apart under the horizontal one, as line end points.
std::vector<std::array<DialogPoint, 2>> RestoreAxes();

// ---- Saturation and hue dialog ----

inline constexpr int kHueStripLeft = 40;
inline constexpr int kHueStripWidth = 192;
inline constexpr int kHueStripTop = 140, kHueStripBottom = 155;
inline constexpr int kHueResultTop = 160, kHueResultBottom = 175;

// Colour of strip column 0..191: red to green, green to blue, blue to red in runs of 64.
DialogRgb HueStripColour(int column);

// Where column `column` of the strip lands in the lower strip for the hue setting (0..360,
// 180 = no change): shifted right by (180 - hue) x 64 / 120 pixels, wrapped within the strip.
int HueResultX(int column, int hue);

// ---- Colour change dialogs ----

inline constexpr DialogPoint kSourceSwatchTopLeft{180, 140}, kSourceSwatchBottomRight{240, 180};
inline constexpr DialogPoint kTargetSwatchTopLeft{180, 300}, kTargetSwatchBottomRight{240, 340};

// The swatch of an RGB colour of 8-bit levels (clamped to 0..255).
DialogRgb RgbSwatch(const std::array<int, 3>& rgb);

// The swatch of an HSV colour in dialog units (hue degrees 0..359, saturation and value
// 0..255), converted with the colour change's own HSV model.
DialogRgb HsvSwatch(const std::array<int, 3>& hsv);

// ---- Gray dialog ----

// A mode choice; standard luminance also puts the weights back to 299, 587, 114.
void SelectGrayMode(GraySettings& gray, int mode);

// ---- Noise reduction dialog ----

// The area scroll bar has two positions: 0 for a 3 x 3 window, 1 for 5 x 5.
int NoiseAreaToScroll(int area);
int NoiseAreaFromScroll(int pos);
// A typed area v becomes position (v - 3) / 2, clamped to 0..1.
int NoiseScrollFromTyped(int typed);

// ---- template definition ----

template <typename Map>
PreviewHistogram ComputePreviewHistogram(const ImageRecord& rec, bool grey, Map map) {
    PreviewHistogram h;
    if (!rec.occupied()) return h;
    h.channels = grey ? 1 : 3;
    h.colours = grey ? std::array<DialogRgb, 3>{kDialogGrey, kDialogGrey, kDialogGrey}
                     : std::array<DialogRgb, 3>{kDialogRed, kDialogGreen, kDialogBlue};
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
