#include "ops/tone.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "common/parallel.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

using Coeffs = std::array<double, 4>;  // c0, c1, c2, c3

Coeffs Constant(double y) {
    return {y, 0, 0, 0};
}

// The line through (xa, ya) and (xb, yb).
Coeffs Line(double xa, double ya, double xb, double yb) {
    const double c1 = (yb - ya) / (xb - xa);
    return {ya - c1 * xa, c1, 0, 0};
}

// The quadratic with curvature c2 and slope m at xm that passes through (xp, yp).
Coeffs Quadratic(double c2, double m, double xm, double xp, double yp) {
    const double c1 = m - 2 * c2 * xm;
    return {yp - c2 * xp * xp - c1 * xp, c1, c2, 0};
}

// The cubic through (xa, ya) and (xb, yb) with slopes ma at xa and mb at xb, expanded from
// its form around xa into plain powers of x.
Coeffs Hermite(double xa, double ya, double ma, double xb, double yb, double mb) {
    const double h = xb - xa;
    const double s = (yb - ya) / h;
    const double a = (3 * s - 2 * ma - mb) / h;
    const double b = (ma + mb - 2 * s) / (h * h);
    return {ya - ma * xa + a * xa * xa - b * xa * xa * xa, ma - 2 * a * xa + 3 * b * xa * xa,
            a - 3 * b * xa, b};
}

// Maps every sample of a plane through a 65536-entry table of fn(sample), filled in
// parallel slices. False (plane untouched) when the table cannot be had.
template <class Fn>
bool MapThroughTable(uint16_t* plane, int width, int height, const Fn& fn) {
    if (plane == nullptr || width < 1 || height < 1) return true;
    const std::unique_ptr<uint16_t[]> table(new (std::nothrow) uint16_t[65536]);
    if (!table) return false;
    uint16_t* const t = table.get();
    constexpr int kSlices = 16;
    RunBands(kSlices, [&](int band) {
        const std::size_t end = (static_cast<std::size_t>(band) + 1) * 65536 / kSlices;
        for (std::size_t i = static_cast<std::size_t>(band) * 65536 / kSlices; i < end; ++i)
            t[i] = fn(static_cast<double>(i));
    });
    const std::size_t w = static_cast<std::size_t>(width);
    ForEachRowBand(height, [&](int y0, int y1) {
        uint16_t* p = plane + static_cast<std::size_t>(y0) * w;
        uint16_t* const end = plane + static_cast<std::size_t>(y1) * w;
        // Four samples per load and store: the table lookups are then the only other
        // memory traffic.
        for (; end - p >= 4; p += 4) {
            uint64_t v;
            std::memcpy(&v, p, sizeof v);
            v = uint64_t{t[v & 0xffff]} | uint64_t{t[(v >> 16) & 0xffff]} << 16 |
                uint64_t{t[(v >> 32) & 0xffff]} << 32 | uint64_t{t[v >> 48]} << 48;
            std::memcpy(p, &v, sizeof v);
        }
        for (; p != end; ++p) *p = t[*p];
    });
    return true;
}

}  // namespace

