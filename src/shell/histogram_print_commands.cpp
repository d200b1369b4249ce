#include "shell/histogram_print_commands.h"

namespace orva {

void PrintCommand(AppContext& ctx) {
    if (ctx.ws.Current() == nullptr) return;
    {
        BusyScope busy(ctx.ui);
        ctx.ui.PrintImage(ctx, ctx.ws.current);
    }
    ctx.ui.Repaint();
}

void ShowInspectionCommand(AppContext& ctx, int view_mode) {
    ctx.view.histogram_open = 1;
    ctx.view.inspection_mode = view_mode == 1 ? 1 : 0;
    ctx.ui.ShowInspectionWindow(ctx.view.inspection_mode);
}

}  // namespace orva
