#include "ops/wavelet.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "common/parallel.h"

namespace orva {

namespace {

// Rebuilding with unit gains gives back the whole samples only up to rounding, and a value
// a hair below its sample would truncate one level low. The slack lies far above the
// rounding error of the transforms and far below any fraction that matters.
constexpr double kSumSlack = 1e-6;

uint16_t ToSample(double v) {
    // Clamped in double first: large gains push values far beyond any integer type, and a
    // value that is not a number (never expected) becomes 0 rather than undefined.
    if (!(v > 0.0)) return 0;
    if (v >= 65535.0) return 65535;
    return static_cast<uint16_t>(v + kSumSlack);
}

std::unique_ptr<double[]> NewDoubles(std::size_t n) {
    return std::unique_ptr<double[]>(new (std::nothrow) double[n]);
}

// ---- Sub-band pyramid ----

// Coarse rows of fine row i: the nearer and the farther of the two it lies between; on the
// first and last rows only the nearer (the edge row) is used.
struct Neighbour {
    int near, far;
    bool edge;
};

Neighbour FineToCoarse(int i, int coarse_count) {
    if (i == 0) return {0, 0, true};
    if (i == 2 * coarse_count - 1) return {coarse_count - 1, coarse_count - 1, true};
    if (i % 2 == 1) return {(i - 1) / 2, (i + 1) / 2, false};
    return {i / 2, i / 2 - 1, false};
}

// fine = (fine + sign * prediction) * gain over fine rows [y0, y1).
void PredictRows(const double* coarse, int rows, int cols, double* fine, double sign, double gain,
                 int y0, int y1) {
    const int fine_cols = 2 * cols;
    for (int i = y0; i < y1; ++i) {
        const Neighbour r = FineToCoarse(i, rows);
        const double* kn = coarse + std::size_t(r.near) * std::size_t(cols);
        const double* kf = coarse + std::size_t(r.far) * std::size_t(cols);
        double* f = fine + std::size_t(i) * std::size_t(fine_cols);
        // The first and last columns lie on the outer edge: between two coarse rows, or on
        // a corner.
        const auto edge_column = [&](int fj, int c) {
            const double p = r.edge ? kn[c] : 0.76 * kn[c] + 0.24 * kf[c];
            f[fj] = (f[fj] + sign * p) * gain;
        };
        edge_column(0, 0);
        edge_column(fine_cols - 1, cols - 1);
        // Columns 2c + 1 and 2c + 2 lie between coarse columns c and c + 1, nearer to c and
        // to c + 1 respectively.
        if (r.edge) {
            for (int c = 0; c + 1 < cols; ++c) {
                const double a = kn[c], b = kn[c + 1];
                f[2 * c + 1] = (f[2 * c + 1] + sign * (0.76 * a + 0.24 * b)) * gain;
                f[2 * c + 2] = (f[2 * c + 2] + sign * (0.76 * b + 0.24 * a)) * gain;
            }
        } else {
            for (int c = 0; c + 1 < cols; ++c) {
                const double a = kn[c], b = kn[c + 1], fa = kf[c], fb = kf[c + 1];
                f[2 * c + 1] =
                    (f[2 * c + 1] + sign * (0.54 * a + 0.17 * b + 0.17 * fa + 0.12 * fb)) * gain;
                f[2 * c + 2] =
                    (f[2 * c + 2] + sign * (0.54 * b + 0.17 * a + 0.17 * fb + 0.12 * fa)) * gain;
            }
        }
    }
}

// Level k + 1 (rows x cols) as the means of the 2 x 2 blocks of level k.
void Reduce(const double* fine, double* coarse, int rows, int cols) {
    const std::size_t fine_cols = 2 * std::size_t(cols);
    ForEachRowBand(rows, [&](int y0, int y1) {
        for (int r = y0; r < y1; ++r) {
            const double* a = fine + 2 * std::size_t(r) * fine_cols;
            const double* b = a + fine_cols;
            double* out = coarse + std::size_t(r) * std::size_t(cols);
            for (int c = 0; c < cols; ++c) {
                out[c] = 0.25 * (a[2 * c] + a[2 * c + 1] + b[2 * c] + b[2 * c + 1]);
            }
        }
    });
}

// ---- Daubechies filter bank ----

// Orthonormal Daubechies scaling filters, the extremal-phase ones (largest tap first), to
// double precision: with fewer digits, the rounding of the taps alone moves a flat picture
// by a level through the ten filter passes of five levels.
constexpr double kDb1[] = {0.70710678118654752, 0.70710678118654752};
constexpr double kDb2[] = {0.48296291314453414, 0.83651630373780791, 0.22414386804201338,
                           -0.12940952255126038};
constexpr double kDb3[] = {0.33267055295008262,  0.80689150931109258,   0.45987750211849157,
                           -0.13501102001025459, -0.085441273882026662, 0.035226291885709537};
constexpr double kDb4[] = {0.2303778133088965,    0.71484657055291565,  0.63088076792985891,
                           -0.027983769416859854, -0.18703481171909308, 0.030841381835560764,
                           0.0328830116668852,    -0.010597401785069032};
constexpr double kDb5[] = {0.16010239797419291,  0.60382926979718967,    0.72430852843777293,
                           0.13842814590132073,  -0.24229488706638203,   -0.032244869584638375,
                           0.077571493840045714, -0.0062414902127982743, -0.012580751999081999,
                           0.0033357252854737713};
constexpr double kDb6[] = {0.11154074335010946,    0.49462389039845309,   0.75113390802109535,
                           0.31525035170919763,    -0.22626469396543982,  -0.12976686756726194,
                           0.097501605587323049,   0.027522865530305729,  -0.03158203931748603,
                           0.00055384220116149614, 0.0047772575109455106, -0.0010773010853084796};
constexpr double kDb7[] = {0.077852054085009179,   0.39653931948191731,   0.72913209084623512,
                           0.46978228740519312,    -0.14390600392856498,  -0.22403618499387498,
                           0.071309219266830265,   0.080612609151083072,  -0.038029936935014414,
                           -0.016574541630666881,  0.012550998556099841,  0.00042957797292136652,
                           -0.0018016407040474909, 0.00035371379997452025};
constexpr double kDb8[] = {0.05441584224310401,    0.31287159091429997,     0.67563073629728981,
                           0.58535468365420671,    -0.015829105256349306,   -0.28401554296154693,
                           0.00047248457391328277, 0.12874742662047846,     -0.017369301001807546,
                           -0.044088253930794752,  0.013981027917398282,    0.0087460940474057767,
                           -0.0048703529934515743, -0.00039174037337694705, 0.00067544940645056937,
                           -0.00011747678412476953};
constexpr double kDb9[] = {
    0.038077947363878347,    0.24383467461259035,    0.60482312369011111,    0.65728807805130054,
    0.13319738582500758,     -0.29327378327917491,   -0.096840783222976461,  0.14854074933810638,
    0.030725681479333379,    -0.067632829061329974,  0.00025094711483145196, 0.022361662123679097,
    -0.0047232047577513973,  -0.0042815036824634298, 0.0018476468830562265,  0.00023038576352319597,
    -0.00025196318894271014, 0.000039347320316271599};
constexpr double kDb10[] = {
    0.026670057900555554,    0.18817680007769149,     0.52720118893172559,
    0.68845903945360357,     0.28117234366057746,     -0.24984642432731538,
    -0.19594627437737704,    0.12736934033579326,     0.093057364603572351,
    -0.071394147166397087,   -0.029457536821875813,   0.033212674059341002,
    0.0036065535669561697,   -0.010733175483330575,   0.0013953517470529012,
    0.0019924052951850561,   -0.00068585669495971163, -0.00011646685512928545,
    0.000093588670320069591, -0.000013264202894521245};

constexpr int kMaxTaps = 2 * kDaubechiesMaxOrder;

// Analysis filters (the scaling filter times sqrt(2), so that a level keeps the mean in the
// low half at twice its value) and the synthesis filters (both halved).
struct FilterBank {
    int taps = 0;
    int shift = 0;  // where the upsampling level puts its taps (see UpsampleLine)
    double low[kMaxTaps]{}, high[kMaxTaps]{};
    double low_syn[kMaxTaps]{}, high_syn[kMaxTaps]{};
};

FilterBank MakeBank(int order) {
    const std::span<const double> h = DaubechiesFilter(order);
    FilterBank b;
    b.taps = static_cast<int>(h.size());
    const double root2 = std::sqrt(2.0);
    for (int j = 0; j < b.taps; ++j) {
        b.low[j] = h[std::size_t(j)] * root2;
        // The wavelet filter is the scaling filter reversed with alternating signs.
        const double rev = h[std::size_t(b.taps - 1 - j)] * root2;
        b.high[j] = j % 2 == 0 ? rev : -rev;
        b.low_syn[j] = b.low[j] / 2;
        b.high_syn[j] = b.high[j] / 2;
    }
    // The taps' centre of mass, rounded so that the pair of outputs an input feeds most
    // lies around it.
    double moment = 0, sum = 0;
    for (int j = 0; j < b.taps; ++j) {
        moment += j * h[std::size_t(j)];
        sum += h[std::size_t(j)];
    }
    b.shift = static_cast<int>(std::lround(moment / sum - 0.5));
    return b;
}

// Lines are processed `lanes` at a time, interleaved (value i of lane b at i * lanes + b), so
// that columns are transformed in blocks with the lanes as the inner loop.
constexpr int kColumnLanes = 8;
constexpr int kMaxScratchBands = 8;

struct LineScratch {
    std::unique_ptr<double[]> memory;
    std::size_t per_band = 0;
    bool Allocate(int longest_line, int bands) {
        // Room for a periodically extended line of twice the longest length plus the taps,
        // and for one output line of the same length.
        per_band = 2 * (2 * std::size_t(longest_line) + kMaxTaps) * kColumnLanes;
        memory = NewDoubles(per_band * std::size_t(bands));
        return memory != nullptr;
    }
    double* band(int b) const { return memory.get() + per_band * std::size_t(b); }
};

// One analysis level along lines of n values (n even): low[k] = sum h[j] x[(2k + j) mod n],
// high[k] likewise with g; lows go to the first half of the line, highs to the second.
void ForwardLine(double* x, int n, int lanes, const FilterBank& f, double* ext) {
    const int ext_n = n + f.taps;
    for (int i = 0; i < ext_n; ++i) {
        const double* src = x + std::size_t(i % n) * std::size_t(lanes);
        std::copy(src, src + lanes, ext + std::size_t(i) * std::size_t(lanes));
    }
    const int half = n / 2;
    for (int k = 0; k < half; ++k) {
        double* lo = x + std::size_t(k) * std::size_t(lanes);
        double* hi = x + std::size_t(half + k) * std::size_t(lanes);
        std::fill(lo, lo + lanes, 0.0);
        std::fill(hi, hi + lanes, 0.0);
        for (int j = 0; j < f.taps; ++j) {
            const double* s = ext + std::size_t(2 * k + j) * std::size_t(lanes);
            const double hl = f.low[j], hh = f.high[j];
            for (int b = 0; b < lanes; ++b) {
                lo[b] += hl * s[b];
                hi[b] += hh * s[b];
            }
        }
    }
}

// The transpose of ForwardLine with the halved filters, which undoes it exactly.
void InverseLine(double* x, int n, int lanes, const FilterBank& f, double* acc) {
    const int acc_n = n + f.taps;
    std::fill(acc, acc + std::size_t(acc_n) * std::size_t(lanes), 0.0);
    const int half = n / 2;
    for (int k = 0; k < half; ++k) {
        const double* lo = x + std::size_t(k) * std::size_t(lanes);
        const double* hi = x + std::size_t(half + k) * std::size_t(lanes);
        for (int j = 0; j < f.taps; ++j) {
            double* a = acc + std::size_t(2 * k + j) * std::size_t(lanes);
            const double hl = f.low_syn[j], hh = f.high_syn[j];
            for (int b = 0; b < lanes; ++b) a[b] += hl * lo[b] + hh * hi[b];
        }
    }
    std::fill(x, x + std::size_t(n) * std::size_t(lanes), 0.0);
    for (int i = 0; i < acc_n; ++i) {
        double* dst = x + std::size_t(i % n) * std::size_t(lanes);
        const double* a = acc + std::size_t(i) * std::size_t(lanes);
        for (int b = 0; b < lanes; ++b) dst[b] += a[b];
    }
}

// The level added beyond the analysed ones: the n values are the low band of a line of 2n
// whose high band is zero. The full (not halved) filter keeps the level of the picture, and
// the taps are shifted so that the filter's centre of mass falls on the pair of outputs each
// input covers, which keeps the doubled picture in register with the original (the
// Daubechies filters are far from symmetric). out receives 2n values.
void UpsampleLine(const double* x, int n, int lanes, const FilterBank& f, double* out) {
    const int out_n = 2 * n;
    const int shift = f.shift;
    std::fill(out, out + std::size_t(out_n) * std::size_t(lanes), 0.0);
    for (int k = 0; k < n; ++k) {
        const double* lo = x + std::size_t(k) * std::size_t(lanes);
        for (int j = 0; j < f.taps; ++j) {
            const int m = ((2 * k + j - shift) % out_n + out_n) % out_n;
            double* dst = out + std::size_t(m) * std::size_t(lanes);
            const double h = f.low[j];
            for (int b = 0; b < lanes; ++b) dst[b] += h * lo[b];
        }
    }
}

int BandCount(int lines) {
    return std::min(RowBandCount(lines), kMaxScratchBands);
}

// Runs fn(row, line buffers) on each of `rows` rows of `stride` values.
template <typename Fn>
void EachRow(int rows, const LineScratch& scratch, Fn fn) {
    const int bands = BandCount(rows);
    RunBands(bands, [&](int band) {
        double* buf = scratch.band(band);
        for (int y = BandStart(rows, band, bands); y < BandStart(rows, band + 1, bands); ++y) {
            fn(y, buf);
        }
    });
}

// Runs fn(x0, lanes, block, spare) on blocks of up to kColumnLanes columns [x0, x0 + lanes)
// of the first `rows` rows of `data` (stride values a row): `block` holds the columns
// interleaved on entry and is written back afterwards.
template <typename Fn>
void EachColumnBlock(double* data, std::size_t stride, int cols, int rows,
                     const LineScratch& scratch, Fn fn) {
    const int blocks = (cols + kColumnLanes - 1) / kColumnLanes;
    const int bands = BandCount(blocks);
    RunBands(bands, [&](int band) {
        double* block = scratch.band(band);
        double* spare = block + scratch.per_band / 2;
        for (int bi = BandStart(blocks, band, bands); bi < BandStart(blocks, band + 1, bands);
             ++bi) {
            const int x0 = bi * kColumnLanes;
            const int lanes = std::min(kColumnLanes, cols - x0);
            for (int y = 0; y < rows; ++y) {
                const double* src = data + std::size_t(y) * stride + std::size_t(x0);
                std::copy(src, src + lanes, block + std::size_t(y) * std::size_t(lanes));
            }
            fn(lanes, block, spare);
            for (int y = 0; y < rows; ++y) {
                const double* src = block + std::size_t(y) * std::size_t(lanes);
                std::copy(src, src + lanes, data + std::size_t(y) * stride + std::size_t(x0));
            }
        }
    });
}

int RoundUp(int n, int step) {
    return (n + step - 1) / step * step;
}

void Analyse(double* data, std::size_t stride, int width, int height, int levels,
             const FilterBank& bank, const LineScratch& scratch) {
    for (int l = 1; l <= levels; ++l) {
        const int nx = width >> (l - 1), ny = height >> (l - 1);
        EachRow(ny, scratch, [&](int y, double* buf) {
            ForwardLine(data + std::size_t(y) * stride, nx, 1, bank, buf);
        });
        EachColumnBlock(data, stride, nx, ny, scratch,
                        [&](int lanes, double* block, double* spare) {
                            ForwardLine(block, ny, lanes, bank, spare);
                        });
    }
}

void Synthesise(double* data, std::size_t stride, int width, int height, int levels,
                const FilterBank& bank, const LineScratch& scratch) {
    for (int l = levels; l >= 1; --l) {
        const int nx = width >> (l - 1), ny = height >> (l - 1);
        EachColumnBlock(data, stride, nx, ny, scratch,
                        [&](int lanes, double* block, double* spare) {
                            InverseLine(block, ny, lanes, bank, spare);
                        });
        EachRow(ny, scratch, [&](int y, double* buf) {
            InverseLine(data + std::size_t(y) * stride, nx, 1, bank, buf);
        });
    }
}

}  // namespace

int WaveletPaddedSide(int n) {
    return (n / 32 + 1) * 32;
}

void WaveletAddPrediction(const double* coarse, int rows, int cols, double* fine, double sign) {
    if (rows < 1 || cols < 1) return;
    PredictRows(coarse, rows, cols, fine, sign, 1.0, 0, 2 * rows);
}

bool WaveletPlane(uint16_t* plane, int width, int height, const WaveletGains& gains) {
    if (width < 1 || height < 1) return true;
    // Sides beyond this would not fit the pyramid's index arithmetic; no plane comes near.
    if (width > (1 << 28) || height > (1 << 28)) return false;
    const int pw = WaveletPaddedSide(width), ph = WaveletPaddedSide(height);
    std::size_t offset[kWaveletLevels + 2];
    offset[0] = 0;
    for (int k = 0; k <= kWaveletLevels; ++k) {
        offset[k + 1] = offset[k] + std::size_t(pw >> k) * std::size_t(ph >> k);
    }
    const std::unique_ptr<double[]> pyramid = NewDoubles(offset[kWaveletLevels + 1]);
    if (!pyramid) return false;
    const auto level = [&](int k) { return pyramid.get() + offset[k]; };

    // Level 0: the plane, its last column and row repeated out to the padded size.
    ForEachRowBand(ph, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* src = plane + std::size_t(std::min(y, height - 1)) * std::size_t(width);
            double* dst = level(0) + std::size_t(y) * std::size_t(pw);
            for (int x = 0; x < width; ++x) dst[x] = src[x];
            std::fill(dst + width, dst + pw, static_cast<double>(src[width - 1]));
        }
    });

    // Each level keeps what its coarser neighbour does not predict, weighted at once by the
    // band's gain (level 0, the finest, by gains[5]).
    for (int k = 0; k < kWaveletLevels; ++k) {
        const int rows = ph >> (k + 1), cols = pw >> (k + 1);
        Reduce(level(k), level(k + 1), rows, cols);
        const double gain = gains[std::size_t(kWaveletLevels - k)];
        ForEachRowBand(2 * rows, [&](int y0, int y1) {
            PredictRows(level(k + 1), rows, cols, level(k), -1.0, gain, y0, y1);
        });
    }
    for (int k = kWaveletLevels - 1; k >= 0; --k) {
        const int rows = ph >> (k + 1), cols = pw >> (k + 1);
        ForEachRowBand(2 * rows, [&](int y0, int y1) {
            PredictRows(level(k + 1), rows, cols, level(k), 1.0, 1.0, y0, y1);
        });
    }

    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const double* src = level(0) + std::size_t(y) * std::size_t(pw);
            uint16_t* dst = plane + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x) dst[x] = ToSample(src[x]);
        }
    });
    return true;
}

