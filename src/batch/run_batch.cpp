#include "batch/run_batch.h"

#include <filesystem>

#include "batch/batch_steps.h"
#include "composite/composite_params.h"
#include "shell/background_commands.h"
#include "shell/commands.h"
#include "shell/geometry_commands.h"
#include "shell/messages.h"
#include "workspace/workspace.h"

namespace orva {

std::vector<std::vector<int>> CompositeGroups(int count) {
    if (count < 1) return {};
    const int groups = count <= 4 ? 1 : (count + 3) / 4;
    std::vector<std::vector<int>> out(static_cast<std::size_t>(groups));
    for (int s = 0; s < count; ++s) out[static_cast<std::size_t>(s % groups)].push_back(s);
    return out;
}

namespace {

// The stacking the multi-file settings give: comparison range, method, normalisation, the
// shift rule and noise removal. The last stage of a grouped stack neither insists on a shift
// nor removes noise again.
CompositeParams StageParams(const MultiFileCompositeSettings& m, const std::vector<int>& sources,
                            bool last_stage) {
    CompositeParams p = MultiFileParams(m, sources);
    if (last_stage) {
        p.compare.shift_one_pixel = false;
        p.noise = NoiseOptions{};
    }
    return p;
}

// Stacks `sources` into the free slot `into`. False after telling the user when memory ran
// short.
bool Stack(AppContext& ctx, const std::vector<int>& sources, int into, bool last_stage) {
    for (const int s : sources) SpreadSinglePlane(ctx.ws.at(s));
    PutCompositeWords(StageParams(ctx.settings.multi_file, sources, last_stage), ctx.params);
    if (!Dispatch(kOpComposite, ctx.ws.at(into), ctx.params, ctx.ws, ctx.kernels)) {
        ClearSlot(ctx.ws, into);
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return false;
    }
    AdoptNewImage(ctx, into, true);
    return true;
}

bool CompositeStep(AppContext& ctx, int count) {
    if (count <= 1) return true;
    const auto groups = CompositeGroups(count);
    std::vector<int> results;
    int next = count;
    // Up to four images make one group and no further stage: that single stack uses the
    // settings in full, as a group does.
    for (const auto& g : groups) {
        if (!Stack(ctx, g, next, false)) return false;
        results.push_back(next++);
    }
    if (groups.size() > 1 && !Stack(ctx, results, next, true)) return false;
    return true;
}

// A background generated from the current image corrects it as command 3071 does: by
// multiplication or, when the settings choose it, by subtraction.
bool BackgroundStep(AppContext& ctx) {
    const int use = ctx.settings.background.generated_use == 2 ? 2 : 1;
    const int current = ctx.ws.current;
    const char* failure = GenerateBackground(ctx, current, use, false);
    ctx.ws.current = current;
    if (failure != nullptr) ShowError(ctx.ui, failure);
    return failure == nullptr;
}

bool CropStep(AppContext& ctx) {
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return false;
    }
    if (const char* failure = CropIntoSlot(ctx, ctx.ws.current, slot)) {
        ShowError(ctx.ui, failure);
        return false;
    }
    return true;
}

bool OperationStep(AppContext& ctx, int code) {
    const auto cmd = ProcessingOf(StepKinds()[static_cast<std::size_t>(code)].command);
    ImageRecord* rec = ctx.ws.Current();
    if (!cmd || rec == nullptr) return true;
    // The batch never enlarges with the wavelet; the user's choice comes back with the
    // rest of the wavelet settings when the step's parameters are stored.
    if (code == kStepWavelet) ctx.settings.wavelet.enlarge = 0;
    if (!CheckImageMemory(ctx.ws, 0, 0, ctx.ws.current, cmd->memory_count) ||
        !ApplyProcessing(ctx, *cmd, *rec)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return false;
    }
    rec->changed = 1;
    rec->refresh = 1;
    return true;
}

// Writes the current image as the source's name in the step's folder and format, then closes
// every image. A file already there is replaced only when the user allows it; a result that
// was not written (overwrite declined, write failed) stays open, changed, so that nothing
// closes it without asking.
void SaveStep(AppContext& ctx, const BatchStep& step, const std::string& source) {
    if (ImageRecord* rec = ctx.ws.Current()) {
        const std::filesystem::path folder(step.folder);
        const std::string name = std::filesystem::path(source).stem().string() + step.format;
        const std::string path = (folder / name).string();
        SpreadSinglePlane(*rec);
        if (!ConfirmOverwrite(ctx.ui, path) ||
            !SaveRecordAs(ctx, ctx.ws.current, path, step.block[0]))
            return;
    }
    for (int s = 0; s < kSlotCount; ++s) ClearSlot(ctx.ws, s);
    ctx.ws.current = 0;
}

}  // namespace

bool RunBatch(AppContext& ctx, int count, const std::string& source) {
    ctx.ws.current = 0;
    for (int k = 0; k < kBatchSteps; ++k) {
        BatchStep& step = ctx.batch.steps[static_cast<std::size_t>(k)];
        const int code = step.edited_code;
        if (code != kStepOpenComposite && code != kStepSave && !IsProcessingStep(code)) continue;
        if (code == kStepSave) {
            SaveStep(ctx, step, source);
            return true;
        }
        LoadStepParameters(ctx, k, code);
        bool ok = true;
        switch (code) {
            case kStepOpenComposite: ok = CompositeStep(ctx, count); break;
            case kStepCrop: ok = CropStep(ctx); break;
            case kStepMakeBackground: ok = BackgroundStep(ctx); break;
            default: ok = OperationStep(ctx, code); break;
        }
        step.confirmed_code = code;
        StoreStepParameters(ctx, k, code);
        if (!ok) return false;
    }
    return true;
}

}  // namespace orva
