#include "shell/live_commands.h"

#include "common/text.h"
#include "shell/calibrated_commands.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

void LiveStackCommand(AppContext& ctx) {
    ctx.ui.ShowWindow(DialogId::LiveStack, ctx);
}

bool ShowLiveStack(AppContext& ctx, const LinearImage& stack, int frames, LiveSlot& shown) {
    if (shown.slot >= 0) {
        const ImageRecord& rec = ctx.ws.at(shown.slot);
        if (!rec.occupied() || rec.name != shown.name || rec.undo_available != 0) shown.slot = -1;
    }
    const bool fresh = shown.slot < 0;
    const bool watching = fresh || ctx.ws.current == shown.slot || ctx.ws.Current() == nullptr;
    const int before = ctx.ws.current;
    if (fresh) shown.slot = FindFreeSlot(ctx.ws);
    if (shown.slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return false;
    }
    if (!StoreStackResult(stack, ctx.ws.at(shown.slot))) {
        ClearSlot(ctx.ws, shown.slot);
        shown.slot = -1;
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return false;
    }
    shown.name = Format(Tr(msg::kLiveStackName), frames);
    ctx.ws.at(shown.slot).name = shown.name;
    AdoptNewImage(ctx, shown.slot, true);
    if (!watching) ctx.ws.current = before;
    if (fresh) ctx.view.auto_stretch = 1;
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
