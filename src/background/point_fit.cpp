#include "background/point_fit.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/parallel.h"

namespace orva {

namespace {

constexpr int kLanes = 8;
using Vec = double __attribute__((vector_size(kLanes * sizeof(double))));

// Sums over the point pairs for kLanes values of a at a time: for each a, the slope sums of
// the three channels and the number of pairs whose u differ. out holds, per group of lanes,
// 4 x kLanes values (channel 0, 1, 2 sums, then the counts). The screening pass spends
// nearly all its time here.
void PairSumsPortable(const double* base, const double* dx, const double* dv0, const double* dv1,
                      const double* dv2, int pairs, const double* a, int groups, double* out) {
    const Vec zero{};
    const Vec one = zero + 1.0;
    for (int g = 0; g < groups; ++g) {
        Vec av;
        std::memcpy(&av, a + g * kLanes, sizeof av);
        Vec s0 = zero, s1 = zero, s2 = zero, n = zero;
        for (int p = 0; p < pairs; ++p) {
            const Vec du = base[p] + av * dx[p];
            const auto counts = du != zero;
            const Vec inv = counts ? one / du : zero;
            s0 += dv0[p] * inv;
            s1 += dv1[p] * inv;
            s2 += dv2[p] * inv;
            n += counts ? one : zero;
        }
        double* o = out + static_cast<std::ptrdiff_t>(g) * 4 * kLanes;
        std::memcpy(o, &s0, sizeof s0);
        std::memcpy(o + kLanes, &s1, sizeof s1);
        std::memcpy(o + 2 * kLanes, &s2, sizeof s2);
        std::memcpy(o + 3 * kLanes, &n, sizeof n);
    }
}

// The same with the reciprocal from the 14-bit estimate and two Newton steps (full double
// precision up to the last bits), several times cheaper than a division. G groups of lanes
// run side by side so that the additions of one group wait for nothing.
template <int G>
__attribute__((target("avx512f"))) void PairSumsAvx512Groups(const double* base, const double* dx,
                                                             const double* dv0, const double* dv1,
                                                             const double* dv2, int pairs,
                                                             const double* a, double* out) {
    const __m512d zero = _mm512_setzero_pd();
    const __m512d one = _mm512_set1_pd(1.0);
    __m512d av[G], s0[G], s1[G], s2[G], n[G];
    for (int g = 0; g < G; ++g) {
        av[g] = _mm512_loadu_pd(a + g * kLanes);
        s0[g] = s1[g] = s2[g] = n[g] = zero;
    }
    for (int p = 0; p < pairs; ++p) {
        const __m512d b = _mm512_set1_pd(base[p]), x = _mm512_set1_pd(dx[p]);
        const __m512d v0 = _mm512_set1_pd(dv0[p]), v1 = _mm512_set1_pd(dv1[p]),
                      v2 = _mm512_set1_pd(dv2[p]);
        for (int g = 0; g < G; ++g) {
            const __m512d du = _mm512_fmadd_pd(av[g], x, b);
            const __mmask8 counts = _mm512_cmp_pd_mask(du, zero, _CMP_NEQ_UQ);
            // Lanes whose u do not differ start from 0 and stay 0 through the steps.
            __m512d inv = _mm512_maskz_rcp14_pd(counts, du);
            inv = _mm512_fmadd_pd(inv, _mm512_fnmadd_pd(du, inv, one), inv);
            inv = _mm512_fmadd_pd(inv, _mm512_fnmadd_pd(du, inv, one), inv);
            s0[g] = _mm512_fmadd_pd(v0, inv, s0[g]);
            s1[g] = _mm512_fmadd_pd(v1, inv, s1[g]);
            s2[g] = _mm512_fmadd_pd(v2, inv, s2[g]);
            n[g] = _mm512_mask_add_pd(n[g], counts, n[g], one);
        }
    }
    for (int g = 0; g < G; ++g) {
        double* o = out + static_cast<std::ptrdiff_t>(g) * 4 * kLanes;
        _mm512_storeu_pd(o, s0[g]);
        _mm512_storeu_pd(o + kLanes, s1[g]);
        _mm512_storeu_pd(o + 2 * kLanes, s2[g]);
        _mm512_storeu_pd(o + 3 * kLanes, n[g]);
    }
}

__attribute__((target("avx512f"))) void PairSumsAvx512(const double* base, const double* dx,
                                                       const double* dv0, const double* dv1,
                                                       const double* dv2, int pairs,
                                                       const double* a, int groups, double* out) {
    for (int g = 0; g < groups;) {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(g) * kLanes;
        double* o = out + at * 4;
        if (groups - g >= 5) {
            PairSumsAvx512Groups<5>(base, dx, dv0, dv1, dv2, pairs, a + at, o);
            g += 5;
        } else {
            PairSumsAvx512Groups<1>(base, dx, dv0, dv1, dv2, pairs, a + at, o);
            g += 1;
        }
    }
}

using PairSumsFn = void (*)(const double*, const double*, const double*, const double*,
                            const double*, int, const double*, int, double*);

PairSumsFn PairSums() {
    static const PairSumsFn fn =
        __builtin_cpu_supports("avx512f") ? PairSumsAvx512 : PairSumsPortable;
    return fn;
}

// The screened error of every lane of one channel: k from the pair sums, o the mean of
// v - k u, and the squared error, the lanes of a group at once.
__attribute__((target_clones("avx512f", "default"))) void ScreenErrors(
    std::span<const FitPoint> points, std::size_t ch, const double* r, const double* px,
    const double* py, double c, const double* a, int groups, const double* sums, double* lane_err) {
    const std::size_t n = points.size();
    const Vec zero{};
    for (int g = 0; g < groups; ++g) {
        Vec av, s, count;
        std::memcpy(&av, a + g * kLanes, sizeof av);
        std::memcpy(&s, sums + g * 4 * kLanes + static_cast<std::ptrdiff_t>(ch) * kLanes, sizeof s);
        std::memcpy(&count, sums + g * 4 * kLanes + 3 * kLanes, sizeof count);
        const Vec k = count > zero ? s / count : zero;
        Vec sum = zero;
        for (std::size_t i = 0; i < n; ++i)
            sum += points[i].v[ch] - k * (r[i] + av * px[i] + c * py[i]);
        const Vec o = sum / static_cast<double>(n);
        Vec err = zero;
        for (std::size_t i = 0; i < n; ++i) {
            const Vec e = points[i].v[ch] - (k * (r[i] + av * px[i] + c * py[i]) + o);
            err += e * e;
        }
        std::memcpy(lane_err + g * kLanes, &err, sizeof err);
    }
}

std::vector<double> Centres(int size) {
    std::vector<double> v;
    const int step = std::max(size / 20, 1);
    for (int p = size / 4; p <= 3 * size / 4; p += step) v.push_back(p);
    return v;
}

// 40 tilts around 0 in twentieths of 4000 / size (the middle one exactly 0).
std::vector<double> Tilts(int size) {
    const double step = 4000.0 / size / 20.0;
    std::vector<double> v;
    for (int i = 0; i < 40; ++i) v.push_back((i - 20) * step);
    return v;
}

std::size_t ComboIndex(const FitGrid& g, std::size_t icx, std::size_t icy, std::size_t ia,
                       std::size_t ic, std::size_t iq) {
    return (((icx * g.cy.size() + icy) * g.a.size() + ia) * g.c.size() + ic) * g.q.size() + iq;
}

}  // namespace

FitGrid MakeFitGrid(int width, int height) {
    FitGrid g;
    g.cx = Centres(width);
    g.cy = Centres(height);
    g.a = Tilts(width);
    g.c = Tilts(height);
    g.q = {0.6, 0.8, 1.0, 1.2, 1.4};
    return g;
}

RadialModel EvaluateModel(std::span<const FitPoint> points, int channel, double cx, double cy,
                          double a, double c, double q) {
    const std::size_t n = points.size();
    const auto ch = static_cast<std::size_t>(channel);
    // The point lists of the image window hold at most 100 places: no allocation for those.
    std::array<double, 128> small;
    std::vector<double> large;
    if (n > small.size()) large.resize(n);
    double* u = n > small.size() ? large.data() : small.data();
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = points[i].x - cx, dy = points[i].y - cy;
        u[i] = std::pow(dx * dx + dy * dy, q) + a * dx + c * dy;
    }
    double slopes = 0;
    long count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const double du = u[j] - u[i];
            if (du == 0) continue;
            slopes += (points[j].v[ch] - points[i].v[ch]) / du;
            ++count;
        }
    }
    RadialModel m{cx, cy, a, c, q, 0, 0, 0};
    m.k = count > 0 ? slopes / static_cast<double>(count) : 0.0;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += points[i].v[ch] - m.k * u[i];
    m.o = sum / static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double e = points[i].v[ch] - (m.k * u[i] + m.o);
        m.error += e * e;
    }
    return m;
}

