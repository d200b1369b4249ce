#include "raw/develop.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/parallel.h"

namespace orva {

namespace {

// ---- Stage 2: demosaic ----

constexpr int kSideWeight = 2, kCornerWeight = 1;

// One pixel with every window position checked against the picture's bounds.
void DemosaicChecked(const MosaicView& m, int x, int y, int centre, uint16_t out[3]) {
    int sum[3] = {0, 0, 0}, weight[3] = {0, 0, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= m.height) continue;
        for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx;
            if (xx < 0 || xx >= m.width) continue;
            const int w = dx == 0 && dy == 0   ? centre
                          : dx == 0 || dy == 0 ? kSideWeight
                                               : kCornerWeight;
            const uint16_t* p = m.at(xx, yy);
            for (int c = 0; c < 3; ++c) {
                if (p[c] == 0) continue;
                sum[c] += w * p[c];
                weight[c] += w;
            }
        }
    }
    for (int c = 0; c < 3; ++c)
        out[c] = static_cast<uint16_t>(weight[c] > 0 ? sum[c] / weight[c] : 0);
}

// The interior columns of the interior rows of a band, worked out channel by channel on
// planar rows so that the compiler can use vector instructions. The 3x3 weights are the
// separable [1 2 1] x [1 2 1] with the centre raised from 4 to its own weight. Sums stay
// below 2^21, so single-precision values are exact, and a quotient of two such numbers with
// a divisor of at most 28 is never rounded onto the next whole number: truncating the float
// quotient is the integer division.
class PlanarDemosaic {
public:
    PlanarDemosaic(const MosaicView& m, int centre)
        : m_(m),
          centre_(static_cast<float>(centre - 4)),
          w_(m.width),
          buf_(static_cast<std::size_t>(3) * 3 * 4 * w_) {}

    // Row y (1 <= y <= height - 2), columns 1 .. width - 2, into out[c][x].
    void Row(int y, uint16_t* const out[3]) {
        const Slot& up = Get(y - 1);
        const Slot& mid = Get(y);
        const Slot& down = Get(y + 1);
        for (int c = 0; c < 3; ++c) {
            const float* hu = up.hs[c];
            const float* hm = mid.hs[c];
            const float* hd = down.hs[c];
            const float* nu = up.hn[c];
            const float* nm = mid.hn[c];
            const float* nd = down.hn[c];
            const float* v = mid.v[c];
            const float* z = mid.nz[c];
            uint16_t* o = out[c];
            const float k = centre_;
            for (int x = 1; x + 1 < w_; ++x) {
                const float sum = hu[x] + 2.0f * hm[x] + hd[x] + k * v[x];
                const float n = nu[x] + 2.0f * nm[x] + nd[x] + k * z[x];
                // Nothing sampled gives a sum of 0; the tiny term keeps 0 / 0 away without a
                // branch and is far below the last place of any weight.
                o[x] = static_cast<uint16_t>(static_cast<int>(sum / (n + 1e-30f)));
            }
        }
    }

private:
    struct Slot {
        int y = -1;
        float* v[3];
        float* nz[3];
        float* hs[3];
        float* hn[3];
    };

    const Slot& Get(int y) {
        Slot& s = slots_[y % 3];
        if (s.y == y) return s;
        s.y = y;
        float* base = buf_.data() + static_cast<std::size_t>(y % 3) * 12 * w_;
        const uint16_t(*p)[4] = m_.px + static_cast<std::size_t>(y) * w_;
        for (int c = 0; c < 3; ++c) {
            float* v = s.v[c] = base + static_cast<std::size_t>(4 * c) * w_;
            float* z = s.nz[c] = v + w_;
            float* hs = s.hs[c] = z + w_;
            float* hn = s.hn[c] = hs + w_;
            for (int x = 0; x < w_; ++x) {
                const uint16_t q = p[x][c];
                v[x] = q;
                z[x] = q != 0 ? 1.0f : 0.0f;
            }
            for (int x = 1; x + 1 < w_; ++x) {
                hs[x] = v[x - 1] + 2.0f * v[x] + v[x + 1];
                hn[x] = z[x - 1] + 2.0f * z[x] + z[x + 1];
            }
        }
        return s;
    }

    const MosaicView& m_;
    float centre_;
    int w_;
    std::vector<float> buf_;
    Slot slots_[3];
};

// ---- Neighbour sums for stages 3 and 4 ----

