#include "shell/context.h"

#include <filesystem>

#include "common/text.h"
#include "shell/background_commands.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

AppContext::AppContext(Ui& ui_port, const OpKernels& op_kernels)
    : ui(ui_port), kernels(op_kernels) {
    view.finish_background_points = CorrectByBackgroundPoints;
    InitSettings(*this, 0);
}

void InitSettings(AppContext& ctx, int keep_workspace) {
    if (keep_workspace == 0) {
        for (int s = 0; s < kSlotCount; ++s) ClearSlot(ctx.ws, s);
        ctx.darks.files = {};
        ctx.darks.Release();
    }
    ResetSettings(ctx.settings);
    ResetBatchSequence(ctx.batch);
    ctx.shell.all_images = 0;
    ctx.view.sampling_mode = kSampleNone;
}

void StartUp(AppContext& ctx, const std::vector<std::string>& files) {
    InitSettings(ctx, 0);
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    ctx.shell.folder = ec ? std::string() : (cwd / "").string();
    ctx.ws.current = -1;
    if (std::filesystem::exists(msg::kSettingsFileName, ec)) {
        LoadSettingsFile(msg::kSettingsFileName, ctx.settings);
    }
    OpenFiles(ctx, files);
}

std::string WindowTitle(const AppContext& ctx) {
    if (!Workspace::Valid(ctx.ws.current)) return msg::kProductName;
    const ImageRecord& r = ctx.ws.at(ctx.ws.current);
    if (r.width <= 0) return msg::kProductName;
    return Format(msg::kWindowTitle, ctx.ws.current, r.name.c_str(), r.width, r.height, r.zoom);
}

}  // namespace orva
