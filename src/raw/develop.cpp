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

// The interior of one mosaic row (1 <= y <= height - 2), x from 1 to width - 2.
void DemosaicInterior(const MosaicView& m, int y, int centre, uint16_t* r, uint16_t* g,
                      uint16_t* b) {
    const uint16_t(*up)[4] = m.px + static_cast<std::size_t>(y - 1) * m.width;
    const uint16_t(*mid)[4] = up + m.width;
    const uint16_t(*down)[4] = mid + m.width;
    uint16_t* out[3] = {r, g, b};
    for (int x = 1; x + 1 < m.width; ++x) {
        for (int c = 0; c < 3; ++c) {
            int s = 0, n = 0;
            const auto tap = [&](unsigned v, int w) {
                s += w * static_cast<int>(v);
                n += v != 0 ? w : 0;
            };
            tap(up[x - 1][c], kCornerWeight);
            tap(up[x][c], kSideWeight);
            tap(up[x + 1][c], kCornerWeight);
            tap(mid[x - 1][c], kSideWeight);
            tap(mid[x][c], centre);
            tap(mid[x + 1][c], kSideWeight);
            tap(down[x - 1][c], kCornerWeight);
            tap(down[x][c], kSideWeight);
            tap(down[x + 1][c], kCornerWeight);
            out[c][x] = static_cast<uint16_t>(n > 0 ? s / n : 0);
        }
    }
}

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

uint16_t SharpenValue(int v, int m, int t, int s) {
    const int d = v - m;
    int out;
    if (-t < d && d < t) {
        out = (v + m) / 2;
    } else {
        out = v + ((v > m ? d - t : d + t) * s) / 2;
    }
    return static_cast<uint16_t>(std::clamp(out, 0, 16383));
}

// ---- Stage 4 ----

struct ColourParams {
    int f, s, h;
};

void ColourPixel(const ColourParams& cp, int rgb[3], int luminance, int sharpened,
                 uint16_t out[3]) {
    if (luminance == 0) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    int r = rgb[0], g = rgb[1], b = rgb[2];
    if (cp.h > 0) {
        const int h = cp.h;
        const int r2 = ((120 - h) * r + h * b) / 120;
        const int g2 = ((120 - h) * g + h * r) / 120;
        const int b2 = ((120 - h) * b + h * g) / 120;
        r = r2, g = g2, b = b2;
    } else if (cp.h < 0) {
        const int a = -cp.h;
        const int r2 = ((120 - a) * r + a * g) / 120;
        const int g2 = ((120 - a) * g + a * b) / 120;
        const int b2 = ((120 - a) * b + a * r) / 120;
        r = r2, g = g2, b = b2;
    }
    const int mean = (r + g + b) / 3;
    const int k = 15 * cp.s + std::abs(cp.h);
    const int c[3] = {r + ((r - mean) * k) / 60, g + ((g - mean) * k) / 60,
                      b + ((b - mean) * k) / 60};
    for (int i = 0; i < 3; ++i) {
        const int64_t v = static_cast<int64_t>(c[i]) * sharpened / luminance;
        out[i] = static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
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
                    DemosaicInterior(m, y, centre, pr, pg, pb);
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
                out[x] = static_cast<uint16_t>(((pr[x] + pg[x] + pb[x]) / 3) / 4);
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
            const bool inner_row = row >= reach && row + reach < height;
            for (int x = 0; x < width; ++x) {
                const int v = mid[x];
                int sum, count;
                if (inner_row && x >= reach && x + reach < width) {
                    if (radius == 0) {
                        sum = Interior3(lum.row(row + 1), mid, lum.row(row - 1), x);
                        count = 8;
                    } else {
                        const uint16_t* u2 = lum.row(row + 2);
                        const uint16_t* d2 = lum.row(row - 2);
                        sum = Interior3(lum.row(row + 1), mid, lum.row(row - 1), x) + mid[x - 2] +
                              mid[x + 2] + lum.row(row + 1)[x - 2] + lum.row(row + 1)[x + 2] +
                              lum.row(row - 1)[x - 2] + lum.row(row - 1)[x + 2] + u2[x - 1] +
                              u2[x] + u2[x + 1] + d2[x - 1] + d2[x] + d2[x + 1];
                        count = 20;
                    }
                } else {
                    sum = radius == 0 ? NeighbourSum3(lum, x, row, count)
                                      : NeighbourSum5(lum, x, row, count);
                }
                const int m = count > 0 ? sum / count : v;
                out[x] = SharpenValue(v, m, t, s);
            }
        }
    });
}

