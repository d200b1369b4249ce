// Commands on slots: close, copy, undo and redo, points, selection, and the close loops.
#include <cmath>

#include "common/text.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "workspace/statistics.h"
#include "workspace/undo.h"

namespace orva {

bool CloseSlotAsking(AppContext& ctx, int slot) {
    if (!Workspace::Valid(slot)) return true;
    ImageRecord& rec = ctx.ws.at(slot);
    if (rec.changed == 1) {
        ctx.ws.current = slot;
        ctx.ui.Repaint();
        const Answer a = AskSaveChanged(ctx.ui, Format(msg::kSaveChanged, slot, rec.name.c_str()));
        if (a == Answer::Cancel) return false;
        if (a == Answer::Yes) {
            SpreadSinglePlane(rec);
            // A save that was cancelled, declined or failed keeps the image open: closing it
            // anyway would throw away the picture the user just asked to keep.
            if (!SaveRecordWithDialog(ctx, slot)) return false;
        }
    }
    ClearSlot(ctx.ws, slot);
    return true;
}

bool CloseAllAsking(AppContext& ctx) {
    for (int s = 0; s < kSlotCount; ++s) {
        if (!ctx.ws.at(s).occupied()) continue;
        if (!CloseSlotAsking(ctx, s)) return false;
    }
    ctx.ws.current = 0;
    return true;
}

bool RequestApplicationClose(AppContext& ctx) {
    for (int s = 0; s < kSlotCount; ++s) {
        ImageRecord& rec = ctx.ws.at(s);
        if (rec.changed != 1 || !rec.occupied()) continue;
        ctx.ws.current = s;
        ctx.ui.Repaint();
        const Answer a = AskSaveChanged(ctx.ui, Format(msg::kSaveChanged, s, rec.name.c_str()));
        if (a == Answer::Cancel) return false;
        if (a == Answer::Yes) {
            SpreadSinglePlane(rec);
            if (!SaveRecordWithDialog(ctx, s)) return false;
        }
    }
    return true;
}

void CopyCurrentImage(AppContext& ctx) {
    const ImageRecord* cur = ctx.ws.Current();
    if (cur == nullptr) return;
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return;
    }
    ImageRecord& dst = ctx.ws.at(slot);
    if (!CopyImageRecord(dst, *cur)) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    // A copy of a picture that is saved somewhere duplicates that file; a copy of unsaved
    // changes exists nowhere else and must be asked about before it is thrown away.
    AdoptNewImage(ctx, slot, ctx.ws.at(ctx.ws.current).changed == 1);
    ctx.ui.Repaint();
}

void AdoptNewImage(AppContext& ctx, int slot, bool unsaved) {
    ImageRecord& rec = ctx.ws.at(slot);
    // The statistics of whatever was in the slot before must not be shown for the new picture.
    rec.refresh = 1;
    rec.changed = unsaved ? 1 : 0;
    rec.saved_changed = 0;
    rec.undo_available = rec.redo_available = 0;
    ComputeHistogram(rec);
    ctx.ws.current = slot;
}

namespace {
template <typename Fn>
void ForUndoTargets(AppContext& ctx, Fn fn) {
    if (ctx.ws.Current() == nullptr) return;
    BusyScope busy(ctx.ui);
    if (ctx.shell.all_images == 0) {
        fn(*ctx.ws.Current());
    } else {
        for (auto& rec : ctx.ws.slots)
            if (rec.width >= 1) fn(rec);
    }
    ctx.ui.Repaint();
}
}  // namespace

namespace {
// True when an image that undo or redo would act on has a step to take back or bring back.
bool HasStep(const AppContext& ctx, int ImageRecord::*flag) {
    if (!Workspace::Valid(ctx.ws.current) || !ctx.ws.at(ctx.ws.current).occupied()) return false;
    if (ctx.shell.all_images == 0) return ctx.ws.at(ctx.ws.current).*flag == 1;
    for (const auto& rec : ctx.ws.slots)
        if (rec.width >= 1 && rec.*flag == 1) return true;
    return false;
}
}  // namespace

bool CanUndo(const AppContext& ctx) {
    return HasStep(ctx, &ImageRecord::undo_available);
}

bool CanRedo(const AppContext& ctx) {
    return HasStep(ctx, &ImageRecord::redo_available);
}

void Undo(AppContext& ctx) {
    ForUndoTargets(ctx, [](ImageRecord& r) { UndoRecord(r); });
}

void Redo(AppContext& ctx) {
    ForUndoTargets(ctx, [](ImageRecord& r) { RedoRecord(r); });
}

std::string PointReportText(const ImageRecord& rec, int divisor) {
    const bool a = rec.point_a_x >= 0 && rec.point_a_y >= 0;
    const bool b = rec.point_b_x >= 0 && rec.point_b_y >= 0;
    if (!a && !b) return Tr(msg::kPointsNone);
    if (divisor < 1) divisor = 1;
    const bool decimal = divisor == 256;
    struct Point {
        int x, y;  // y counted from the top
        int v[3];  // raw samples
    };
    auto point = [&](int x, int row) {
        Point p{x, rec.height - row - 1, {0, 0, 0}};
        if (x >= 0 && row >= 0 && x < rec.width && row < rec.height && rec.occupied()) {
            const std::size_t i = static_cast<std::size_t>(row) * rec.width + x;
            for (int c = 0; c < 3; ++c) p.v[c] = rec.plane(rec.single_plane ? 0 : c)[i];
        }
        return p;
    };
    auto block = [&](const char* plain, const char* dec, const Point& p) {
        if (decimal) {
            return Format(dec, p.x, p.y, p.v[0] / 256, (p.v[0] % 256) * 10 / 256, p.v[1] / 256,
                          (p.v[1] % 256) * 10 / 256, p.v[2] / 256, (p.v[2] % 256) * 10 / 256);
        }
        return Format(plain, p.x, p.y, p.v[0] / divisor, p.v[1] / divisor, p.v[2] / divisor);
    };
    const Point pa = point(rec.point_a_x, rec.point_a_y);
    const Point pb = point(rec.point_b_x, rec.point_b_y);
    if (a && !b) return block(msg::kPointA, msg::kPointADecimal, pa);
    if (b && !a) return block(msg::kPointB, msg::kPointBDecimal, pb);
    const int dx = std::abs(pa.x - pb.x), dy = std::abs(pa.y - pb.y);
    const int dist =
        static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
    return block(msg::kPointA, msg::kPointADecimal, pa) + "\n\n" +
           block(msg::kPointB, msg::kPointBDecimal, pb) +
           Format(Tr(msg::kPointsDifference), dx, dy, dist);
}

}  // namespace orva
