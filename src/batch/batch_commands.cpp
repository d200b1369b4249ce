// The batch dialog's rules, the batch file commands and the installation of the batch layer.
#include <filesystem>

#include "batch/batch_file.h"
#include "batch/batch_steps.h"
#include "batch/run_batch.h"
#include "common/text.h"
#include "imageio/file_io.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/messages.h"

namespace orva {

namespace {

BatchStep& Step(AppContext& ctx, int k) {
    return ctx.batch.steps[static_cast<std::size_t>(k)];
}

std::string WithFolder(const AppContext& ctx, const std::string& name) {
    if (name.empty() || std::filesystem::path(name).is_absolute()) return name;
    return ctx.shell.folder + name;
}

// The save step's folder and format: confirmed as they are, or chosen with the save dialog
// (a temporary file name is typed; its folder and the chosen type are what count).
void SaveStepDetails(AppContext& ctx, BatchStep& step) {
    if (!step.folder.empty() && !step.format.empty() &&
        AskCaution(ctx.ui,
                   Format(Tr(msg::kBatchSaveConfirm), step.folder.c_str(), step.format.c_str()))) {
        ctx.batch.save_configured = 1;
        return;
    }
    FileDialogRequest req;
    req.title = msg::kSaveTitle;
    req.filters = ParseFilterList(msg::kSaveFilter);
    const int by_format = SaveFilterForExtension(step.format);
    req.filter_index = by_format != 0 ? by_format : 1;
    req.default_extension = step.format;
    for (;;) {
        const auto chosen = ctx.ui.SaveFileDialog(req);
        if (!chosen) return;  // nothing changes
        const std::filesystem::path path(WithFolder(ctx, chosen->path));
        const std::string folder = path.has_filename() ? path.parent_path().string() : "";
        if (folder.empty()) {
            ShowMessage(ctx.ui, Tr(msg::kBatchSaveRetry));
            continue;
        }
        const std::string format = SaveFilterExtension(chosen->filter_index);
        step.folder = folder;
        if (!format.empty()) {
            step.format = format;
            step.block[0] = chosen->filter_index;
        }
        ctx.batch.save_configured = 1;
        return;
    }
}

bool ReadBatchCommand(AppContext& ctx) {
    FileDialogRequest req;
    req.title = msg::kLoadTitle;
    req.filters = ParseFilterList(Tr(msg::kBatchFilter));
    const auto chosen = ctx.ui.OpenFileDialog(req);
    if (!chosen || !ReadBatchFile(WithFolder(ctx, chosen->path), ctx.batch)) {
        ShowMessage(ctx.ui, Tr(msg::kSettingsNotLoaded));
        return false;
    }
    ctx.batch.save_configured = 1;
    if (Step(ctx, kBatchSteps - 1).edited_code == kStepSave)
        ShowMessage(ctx.ui, Tr(msg::kBatchCheckFolder));
    // As when the batch is started from the menu: a cancelled question leaves every image
    // open and batch mode off (the settings read stay loaded).
    if (ctx.ws.current >= 0 && !CloseAllAsking(ctx)) {
        ctx.ui.Repaint();
        return true;
    }
    ctx.batch.mode = Step(ctx, 0).edited_code;
    ctx.ui.SetStatusText(Tr(msg::kBatchPrompt));
    ctx.ui.Repaint();
    return true;
}

void WriteBatchCommand(AppContext& ctx) {
    FileDialogRequest req;
    req.title = msg::kSaveTitle;
    req.filters = ParseFilterList(Tr(msg::kBatchFilter));
    req.proposed_name = "orva";
    const auto chosen = ctx.ui.SaveFileDialog(req);
    if (!chosen) {
        ShowMessage(ctx.ui, Tr(msg::kSettingsNotSaved));
        return;
    }
    std::string path = WithFolder(ctx, chosen->path);
    if (!EndsWithNoCase(path, ".ovb")) path += ".ovb";
    if (!ConfirmOverwrite(ctx.ui, path)) return;
    // A batch file that could not be written is reported rather than passed over.
    if (!WriteBatchFile(path, ctx.batch)) ShowMessage(ctx.ui, Tr(msg::kSettingsNotSaved));
}

void BatchMenuCommand(AppContext& ctx, int id) {
    switch (id) {
        case kCmdBatchSettings:
            ctx.ui.RunDialog(DialogId::Batch, ctx);
            if (ctx.batch.mode != 0) ctx.batch.mode = Step(ctx, 0).edited_code;
            break;
        case kCmdBatchOpen: ReadBatchCommand(ctx); break;
        case kCmdBatchSave: WriteBatchCommand(ctx); break;
        default: break;
    }
}

}  // namespace

void ShowStepDetails(AppContext& ctx, int k) {
    BatchStep& step = Step(ctx, k);
    const int code = step.edited_code;
    if (code == kStepOpenOne) {
        ShowMessage(ctx.ui, Tr(msg::kBatchOpenOneDetail));
        return;
    }
    if (code == kStepSave) {
        SaveStepDetails(ctx, step);
        return;
    }
    if (code != kStepOpenComposite && !IsProcessingStep(code)) return;
    if (code == kStepOpenComposite) ShowMessage(ctx.ui, Tr(msg::kBatchCompositeDetail));
    LoadStepParameters(ctx, k, code);
    const std::optional<DialogId> dialog = StepKinds()[static_cast<std::size_t>(code)].dialog;
    // A background step must correct: a background kept as a new image has no place in a
    // batch.
    while (dialog && ctx.ui.RunDialog(*dialog, ctx) && code == kStepMakeBackground &&
           ctx.settings.background.generated_use == 0)
        ShowMessage(ctx.ui, Tr(msg::kBatchBackgroundMode));
    StoreStepParameters(ctx, k, code);
    step.confirmed_code = code;
}

bool ConfirmBatchSequence(AppContext& ctx) {
    const bool ends = Step(ctx, kBatchSteps - 1).edited_code == kStepEnd;
    if (!ends && ctx.batch.save_configured == 0) {
        ShowMessage(ctx.ui, Tr(msg::kBatchNoSaveFolder));
        return false;
    }
    if (ends) ctx.batch.save_configured = 1;
    for (int k = 0; k < kBatchSteps; ++k) {
        BatchStep& step = Step(ctx, k);
        // A step whose code changed takes the user's settings of its new operation.
        LoadStepParameters(ctx, k, step.edited_code);
        step.confirmed_code = step.edited_code;
        StoreStepParameters(ctx, k, step.edited_code);
    }
    return true;
}

bool ReadBatchFile(const std::string& path, BatchState& batch) {
    MappedFile file;
    if (!file.Open(path).ok()) return false;
    const auto bytes = file.bytes();
    return ReadBatchText(
               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), batch) >
           0;
}

bool WriteBatchFile(const std::string& path, const BatchState& batch) {
    FileSink sink;
    if (!sink.Open(path).ok()) return false;
    const std::string text = WriteBatchText(batch);
    sink.Write(text.data(), text.size());
    return sink.Commit().ok();
}

void InstallBatch(AppContext& ctx) {
    ctx.batch.run = [](AppContext& c, int count, const std::string& path) {
        RunBatch(c, count, path);
    };
    ctx.batch.command = BatchMenuCommand;
}

}  // namespace orva
