#include "ops/restore.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

#include "common/parallel.h"
#include "common/plane.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

// Columns handled together, so that the rows being summed stay in the first-level cache.
constexpr int kChunk = 1024;

// The relaxation of every iteration.
constexpr double kRelaxation = 2.0;

uint16_t ToSample(double v) {
    if (!(v >= 0.0)) return 0;  // negative, or not a number
    if (v > 65535.0) return 65535;
    return static_cast<uint16_t>(std::floor(v + 0.5));
}

// Blurs rows of a width x height array with the spread function. Each band keeps the rows
// y, y +- 1 .. y +- e folded pairwise (the function is symmetric in both directions, so
// mirrored samples share a weight), widened by e edge values on both sides.
class Blur {
public:
    Blur(const SpreadFunction& f, int width, int height)
        : f_(f),
          width_(width),
          height_(height),
          e_(f.extent),
          padded_(std::size_t(width) + 2 * std::size_t(f.extent)),
          per_band_(padded_ * std::size_t(f.extent + 1) + std::size_t(width)),
          bands_(RowBandCount(height)) {}

    bool Allocate() {
        work_.reset(new (std::nothrow) double[per_band_ * std::size_t(bands_)]);
        return work_ != nullptr;
    }

    // Runs fn(y, blurred row y of a) for every row, band by band in parallel.
    template <typename Fn>
    void EachRow(const double* a, Fn fn) const {
        RunBands(bands_, [&](int band) {
            double* rows = work_.get() + per_band_ * std::size_t(band);
            double* acc = rows + padded_ * std::size_t(e_ + 1);
            const int y0 = BandStart(height_, band, bands_);
            const int y1 = BandStart(height_, band + 1, bands_);
            for (int y = y0; y < y1; ++y) {
                BlurRow(a, y, rows, acc);
                fn(y, static_cast<const double*>(acc));
            }
        });
    }

private:
    const double* Row(const double* a, int y) const {
        return a + std::size_t(std::clamp(y, 0, height_ - 1)) * std::size_t(width_);
    }

    void BlurRow(const double* src, int y, double* rows, double* acc) const {
        const int w = width_, e = e_;
        for (int dy = 0; dy <= e; ++dy) {
            const double* up = Row(src, y + dy);
            const double* down = Row(src, y - dy);
            double* row = rows + padded_ * std::size_t(dy);
            if (dy == 0) {
                std::copy(up, up + w, row + e);
            } else {
                for (int x = 0; x < w; ++x) row[x + e] = up[x] + down[x];
            }
            std::fill(row, row + e, row[e]);
            std::fill(row + e + w, row + 2 * e + w, row[e + w - 1]);
        }
        // The weights depend on dx^2 + dy^2 alone, so offsets (a, b) and (b, a) share one
        // multiplication as well.
        for (int x0 = 0; x0 < w; x0 += kChunk) {
            const int n = std::min(kChunk, w - x0);
            double* out = acc + x0;
            std::fill(out, out + n, 0.0);
            for (int b = 0; b <= e; ++b) {
                const double* sb = rows + padded_ * std::size_t(b) + e + x0;
                for (int a = 0; a <= b; ++a) {
                    const double* sa = rows + padded_ * std::size_t(a) + e + x0;
                    const double wt = f_.at(a, b);
                    if (a == b && a == 0) {
                        for (int x = 0; x < n; ++x) out[x] += wt * sb[x];
                    } else if (a == b) {
                        for (int x = 0; x < n; ++x) out[x] += wt * (sb[x - a] + sb[x + a]);
                    } else if (a == 0) {
                        for (int x = 0; x < n; ++x)
                            out[x] += wt * (sb[x] + (sa[x - b] + sa[x + b]));
                    } else {
                        for (int x = 0; x < n; ++x)
                            out[x] += wt * ((sb[x - a] + sb[x + a]) + (sa[x - b] + sa[x + b]));
                    }
                }
            }
        }
    }

    const SpreadFunction& f_;
    int width_, height_, e_;
    std::size_t padded_, per_band_;
    int bands_;
    std::unique_ptr<double[]> work_;
};

}  // namespace

SpreadFunction MakeSpreadFunction(int spread, int blunting) {
    // The spread bounds the weight table and the blunting the exponent that fills it: both are
    // held to their fields here for memory's sake, whoever asks.
    return MakeRadialWeights(10, kRestoreFields.spread.Clamp(spread),
                             kRestoreFields.blunting.Clamp(blunting));
}

bool RestorePlane(uint16_t* plane, int width, int height, const RestoreParams& params) {
    if (width < 1 || height < 1) return true;
    const SpreadFunction f = MakeSpreadFunction(params.spread, params.blunting);
    const int iterations = params.iterations;
    const int emphasis = params.emphasis;
    const std::size_t n = std::size_t(width) * std::size_t(height);
    // The observed picture is the plane itself, untouched until the output; the estimate
    // and the next estimate take turns.
    std::unique_ptr<double[]> x(new (std::nothrow) double[n]);
    std::unique_ptr<double[]> next(new (std::nothrow) double[n]);
    Blur blur(f, width, height);
    if (!x || !next || !blur.Allocate()) return false;
    const PlaneView observed(plane, width, height);
    const auto row_of = [&](double* base, int y) {
        return base + std::size_t(y) * std::size_t(width);
    };

    ForEachRowBand(height, [&](int y0, int y1) {
        std::copy(observed.row(y0), observed.row(y1), row_of(x.get(), y0));
    });
    for (int it = 0; it < iterations; ++it) {
        blur.EachRow(x.get(), [&](int y, const double* b) {
            const uint16_t* o = observed.row(y);
            const double* cur = row_of(x.get(), y);
            double* out = row_of(next.get(), y);
            for (int i = 0; i < width; ++i) {
                const double r = b[i] - o[i];
                out[i] = cur[i] - kRelaxation * r;
            }
        });
        std::swap(x, next);
    }
    blur.EachRow(x.get(), [&](int y, const double* b) {
        const double* cur = row_of(x.get(), y);
        uint16_t* out = observed.row(y);
        for (int i = 0; i < width; ++i) {
            const double v = emphasis > 0 ? (emphasis + 1) * cur[i] - emphasis * b[i] : cur[i];
            out[i] = ToSample(v);
        }
    });
    return true;
}

}  // namespace orva