std::span<const double> DaubechiesFilter(int order) {
    // The order picks the filter table; held to the tables there are, whoever asks.
    switch (std::clamp(order, 1, kDaubechiesMaxOrder)) {
        case 1: return kDb1;
        case 2: return kDb2;
        case 3: return kDb3;
        case 4: return kDb4;
        case 5: return kDb5;
        case 6: return kDb6;
        case 7: return kDb7;
        case 8: return kDb8;
        case 9: return kDb9;
        default: return kDb10;
    }
}

int WaveletEnlargeLevels(const WaveletGains& gains) {
    int levels = 0;
    for (int band = kWaveletLevels; band >= 1; --band) {
        if (gains[std::size_t(band)] != 1.0) levels = kWaveletLevels + 1 - band;
    }
    return levels;
}

bool DaubechiesAnalyse(double* data, std::size_t stride, int width, int height, int levels,
                       int order) {
    if (width < 1 || height < 1 || levels < 1) return true;
    LineScratch scratch;
    if (!scratch.Allocate(std::max(width, height), kMaxScratchBands)) return false;
    Analyse(data, stride, width, height, levels, MakeBank(order), scratch);
    return true;
}

bool DaubechiesSynthesise(double* data, std::size_t stride, int width, int height, int levels,
                          int order) {
    if (width < 1 || height < 1 || levels < 1) return true;
    LineScratch scratch;
    if (!scratch.Allocate(std::max(width, height), kMaxScratchBands)) return false;
    Synthesise(data, stride, width, height, levels, MakeBank(order), scratch);
    return true;
}

