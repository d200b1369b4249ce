// Mouse actions in the image window and the work done at the start of its paint. Positions
// are window pixels of the image window; the client size is ctx.shell.client_width/height.
//
// A left click zooms in around the clicked point, a right click zooms out; while an area copy
// is armed (command 212) a drag copies the rectangle into a new image; while a sampling mode
// is set (ctx.view.sampling_mode) a left click collects background levels and a right click
// ends a background point list.
#pragma once

#include <array>

#include "shell/context.h"

namespace orva {

// Stores the mouse position and, while an area is being dragged, the area's end.
void ImageMouseMove(AppContext& ctx, int wx, int wy);
void ImageLeftButtonDown(AppContext& ctx, int wx, int wy);
void ImageLeftButtonUp(AppContext& ctx, int wx, int wy);
void ImageRightButtonDown(AppContext& ctx, int wx, int wy);

// Dark-biased background level of each channel around (column x, memory row y): the centre
// is moved one pixel inside the picture, and of the nine samples of the 3 x 3 block the mean
// of the third and fourth smallest is taken (samples of 65280 and above count as 65280).
std::array<int, 3> SampleBackgroundLevel(const ImageRecord& rec, int& x, int& y);

// Ends the background point list: message, then the correction hook (with an undo copy
// first) on the current image with the points collected, then sampling mode 0.
void FinishBackgroundPoints(AppContext& ctx);

// Start of the image window's paint: the scroll origin clamped and stored, and while the
// refresh flag is set the channel statistics and histogram recomputed (the flag stays set).
// False when there is nothing to paint.
bool PrepareImagePaint(AppContext& ctx);

}  // namespace orva
