#include "shell/wavelet_commands.h"

#include "shell/messages.h"

namespace orva {

void FillWaveletBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block) {
    const WaveletSettings& s = ctx.settings.wavelet;
    for (int i = 0; i < 6; ++i) block[i] = s.gains[static_cast<std::size_t>(i)];
    block[14] = s.enlarge;
    block[15] = s.filter_order;
    if (block[14] == 1 &&
        (rec.width >= kWaveletEnlargeLimit || rec.height >= kWaveletEnlargeLimit)) {
        ShowMessage(ctx.ui, msg::kWaveletTooLarge);
        block[14] = 0;
    }
}

void FillRestoreBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const RestoreSettings& s = ctx.settings.restore;
    block[0] = s.spread;
    block[1] = s.blunting;
    block[2] = s.iterations;
    block[3] = s.emphasis;
}

}  // namespace orva
