#include "ops/sharpen_edge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "common/parallel.h"
#include "common/plane.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

// Columns handled together, so that the rows being summed stay in the first-level cache.
constexpr int kChunk = 1024;

// The normalised weights sum to 1 only up to rounding, so the weighted sum over a flat area
// can land a hair below the sample's own value and truncate one level low, which would
// darken flat areas by one level on every pass. The slack lies far above the rounding error
// (below 1e-8 for any kernel) and far below any real fraction that matters.
constexpr double kSumSlack = 1e-6;

void CopyBack(uint16_t* plane, const uint16_t* scratch, int width, int height) {
    ForEachRowBand(height, [&](int y0, int y1) {
        const std::size_t from = std::size_t(y0) * std::size_t(width);
        const std::size_t count = std::size_t(y1 - y0) * std::size_t(width);
        std::memcpy(plane + from, scratch + from, count * sizeof(uint16_t));
    });
}

int ClampSample(int v) {
    return std::clamp(v, 0, 65535);
}

// (target * weight + centre * 10) / (weight + 10), truncating toward zero.
int Blend(int target, int weight, int centre) {
    return (target * weight + centre * 10) / (weight + 10);
}

}  // namespace

SharpenKernel MakeSharpenKernel(int radius, int blunting) {
    // The radius bounds the weight table, and the blunting the exponent that fills it: both
    // are held to their fields here for memory's sake, whoever asks.
    return MakeRadialWeights(1, kSharpenFields.radius.Clamp(radius),
                             kSharpenFields.blunting.Clamp(blunting));
}

bool SharpenPlane(uint16_t* plane, uint16_t* scratch, int width, int height,
                  const SharpenParams& params) {
    if (width < 1 || height < 1) return true;
    // The parameters arrive clamped to their fields (ops/op_params.h); only the radius, which
    // bounds the rows read around each pixel, is held again.
    const int radius = kSharpenFields.radius.Clamp(params.radius);
    const int range = params.smooth_range;
    const int smooth_k = params.smooth_strength * radius;
    const int emphasis = params.emphasis;
    const SharpenKernel kernel = MakeSharpenKernel(radius, params.blunting);
    const int e = kernel.extent;

    // The kernel is symmetric in both directions, so mirrored samples share a weight: rows
    // y + dy and y - dy are added first, then columns x + dx and x - dx. Those sums are
    // whole numbers and exact in double, which leaves a quarter of the multiplications.
    // Per band: the rows y, y +- 1 .. y +- e, widened by e edge samples on both sides, and
    // the sums of the band's current row.
    const std::size_t padded = std::size_t(width) + 2 * std::size_t(e);
    const std::size_t per_band = padded * std::size_t(e + 1) + std::size_t(width);
    const int bands = RowBandCount(height);
    const std::unique_ptr<double[]> work(new (std::nothrow) double[per_band * std::size_t(bands)]);
    if (!work) return false;
    // Raw row arithmetic here: through a plane view the compiler gives this loop nest about
    // one percent more instructions.
    const auto row_at = [&](int sy) {
        return plane + std::size_t(std::clamp(sy, 0, height - 1)) * std::size_t(width);
    };

    RunBands(bands, [&](int band) {
        double* rows = work.get() + per_band * std::size_t(band);
        double* acc = rows + padded * std::size_t(e + 1);
        const int y0 = BandStart(height, band, bands);
        const int y1 = BandStart(height, band + 1, bands);
        for (int y = y0; y < y1; ++y) {
            for (int dy = 0; dy <= e; ++dy) {
                const uint16_t* up = row_at(y + dy);
                const uint16_t* down = row_at(y - dy);
                const int copies = dy == 0 ? 1 : 2;  // row y itself is counted once
                double* row = rows + padded * std::size_t(dy);
                for (int i = 0; i < e; ++i) {
                    row[i] = copies == 1 ? up[0] : up[0] + down[0];
                    row[std::size_t(width + e + i)] =
                        copies == 1 ? up[width - 1] : up[width - 1] + down[width - 1];
                }
                if (copies == 1) {
                    for (int x = 0; x < width; ++x) row[x + e] = up[x];
                } else {
                    for (int x = 0; x < width; ++x) row[x + e] = up[x] + down[x];
                }
            }
            for (int x0 = 0; x0 < width; x0 += kChunk) {
                const int n = std::min(kChunk, width - x0);
                double* a = acc + x0;
                std::fill(a, a + n, 0.0);
                for (int dy = 0; dy <= e; ++dy) {
                    const double* s = rows + padded * std::size_t(dy) + e + x0;
                    const double w0 = kernel.at(0, dy);
                    for (int x = 0; x < n; ++x) a[x] += w0 * s[x];
                    for (int dx = 1; dx <= e; ++dx) {
                        const double w = kernel.at(dx, dy);
                        const double* left = s - dx;
                        const double* right = s + dx;
                        for (int x = 0; x < n; ++x) a[x] += w * (left[x] + right[x]);
                    }
                }
            }
            const uint16_t* in = plane + std::size_t(y) * std::size_t(width);
            uint16_t* out = scratch + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x) {
                const int m = static_cast<int>(acc[x] + kSumSlack);
                const int c = in[x];
                const int d = c - m;
                int v;
                if (std::abs(d) < range) {
                    v = Blend(m, smooth_k, c);
                } else {
                    const int t = d >= range ? d - range : d + range;
                    v = c + t * emphasis / 10;
                }
                out[x] = static_cast<uint16_t>(ClampSample(v));
            }
        }
    });
    CopyBack(plane, scratch, width, height);
    return true;
}

