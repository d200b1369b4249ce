#include "shell/sharpen_edge_commands.h"

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
    const auto& f = kSharpenFields;
    PutWord(block, f.radius, s.radius);
    PutWord(block, f.smooth_range, s.smooth_range);
    PutWord(block, f.smooth_strength, s.smooth_strength);
    PutWord(block, f.emphasis, s.emphasis);
    PutWord(block, f.blunting, s.blunting);
    block[5] = ChannelMask(s.channels);
}

void FillEdgeBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const EdgeSettings& s = ctx.settings.edge;
    const auto& f = kEdgeFields;
    PutWord(block, f.area, s.area);
    PutWord(block, f.range, s.range);
    PutWord(block, f.emphasis, s.emphasis);
    PutWord(block, f.threshold, s.threshold);
    PutWord(block, f.smooth_strength, s.smooth_strength);
    block[5] = ChannelMask(s.channels);
}

}  // namespace orva
