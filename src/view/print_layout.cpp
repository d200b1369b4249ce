#include "view/print_layout.h"

#include <algorithm>
#include <cstddef>

namespace orva {

PrintPlacement FitToPage(int width, int height, int page_width, int page_height) {
    PrintPlacement p;
    if (width < 1 || height < 1) return p;
    const double sx = static_cast<double>(page_width) / width;
    const double sy = static_cast<double>(page_height) / height;
    if (sy < sx) {
        p.scale = sy;
        p.x_offset = static_cast<int>((page_width - width * sy) * 0.5);
    } else {
        p.scale = sx;
        p.y_offset = static_cast<int>((page_height - height * sx) * 0.5);
    }
    return p;
}

std::vector<PrintBand> PrintBands(int width, int height, const PrintPlacement& placement) {
    std::vector<PrintBand> bands;
    if (width < 1 || height < 1) return bands;
    const double s = placement.scale;
    const int dest_width = static_cast<int>(width * s);
    for (int first = 0; first < height; first += kPrintBandRows) {
        PrintBand b;
        b.first_row = first;
        if (first + kPrintBandRows < height) {
            b.rows = kPrintBandRows;
            b.source = {0, 0, width, kPrintBandRows};
            b.dest = {placement.x_offset,
                      static_cast<int>(s * (height - first - kPrintBandRows) + placement.y_offset),
                      dest_width, static_cast<int>(kPrintBandRows * s + 1.0)};
        } else {
            // The top of the picture: the rows sit at the bottom of the band bitmap.
            b.rows = height - first;
            b.source = {0, kPrintBandRows - b.rows, width, b.rows};
            b.dest = {placement.x_offset, placement.y_offset, dest_width,
                      static_cast<int>(b.rows * s)};
        }
        bands.push_back(b);
    }
    return bands;
}

void FillPrintBand(const ImageRecord& rec, const PrintBand& band, uint8_t* bitmap,
                   std::size_t stride) {
    const auto w = static_cast<std::size_t>(rec.width);
    const bool grey = rec.single_plane == 1;
    const Plane& g = grey ? rec.red : rec.green;
    const Plane& b = grey ? rec.red : rec.blue;
    for (int j = 0; j < band.rows; ++j) {
        const std::size_t src = static_cast<std::size_t>(band.first_row + j) * w;
        uint8_t* out = bitmap + static_cast<std::size_t>(kPrintBandRows - 1 - j) * stride;
        for (std::size_t x = 0; x < w; ++x) {
            out[3 * x] = static_cast<uint8_t>(rec.red[src + x] >> 8);
            out[3 * x + 1] = static_cast<uint8_t>(g[src + x] >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(b[src + x] >> 8);
        }
    }
}

}  // namespace orva