ToneCurve FitToneCurve(int curve_mode, double x0, double y0, double x1, double y1, double x2,
                       double y2) {
    // Strictly increasing knot inputs keep every chord slope finite.
    if (x0 <= 0) x0 = 1;
    if (x1 <= x0) x1 = x0 + 1;
    if (x2 <= x1) x2 = x1 + 1;
    if (x2 >= 65535) x2 = 65535;
    if (x2 <= x1) x1 = x2 - 1;
    if (x1 <= x0) x0 = x1 - 1;

    ToneCurve k;
    k.x[0] = x0, k.x[1] = x1, k.x[2] = x2;
    k.y[0] = y0, k.y[1] = y1, k.y[2] = y2;

    if (curve_mode == 0) {
        // Near-black first knots and near-white last knots keep a flat end instead of a
        // steep line to the corner.
        k.c[0] = (y0 < 65280 && x0 > 255) ? Line(0, 0, x0, y0) : Constant(y0);
        k.c[1] = Line(x0, y0, x1, y1);
        k.c[2] = Line(x1, y1, x2, y2);
        k.c[3] = (y2 <= 255 || x2 >= 65280) ? Constant(y2) : Line(x2, y2, 65535, 65535);
        return k;
    }

    const double s0 = y0 / x0;
    const double s1 = (y1 - y0) / (x1 - x0);
    const double s2 = (y2 - y1) / (x2 - x1);
    // A last knot at the very top leaves no room for a last chord; its slope then continues
    // the previous one (the last segment covers the single input 65535).
    const bool room = x2 < 65535;
    const double s3 = room ? (65535 - y2) / (65535 - x2) : s2;
    const double m0 = (s0 + s1) / 2;
    const double m1 = (s1 + s2) / 2;
    const double m2 = (s2 + s3) / 2;

    {
        const double c2 = (s1 - s0) / (2 * x0);
        k.c[0] = {0, s0 - c2 * x0, c2, 0};
    }
    k.c[1] = y0 == 0 ? Quadratic((s2 - s1) / (2 * (x1 - x0)), m1, x1, x0, y0)
                     : Hermite(x0, y0, m0, x1, y1, m1);
    k.c[2] = y2 >= 65280 ? Quadratic((s2 - s1) / (2 * (x2 - x1)), m1, x1, x1, y1)
                         : Hermite(x1, y1, m1, x2, y2, m2);
    k.c[3] = room ? Quadratic((s3 - s2) / (2 * (65535 - x2)), m2, x2, x2, y2) : Constant(y2);
    return k;
}

double EvaluateToneCurve(const ToneCurve& curve, double x) {
    const int seg = x < curve.x[0] ? 0 : x < curve.x[1] ? 1 : x < curve.x[2] ? 2 : 3;
    const Coeffs& c = curve.c[static_cast<std::size_t>(seg)];
    const double y = c[3] * x * x * x + c[2] * x * x + c[1] * x + c[0];
    if (!(y >= 0)) return 0;  // also catches an undefined result
    return y >= 65535 ? 65535 : y;
}

ToneCurve GammaCurve(int curve_mode, const std::array<int, 6>& levels) {
    double in[3], out[3];
    for (std::size_t i = 0; i < 3; ++i) {
        in[i] = 256.0 * levels[2 * i];
        out[i] = 256.0 * levels[2 * i + 1];
    }
    if (in[1] == in[0]) in[1] = in[0] + 1;
    if (in[1] == in[2]) in[1] = in[2] - 1;
    return FitToneCurve(curve_mode, in[0], out[0], in[1], out[1], in[2], out[2]);
}

bool ApplyToneCurve(uint16_t* plane, int width, int height, const ToneCurve& curve) {
    return MapThroughTable(plane, width, height, [&curve](double x) {
        return static_cast<uint16_t>(EvaluateToneCurve(curve, x) + 0.5);
    });
}

double LevelMap(const LevelParams& p, double x) {
    const auto& f = kLevelFields;
    int in_min = f.input_min.Clamp(p.input_min);
    int in_max = f.input_max.Clamp(p.input_max);
    const int brightness = f.brightness.Clamp(p.brightness);
    const int contrast = f.contrast.Clamp(p.contrast);
    const int gamma = f.gamma.Clamp(p.gamma);
    int out_min = f.output_min.Clamp(p.output_min);
    int out_max = f.output_max.Clamp(p.output_max);

    if (contrast > 0) {
        const int t = (in_max - in_min) * contrast / 100;
        in_min += t;
        in_max -= t;
    } else if (contrast < 0) {
        const int t = (out_max - out_min) * -contrast / 100;
        out_min += t;
        out_max -= t;
    }
    // Tiny positive stand-ins keep the power defined: below the input minimum the ratio is
    // near 0, and a collapsed input range sends every sample to the output maximum.
    double n = x - 256.0 * (in_min - brightness);
    if (n <= 0) n = 1e-10;
    double d = 256.0 * (in_max - in_min);
    if (d <= 0) d = 1e-10;
    const double span = 256.0 * (out_max - out_min);
    double y;
    if (gamma == 100) {
        // The linear case multiplies before it divides: n / d * d can land one ulp below
        // the whole number it started from, and truncation then loses a whole step (the
        // default mapping would not return every sample unchanged).
        y = 256.0 * out_min + (n >= d ? span : span * n / d);
    } else {
        double power = std::pow(n / d, 100.0 / gamma);
        if (power > 1) power = 1;
        y = 256.0 * out_min + span * power;
    }
    return y > 65535 ? 65535 : y;
}