RadialModel FitRadialModelPlain(std::span<const FitPoint> points, int channel, const FitGrid& g) {
    RadialModel best;
    bool first = true;
    for (double cx : g.cx)
        for (double cy : g.cy)
            for (double a : g.a)
                for (double c : g.c)
                    for (double q : g.q) {
                        const RadialModel m = EvaluateModel(points, channel, cx, cy, a, c, q);
                        if (first || m.error < best.error) best = m;
                        first = false;
                    }
    return best;
}

std::vector<RadialModel> FitRadialModels(std::span<const FitPoint> points, int channels,
                                         const FitGrid& g) {
    const std::size_t n = points.size();
    channels = std::clamp(channels, 1, 3);
    const std::size_t combos = g.size();
    std::vector<RadialModel> result(static_cast<std::size_t>(channels));
    if (n < 2 || combos == 0) return result;

    // Pair quantities that do not depend on the combination.
    const std::size_t pairs = n * (n - 1) / 2;
    std::vector<double> pdx(pairs), pdy(pairs), pdv[3];
    for (auto& v : pdv) v.assign(pairs, 0.0);
    {
        std::size_t p = 0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j, ++p) {
                pdx[p] = points[j].x - points[i].x;
                pdy[p] = points[j].y - points[i].y;
                for (int ch = 0; ch < channels; ++ch) {
                    const auto c = static_cast<std::size_t>(ch);
                    pdv[c][p] = points[j].v[c] - points[i].v[c];
                }
            }
    }
    const int groups = static_cast<int>((g.a.size() + kLanes - 1) / kLanes);
    std::vector<double> lanes_a(static_cast<std::size_t>(groups * kLanes), g.a.back());
    std::copy(g.a.begin(), g.a.end(), lanes_a.begin());

    // Screening: every combination's error, computed with the pair sums of all channels
    // shared and a reciprocal in place of each division.
    std::vector<double> screened(combos * static_cast<std::size_t>(channels));
    const std::size_t units = g.cx.size() * g.cy.size() * g.q.size();
    const int bands = static_cast<int>(std::min<std::size_t>(units, 64));
    const PairSumsFn pair_sums = PairSums();
    RunBands(bands, [&](int band) {
        const std::size_t u0 = units * static_cast<std::size_t>(band) / bands;
        const std::size_t u1 = units * static_cast<std::size_t>(band + 1) / bands;
        std::vector<double> r(n), px(n), py(n), dr(pairs), base(pairs);
        std::vector<double> sums(static_cast<std::size_t>(groups) * 4 * kLanes);
        std::vector<double> lane_err(static_cast<std::size_t>(groups) * kLanes);
        for (std::size_t unit = u0; unit < u1; ++unit) {
            const std::size_t iq = unit % g.q.size();
            const std::size_t icy = unit / g.q.size() % g.cy.size();
            const std::size_t icx = unit / g.q.size() / g.cy.size();
            const double cx = g.cx[icx], cy = g.cy[icy], q = g.q[iq];
            for (std::size_t i = 0; i < n; ++i) {
                px[i] = points[i].x - cx;
                py[i] = points[i].y - cy;
                r[i] = std::pow(px[i] * px[i] + py[i] * py[i], q);
            }
            for (std::size_t i = 0, p = 0; i < n; ++i)
                for (std::size_t j = i + 1; j < n; ++j, ++p) dr[p] = r[j] - r[i];
            for (std::size_t ic = 0; ic < g.c.size(); ++ic) {
                const double c = g.c[ic];
                for (std::size_t p = 0; p < pairs; ++p) base[p] = dr[p] + c * pdy[p];
                pair_sums(base.data(), pdx.data(), pdv[0].data(), pdv[1].data(), pdv[2].data(),
                          static_cast<int>(pairs), lanes_a.data(), groups, sums.data());
                for (int ch = 0; ch < channels; ++ch) {
                    const auto chs = static_cast<std::size_t>(ch);
                    ScreenErrors(points, chs, r.data(), px.data(), py.data(), c, lanes_a.data(),
                                 groups, sums.data(), lane_err.data());
                    for (std::size_t ia = 0; ia < g.a.size(); ++ia) {
                        double err = lane_err[ia];
                        if (!(err == err)) err = std::numeric_limits<double>::infinity();
                        screened[chs * combos + ComboIndex(g, icx, icy, ia, ic, iq)] = err;
                    }
                }
            }
        }
    });

    // The screened errors differ from the direct ones only by rounding. Every combination
    // that could still be the best is evaluated directly, in grid order, under the plain
    // search's rule; once the best so far cannot be beaten by any later one, the rest is
    // skipped.
    for (int ch = 0; ch < channels; ++ch) {
        const auto chs = static_cast<std::size_t>(ch);
        const double* e = screened.data() + chs * combos;
        const double least = *std::min_element(e, e + combos);
        double mean = 0, spread = 0;
        for (const auto& p : points) mean += p.v[chs];
        mean /= static_cast<double>(n);
        for (const auto& p : points) spread += (p.v[chs] - mean) * (p.v[chs] - mean);
        const double margin = 1e-9 * (spread + least) + 1e-9;
        const double floor = std::max(0.0, least - margin);
        RadialModel best;
        bool found = false;
        for (std::size_t i = 0; i < combos; ++i) {
            if (!(e[i] <= least + 2 * margin)) continue;
            std::size_t rest = i;
            const std::size_t iq = rest % g.q.size();
            rest /= g.q.size();
            const std::size_t ic = rest % g.c.size();
            rest /= g.c.size();
            const std::size_t ia = rest % g.a.size();
            rest /= g.a.size();
            const std::size_t icy = rest % g.cy.size();
            const std::size_t icx = rest / g.cy.size();
            const RadialModel m =
                EvaluateModel(points, ch, g.cx[icx], g.cy[icy], g.a[ia], g.c[ic], g.q[iq]);
            if (!found || m.error < best.error) best = m;
            found = true;
            if (best.error <= floor) break;
        }
        // Only when every screened error was unusable (not a number) is nothing left.
        if (!found) best = FitRadialModelPlain(points, ch, g);
        result[chs] = best;
    }
    return result;
}

