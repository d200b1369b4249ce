#include "stack/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/parallel.h"
#include "ops/geometry.h"

namespace orva {

namespace {

constexpr int kPhases = 1024;

// Weights of the four taps (offsets -1, 0, 1, 2 from the floor) for each sub-pixel phase,
// normalised to sum 1 so that the product of a row and a column table is normalised too.
struct Taps {
    std::array<std::array<float, 4>, kPhases + 1> w{};
    Taps() {
        for (int p = 0; p <= kPhases; ++p) {
            const double f = static_cast<double>(p) / kPhases;
            std::array<double, 4> t{};
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                const double d = std::fabs(f - (k - 1));
                // Exactly 0 at the other whole distances, so whole-pixel mappings copy samples.
                const bool whole = d > 0.5 && std::fabs(d - std::round(d)) < 1e-9;
                t[static_cast<std::size_t>(k)] = whole ? 0.0 : LanczosKernel(d);
                sum += t[static_cast<std::size_t>(k)];
            }
            for (int k = 0; k < 4; ++k)
                w[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] =
                    static_cast<float>(t[static_cast<std::size_t>(k)] / sum);
        }
    }
};

const Taps& TapTable() {
    static const Taps t;
    return t;
}

// Near the edges or around missing samples: taps clamped to the picture, NaN left out and
// the rest renormalised.
float EdgeSample(const float* in, int width, int height, int ix, int iy,
                 const std::array<float, 4>& wx, const std::array<float, 4>& wy) {
    double sum = 0, weight = 0;
    for (int j = 0; j < 4; ++j) {
        const int yy = std::clamp(iy + j - 1, 0, height - 1);
        const float* src = in + static_cast<std::size_t>(yy) * static_cast<std::size_t>(width);
        for (int k = 0; k < 4; ++k) {
            const float v = src[std::clamp(ix + k - 1, 0, width - 1)];
            if (std::isnan(v)) continue;
            const double t = static_cast<double>(wy[static_cast<std::size_t>(j)]) *
                             wx[static_cast<std::size_t>(k)];
            sum += t * v;
            weight += t;
        }
    }
    return weight > 0.25 ? static_cast<float>(sum / weight)
                         : std::numeric_limits<float>::quiet_NaN();
}

}  // namespace

void ResamplePlane(const float* in, int width, int height, double a, double b, double tx, double ty,
                   float* out) {
    const Taps& taps = TapTable();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto w = static_cast<std::size_t>(width);
    const std::size_t n = w * static_cast<std::size_t>(height);
    bool holes = false;
    for (std::size_t i = 0; i < n && !holes; ++i) holes = std::isnan(in[i]);
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            float* row = out + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < width; ++x) {
                const double sx = a * x - b * y + tx, sy = b * x + a * y + ty;
                // A little slack so that an identity or whole-pixel mapping keeps its edges.
                if (!(sx > -0.5 && sy > -0.5 && sx < width - 0.5 && sy < height - 0.5)) {
                    row[x] = nan;
                    continue;
                }
                const int ix = static_cast<int>(sx + 1.0) - 1, iy = static_cast<int>(sy + 1.0) - 1;
                const auto& wx =
                    taps.w[static_cast<std::size_t>(static_cast<int>((sx - ix) * kPhases + 0.5))];
                const auto& wy =
                    taps.w[static_cast<std::size_t>(static_cast<int>((sy - iy) * kPhases + 0.5))];
                if (holes || ix < 1 || iy < 1 || ix + 2 >= width || iy + 2 >= height) {
                    row[x] = EdgeSample(in, width, height, ix, iy, wx, wy);
                    continue;
                }
                const float* src = in + static_cast<std::size_t>(iy - 1) * w + (ix - 1);
                float sum = 0;
                for (std::size_t j = 0; j < 4; ++j, src += w)
                    sum +=
                        wy[j] * (wx[0] * src[0] + wx[1] * src[1] + wx[2] * src[2] + wx[3] * src[3]);
                row[x] = sum;
            }
        }
    });
}

}  // namespace orva
