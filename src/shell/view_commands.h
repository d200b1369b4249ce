// Commands that change what the image window shows: zoom in and out, the zoom copied to
// every image, and arming an area copy.
#pragma once

#include <array>

#include "shell/context.h"

namespace orva {

// Display scales in percent, smallest first.
inline constexpr std::array<int, 15> kZoomLadder = {8,   12,  16,  25,  33,  50,   75,  100,
                                                    150, 200, 300, 400, 800, 1600, 3200};

// The next zoom on the ladder: direction 1 up (zoom in), 0 down. The same zoom at the end of
// the ladder. A zoom off the ladder moves to the nearest step in that direction.
int NextZoom(int zoom, int direction);

// Zooms the current slot one step (direction 1 in, 0 out). Returns 0 when the zoom is already
// at that end of the ladder (nothing changes), else 1. With all_images set the new zoom is
// written into every slot, occupied or not. The scroll origin is left for the next paint.
int StepZoom(Workspace& ws, int all_images, int direction);

// Zoom in (direction 1, command 401) or out (0, command 402) on the current image; in
// all-images mode every slot takes the new zoom. Then the refresh flag and a repaint.
void ZoomCommand(AppContext& ctx, int direction);

// Command 200: in all-images mode the current image's zoom goes into every other slot.
void CopyZoomToAll(AppContext& ctx);

// Command 212: the image window takes the two corners of an area to copy.
void ArmAreaCopy(AppContext& ctx);

}  // namespace orva
