#include "shell/wavelet_restore_commands.h"

#include "ops/op_params.h"
#include "shell/messages.h"

namespace orva {

void FillWaveletBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block) {
    const WaveletSettings& s = ctx.settings.wavelet;
    for (int i = 0; i < 6; ++i) block[i] = s.gains[static_cast<std::size_t>(i)];
    const auto& f = kWaveletFields;
    PutWord(block, f.enlarge, s.enlarge);
    PutWord(block, f.filter_order, s.filter_order);
    if (block[f.enlarge.word] == 1 &&
        (rec.width >= kWaveletEnlargeLimit || rec.height >= kWaveletEnlargeLimit)) {
        ShowMessage(ctx.ui, msg::kWaveletTooLarge);
        PutWord(block, f.enlarge, 0);
    }
}

void FillRestoreBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    PutRestoreWords(ctx.settings.restore, block);
}

}  // namespace orva