// Sum and count of the in-bounds pixels of the 3x3 window around (x, y) without its centre.
int NeighbourSum3(ConstPlaneView p, int x, int y, int& count) {
    int s = 0;
    count = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= p.height()) continue;
        for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx;
            if ((dx == 0 && dy == 0) || xx < 0 || xx >= p.width()) continue;
            s += p.at(xx, yy);
            ++count;
        }
    }
    return s;
}

// The same over the 5x5 window without its corners and centre (20 positions inside).
int NeighbourSum5(ConstPlaneView p, int x, int y, int& count) {
    int s = 0;
    count = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= p.height()) continue;
        for (int dx = -2; dx <= 2; ++dx) {
            const int xx = x + dx;
            if ((dx == 0 && dy == 0) || (std::abs(dx) == 2 && std::abs(dy) == 2)) continue;
            if (xx < 0 || xx >= p.width()) continue;
            s += p.at(xx, yy);
            ++count;
        }
    }
    return s;
}

// Interior 3x3 neighbour sum (the caller guarantees the window is inside).
inline int Interior3(const uint16_t* up, const uint16_t* mid, const uint16_t* down, int x) {
    return up[x - 1] + up[x] + up[x + 1] + mid[x - 1] + mid[x + 1] + down[x - 1] + down[x] +
           down[x + 1];
}

// Written without branches so that whole rows run on vector instructions.
inline uint16_t SharpenValue(int v, int m, int t, int s) {
    const int d = v - m;
    const int smooth = (v + m) / 2;
    const int beyond = v > m ? d - t : d + t;
    const int sharp = v + (beyond * s) / 2;
    const int out = (-t < d && d < t) ? smooth : sharp;
    return static_cast<uint16_t>(std::min(std::max(out, 0), 16383));
}

// The interior of one luminance row: every position whose whole window is inside.
template <int kRadius>
void SharpenInterior(ConstPlaneView lum, int row, int t, int s, uint16_t* out) {
    const int width = lum.width();
    const uint16_t* mid = lum.row(row);
    const uint16_t* u1 = lum.row(row + 1);
    const uint16_t* d1 = lum.row(row - 1);
    if constexpr (kRadius == 0) {
        for (int x = 1; x + 1 < width; ++x) {
            const unsigned sum = Interior3(u1, mid, d1, x);
            out[x] = SharpenValue(mid[x], static_cast<int>(sum / 8u), t, s);
        }
    } else {
        const uint16_t* u2 = lum.row(row + 2);
        const uint16_t* d2 = lum.row(row - 2);
        for (int x = 2; x + 2 < width; ++x) {
            const unsigned sum = Interior3(u1, mid, d1, x) + mid[x - 2] + mid[x + 2] + u1[x - 2] +
                                 u1[x + 2] + d1[x - 2] + d1[x + 2] + u2[x - 1] + u2[x] + u2[x + 1] +
                                 d2[x - 1] + d2[x] + d2[x + 1];
            out[x] = SharpenValue(mid[x], static_cast<int>(sum / 20u), t, s);
        }
    }
}

// ---- Stage 4 ----

struct ColourParams {
    int f, s, h;
};

// c * Ys / L truncated and held within 0..65535. The product is exact in double precision
// and no quotient (below 2^32, divisor below 2^14) lies close enough to a whole number for
// the rounded double quotient to reach it, so this is the integer division; negative colours
// give 0 as the division would.
inline uint16_t Transfer(int c, double ys, double l) {
    double q = static_cast<double>(c) * ys / l;
    q = q < 65535.0 ? q : 65535.0;
    q = q > 0.0 ? q : 0.0;
    return static_cast<uint16_t>(static_cast<int>(q));
}

// The rows run on vector instructions; where the processor has AVX2, on wider ones (the
// results are the same, only the width of the steps differs).
#define ORVA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

// Hue rotation of one row in place. Positive hues mix each channel with the one before it
// (r with b), negative ones with the one after it (r with g).
ORVA_VECTOR_CLONES
void RotateHueRow(int hue, int* r, int* g, int* b, int width) {
    const int a = std::abs(hue), keep = 120 - a;
    int* mix_r = hue >= 0 ? b : g;
    int* mix_g = hue >= 0 ? r : b;
    int* mix_b = hue >= 0 ? g : r;
    for (int x = 0; x < width; ++x) {
        const int r1 = (keep * r[x] + a * mix_r[x]) / 120;
        const int g1 = (keep * g[x] + a * mix_g[x]) / 120;
        const int b1 = (keep * b[x] + a * mix_b[x]) / 120;
        r[x] = r1, g[x] = g1, b[x] = b1;
    }
}

