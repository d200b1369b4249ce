#include "background/correction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "common/parallel.h"

namespace orva {

namespace {

uint16_t Clamp16(int64_t v) {
    return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
}

// Whole part of the distance, raised to p, cut to a whole number again.
int64_t PowerOfDistance(double squared, double p) {
    return static_cast<int64_t>(std::pow(std::floor(std::sqrt(squared)), p));
}

}  // namespace

bool RadialBackground(Plane& out, int width, int height, int diff, int curve) {
    if (width < 1 || height < 1) return false;
    if (!out.Allocate(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)))
        return false;
    const double p = curve / 100.0;
    const double w = width, h = height;
    const int64_t rp_max = std::max<int64_t>(PowerOfDistance((w * w + h * h) * 0.25, p), 1);
    const int64_t step = diff / 16;
    const int cx = width / 2, cy = height / 2;
    // The whole distances that occur, each raised to p once.
    const int far_x = std::max(cx, width - 1 - cx), far_y = std::max(cy, height - 1 - cy);
    const double far = std::sqrt(double(far_x) * far_x + double(far_y) * far_y);
    std::vector<int64_t> power(static_cast<std::size_t>(far) + 2);
    for (std::size_t d = 0; d < power.size(); ++d)
        power[d] = static_cast<int64_t>(std::pow(static_cast<double>(d), p));
    PlaneView view = out.view(width, height);
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* row = view.row(y);
            const double dy = y - cy;
            for (int x = 0; x < width; ++x) {
                const double dx = x - cx;
                const auto d = static_cast<std::size_t>(std::sqrt(dx * dx + dy * dy));
                row[x] = Clamp16((rp_max - power[d]) * step / rp_max * 16 + 1024);
            }
        }
    });
    return true;
}

void RadialCorrect(PlaneView plane, const uint16_t* background, int mode, int diff,
                   int centre_word) {
    const int width = plane.width();
    const int64_t m = (int64_t{diff} + 1024) / 16;
    const int64_t offset = int64_t{centre_word} * 256 + 1024;
    ForEachRowBand(plane.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* row = plane.row(y);
            const uint16_t* b = background + static_cast<std::size_t>(y) * width;
            if (mode == 0) {
                for (int x = 0; x < width; ++x) {
                    if (b[x] != 0) row[x] = Clamp16(row[x] * m / b[x] * 16);
                }
            } else {
                for (int x = 0; x < width; ++x) row[x] = Clamp16(row[x] - int64_t{b[x]} + offset);
            }
        }
    });
}

int CentralMaximum(ConstPlaneView bg, int width, int height) {
    int x0 = width / 4, x1 = 3 * width / 4, y0 = height / 4, y1 = 3 * height / 4;
    if (x1 <= x0 || y1 <= y0) {
        x0 = y0 = 0;
        x1 = width;
        y1 = height;
    }
    int m = 0;
    for (int y = y0; y < y1; y += 4) {
        const uint16_t* row = bg.row(std::min(y, bg.height() - 1));
        for (int x = x0; x < x1; x += 4) m = std::max(m, row[std::min(x, bg.width() - 1)] + 1);
    }
    return m;
}

void ImageBackgroundCorrect(PlaneView plane, ConstPlaneView bg, int mode, int shift) {
    if (mode < 3 || mode > 5 || bg.width() < 1 || bg.height() < 1) return;
    const int width = plane.width();
    const int64_t m16 = CentralMaximum(bg, width, plane.height()) / 16;
    const int64_t offset = int64_t{shift} * 256;
    const int last = bg.width() - 1;
    ForEachRowBand(plane.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* row = plane.row(y);
            const uint16_t* b = bg.row(std::min(y, bg.height() - 1));
            const int inside = std::min(width, bg.width());
            // b = sample + 1 is never 0; beyond the background's width its last column.
            auto value = [&](int x) { return int64_t{b[x < inside ? x : last]} + 1; };
            switch (mode) {
                case 3:
                    for (int x = 0; x < width; ++x) row[x] = Clamp16(row[x] * m16 / value(x) * 16);
                    break;
                case 4:
                    for (int x = 0; x < width; ++x) row[x] = Clamp16(row[x] - value(x) + offset);
                    break;
                default:
                    for (int x = 0; x < width; ++x) row[x] = Clamp16(value(x));
                    break;
            }
        }
    });
}

}  // namespace orva