void DevelopColour(ConstPlaneView r, ConstPlaneView g, ConstPlaneView b, ConstPlaneView y,
                   ConstPlaneView ys, int false_colour, int saturation, int hue, PlaneView out_r,
                   PlaneView out_g, PlaneView out_b) {
    const int width = y.width(), height = y.height();
    // The colour formulas hold for hues within the dialog's range; a hue from an edited
    // settings file is held there instead of turning colours negative.
    const ColourParams cp{std::max(false_colour, 0), std::max(saturation, 0),
                          std::clamp(hue, -36, 36)};
    const ConstPlaneView in[3] = {r, g, b};
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int row = y0; row < y1; ++row) {
            const uint16_t* lum = y.row(row);
            const uint16_t* sharp = ys.row(row);
            uint16_t* out[3] = {out_r.row(row), out_g.row(row), out_b.row(row)};
            const bool inner_row = row >= 1 && row + 1 < height;
            for (int x = 0; x < width; ++x) {
                int rgb[3];
                for (int c = 0; c < 3; ++c) {
                    const ConstPlaneView& p = in[c];
                    int v = p.row(row)[x];
                    if (cp.f > 0) {
                        int sum, n;
                        if (inner_row && x >= 1 && x + 1 < width) {
                            sum = Interior3(p.row(row + 1), p.row(row), p.row(row - 1), x);
                            n = 8;
                        } else {
                            sum = NeighbourSum3(p, x, row, n);
                        }
                        if (n > 0) v = (v + (cp.f * sum) / n) / (cp.f + 1);
                    }
                    rgb[c] = v;
                }
                uint16_t px[3];
                ColourPixel(cp, rgb, lum[x], sharp[x], px);
                out[0][x] = px[0], out[1][x] = px[1], out[2][x] = px[2];
            }
        }
    });
}

bool DevelopMosaic(MosaicView m, const DevelopParams& p, Plane& r, Plane& g, Plane& b) {
    const std::size_t n = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    Plane dr, dg, db, y, ys;
    if (!dr.Allocate(n) || !dg.Allocate(n) || !db.Allocate(n) || !y.Allocate(n) || !ys.Allocate(n))
        return false;
    const std::array<double, 3> inv = {1.0 / p.gamma[0], 1.0 / p.gamma[1], 1.0 / p.gamma[2]};
    DevelopToneCurve(m, p.black, p.white, inv);
    DevelopDemosaic(m, dr.view(m.width, m.height), dg.view(m.width, m.height),
                    db.view(m.width, m.height));
    DevelopSharpen(dr.view(m.width, m.height), dg.view(m.width, m.height),
                   db.view(m.width, m.height), y.view(m.width, m.height),
                   ys.view(m.width, m.height), p.radius, p.sharpness);
    Plane nr, ng, nb;
    if (!nr.Allocate(n) || !ng.Allocate(n) || !nb.Allocate(n)) return false;
    DevelopColour(dr.view(m.width, m.height), dg.view(m.width, m.height),
                  db.view(m.width, m.height), y.view(m.width, m.height), ys.view(m.width, m.height),
                  p.false_colour, p.saturation, p.hue, nr.view(m.width, m.height),
                  ng.view(m.width, m.height), nb.view(m.width, m.height));
    r = std::move(nr);
    g = std::move(ng);
    b = std::move(nb);
    return true;
}

}  // namespace orva