// Saturation and luminance transfer of one row.
ORVA_VECTOR_CLONES
void SaturateRow(int k, const int* r, const int* g, const int* b, const uint16_t* lum,
                 const uint16_t* sharp, int width, uint16_t* o0, uint16_t* o1, uint16_t* o2) {
    for (int x = 0; x < width; ++x) {
        const int m = (r[x] + g[x] + b[x]) / 3;
        const int r2 = r[x] + ((r[x] - m) * k) / 60;
        const int g2 = g[x] + ((g[x] - m) * k) / 60;
        const int b2 = b[x] + ((b[x] - m) * k) / 60;
        // A pixel of luminance 0 is black whatever its colour (its factor is 0).
        const int zero = lum[x] == 0;
        const double l = lum[x] + zero;
        const double ys = sharp[x] * (1 - zero);
        o0[x] = Transfer(r2, ys, l);
        o1[x] = Transfer(g2, ys, l);
        o2[x] = Transfer(b2, ys, l);
    }
}

// Hue rotation, saturation and luminance transfer of one row.
void ColourRow(const ColourParams& cp, int* const rgb[3], const uint16_t* lum,
               const uint16_t* sharp, int width, uint16_t* const out[3]) {
    if (cp.h != 0) RotateHueRow(cp.h, rgb[0], rgb[1], rgb[2], width);
    SaturateRow(15 * cp.s + std::abs(cp.h), rgb[0], rgb[1], rgb[2], lum, sharp, width, out[0],
                out[1], out[2]);
}

// One row of one channel after false-colour reduction with strength F (1..4):
// c <- (c + (F * sum of the in-bounds 3x3 neighbours) / n) / (F + 1). `up` and `down` are the
// neighbouring rows as they were before the stage, or null outside the picture.
template <int F>
void SmoothRow(const uint16_t* up, const uint16_t* mid, const uint16_t* down, int width, int* out) {
    const auto general = [&](int x) {
        int sum = 0, n = 0;
        for (const uint16_t* p : {up, mid, down}) {
            if (p == nullptr) continue;
            for (int dx = -1; dx <= 1; ++dx) {
                const int xx = x + dx;
                if ((p == mid && dx == 0) || xx < 0 || xx >= width) continue;
                sum += p[xx];
                ++n;
            }
        }
        out[x] = n > 0 ? (mid[x] + (F * sum) / n) / (F + 1) : mid[x];
    };
    if (up == nullptr || down == nullptr || width < 3) {
        for (int x = 0; x < width; ++x) general(x);
        return;
    }
    for (int x = 1; x + 1 < width; ++x) {
        const int sum = Interior3(up, mid, down, x);
        out[x] = (mid[x] + (F * sum) / 8) / (F + 1);
    }
    general(0);
    general(width - 1);
}

void SmoothRow(int f, const uint16_t* up, const uint16_t* mid, const uint16_t* down, int width,
               int* out) {
    switch (f) {
        case 1: SmoothRow<1>(up, mid, down, width, out); break;
        case 2: SmoothRow<2>(up, mid, down, width, out); break;
        case 3: SmoothRow<3>(up, mid, down, width, out); break;
        default: SmoothRow<4>(up, mid, down, width, out); break;
    }
}

}  // namespace

double CurveBeforePower(double x, int black, int white) {
    const double b = (black + 8) * 128.0;
    const double w = (white - 4) * 256.0;
    if (x < b) return 1024.0 * x * x / (b * b);
    if (x >= w) return 65536.0 - (65536.0 - x) * 2048.0 / (65536.0 - w);
    const double h = w - b;
    const double t = (x - b) / h;
    const double t2 = t * t, t3 = t2 * t;
    const double m0 = 2048.0 / b, m1 = 2048.0 / (65536.0 - w);
    return (2 * t3 - 3 * t2 + 1) * 1024.0 + (t3 - 2 * t2 + t) * h * m0 +
           (-2 * t3 + 3 * t2) * 63488.0 + (t3 - t2) * h * m1;
}

uint16_t ToneCurveValue(uint16_t x, int black, int white, double inv_gamma) {
    if (x == 0) return 0;
    const double y = CurveBeforePower(x, black, white);
    const double v = std::pow(y, inv_gamma) * (65535.0 / std::pow(65535.0, inv_gamma));
    if (!(v > 0.0)) return 0;
    if (v >= 65535.0) return 65535;
    return static_cast<uint16_t>(v);
}

