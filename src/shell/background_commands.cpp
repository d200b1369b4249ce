#include "shell/background_commands.h"

#include <algorithm>
#include <vector>

#include "background/background_settings.h"
#include "background/point_fit.h"
#include "common/text.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "workspace/undo.h"

namespace orva {

namespace {

const auto& BG = kBackgroundFields;

bool HasImage(const AppContext& ctx) {
    return Workspace::Valid(ctx.ws.current) && ctx.ws.at(ctx.ws.current).occupied();
}

// The slot a dialog chose holds a picture.
bool UsableSlot(const AppContext& ctx, int slot) {
    return Workspace::Valid(slot) && ctx.ws.at(slot).occupied();
}

// Correction by the picture in `slot`, with the same shift for the three channels.
void PutImageMode(ParamBlock& block, int mode, int shift, int slot) {
    BackgroundParams p;
    p.mode = mode;
    p.slot = slot;
    p.shift = {shift, shift, shift};
    PutBackgroundWords(p, block);
}

// The processing-command pattern after the dialog: the current image, or in all-images mode
// every image in slot order, each after its own memory check, except `skip` (the background
// itself, which stays as it is, without an undo step, while the others are corrected by it).
void RunOnImages(AppContext& ctx, uint32_t code, const ParamBlock& block, int skip,
                 bool current_only) {
    auto one = [&](ImageRecord& rec) {
        ctx.params = block;
        return ApplyWithUndo(rec, [&](ImageRecord& r) {
            return Dispatch(code, r, ctx.params, ctx.ws, ctx.kernels);
        });
    };
    {
        BusyScope busy(ctx.ui);
        if (ctx.shell.all_images == 0 || current_only) {
            if (!one(*ctx.ws.Current())) ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        } else {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                ImageRecord& rec = ctx.ws.at(slot);
                if (rec.width <= 0 || slot == skip) continue;
                if (!CheckImageMemory(ctx.ws, 0, 0, slot, 2) || !one(rec)) {
                    ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
                    break;
                }
            }
        }
    }
    ctx.ui.Repaint();
}

bool MemoryForTwo(AppContext& ctx) {
    if (CheckImageMemory(ctx.ws, 0, 0, ctx.ws.current, 2)) return true;
    ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
    return false;
}

// The first free slot after `after`, or -1.
int FreeSlotAfter(const Workspace& ws, int after) {
    for (int s = after + 1; s < kSlotCount; ++s)
        if (!ws.at(s).occupied()) return s;
    return -1;
}

}  // namespace

void FillRadialBackgroundBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    const BackgroundSettings& s = ctx.settings.background;
    const int mode = BG.pseudo_mode.Clamp(s.pseudo_mode);
    const int shift = BG.shift.Clamp(s.pseudo_shift);
    BackgroundParams p;
    p.mode = mode;
    // Subtracting carries the shift in the levels.
    for (std::size_t ch = 0; ch < 3; ++ch) {
        const int centre = BG.level.Clamp(s.centre[ch]);
        const int edge = BG.level.Clamp(s.edge[ch]);
        p.centre[ch] = mode == 1 ? shift - 2 * edge + centre : centre;
        p.edge[ch] = mode == 1 ? shift - edge : edge;
    }
    p.curve = s.pseudo_curve;
    PutBackgroundWords(p, block);
}

void RadialBackgroundCommand(AppContext& ctx) {
    if (!HasImage(ctx) || !MemoryForTwo(ctx)) return;
    if (!ctx.ui.RunDialog(DialogId::BackgroundLevels, ctx)) return;
    const auto& edge = ctx.settings.background.edge;
    if (edge[0] == 0 && edge[1] == 0 && edge[2] == 0) {
        // Nothing to correct against yet: the next click picks the centre levels.
        ctx.view.sampling_mode = kSampleCentre;
        return;
    }
    ProcessingCommand cmd;
    cmd.code = kOpBackground;
    cmd.fill = FillRadialBackgroundBlock;
    RunProcessingCommand(ctx, cmd);
    ctx.view.sampling_mode = kSampleNone;
}

void SampleLevelCommand(AppContext& ctx, int mode) {
    ctx.view.sampling_mode = mode;
    ShowMessage(ctx.ui,
                mode == kSampleCentre ? Tr(msg::kSampleCentrePrompt) : Tr(msg::kSampleEdgePrompt));
}

void ImageBackgroundCommand(AppContext& ctx) {
    if (!HasImage(ctx) || !MemoryForTwo(ctx)) return;
    if (!ctx.ui.RunDialog(DialogId::BackgroundImage, ctx)) return;
    const BackgroundSettings& s = ctx.settings.background;
    if (!UsableSlot(ctx, s.image_slot)) {
        ShowError(ctx.ui, Tr(msg::kNoImageChosen));
        return;
    }
    ParamBlock block = ctx.params;
    PutImageMode(block, BG.image_mode.Clamp(s.image_mode), BG.shift.Clamp(s.image_shift),
                 s.image_slot);
    RunOnImages(ctx, kOpBackground, block, s.image_slot, false);
}

