#include "shell/view_commands.h"

namespace orva {

int NextZoom(int zoom, int direction) {
    if (direction == 1) {
        for (int z : kZoomLadder)
            if (z > zoom) return z;
    } else {
        for (auto it = kZoomLadder.rbegin(); it != kZoomLadder.rend(); ++it)
            if (*it < zoom) return *it;
    }
    return zoom;
}

int StepZoom(Workspace& ws, int all_images, int direction) {
    ImageRecord* rec = ws.Current();
    if (rec == nullptr) return 0;
    const int zoom = NextZoom(rec->zoom, direction);
    if (zoom == rec->zoom) return 0;
    rec->zoom = zoom;
    if (all_images == 1) {
        for (auto& r : ws.slots) r.zoom = zoom;
    }
    return 1;
}

void ZoomCommand(AppContext& ctx, int direction) {
    ImageRecord* rec = ctx.ws.Current();
    if (rec == nullptr) return;
    StepZoom(ctx.ws, ctx.shell.all_images, direction);
    rec->refresh = 1;
    ctx.ui.Repaint();
}

void CopyZoomToAll(AppContext& ctx) {
    const ImageRecord* cur = ctx.ws.Current();
    if (ctx.shell.all_images == 0 || cur == nullptr) return;
    const int zoom = cur->zoom;
    for (auto& rec : ctx.ws.slots) {
        rec.zoom = zoom;
        if (rec.occupied()) rec.refresh = 1;
    }
}

void ArmAreaCopy(AppContext& ctx) {
    if (ctx.ws.Current() == nullptr) return;
    ctx.shell.area_copy_mode = 1;
    ctx.shell.area_corner_x[0] = ctx.shell.area_corner_x[1] = 0;
    ctx.shell.area_corner_y[0] = ctx.shell.area_corner_y[1] = 0;
}

}  // namespace orva
