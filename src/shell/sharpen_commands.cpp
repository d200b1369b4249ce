#include "shell/sharpen_commands.h"

#include <array>

namespace orva {

namespace {

// Any non-zero flag selects its channel.
int ChannelMask(const std::array<int, 3>& flags) {
    return (flags[0] != 0 ? kMaskRed : 0) | (flags[1] != 0 ? kMaskGreen : 0) |
           (flags[2] != 0 ? kMaskBlue : 0);
}

}  // namespace

void FillSharpenBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const SharpenSettings& s = ctx.settings.sharpen;
    block[0] = s.radius;
    block[1] = s.smooth_range;
    block[2] = s.smooth_strength;
    block[3] = s.emphasis;
    block[4] = s.blunting;
    block[5] = ChannelMask(s.channels);
}

void FillEdgeBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const EdgeSettings& s = ctx.settings.edge;
    block[0] = s.area;
    block[1] = s.range;
    block[2] = s.emphasis;
    block[3] = s.threshold;
    block[4] = s.smooth_strength;
    block[5] = ChannelMask(s.channels);
}

}  // namespace orva