void MakeBackgroundCommand(AppContext& ctx) {
    if (!HasImage(ctx) || !MemoryForTwo(ctx)) return;
    if (!ctx.ui.RunDialog(DialogId::GeneratedBackground, ctx)) return;
    const char* failure = nullptr;
    {
        BusyScope busy(ctx.ui);
        failure =
            GenerateBackground(ctx, ctx.ws.current,
                               BG.generated_use.Clamp(ctx.settings.background.generated_use), true);
    }
    if (failure != nullptr) ShowError(ctx.ui, failure);
    ctx.ui.Repaint();
}

const char* GenerateBackground(AppContext& ctx, int source, int use, bool undo) {
    const BackgroundSettings& s = ctx.settings.background;
    const int slot = FindFreeSlot(ctx.ws);
    const bool two_part = s.two_part != 0;
    const int temp = two_part && slot >= 0 ? FreeSlotAfter(ctx.ws, slot) : -1;
    if (slot < 0 || (two_part && temp < 0)) return Tr(msg::kNoSlotNew);
    ParamBlock& block = ctx.params;
    // The area is held before it is halved for two passes.
    const int area = BG.detect_area.Clamp(s.detect_area);
    MakeBackgroundParams p{source, two_part ? area / 2 : area, s.average_area, s.exclude_zero};
    PutMakeBackgroundWords(p, block);
    bool ok =
        Dispatch(kOpMakeBackground, ctx.ws.at(two_part ? temp : slot), block, ctx.ws, ctx.kernels);
    if (two_part) {
        // The second pass, with the same half area, works on the first one's result.
        p.source = temp;
        PutMakeBackgroundWords(p, block);
        ok = ok && Dispatch(kOpMakeBackground, ctx.ws.at(slot), block, ctx.ws, ctx.kernels);
        ClearSlot(ctx.ws, temp);
    }
    if (!ok || !ctx.ws.at(slot).occupied()) {
        ClearSlot(ctx.ws, slot);
        return Tr(msg::kNoMemoryRun);
    }
    if (use == 0) {
        AdoptNewImage(ctx, slot, true);
        return nullptr;
    }
    PutImageMode(block, use == 1 ? 3 : 4, use == 1 ? 0 : BG.shift.Clamp(s.generated_shift), slot);
    ImageRecord& rec = ctx.ws.at(source);
    const auto correct = [&](ImageRecord& r) {
        return Dispatch(kOpBackground, r, block, ctx.ws, ctx.kernels);
    };
    const bool done = undo ? ApplyWithUndo(rec, correct) : correct(rec);
    ClearSlot(ctx.ws, slot);
    if (done && !undo) rec.changed = rec.refresh = 1;  // the undo path marks it itself
    return done ? nullptr : Tr(msg::kNoMemoryRun);
}

void BackgroundPointsCommand(AppContext& ctx) {
    if (!HasImage(ctx)) return;
    if (!ctx.ui.RunDialog(DialogId::BackgroundPoints, ctx)) return;
    ctx.view.sampling_mode = kSamplePoints;
    ShowMessage(ctx.ui, Tr(msg::kBackgroundPointsPrompt));
}

void CompareImagesCommand(AppContext& ctx) {
    if (!HasImage(ctx) || !MemoryForTwo(ctx)) return;
    if (!ctx.ui.RunDialog(DialogId::Compare, ctx)) return;
    const int slot = ctx.shell.selected_slot;
    if (!UsableSlot(ctx, slot)) {
        ShowError(ctx.ui, Tr(msg::kNoImageChosen));
        return;
    }
    // Pictures of different sizes are compared pixel by pixel all the same; the user is
    // asked first, since that is seldom what was meant.
    const ImageRecord& a = ctx.ws.at(ctx.ws.current);
    const ImageRecord& b = ctx.ws.at(slot);
    if ((a.width != b.width || a.height != b.height) &&
        !AskCaution(ctx.ui,
                    Format(Tr(msg::kCompareSizesDiffer), a.width, a.height, b.width, b.height)))
        return;
    const int level = kCompositeFields.compare_level.Clamp(ctx.settings.composite.compare_level);
    ParamBlock block = ctx.params;
    PutImageMode(block, 4, level, slot);
    RunOnImages(ctx, kOpBackground, block, slot, true);
}

bool CorrectByBackgroundPoints(AppContext& ctx, ImageRecord& rec, int count) {
    count = std::clamp(count, 0, kMaxBackgroundPoints);
    std::vector<FitPoint> points;
    for (int i = 0; i < count; ++i) {
        const BackgroundPoint& p = ctx.view.background_points[static_cast<std::size_t>(i)];
        points.push_back(FitPoint{p.x, p.y, {double(p.r), double(p.g), double(p.b)}});
    }
    const BackgroundSettings& s = ctx.settings.background;
    CorrectByPoints(rec, points, BG.image_mode.Clamp(s.image_mode), BG.shift.Clamp(s.image_shift));
    return true;
}

}  // namespace orva
