// The geometry commands the shell runs itself: resize and crop-and-resize (rotation and
// distortion are dispatched straight from their descriptors).
#pragma once

#include "ops/geometry.h"
#include "shell/context.h"

namespace orva {

// The resize filter for a method setting and the target and source sizes it compares.
ResizeMethod ResizeMethodOf(int method, int target_width, int source_width, int target_height,
                            int source_height);

// Resize (command 304): dialog RESIZE, then the current image or every image.
void ResizeCommand(AppContext& ctx);
// Crop and resize (command 213): dialog CUT, the crop of the current image into a new slot,
// resized to the output size; the new slot becomes current.
void CropCommand(AppContext& ctx);
// The crop and resize of slot `source` into the free slot `slot` with the crop settings; the
// new slot becomes current. Null on success, else the message saying why (the slot is then
// left empty).
const char* CropIntoSlot(AppContext& ctx, int source, int slot);

}  // namespace orva
