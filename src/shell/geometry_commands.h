// The geometry commands: rotation and distortion through the processing-command pattern,
// resize and crop-and-resize run by the shell itself.
#pragma once

#include "ops/geometry.h"
#include "shell/context.h"

namespace orva {

// Rotate (command 305): P0 the angle in hundredths (the quarter-turn buttons stand for
// +90, -90 and 180 degrees), P1 the rotate mode.
void FillRotateBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);
// Distortion correction (command 330): P0 the amount.
void FillDistortionBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

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
