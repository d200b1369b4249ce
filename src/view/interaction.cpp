#include "view/interaction.h"

#include <algorithm>

#include "shell/commands.h"
#include "shell/messages.h"
#include "view/histogram.h"
#include "view/render.h"
#include "view/zoom_scroll.h"
#include "workspace/undo.h"

namespace orva {

namespace {

void ToImage(const AppContext& ctx, int wx, int wy, int& x, int& y) {
    WindowToImage(ctx.ws.at(ctx.ws.current), wx, wy, x, y);
}

void CopyDraggedArea(AppContext& ctx) {
    const ImageRecord& src = ctx.ws.at(ctx.ws.current);
    const int slot = FindFreeSlot(ctx.ws);
    if (slot < 0) {
        ShowError(ctx.ui, Tr(msg::kNoSlotNew));
        return;
    }
    ImageRecord& dst = ctx.ws.at(slot);
    const ShellState& s = ctx.shell;
    if (!CopyArea(src, dst, s.area_corner_x[0], s.area_corner_y[0], s.area_corner_x[1],
                  s.area_corner_y[1])) {
        ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
        return;
    }
    // The rectangle exists in no file: closing must ask before it is thrown away.
    AdoptNewImage(ctx, slot, true);
    ctx.ui.Repaint();
}

}  // namespace

void ImageMouseMove(AppContext& ctx, int wx, int wy) {
    ctx.shell.mouse_x = wx;
    ctx.shell.mouse_y = wy;
    if (ctx.shell.area_copy_mode == 2 && ctx.ws.Current() != nullptr) {
        ToImage(ctx, wx, wy, ctx.shell.area_corner_x[1], ctx.shell.area_corner_y[1]);
    }
}

std::array<int, 3> SampleBackgroundLevel(const ImageRecord& rec, int& x, int& y) {
    // One pixel inside the picture. Pictures narrower or lower than three pixels repeat
    // their edge samples instead of reading outside the planes.
    const auto inside = [](int v, int size) {
        return size >= 3 ? std::clamp(v, 1, size - 2) : std::clamp(v, 0, size - 1);
    };
    x = inside(x, rec.width);
    y = inside(y, rec.height);
    const bool grey = rec.single_plane == 1 || rec.green.empty() || rec.blue.empty();
    std::array<int, 3> level{};
    for (int c = 0; c < 3; ++c) {
        const Plane& p = grey ? rec.red : rec.plane(c);
        std::array<int, 9> v{};
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            const int yy = std::clamp(y + dy, 0, rec.height - 1);
            for (int dx = -1; dx <= 1; ++dx) {
                const int xx = std::clamp(x + dx, 0, rec.width - 1);
                v[static_cast<std::size_t>(n++)] =
                    std::min<int>(p[static_cast<std::size_t>(yy) * rec.width + xx], 65280);
            }
        }
        std::partial_sort(v.begin(), v.begin() + 4, v.end());
        level[static_cast<std::size_t>(c)] = (v[2] + v[3]) / 2;
    }
    return level;
}

void FinishBackgroundPoints(AppContext& ctx) {
    const int count = std::clamp(ctx.view.sampling_mode - kSamplePoints, 0, kMaxBackgroundPoints);
    ShowMessage(ctx.ui, Tr(msg::kBackgroundPointsDone));
    ImageRecord* rec = ctx.ws.Current();
    if (rec != nullptr && ctx.view.finish_background_points) {
        const bool done = ApplyWithUndo(
            *rec, [&](ImageRecord& r) { return ctx.view.finish_background_points(ctx, r, count); });
        if (!done) ShowError(ctx.ui, Tr(msg::kNoMemoryRun));
    }
    ctx.view.sampling_mode = kSampleNone;
    ctx.ui.Repaint();
}

void ImageLeftButtonDown(AppContext& ctx, int wx, int wy) {
    ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return;
    ShellState& s = ctx.shell;
    ViewState& v = ctx.view;
    if (s.area_copy_mode > 0) {
        ToImage(ctx, wx, wy, s.area_corner_x[0], s.area_corner_y[0]);
        s.area_copy_mode = 2;
        return;
    }
    if (v.sampling_mode > 0) {
        int x = 0, y = 0;
        ToImage(ctx, wx, wy, x, y);
        const auto level = SampleBackgroundLevel(*rec, x, y);
        if (v.sampling_mode == kSampleCentre || v.sampling_mode == kSampleEdge) {
            SampledLevel& out = v.sampling_mode == kSampleCentre ? v.centre_level : v.edge_level;
            out = {x, y, level[0] >> 8, level[1] >> 8, level[2] >> 8};
            // The levels go straight into the radial correction's settings.
            auto& bg = ctx.settings.background;
            auto& into = v.sampling_mode == kSampleCentre ? bg.centre : bg.edge;
            into = {out.r, out.g, out.b};
            v.sampling_mode = kSampleNone;
        } else if (v.sampling_mode >= kSamplePoints &&
                   v.sampling_mode < kSamplePoints + kMaxBackgroundPoints) {
            const int n = v.sampling_mode - kSamplePoints;
            v.background_points[static_cast<std::size_t>(n)] = {
                x, y, level[0], level[1], level[2], (level[0] + level[1] + level[2]) / 3};
            v.sampling_mode = kSamplePoints + n + 1;
            ctx.ui.Repaint();
            if (v.sampling_mode == kSamplePoints + kMaxBackgroundPoints)
                FinishBackgroundPoints(ctx);
        }
        return;
    }
    if (ZoomAtPoint(ctx.ws, s.all_images, 1, wx, wy, s.client_width, s.client_height)) {
        ctx.ui.Repaint();
    }
}

void ImageRightButtonDown(AppContext& ctx, int wx, int wy) {
    if (ctx.ws.Current() == nullptr) return;
    if (ctx.view.sampling_mode >= kSamplePoints) {
        FinishBackgroundPoints(ctx);
        return;
    }
    const ShellState& s = ctx.shell;
    if (ZoomAtPoint(ctx.ws, s.all_images, 0, wx, wy, s.client_width, s.client_height)) {
        ctx.ui.Repaint();
    }
}

void ImageLeftButtonUp(AppContext& ctx, int wx, int wy) {
    if (ctx.ws.Current() == nullptr) return;
    ShellState& s = ctx.shell;
    if (s.area_copy_mode <= 0) return;
    ToImage(ctx, wx, wy, s.area_corner_x[1], s.area_corner_y[1]);
    // A rectangle without width or height stays armed until a proper one is dragged.
    if (s.area_corner_x[0] == s.area_corner_x[1] || s.area_corner_y[0] == s.area_corner_y[1])
        return;
    s.area_copy_mode = 0;
    CopyDraggedArea(ctx);
}

bool PrepareImagePaint(AppContext& ctx) {
    ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return false;
    ClampScroll(*rec, ctx.shell.client_width, ctx.shell.client_height);
    if (rec->refresh == 1) {
        ComputeChannelStats(*rec);
        ComputeHistogram(*rec);
    }
    return true;
}

}  // namespace orva
