// Placement of an image on a printed page. The image is scaled to the largest size that fits
// the printable area with its proportions kept, centred along the other axis, and sent in
// bands of 128 memory rows so the off-screen bitmap stays small whatever the image size.
#pragma once

#include <cstdint>
#include <vector>

#include "workspace/image_record.h"

namespace orva {

inline constexpr int kPrintBandRows = 128;

struct PrintPlacement {
    double scale = 0.0;
    int x_offset = 0, y_offset = 0;
};

// Fits a width x height image on a page of page_width x page_height device pixels. With equal
// ratios the width ratio is used (both offsets 0).
PrintPlacement FitToPage(int width, int height, int page_width, int page_height);

struct PrintRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PrintRect&) const = default;
};

// One band: memory rows first_row .. first_row + rows - 1, held in bitmap rows
// 127 - j for memory row first_row + j, copied from `source` (bitmap coordinates) to `dest`
// (page coordinates).
struct PrintBand {
    int first_row = 0, rows = 0;
    PrintRect source, dest;
};

// The bands of the picture from the bottom up. Every band but the last is full; full bands
// are one device pixel taller than their share so that neighbours overlap without gaps.
// Empty for an empty image.
std::vector<PrintBand> PrintBands(int width, int height, const PrintPlacement& placement);

// Fills a 128-row band bitmap (width x 128 pixels, 3 bytes R, G, B per pixel, rows top-down,
// `stride` bytes apart) with the band's memory rows as 8-bit colours (the high byte; the
// red plane for all three channels on a single-plane record). Rows above a partial band's
// picture are left as they were.
void FillPrintBand(const ImageRecord& rec, const PrintBand& band, uint8_t* bitmap,
                   std::size_t stride);

}  // namespace orva
