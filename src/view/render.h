// Display rendering: the visible part of an image as 24-bit screen pixels at the record's
// zoom and scroll origin, produced in horizontal bands.
//
// The screen shows the high byte of every sample, or with a stretch table in the scratch the
// table's level for it; there is no gamma or colour management on the way. Below 100 % each screen
// pixel is the average of one 2 x 2 block of samples (however small the zoom); at 100 % and above
// each band pixel is one image pixel and the enlargement happens when the band is copied to the
// window. Pixels outside the picture are white. Window pixels beyond the display size are left to
// the caller (grey).
//
// Band pixels are stored blue, green, red; rows are padded to a multiple of 4 bytes with 255.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "view/stretch.h"
#include "workspace/image_record.h"

namespace orva {

// Size of the rendered area: in image pixels at zoom >= 100, in screen pixels below. Taken
// from the full client size of the main window, not from the scrolling extents.
struct DisplaySize {
    int width = 0, height = 0;
};
DisplaySize ComputeDisplaySize(const ImageRecord& rec, int client_width, int client_height);

// Rows per band: 2 * (8192 / (display width + 4)), which keeps a band near 48 KB. Displays
// wider than 8188 pixels would get 0 rows; they get bands of one row.
int BandHeight(int display_width);
// Bytes per band row: 3 * width rounded up to a multiple of 4.
std::size_t BandStride(int display_width);

// One filled band and where it goes in the window.
struct Band {
    int index = 0;
    int first_row = 0;  // display row of the band's first row
    int rows = 0;       // rows of this band inside the display height
    int width = 0;      // display width
    const uint8_t* data = nullptr;
    std::size_t stride = 0;
    // Destination rectangle in window pixels; larger than rows x width when zoom > 100.
    int dest_x = 0, dest_y = 0, dest_width = 0, dest_height = 0;
};

// Storage kept between paints so that painting does not allocate.
struct RenderScratch {
    std::vector<uint8_t> band;
    std::vector<int> columns;  // per display column: source column (and its neighbour)
    // Screen levels per channel for a stretched display; empty for the plain high byte.
    StretchTable stretch;
};

// Renders the record band by band from the top and hands each band to `sink` as soon as it is
// filled. Does nothing (returns false) for an empty record.
bool RenderImage(const ImageRecord& rec, int client_width, int client_height,
                 RenderScratch& scratch, const std::function<void(const Band&)>& sink);

// Fills display rows [first_row, first_row + rows) of a display `display_width` wide into
// `out`, one row every `stride` bytes (3 bytes per pixel, blue first).
void RenderRows(const ImageRecord& rec, int display_width, int first_row, int rows, uint8_t* out,
                std::size_t stride, RenderScratch& scratch);

// A 32-bit window surface (0xAARRGGBB per pixel) that bands are copied into.
struct Surface {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    std::size_t stride = 0;  // in pixels
};

// Copies a band into the surface at its destination, enlarging by nearest pixel when the
// destination is larger than the band; clipped to the surface.
void CopyBandToSurface(const Band& band, Surface& surface);

// Per-channel maximum, minimum and mean of the record's planes (the red plane for every
// channel of a single-plane record). The mean is the average of the per-row means, each
// truncated. An empty record gets 65535, 0 and 32768.
void ComputeChannelStats(ImageRecord& rec);

}  // namespace orva