bool WaveletEnlarge(const uint16_t* in, int width, int height, int order, const WaveletGains& gains,
                    Plane& out) {
    if (width < 1 || height < 1) return true;
    if (width > (1 << 28) || height > (1 << 28)) return false;
    const FilterBank bank = MakeBank(order);
    const int levels = WaveletEnlargeLevels(gains);
    const int ww = RoundUp(width, 1 << levels), wh = RoundUp(height, 1 << levels);
    const std::size_t stride = std::size_t(ww);

    // The working region, levels of the picture around zero; then the rows doubled; then
    // the result.
    const std::unique_ptr<double[]> work = NewDoubles(stride * std::size_t(wh));
    const std::unique_ptr<double[]> rows2 = NewDoubles(2 * std::size_t(width) * std::size_t(wh));
    LineScratch scratch;
    Plane result;
    if (!work || !rows2 || !scratch.Allocate(std::max(ww, wh), kMaxScratchBands) ||
        !result.Allocate(4 * std::size_t(width) * std::size_t(height))) {
        return false;
    }

    ForEachRowBand(wh, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* src = in + std::size_t(std::min(y, height - 1)) * std::size_t(width);
            double* dst = work.get() + std::size_t(y) * stride;
            for (int x = 0; x < ww; ++x) dst[x] = src[std::min(x, width - 1)] - 32768.0;
        }
    });

    Analyse(work.get(), stride, ww, wh, levels, bank, scratch);

    // Band gains: the detail of analysis level l (1 the finest) by gains[6 - l]; the
    // residual by gains[5 - levels], which is 1.0 unless all five bands are in use.
    if (levels > 0) {
        const double residual_gain = gains[std::size_t(kWaveletLevels - levels)];
        ForEachRowBand(wh, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                double* row = work.get() + std::size_t(y) * stride;
                for (int x = 0; x < ww; ++x) {
                    int l = 0;
                    while (l < levels && x < (ww >> (l + 1)) && y < (wh >> (l + 1))) ++l;
                    row[x] *= l == levels ? residual_gain : gains[std::size_t(6 - (l + 1))];
                }
            }
        });
    }

    Synthesise(work.get(), stride, ww, wh, levels, bank, scratch);

    // One more synthesis level with no detail: rows first, then columns straight into the
    // result, keeping only the part that covers the picture.
    const std::size_t out_w = 2 * std::size_t(width);
    EachRow(wh, scratch, [&](int y, double* buf) {
        UpsampleLine(work.get() + std::size_t(y) * stride, ww, 1, bank, buf);
        std::copy(buf, buf + out_w, rows2.get() + std::size_t(y) * out_w);
    });
    const int blocks = (2 * width + kColumnLanes - 1) / kColumnLanes;
    const int bands = BandCount(blocks);
    uint16_t* dst = result.data();
    RunBands(bands, [&](int band) {
        double* block = scratch.band(band);
        double* up = block + scratch.per_band / 2;
        for (int bi = BandStart(blocks, band, bands); bi < BandStart(blocks, band + 1, bands);
             ++bi) {
            const int x0 = bi * kColumnLanes;
            const int lanes = std::min(kColumnLanes, 2 * width - x0);
            for (int y = 0; y < wh; ++y) {
                const double* src = rows2.get() + std::size_t(y) * out_w + std::size_t(x0);
                std::copy(src, src + lanes, block + std::size_t(y) * std::size_t(lanes));
            }
            UpsampleLine(block, wh, lanes, bank, up);
            for (int y = 0; y < 2 * height; ++y) {
                const double* src = up + std::size_t(y) * std::size_t(lanes);
                uint16_t* row = dst + std::size_t(y) * out_w + std::size_t(x0);
                for (int b = 0; b < lanes; ++b) row[b] = ToSample(src[b] + 32768.0);
            }
        }
    });
    out = std::move(result);
    return true;
}

}  // namespace orva
