// The processing-command pattern: memory check, dialog, undo copy, dispatch, flags.
#include "shell/commands.h"
#include "shell/messages.h"
#include "workspace/undo.h"

namespace orva {

namespace {

bool Run(AppContext& ctx, const ProcessingCommand& cmd, ImageRecord& rec) {
    return cmd.run ? cmd.run(ctx, rec) : Dispatch(cmd.code, rec, ctx.params, ctx.ws, ctx.kernels);
}

// One image through the operation. False when memory ran short (the image is unchanged).
bool ProcessOne(AppContext& ctx, const ProcessingCommand& cmd, ImageRecord& rec) {
    // The block is filled for every image: some codes scale words in place (the rotation
    // angle is multiplied by ten), and refilling keeps every image on the user's values.
    if (cmd.fill) cmd.fill(ctx, rec, ctx.params);
    const bool ok = ApplyWithUndo(rec, [&](ImageRecord& r) { return Run(ctx, cmd, r); });
    if (ok && cmd.after) cmd.after(ctx, rec);
    return ok;
}

}  // namespace

bool ApplyProcessing(AppContext& ctx, const ProcessingCommand& cmd, ImageRecord& rec) {
    if (cmd.fill) cmd.fill(ctx, rec, ctx.params);
    const bool ok = Run(ctx, cmd, rec);
    if (ok && cmd.after) cmd.after(ctx, rec);
    return ok;
}

void RunProcessingCommand(AppContext& ctx, const ProcessingCommand& cmd) {
    if (ctx.ws.Current() == nullptr) return;
    if (!CheckImageMemory(ctx.ws, 0, 0, ctx.ws.current, cmd.memory_count)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    if (cmd.dialog && !ctx.ui.RunDialog(*cmd.dialog, ctx)) return;
    {
        BusyScope busy(ctx.ui);
        if (ctx.shell.all_images == 0 || cmd.current_only) {
            if (!ProcessOne(ctx, cmd, *ctx.ws.Current())) ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        } else {
            for (int s = 0; s < kSlotCount; ++s) {
                ImageRecord& rec = ctx.ws.at(s);
                if (rec.width <= 0) continue;
                if (!CheckImageMemory(ctx.ws, 0, 0, s, cmd.memory_count) ||
                    !ProcessOne(ctx, cmd, rec)) {
                    ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
                    break;
                }
            }
        }
    }
    ctx.ui.Repaint();
}

}  // namespace orva
