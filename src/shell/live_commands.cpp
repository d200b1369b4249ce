#include "shell/live_commands.h"

#include "common/text.h"
#include "shell/calibrated_commands.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

void LiveStackCommand(AppContext& ctx) {
    ctx.ui.RunDialog(DialogId::LiveStack, ctx);
}

bool ShowLiveStack(AppContext& ctx, const LinearImage& stack, int frames, int* slot) {
    // The slot may have been closed since the last light.
    if (*slot >= 0 && !ctx.ws.at(*slot).occupied()) *slot = -1;
    if (*slot < 0) *slot = FindFreeSlot(ctx.ws);
    if (*slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return false;
    }
    if (!StoreStackResult(stack, ctx.ws.at(*slot))) {
        ClearSlot(ctx.ws, *slot);
        *slot = -1;
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return false;
    }
    ctx.ws.at(*slot).name = Format(Tr(msg::kLiveStackName), frames);
    AdoptNewImage(ctx, *slot, true);
    // A stack's linear levels look black on a plain display.
    ctx.view.auto_stretch = 1;
    ctx.ui.Repaint();
    return true;
}

bool SaveLiveStack(AppContext& ctx, const LinearImage& stack,
                   const std::vector<std::string>& history) {
    FileDialogRequest request;
    request.title = "SAVE";
    request.filters = {{"FITS (32-bit float)", "*.fits;*.fit;*.fts"}};
    request.proposed_name = "live_stack.fits";
    request.default_extension = "fits";
    const std::optional<FileDialogResult> chosen = ctx.ui.SaveFileDialog(request);
    if (!chosen || chosen->path.empty()) return false;
    std::string path = chosen->path;
    if (DetectFormat(path) != kFormatFits) path += ".fits";
    const IoResult r = WriteFitsLinear(path, stack, true, history);
    if (!r.ok()) {
        const std::string why = r.detail.empty() ? IoStatusName(r.status) : r.detail;
        ShowError(ctx.ui, Format(Tr(msg::kLiveStackSaveFailed), path.c_str(), why.c_str()));
        return false;
    }
    return true;
}

}  // namespace orva
