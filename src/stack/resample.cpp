#include "stack/resample.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/parallel.h"
#include "ops/geometry.h"

namespace orva {

namespace {

constexpr int kPhases = 1024;

// Weights of the four taps (offsets -1, 0, 1, 2 from the floor) for each sub-pixel phase.
struct Taps {
    std::array<std::array<float, 4>, kPhases + 1> w{};
    Taps() {
        for (int p = 0; p <= kPhases; ++p) {
            const double f = static_cast<double>(p) / kPhases;
            for (int k = 0; k < 4; ++k) {
                const double d = std::fabs(f - (k - 1));
                // Exactly 0 at the other whole distances, so whole-pixel mappings copy samples.
                const bool whole = d > 0.5 && std::fabs(d - std::round(d)) < 1e-9;
                w[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] =
                    whole ? 0.0f : static_cast<float>(LanczosKernel(d));
            }
        }
    }
};

const Taps& TapTable() {
    static const Taps t;
    return t;
}

}  // namespace

void ResamplePlane(const float* in, int width, int height, double a, double b, double tx, double ty,
                   float* out) {
    const Taps& taps = TapTable();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto w = static_cast<std::size_t>(width);
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
                const double fx0 = std::floor(sx), fy0 = std::floor(sy);
                const int ix = static_cast<int>(fx0), iy = static_cast<int>(fy0);
                const auto& wx =
                    taps.w[static_cast<std::size_t>(std::lround((sx - fx0) * kPhases))];
                const auto& wy =
                    taps.w[static_cast<std::size_t>(std::lround((sy - fy0) * kPhases))];
                double sum = 0, weight = 0;
                for (int j = 0; j < 4; ++j) {
                    int yy = iy + j - 1;
                    yy = yy < 0 ? 0 : yy >= height ? height - 1 : yy;
                    const float* src = in + static_cast<std::size_t>(yy) * w;
                    double rsum = 0, rweight = 0;
                    for (int k = 0; k < 4; ++k) {
                        int xx = ix + k - 1;
                        xx = xx < 0 ? 0 : xx >= width ? width - 1 : xx;
                        const float v = src[xx];
                        if (std::isnan(v)) continue;
                        rsum += static_cast<double>(wx[static_cast<std::size_t>(k)]) * v;
                        rweight += wx[static_cast<std::size_t>(k)];
                    }
                    sum += wy[static_cast<std::size_t>(j)] * rsum;
                    weight += wy[static_cast<std::size_t>(j)] * rweight;
                }
                row[x] = weight > 0.25 ? static_cast<float>(sum / weight) : nan;
            }
        }
    });
}

}  // namespace orva