namespace {

// Column indexes of a pixel's left and right neighbours, clamped to the picture.
struct Columns {
    int at[3];
};
Columns Neighbours(int x, int width) {
    return {{std::max(x - 1, 0), x, std::min(x + 1, width - 1)}};
}

}  // namespace

void EdgePlane(uint16_t* plane, uint16_t* scratch, int width, int height,
               const EdgeParams& params) {
    if (width < 1 || height < 1) return;
    const EdgeParams& s = params;
    const ConstPlaneView src(plane, width, height);
    const PlaneView dst(scratch, width, height);
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* rows[3];
            for (int j = 0; j < 3; ++j) rows[j] = src.row(std::clamp(y - 1 + j, 0, height - 1));
            uint16_t* out = dst.row(y);
            for (int x = 0; x < width; ++x) {
                const Columns cols = Neighbours(x, width);
                const int c = rows[1][x];
                int lo = 65535, hi = 0, sum = 0;
                int bright_sum = 0, bright_n = 0, dark_sum = 0, dark_n = 0;
                for (const uint16_t* r : rows) {
                    for (int i : cols.at) {
                        const int v = r[i];
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                        sum += v;
                        // Counted without branches: the comparisons are unpredictable.
                        const int brighter = v > c, darker = v < c;
                        bright_sum += brighter * v;
                        bright_n += brighter;
                        dark_sum += darker * v;
                        dark_n += darker;
                    }
                }
                int target, weight;
                if (hi - lo <= s.range) {
                    target = sum / 9;
                    weight = s.smooth_strength;
                } else if (c * 100 > (hi - lo) * s.threshold + lo * 100) {
                    if (bright_n > 2) {
                        target = bright_sum / bright_n;
                        weight = s.emphasis;
                    } else {
                        target = (sum + bright_sum) / (bright_n + 9);
                        weight = s.smooth_strength;
                    }
                } else if (dark_n >= 3) {
                    target = dark_sum / dark_n;
                    weight = s.emphasis;
                } else {
                    target = (sum + dark_sum) / (dark_n + 9);
                    weight = s.smooth_strength;
                }
                out[x] = static_cast<uint16_t>(ClampSample(Blend(target, weight, c)));
            }
        }
    });
    CopyBack(plane, scratch, width, height);
}

void EdgeRgb(uint16_t* const planes[3], uint16_t* const scratch[3], int width, int height,
             const EdgeParams& params) {
    if (width < 1 || height < 1) return;
    const EdgeParams& s = params;
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* rows[3][3];  // [channel][row]
            for (int j = 0; j < 3; ++j) {
                const std::size_t sy = std::size_t(std::clamp(y - 1 + j, 0, height - 1));
                for (int ch = 0; ch < 3; ++ch) rows[ch][j] = planes[ch] + sy * std::size_t(width);
            }
            const std::size_t line = std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x) {
                const Columns cols = Neighbours(x, width);
                const int lc = rows[0][1][x] + rows[1][1][x] + rows[2][1][x];
                int lo = 3 * 65535, hi = 0;
                int sum[3] = {0, 0, 0}, bright_sum[3] = {0, 0, 0}, dark_sum[3] = {0, 0, 0};
                int bright_n = 0, dark_n = 0;
                for (int j = 0; j < 3; ++j) {
                    for (int k = 0; k < 3; ++k) {
                        const int i = cols.at[k];
                        const int v[3] = {rows[0][j][i], rows[1][j][i], rows[2][j][i]};
                        const int l = v[0] + v[1] + v[2];
                        lo = std::min(lo, l);
                        hi = std::max(hi, l);
                        for (int ch = 0; ch < 3; ++ch) sum[ch] += v[ch];
                        if (j == 1 && k == 1) continue;  // the centre is no neighbour
                        const int darker = l < lc;
                        dark_n += darker;
                        bright_n += 1 - darker;
                        for (int ch = 0; ch < 3; ++ch) {
                            dark_sum[ch] += darker * v[ch];
                            bright_sum[ch] += (1 - darker) * v[ch];
                        }
                    }
                }
                // 0: smooth towards the nine-sample mean; 1/2: dark side blended or mean;
                // 3/4: bright side blended or mean.
                int decision;
                if (hi - lo <= 3 * s.range) {
                    decision = 0;
                } else if (lc * 100 <= (hi - lo) * s.threshold + lo * 100) {
                    decision = dark_n > 2 ? 2 : 1;
                } else {
                    decision = bright_n < 3 ? 3 : 4;
                }
                for (int ch = 0; ch < 3; ++ch) {
                    const int c = rows[ch][1][x];
                    int target, weight = s.smooth_strength;
                    switch (decision) {
                        case 0: target = sum[ch] / 9; break;
                        case 1: target = (sum[ch] + dark_sum[ch]) / (dark_n + 9); break;
                        case 2:
                            target = dark_sum[ch] / dark_n;
                            weight = s.emphasis;
                            break;
                        case 3: target = (sum[ch] + bright_sum[ch]) / (bright_n + 9); break;
                        default:
                            target = bright_sum[ch] / bright_n;
                            weight = s.emphasis;
                            break;
                    }
                    scratch[ch][line + std::size_t(x)] =
                        static_cast<uint16_t>(ClampSample(Blend(target, weight, c)));
                }
            }
        }
    });
    for (int ch = 0; ch < 3; ++ch) CopyBack(planes[ch], scratch[ch], width, height);
}

}  // namespace orva
