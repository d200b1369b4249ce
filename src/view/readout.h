// What the image window and the main window write over and beside the picture: the pixel
// read-out line, the markers of points A and B and of the background points, and the
// camera-information lines.
#pragma once

#include <string>

#include "view/plot.h"
#include "shell/view_state.h"
#include "workspace/image_record.h"

namespace orva {

struct AppContext;

// Read-out of the pixel at (column x, memory row y), clamped into the image: position as
// column and picture row, then R, G and B divided by the read-out divisor d. d >= 66 gives
// one decimal ("%3d.%01d"), 7..65 "%4d", below 7 "%5d". With `with_area` the dragged area's
// width and height follow as "  AREA(%4d,%4d)". Empty for an empty record.
std::string FormatPointReadout(const ImageRecord& rec, int x, int y, int divisor, bool with_area,
                               int area_width, int area_height);

// The read-out line of the main window for the last mouse position over the current image
// (with the area while an area copy is armed or being dragged); empty without an image and
// over the window beyond the picture, unless an area is being dragged.
std::string ReadoutLine(const AppContext& ctx);

// Window position of the centre of image pixel (x, memory row y) at the record's zoom and
// scroll origin.
PlotPoint ImageToWindow(const ImageRecord& rec, int x, int y);

// Marker crosses (5 x 5 pixels) of the collected background points while points are being
// collected, then of points A and B with their letters.
Plot MarkerPlot(const ImageRecord& rec, const ViewState& view);

// Camera make, model and capture time at y = 0, 16, 32, then ISO, exposure and F-number
// (each only when known) at y = 48, 64, 80: green on black at the left edge.
Plot InfoOverlayPlot(const ImageRecord& rec);

}  // namespace orva