namespace {

// Corrects `count` planes whose models share the centre and the power, so that each row's
// powers are worked out once for all of them.
void CorrectPlanes(const PlaneView* planes, const RadialModel* models, int count, int mode,
                   int shift) {
    if ((mode != 3 && mode != 4) || count < 1) return;
    const RadialModel& geometry = models[0];
    const int w = planes[0].width(), h = planes[0].height();
    const int cx = static_cast<int>(geometry.cx);
    const double offset = shift * 256.0;
    // Rows are taken in pairs at the same distance above and below the centre row: with a
    // centre on a whole row both have the same powers.
    const int cy = static_cast<int>(std::floor(geometry.cy));
    const bool mirrored = cy == geometry.cy;
    const int pairs = std::max(cy + 1, h - cy);
    const int reach = std::max(cx, w - 1 - cx) + 1;
    ForEachRowBand(pairs, [&](int t0, int t1) {
        // ((x - cx)^2 + dy^2)^q depends on |x - cx| only: one power per distance and row.
        std::vector<double> power(static_cast<std::size_t>(std::max(reach, 1)));
        for (int t = t0; t < t1; ++t) {
            bool filled = false;
            for (int side = 0; side < (t == 0 ? 1 : 2); ++side) {
                const int y = side == 0 ? cy + t : cy - t;
                if (y < 0 || y >= h) continue;
                const double dy = y - geometry.cy;
                if (!filled || !mirrored) {
                    for (int d = 0; d < reach; ++d) {
                        const double r2 = double(d) * d + dy * dy;
                        power[static_cast<std::size_t>(d)] =
                            geometry.q == 1.0 ? r2 : std::pow(r2, geometry.q);
                    }
                    filled = true;
                }
                for (int i = 0; i < count; ++i) {
                    const RadialModel& m = models[i];
                    const double row_part = m.c * dy;
                    uint16_t* row = planes[i].row(y);
                    for (int x = 0; x < w; ++x) {
                        const double dx = x - m.cx;
                        const double u =
                            power[static_cast<std::size_t>(std::abs(x - cx))] + m.a * dx + row_part;
                        const double b = m.k * u + m.o;
                        double v;
                        if (mode == 3) {
                            if (!(b > 0)) continue;  // no usable background here
                            v = m.o * row[x] / b;
                        } else {
                            v = row[x] - b + offset;
                        }
                        if (!(v == v)) continue;
                        row[x] = static_cast<uint16_t>(std::clamp(std::trunc(v), 0.0, 65535.0));
                    }
                }
            }
        }
    });
}

}  // namespace

