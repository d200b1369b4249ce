// Histogram data of an image and the drawings of the "Histgram" window: the histogram of the
// current image or density cross-sections through one point, each with a text block that
// describes the inspected pixel and the image's level range.
//
// Window layout (310 x 276, y downwards): the plot occupies roughly (10..303, 10..180); the
// text block starts at x = 8 with the point read-out at y = 198, the maximum line at y = 214
// and the minimum line at y = 230.
#pragma once

#include <array>
#include <string>

#include "view/plot.h"
#include "workspace/image_record.h"
#include "workspace/statistics.h"

namespace orva {

// Vertical scale of the histogram plot: 2/7 of the sum of the four tallest bins (each bin
// taken as the largest of its three channels). A single tall bin (a black border) then
// runs off the top instead of flattening everything else. 0 means nothing to draw.
int HistogramScale(const ImageRecord& rec);

// The "MAX ..." or "MIN ..." line for three levels, in the read-out form of the divisor.
std::string LevelLine(bool maximum, const std::array<int, 3>& levels, int divisor);

// The pixel a view inspects, as (column, memory row): in cross-section view point A when it
// is set, otherwise the pixel under the mouse (window position mouse_x, mouse_y); (-1, -1)
// when the mouse is off the picture. The text block of such a pixel has no read-out line.
PlotPoint InspectedPoint(const ImageRecord& rec, int view_mode, int mouse_x, int mouse_y);

// The common text block for the pixel (column, memory row).
std::vector<PlotText> InspectionTextBlock(const ImageRecord& rec, PlotPoint pixel, int divisor);

// View 0: axes, grid, the channel curves, the min/max markers and the text block. Empty when
// the scale is 0 (for instance a 1 x 1 image).
Plot HistogramPlot(const ImageRecord& rec, PlotPoint pixel, int divisor);

// View 1: the horizontal profile of the pixel's row and the vertical profile of its column,
// 160 points each, with position and level lines and the text block.
Plot CrossSectionPlot(const ImageRecord& rec, PlotPoint pixel, int divisor);

// Everything the window draws for a record and view mode; empty for an empty record.
Plot InspectionPlot(const ImageRecord& rec, int view_mode, int mouse_x, int mouse_y, int divisor);

}  // namespace orva
