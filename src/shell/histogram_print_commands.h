// Commands that look at an image without changing it: printing and the histogram window.
#pragma once

#include "shell/context.h"

namespace orva {

// Prints the current image on one page (wait cursor, then a repaint either way).
void PrintCommand(AppContext& ctx);
// Opens the "Histgram" window if needed and switches it to the histogram (view 0) or the
// cross-sections (view 1).
void ShowInspectionCommand(AppContext& ctx, int view_mode);

}  // namespace orva
