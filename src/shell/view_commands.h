// Commands that change what the image window shows: zoom in and out, the zoom copied to
// every image, and arming an area copy.
#pragma once

#include "shell/context.h"

namespace orva {

// Zoom in (direction 1, command 401) or out (0, command 402) on the current image; in
// all-images mode every slot takes the new zoom. Then the refresh flag and a repaint.
void ZoomCommand(AppContext& ctx, int direction);

// Command 200: in all-images mode the current image's zoom goes into every other slot.
void CopyZoomToAll(AppContext& ctx);

// Command 212: the image window takes the two corners of an area to copy.
void ArmAreaCopy(AppContext& ctx);

}  // namespace orva