bool ApplyLevel(uint16_t* plane, int width, int height, const LevelParams& params) {
    return MapThroughTable(plane, width, height, [&params](double x) {
        const double y = LevelMap(params, x);
        return y >= 0 ? static_cast<uint16_t>(y) : uint16_t{0};
    });
}

namespace {

// Sub-block position of each pixel phase, in blocks, by block radius.
const double* PhaseOffsets(int r) {
    static const double kOffsets[5][4] = {{0.31, 0.10, -0.10, -0.31},
                                          {0.43, 0.14, -0.14, -0.43},
                                          {0.51, 0.17, -0.17, -0.51},
                                          {0.55, 0.19, -0.19, -0.55},
                                          {0.62, 0.22, -0.22, -0.62}};
    const int row = r <= 3 ? r - 1 : r <= 5 ? 3 : 4;
    return kOffsets[row];
}

// The four x-phase kernels of one y phase side by side: for every kernel position (in
// row-major order) its offset into the padded mean image and the weights of phases 0..3.
// Positions where all four weights are 0 are left out: a zero term adds nothing to a sum
// of non-negative terms, so each pixel's sum is the plain one, term by term.
struct PhaseRow {
    std::vector<std::ptrdiff_t> offset;
    std::vector<std::array<double, 4>> weight;
};

}  // namespace