void PointBackgroundCorrect(PlaneView plane, const RadialModel& m, int mode, int shift) {
    CorrectPlanes(&plane, &m, 1, mode, shift);
}

void CorrectByPoints(ImageRecord& rec, std::span<const FitPoint> points, int mode, int shift) {
    std::vector<FitPoint> inside;
    for (const FitPoint& p : points)
        if (p.x >= 0 && p.x < rec.width && p.y >= 0 && p.y < rec.height) inside.push_back(p);
    if (inside.size() < 2) return;
    const int channels = rec.single_plane == 1 ? 1 : 3;
    for (int ch = 0; ch < channels; ++ch)
        if (rec.plane(ch).size() < rec.pixels()) return;
    const auto models = FitRadialModels(inside, channels, MakeFitGrid(rec.width, rec.height));
    // Channels fitted with the same centre and power are corrected together.
    std::array<bool, 3> done{};
    for (int ch = 0; ch < channels; ++ch) {
        if (done[static_cast<std::size_t>(ch)]) continue;
        const RadialModel& first = models[static_cast<std::size_t>(ch)];
        PlaneView planes[3];
        RadialModel group[3];
        int count = 0;
        for (int other = ch; other < channels; ++other) {
            const RadialModel& m = models[static_cast<std::size_t>(other)];
            if (done[static_cast<std::size_t>(other)] || m.cx != first.cx || m.cy != first.cy ||
                m.q != first.q)
                continue;
            done[static_cast<std::size_t>(other)] = true;
            planes[count] = rec.plane(other).view(rec.width, rec.height);
            group[count++] = m;
        }
        CorrectPlanes(planes, group, count, mode, shift);
    }
}

}  // namespace orva