void DevelopToneCurve(MosaicView m, const std::array<int, 3>& black,
                      const std::array<int, 3>& white, const std::array<double, 3>& inv_gamma) {
    // The curve depends on the value alone, so one table per channel gives exactly what a
    // per-pixel evaluation would.
    std::vector<uint16_t> table(3 * 65536);
    RunBands(3, [&](int c) {
        uint16_t* t = table.data() + static_cast<std::size_t>(c) * 65536;
        for (int x = 0; x < 65536; ++x)
            t[x] = ToneCurveValue(static_cast<uint16_t>(x), black[c], white[c], inv_gamma[c]);
    });
    const uint16_t* tr = table.data();
    const uint16_t* tg = tr + 65536;
    const uint16_t* tb = tg + 65536;
    ForEachRowBand(m.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t(*row)[4] = m.px + static_cast<std::size_t>(y) * m.width;
            for (int x = 0; x < m.width; ++x) {
                row[x][0] = tr[row[x][0]];
                row[x][1] = tg[row[x][1]];
                row[x][2] = tb[row[x][2]];
            }
        }
    });
}

void DevelopDemosaic(MosaicView m, PlaneView r, PlaneView g, PlaneView b) {
    const int centre = m.pattern == kPatternSixBySix ? 16 : 8;
    ForEachRowBand(m.height, [&](int y0, int y1) {
        PlanarDemosaic planar(m, centre);
        for (int y = y0; y < y1; ++y) {
            const int row = m.height - 1 - y;  // planes are bottom-up
            uint16_t* pr = r.row(row);
            uint16_t* pg = g.row(row);
            uint16_t* pb = b.row(row);
            if (m.pattern == kPatternFull) {
                for (int x = 0; x < m.width; ++x) {
                    const uint16_t* p = m.at(x, y);
                    pr[x] = p[0], pg[x] = p[1], pb[x] = p[2];
                }
                continue;
            }
            const bool inner_row = y >= 1 && y + 1 < m.height;
            for (int x = 0; x < m.width; ++x) {
                if (inner_row && x == 1 && m.width > 2) {
                    uint16_t* const out[3] = {pr, pg, pb};
                    planar.Row(y, out);
                    x = m.width - 2;
                    continue;
                }
                uint16_t out[3];
                DemosaicChecked(m, x, y, centre, out);
                pr[x] = out[0], pg[x] = out[1], pb[x] = out[2];
            }
        }
    });
}

void DevelopSharpen(ConstPlaneView r, ConstPlaneView g, ConstPlaneView b, PlaneView y, PlaneView ys,
                    int radius, int sharpness) {
    const int width = y.width(), height = y.height();
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int row = y0; row < y1; ++row) {
            const uint16_t* pr = r.row(row);
            const uint16_t* pg = g.row(row);
            const uint16_t* pb = b.row(row);
            uint16_t* out = y.row(row);
            for (int x = 0; x < width; ++x)
                out[x] =
                    static_cast<uint16_t>((static_cast<unsigned>(pr[x] + pg[x] + pb[x]) / 3u) / 4u);
        }
    });
    const ConstPlaneView lum = y;
    if (sharpness <= 0) {
        ForEachRowBand(height, [&](int y0, int y1) {
            std::copy(lum.row(y0), lum.row(y0) + static_cast<std::size_t>(y1 - y0) * width,
                      ys.row(y0));
        });
        return;
    }
    const int t = 4 * (8 - sharpness);
    const int s = sharpness;
    const int reach = radius == 0 ? 1 : 2;
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int row = y0; row < y1; ++row) {
            uint16_t* out = ys.row(row);
            const uint16_t* mid = lum.row(row);
            const bool inner_row = row >= reach && row + reach < height && width > 2 * reach;
            if (inner_row) {
                if (radius == 0) {
                    SharpenInterior<0>(lum, row, t, s, out);
                } else {
                    SharpenInterior<1>(lum, row, t, s, out);
                }
            }
            for (int x = 0; x < width; ++x) {
                if (inner_row && x == reach) x = width - reach;  // done above
                int count;
                const int sum = radius == 0 ? NeighbourSum3(lum, x, row, count)
                                            : NeighbourSum5(lum, x, row, count);
                const int v = mid[x];
                out[x] = SharpenValue(v, count > 0 ? sum / count : v, t, s);
            }
        }
    });
}

