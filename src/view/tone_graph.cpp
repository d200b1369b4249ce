#include "view/tone_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "ops/colour.h"

namespace orva {

namespace {

std::size_t Idx(int i) {
    return static_cast<std::size_t>(i);
}

// Gamma sets hold input, output pairs: point i is (points[2i], points[2i + 1]).
std::array<int, 6>& SetPoints(GammaSettings& g, int set) {
    return g.points[Idx(kGammaFields.channel_set.Clamp(set))];
}
const std::array<int, 6>& SetPoints(const GammaSettings& g, int set) {
    return g.points[Idx(kGammaFields.channel_set.Clamp(set))];
}

LevelParams ToParams(const LevelSet& s) {
    return {s.input_min, s.input_max,  s.brightness, s.contrast,
            s.gamma,     s.output_min, s.output_max};
}

// The set a channel (0 red, 1 green, 2 blue) takes: set 0 for every channel, or one colour
// set per channel.
int SetOfChannel(int channel_set, int channel) {
    return std::clamp(channel_set, 0, 3) == 0 ? 0 : channel + 1;
}

ToneTrace TraceOf(const std::function<double(double)>& f, Rgb colour) {
    ToneTrace t;
    t.colour = colour;
    for (int i = 0; i < 256; ++i) {
        const double y = f(256.0 * i);
        t.level[Idx(i)] = std::clamp(static_cast<int>(y / 256.0), 0, 255);
    }
    return t;
}

constexpr std::array<Rgb, 4> kSetColours = {kGrey, kRed, kGreen, kBlue};

}  // namespace

// ---- Tone graph ----

PlotPoint ToneGraphPoint(int input, int output) {
    return {kToneGraphLeft + input, kToneGraphBottom - output};
}

void ScalePreviewHistogram(PreviewHistogram& h) {
    const int channels = std::clamp(h.channels, 0, 3);
    // Each bin at the largest count of the drawn channels; the four tallest set the scale.
    std::array<int, 256> tallest{};
    for (int b = 0; b < 256; ++b)
        for (int c = 0; c < channels; ++c)
            tallest[Idx(b)] = std::max(tallest[Idx(b)], h.counts[Idx(c)][Idx(b)]);
    std::partial_sort(tallest.begin(), tallest.begin() + 4, tallest.end(), std::greater<>());
    const int64_t sum = int64_t{tallest[0]} + tallest[1] + tallest[2] + tallest[3];
    // A tiny picture (fewer than four samples) would give a scale of 0.
    const int64_t scale = std::max<int64_t>(2 * sum / 7, 1);
    for (int c = 0; c < 3; ++c)
        for (int b = 0; b < 256; ++b) {
            const int64_t count = c < channels ? h.counts[Idx(c)][Idx(b)] : 0;
            h.heights[Idx(c)][Idx(b)] = static_cast<int>(
                std::min<int64_t>(kPreviewMaxHeight * count / scale, kPreviewMaxHeight));
        }
}

// ---- Gamma dialog ----

PlotPoint GammaPointLevels(const GammaSettings& g, int set, int index) {
    const auto& p = SetPoints(g, set);
    const int i = std::clamp(index, 0, 2);
    return {p[Idx(2 * i)], p[Idx(2 * i + 1)]};
}

ToneCurve GammaSetCurve(const GammaSettings& g, int set) {
    // The points held to their levels and the mode to its choices, as the operation takes
    // them.
    std::array<int, 6> levels = SetPoints(g, set);
    for (int& v : levels) v = kGammaFields.point.Clamp(v);
    return GammaCurve(kGammaFields.curve_mode.Clamp(g.curve_mode), levels);
}

std::vector<ToneTrace> GammaTraces(const GammaSettings& g) {
    std::vector<ToneTrace> traces;
    const int first = std::clamp(g.channel_set, 0, 3) == 0 ? 0 : 1;
    const int last = first == 0 ? 0 : 3;
    for (int set = first; set <= last; ++set) {
        const ToneCurve curve = GammaSetCurve(g, set);
        traces.push_back(TraceOf([&curve](double x) { return EvaluateToneCurve(curve, x); },
                                 kSetColours[Idx(set)]));
    }
    return traces;
}

int HitGammaPoint(const GammaSettings& g, PlotPoint click) {
    int best = -1, best_distance = kGammaHitRange + 1;
    for (int i : {1, 0, 2}) {  // the middle point first: it wins ties
        const PlotPoint lv = GammaPointLevels(g, g.channel_set, i);
        const PlotPoint at = ToneGraphPoint(lv.x, lv.y);
        const int dx = std::abs(click.x - at.x), dy = std::abs(click.y - at.y);
        if (dx > kGammaHitRange || dy > kGammaHitRange) continue;
        const int distance = std::max(dx, dy);
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

void MoveGammaPoint(GammaSettings& g, int index, int input, int output) {
    if (index < 0 || index > 2) return;
    auto& p = SetPoints(g, g.channel_set);
    const int lo = index == 0 ? 0 : std::clamp(p[Idx(2 * index - 2)], 0, 255);
    const int hi = index == 2 ? 255 : std::clamp(p[Idx(2 * index + 2)], 0, 255);
    // Neighbours out of order (an edited settings file) must not make the range empty.
    p[Idx(2 * index)] = std::clamp(input, std::min(lo, hi), std::max(lo, hi));
    p[Idx(2 * index + 1)] = std::clamp(output, 0, 255);
}

void DragGammaPoint(GammaSettings& g, int index, PlotPoint mouse) {
    MoveGammaPoint(g, index, mouse.x - kToneGraphLeft, kToneGraphBottom - mouse.y);
}

void ResetGammaPoints(GammaSettings& g) {
    g.points = GammaSettings{}.points;
}

std::vector<GraphMarker> GammaMarkers(const GammaSettings& g, int selected) {
    std::vector<GraphMarker> markers;
    const int edited = std::clamp(g.channel_set, 0, 3);
    auto add = [&](int set, int size, Rgb colour) {
        for (int i = 0; i < 3; ++i) {
            const PlotPoint lv = GammaPointLevels(g, set, i);
            markers.push_back({ToneGraphPoint(lv.x, lv.y), size, colour});
        }
    };
    if (edited == 0) {
        add(0, 8, kGrey);
    } else {
        for (int set = 1; set <= 3; ++set)
            if (set != edited) add(set, 4, kSetColours[Idx(set)]);
        add(edited, 8, kSetColours[Idx(edited)]);  // on top of the others
    }
    if (selected >= 0 && selected <= 2) {
        const PlotPoint lv = GammaPointLevels(g, edited, selected);
        markers.push_back({ToneGraphPoint(lv.x, lv.y), 6, kBlack});
    }
    return markers;
}

PreviewHistogram GammaPreview(const ImageRecord& rec, const GammaSettings& g) {
    std::array<ToneCurve, 3> curves;
    for (int c = 0; c < 3; ++c) curves[Idx(c)] = GammaSetCurve(g, SetOfChannel(g.channel_set, c));
    const bool grey = rec.single_plane == 1 && std::clamp(g.channel_set, 0, 3) == 0;
    return ComputePreviewHistogram(rec, grey, [&curves](int c, uint16_t s) {
        return static_cast<uint16_t>(EvaluateToneCurve(curves[Idx(c)], s) + 0.5);
    });
}

// ---- Level dialog ----

std::vector<ToneTrace> LevelTraces(const LevelSettings& lv) {
    std::vector<ToneTrace> traces;
    const int first = std::clamp(lv.channel_set, 0, 3) == 0 ? 0 : 1;
    const int last = first == 0 ? 0 : 3;
    for (int set = first; set <= last; ++set) {
        const LevelParams params = ToParams(lv.sets[Idx(set)]);
        traces.push_back(
            TraceOf([&params](double x) { return LevelMap(params, x); }, kSetColours[Idx(set)]));
    }
    return traces;
}

void ResetLevelSets(LevelSettings& lv) {
    lv.sets = LevelSettings{}.sets;
}

PreviewHistogram LevelPreview(const ImageRecord& rec, const LevelSettings& lv) {
    std::array<LevelParams, 3> params;
    for (int c = 0; c < 3; ++c)
        params[Idx(c)] = ToParams(lv.sets[Idx(SetOfChannel(lv.channel_set, c))]);
    const bool grey = rec.single_plane == 1 && std::clamp(lv.channel_set, 0, 3) == 0;
    return ComputePreviewHistogram(rec, grey, [&params](int c, uint16_t s) {
        const double y = LevelMap(params[Idx(c)], s);
        return static_cast<uint16_t>(std::clamp(y, 0.0, 65535.0));
    });
}

}  // namespace orva
