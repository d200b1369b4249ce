#include "shell/wavelet_restore_commands.h"

#include "ops/op_params.h"
#include "shell/messages.h"

namespace orva {

void FillWaveletBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block) {
    PutWaveletWords(ctx.settings.wavelet, block);
    const auto& f = kWaveletFields;
    if (block[f.enlarge.word] == 1 &&
        (rec.width >= kWaveletEnlargeLimit || rec.height >= kWaveletEnlargeLimit)) {
        ShowMessage(ctx.ui, Tr(msg::kWaveletTooLarge));
        PutWord(block, f.enlarge, 0);
    }
}


}  // namespace orva