bool DynamicRangePlanes(const uint16_t* const in[3], uint16_t* const out[3], int width, int height,
                        bool single_plane, const DynamicRangeParams& params) {
    if (width < 1 || height < 1) return true;
    const auto& f = kDynamicRangeFields;
    const int r = f.radius.Clamp(params.radius) / 4;
    const int tone = f.tone_difference.Clamp(params.tone_difference);
    const int strength = f.strength.Clamp(params.strength);
    const std::size_t w = static_cast<std::size_t>(width);
    const int mw = (width + 3) / 4, mh = (height + 3) / 4;
    // The mean image with a border of r blocks that repeats its edge blocks, so the filter
    // needs no clamping per sample.
    const int pw = mw + 2 * r, ph = mh + 2 * r;
    const uint16_t* src[3] = {in[0], single_plane ? in[0] : in[1], single_plane ? in[0] : in[2]};

    std::vector<double> padded;
    std::vector<uint16_t> mean;
    PhaseRow kernels[4];  // by y phase
    try {
        padded.resize(static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph));
        mean.resize(static_cast<std::size_t>(mw) * static_cast<std::size_t>(mh));
        const double* off = PhaseOffsets(r);
        const int side = 2 * r + 1;
        std::vector<double> wgt(static_cast<std::size_t>(side * side));
        for (int py = 0; py < 4; ++py) {
            PhaseRow& k = kernels[py];
            k.offset.clear();
            std::vector<std::array<double, 4>> all(wgt.size());
            for (int px = 0; px < 4; ++px) {
                double sum = 0;
                for (int dy = -r; dy <= r; ++dy) {
                    for (int dx = -r; dx <= r; ++dx) {
                        const double ex = dx + off[px], ey = dy + off[py];
                        const double v = std::max(0.0, 2.0 * r * r - ex * ex - ey * ey);
                        wgt[static_cast<std::size_t>((dy + r) * side + dx + r)] = v;
                        sum += v;
                    }
                }
                for (std::size_t i = 0; i < wgt.size(); ++i)
                    all[i][static_cast<std::size_t>(px)] = wgt[i] / sum;
            }
            for (int dy = -r; dy <= r; ++dy) {
                for (int dx = -r; dx <= r; ++dx) {
                    const auto& w4 = all[static_cast<std::size_t>((dy + r) * side + dx + r)];
                    if (w4[0] == 0 && w4[1] == 0 && w4[2] == 0 && w4[3] == 0) continue;
                    k.offset.push_back(static_cast<std::ptrdiff_t>(dy) * pw + dx);
                    k.weight.push_back(w4);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    // Mean of each 4 x 4 block; blocks over the right or top edge repeat the last column or
    // row.
    ForEachRowBand(mh, [&](int by0, int by1) {
        for (int by = by0; by < by1; ++by) {
            for (int bx = 0; bx < mw; ++bx) {
                int sum = 0;
                for (int j = 0; j < 4; ++j) {
                    const std::size_t row =
                        static_cast<std::size_t>(std::min(by * 4 + j, height - 1));
                    for (int i = 0; i < 4; ++i) {
                        const std::size_t at =
                            row * w + static_cast<std::size_t>(std::min(bx * 4 + i, width - 1));
                        sum += src[0][at] + src[1][at] + src[2][at];
                    }
                }
                mean[static_cast<std::size_t>(by) * static_cast<std::size_t>(mw) +
                     static_cast<std::size_t>(bx)] = static_cast<uint16_t>(sum / 3 / 16);
            }
        }
    });
    for (int y = 0; y < ph; ++y) {
        const std::size_t my = static_cast<std::size_t>(std::clamp(y - r, 0, mh - 1));
        for (int x = 0; x < pw; ++x) {
            const std::size_t mx = static_cast<std::size_t>(std::clamp(x - r, 0, mw - 1));
            padded[static_cast<std::size_t>(y) * static_cast<std::size_t>(pw) +
                   static_cast<std::size_t>(x)] = mean[my * static_cast<std::size_t>(mw) + mx];
        }
    }

    const double t = 256.0 * tone;
    const double s = strength * 64.0 / (tone + 8);
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * w;
            const double* block_row =
                padded.data() + static_cast<std::ptrdiff_t>(y / 4 + r) * pw + r;
            const PhaseRow& k = kernels[y % 4];
            const std::size_t terms = k.offset.size();
            for (int bx = 0; bx < mw; ++bx) {
                // The four pixels of a block read the same mean values with their own
                // weights; each keeps its own sum in kernel order.
                const double* centre = block_row + bx;
                double m[4] = {0, 0, 0, 0};
                for (std::size_t i = 0; i < terms; ++i) {
                    const double v = centre[k.offset[i]];
                    const std::array<double, 4>& w4 = k.weight[i];
                    m[0] += w4[0] * v;
                    m[1] += w4[1] * v;
                    m[2] += w4[2] * v;
                    m[3] += w4[3] * v;
                }
                const int x_end = std::min(bx * 4 + 4, width);
                for (int x = bx * 4; x < x_end; ++x) {
                    const std::size_t at = row + static_cast<std::size_t>(x);
                    const int rv = src[0][at], gv = src[1][at], bv = src[2][at];
                    const double l = (rv + gv + bv) / 3.0;
                    const double d = l - m[x - bx * 4];
                    double factor = 1;
                    if (d < t && d > -t)
                        factor = 1 + d * (t - std::fabs(d)) * s / 65536 / (l + 256);
                    const int v[3] = {rv, gv, bv};
                    for (int c = 0; c < 3; ++c) {
                        const double o = std::clamp(v[c] * factor, 0.0, 65535.0);
                        out[c][at] = static_cast<uint16_t>(o + 0.5);
                    }
                }
            }
        }
    });
    return true;
}

bool DynamicRange(ImageRecord& rec, const DynamicRangeParams& params) {
    const std::size_t n = rec.pixels();
    if (n == 0) return true;
    const bool single = rec.single_plane == 1;
    for (int c = 0; c < (single ? 1 : 3); ++c)
        if (rec.plane(c).size() < n) return true;  // a record without its picture: leave it
    Plane fresh[3];
    for (Plane& p : fresh)
        if (!p.Allocate(n)) return false;
    const uint16_t* in[3] = {rec.red.data(), single ? rec.red.data() : rec.green.data(),
                             single ? rec.red.data() : rec.blue.data()};
    uint16_t* const out[3] = {fresh[0].data(), fresh[1].data(), fresh[2].data()};
    if (!DynamicRangePlanes(in, out, rec.width, rec.height, single, params)) return false;
    for (int c = 0; c < 3; ++c) rec.plane(c) = std::move(fresh[c]);
    return true;
}

}  // namespace orva
