#include "shell/tone_commands.h"

#include <algorithm>

#include "ops/tone.h"
#include "shell/commands.h"

namespace orva {

namespace {

LevelParams ToParams(const LevelSet& s) {
    return {s.input_min, s.input_max,  s.brightness, s.contrast,
            s.gamma,     s.output_min, s.output_max};
}

bool HoldsPicture(const ImageRecord& rec, int planes) {
    const std::size_t n = rec.pixels();
    for (int c = 0; c < planes; ++c)
        if (n == 0 || rec.plane(c).size() < n) return false;
    return true;
}

}  // namespace

void FillGammaBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const GammaSettings& g = ctx.settings.gamma;
    const int set = kGammaFields.channel_set.Clamp(g.channel_set);
    for (int c = 0; c < 3; ++c) {
        // Per-channel work uses all three colour sets, whichever one the dialog showed last.
        const auto& pts = g.points[static_cast<std::size_t>(set == 0 ? 0 : c + 1)];
        for (int i = 0; i < 3; ++i) {
            const int in = kGammaFields.point.Clamp(pts[static_cast<std::size_t>(2 * i)]);
            const int out = kGammaFields.point.Clamp(pts[static_cast<std::size_t>(2 * i + 1)]);
            block[c * 3 + i] = in * 1000 + out;
        }
    }
    block[9] = set == 0 ? 0 : 1;
    block[10] = kGammaFields.curve_mode.Clamp(g.curve_mode);
}

void AfterGamma(const AppContext& ctx, ImageRecord& rec) {
    if (ctx.params[9] == 1) rec.single_plane = 0;
}

bool ApplyLevelSettings(ImageRecord& rec, const LevelSettings& level) {
    // A grey picture lives in the red plane; the other two are not part of it.
    const int planes = rec.single_plane == 1 ? 1 : 3;
    if (!HoldsPicture(rec, planes)) return true;
    const int set = kLevelFields.channel_set.Clamp(level.channel_set);
    for (int c = 0; c < planes; ++c) {
        const LevelSet& s = level.sets[static_cast<std::size_t>(set == 0 ? 0 : c + 1)];
        if (!ApplyLevel(rec.plane(c).data(), rec.width, rec.height, ToParams(s))) return false;
    }
    return true;
}

ProcessingCommand LevelProcessing() {
    ProcessingCommand cmd;
    cmd.memory_count = 2;
    cmd.run = [](AppContext& c, ImageRecord& rec) {
        return ApplyLevelSettings(rec, c.settings.level);
    };
    return cmd;
}

ProcessingCommand DynamicRangeProcessing() {
    ProcessingCommand cmd;
    cmd.memory_count = 3;  // old planes, undo copy and the new planes are alive together
    cmd.current_only = true;
    cmd.run = [](AppContext& c, ImageRecord& rec) {
        const DynamicRangeSettings& d = c.settings.dynamic_range;
        return DynamicRange(rec, {d.radius, d.tone_difference, d.strength});
    };
    return cmd;
}

}  // namespace orva
