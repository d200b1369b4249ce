#include "shell/view_commands.h"

#include "view/zoom_scroll.h"

namespace orva {

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