void DevelopColour(PlaneView r, PlaneView g, PlaneView b, ConstPlaneView y, ConstPlaneView ys,
                   int false_colour, int saturation, int hue) {
    const int width = y.width(), height = y.height();
    // The colour formulas hold for hues within the dialog's range; a hue from an edited
    // settings file is held there instead of turning colours negative.
    const ColourParams cp{std::clamp(false_colour, 0, 4), std::max(saturation, 0),
                          std::clamp(hue, -36, 36)};
    const PlaneView planes[3] = {r, g, b};
    const auto w = static_cast<std::size_t>(width);
    // The planes are rewritten in place. A band reads the rows next to it as they were: the
    // first and last row of every band are kept aside before any band starts, and inside a
    // band the rows already rewritten are remembered as they were.
    const int bands = RowBandCount(height);
    std::vector<uint16_t> edges(cp.f > 0 ? static_cast<std::size_t>(bands) * 6 * w : 0);
    const auto edge = [&](int band, int c, bool last) {
        return edges.data() + ((static_cast<std::size_t>(band) * 2 + (last ? 1 : 0)) * 3 +
                               static_cast<std::size_t>(c)) *
                                  w;
    };
    if (cp.f > 0) {
        for (int k = 0; k < bands; ++k) {
            const int y0 = BandStart(height, k, bands), y1 = BandStart(height, k + 1, bands);
            if (y0 >= y1) continue;
            for (int c = 0; c < 3; ++c) {
                std::copy(planes[c].row(y0), planes[c].row(y0) + w, edge(k, c, false));
                std::copy(planes[c].row(y1 - 1), planes[c].row(y1 - 1) + w, edge(k, c, true));
            }
        }
    }
    RunBands(bands, [&](int band) {
        const int y0 = BandStart(height, band, bands), y1 = BandStart(height, band + 1, bands);
        std::vector<int> rgb(w * 3);
        int* row_rgb[3] = {rgb.data(), rgb.data() + w, rgb.data() + 2 * w};
        // Per channel: the previous row and this row as they were.
        std::vector<uint16_t> kept(cp.f > 0 ? w * 6 : 0);
        for (int row = y0; row < y1; ++row) {
            for (int c = 0; c < 3; ++c) {
                uint16_t* mid = planes[c].row(row);
                if (cp.f == 0) {
                    std::copy(mid, mid + w, row_rgb[c]);
                    continue;
                }
                uint16_t* prev = kept.data() + static_cast<std::size_t>(c) * 2 * w;
                uint16_t* cur = prev + w;
                const uint16_t* below = nullptr;  // row - 1 as it was
                if (row > y0) {
                    std::copy(cur, cur + w, prev);
                    below = prev;
                } else if (row > 0) {
                    below = edge(band - 1, c, true);
                }
                std::copy(mid, mid + w, cur);
                const uint16_t* above = nullptr;  // row + 1, not yet rewritten
                if (row + 1 < y1) {
                    above = planes[c].row(row + 1);
                } else if (row + 1 < height) {
                    above = edge(band + 1, c, false);
                }
                SmoothRow(cp.f, below, cur, above, width, row_rgb[c]);
            }
            uint16_t* const out[3] = {r.row(row), g.row(row), b.row(row)};
            ColourRow(cp, row_rgb, y.row(row), ys.row(row), width, out);
        }
    });
}

bool DevelopMosaic(MosaicView m, const DevelopParams& p, Plane& r, Plane& g, Plane& b) {
    const std::size_t n = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    Plane nr, ng, nb, y, ys;
    if (!nr.Allocate(n) || !ng.Allocate(n) || !nb.Allocate(n) || !y.Allocate(n) || !ys.Allocate(n))
        return false;
    const int w = m.width, h = m.height;
    const std::array<double, 3> inv = {1.0 / p.gamma[0], 1.0 / p.gamma[1], 1.0 / p.gamma[2]};
    DevelopToneCurve(m, p.black, p.white, inv);
    DevelopDemosaic(m, nr.view(w, h), ng.view(w, h), nb.view(w, h));
    DevelopSharpen(nr.view(w, h), ng.view(w, h), nb.view(w, h), y.view(w, h), ys.view(w, h),
                   p.radius, p.sharpness);
    DevelopColour(nr.view(w, h), ng.view(w, h), nb.view(w, h), y.view(w, h), ys.view(w, h),
                  p.false_colour, p.saturation, p.hue);
    r = std::move(nr);
    g = std::move(ng);
    b = std::move(nb);
    return true;
}

}  // namespace orva
