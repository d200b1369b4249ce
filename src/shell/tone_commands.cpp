#include "shell/tone_commands.h"

#include <algorithm>

#include "ops/op_params.h"
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
