#include "composite/canvas_combine.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "common/parallel.h"

namespace orva {

namespace {

constexpr int kMaxSources = 4;

// Where a source meets one canvas row: columns [x0, x1), and the sample index of canvas
// column x is base + x.
struct RowSpan {
    int x0 = 0, x1 = 0;
    std::ptrdiff_t base = 0;
    bool Covers(int x) const { return x >= x0 && x < x1; }
};

RowSpan SpanOf(const StackSource& s, int y, int width) {
    RowSpan r;
    const int sy = y - s.y;
    if (sy < 0 || sy >= s.height) return r;
    r.x0 = std::max(0, s.x);
    r.x1 = std::min(width, s.x + s.width);
    r.base = static_cast<std::ptrdiff_t>(sy) * s.width - s.x;
    if (r.x1 < r.x0) r.x1 = r.x0;
    return r;
}

struct Output {
    Plane planes[3];
    int width = 0, height = 0;
    bool Allocate(int w, int h) {
        width = w;
        height = h;
        const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        for (auto& p : planes)
            if (!p.Allocate(n)) return false;
        return true;
    }
    uint16_t* row(int c, int y) {
        return planes[c].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    void StoreInto(ImageRecord& rec) {
        rec.red = std::move(planes[0]);
        rec.green = std::move(planes[1]);
        rec.blue = std::move(planes[2]);
        rec.width = width;
        rec.height = height;
        rec.single_plane = 0;
    }
};

uint16_t Clip(int64_t v) {
    return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
}

// ---- Average ----

// Exact whole-number division by the weight sum of a set of sources, as a multiplication:
// for a numerator below 2^27 and a divisor below 2^9, (n * ceil(2^36 / d)) >> 36 is n / d
// rounded down. Indexed by the set (bit i = source i).
struct WeightDivisors {
    std::array<uint64_t, 1 << kMaxSources> reciprocal{};
    explicit WeightDivisors(const std::vector<StackSource>& src) {
        for (std::size_t mask = 1; mask < reciprocal.size(); ++mask) {
            uint64_t d = 0;
            for (std::size_t i = 0; i < src.size(); ++i)
                if ((mask >> i) & 1u) d += static_cast<uint64_t>(std::clamp(src[i].weight, 1, 100));
            if (d > 0) reciprocal[mask] = ((uint64_t{1} << 36) + d - 1) / d;
        }
    }
    uint16_t Divide(uint32_t num, unsigned mask) const {
        return static_cast<uint16_t>((num * reciprocal[mask]) >> 36);
    }
};

struct AverageJob {
    const std::vector<StackSource>& src;
    const DensityFactors& factor;
    NoiseOptions noise;
    int width;
    WeightDivisors divisors;

    int Normalised(int i, int c, std::ptrdiff_t index) const {
        const auto& s = src[static_cast<std::size_t>(i)];
        return static_cast<int>(
            (static_cast<uint32_t>(s.plane[static_cast<std::size_t>(c)][index]) *
             static_cast<uint32_t>(
                 factor[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)])) >>
            14);
    }

    // Columns where the pixel lies at least one pixel inside every source, or an empty range.
    void InteriorColumns(int y, int& x0, int& x1) const {
        x0 = 0;
        x1 = width;
        for (const auto& s : src) {
            if (y < s.y + 1 || y > s.y + s.height - 2) {
                x1 = x0;
                return;
            }
            x0 = std::max(x0, s.x + 1);
            x1 = std::min(x1, s.x + s.width - 1);
        }
        if (x1 < x0) x1 = x0;
    }

    // Deviation of source i at canvas (x, y) from the mean of its four direct neighbours,
    // summed over the channels.
    int NeighbourDeviation(int i, const int (&v)[3], int x, int y) const {
        const auto& s = src[static_cast<std::size_t>(i)];
        const std::ptrdiff_t w = s.width;
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y - s.y) * w + (x - s.x);
        int dev = 0;
        for (int c = 0; c < 3; ++c) {
            const int sum = Normalised(i, c, at - 1) + Normalised(i, c, at + 1) +
                            Normalised(i, c, at - w) + Normalised(i, c, at + w);
            dev += std::abs(v[c] - sum / 4);
        }
        return dev;
    }

    void Row(int y, uint16_t* out[3]) const {
        switch (src.size()) {
            case 1: RowOf<1>(y, out); break;
            case 2: RowOf<2>(y, out); break;
            case 3: RowOf<3>(y, out); break;
            default: RowOf<4>(y, out); break;
        }
    }

    // One canvas row with N sources. N is a constant so that the per-pixel loops over the
    // sources unroll and the row pointers, factors and weights stay in registers.
    template <int N>
    void RowOf(int y, uint16_t* out[3]) const {
        RowSpan span[N];
        const uint16_t* rows[N][3];
        int f[N][3], w[N];
        for (int i = 0; i < N; ++i) {
            const auto& s = src[static_cast<std::size_t>(i)];
            span[i] = SpanOf(s, y, width);
            w[i] = std::clamp(s.weight, 1, 100);
            for (int c = 0; c < 3; ++c) {
                f[i][c] = factor[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)];
                rows[i][c] = s.plane[static_cast<std::size_t>(c)];
            }
        }
        int ix0 = 0, ix1 = 0;
        if (noise.on) InteriorColumns(y, ix0, ix1);
        const int level = noise.level;
        // Where every source covers the pixel the coverage tests fall away.
        auto pixel = [&]<bool kAllCover>(int x) {
            int v[N][3];
            bool cover[N];
            bool part[N][3];
            for (int i = 0; i < N; ++i) {
                cover[i] = kAllCover || span[i].Covers(x);
                for (int c = 0; c < 3; ++c)
                    v[i][c] = cover[i] ? static_cast<int>(
                                             (static_cast<uint32_t>(rows[i][c][span[i].base + x]) *
                                              static_cast<uint32_t>(f[i][c])) >>
                                             14)
                                       : 0;
            }
            const bool inside = x >= ix0 && x < ix1;
            if constexpr (N == 2) {
                if (inside) {
                    bool outlier = false;
                    for (int c = 0; c < 3; ++c) outlier |= std::abs(v[0][c] - v[1][c]) > level;
                    if (outlier) {
                        const bool keep_reference =
                            noise.move_mode ||
                            NeighbourDeviation(0, v[0], x, y) <= NeighbourDeviation(1, v[1], x, y);
                        for (int c = 0; c < 3; ++c) {
                            if (keep_reference)
                                v[1][c] = v[0][c];
                            else
                                v[0][c] = v[1][c];
                        }
                    }
                }
            }
            for (int i = 0; i < N; ++i) {
                const bool any = cover[i] && (v[i][0] | v[i][1] | v[i][2]) != 0;
                for (int c = 0; c < 3; ++c) part[i][c] = N >= 3 ? cover[i] && v[i][c] > 0 : any;
            }
            if constexpr (N >= 3) {
                if (inside) LeaveOutOutliers<N>(v, part);
            }
            for (int c = 0; c < 3; ++c) {
                uint32_t num = 0;
                unsigned mask = 0;
                for (int i = 0; i < N; ++i) {
                    num += part[i][c] ? static_cast<uint32_t>(w[i] * v[i][c]) : 0u;
                    mask |= part[i][c] ? 1u << i : 0u;
                }
                out[c][x] = divisors.Divide(num, mask);
            }
        };
        int ax0 = 0, ax1 = width;
        for (int i = 0; i < N; ++i) {
            ax0 = std::max(ax0, span[i].x0);
            ax1 = std::min(ax1, span[i].x1);
        }
        ax1 = std::max(ax0, ax1);
        for (int x = 0; x < ax0; ++x) pixel.template operator()<false>(x);
        for (int x = ax0; x < ax1; ++x) pixel.template operator()<true>(x);
        for (int x = ax1; x < width; ++x) pixel.template operator()<false>(x);
    }

    // Three or four sources: each one's deviation from the mean of the others; when one
    // strays beyond the level it is left out in the channels where it deviates at all.
    template <int N>
    void LeaveOutOutliers(const int (&v)[N][3], bool (&part)[N][3]) const {
        int dev[N][3];
        int total[N] = {};
        bool beyond = false;
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int j = 0; j < N; ++j) sum += v[j][c];
            for (int i = 0; i < N; ++i) {
                dev[i][c] = std::abs(v[i][c] - (sum - v[i][c]) / (N - 1));
                total[i] += dev[i][c];
                beyond |= dev[i][c] > noise.level;
            }
        }
        if (!beyond) return;
        bool out[N] = {};
        if (noise.move_mode) {
            for (int i = 1; i < N; ++i) out[i] = true;
        } else if (N == 3) {
            if (total[0] > total[1] && total[0] > total[2])
                out[0] = true;
            else if (total[1] > total[0] && total[1] > total[2])
                out[1] = true;
            else
                out[2] = true;
        } else {
            // Of equal largest deviations the last source goes, as with three sources.
            int worst = 0;
            for (int i = 1; i < N; ++i)
                if (total[i] >= total[worst]) worst = i;
            out[worst] = true;
        }
        for (int i = 0; i < N; ++i)
            for (int c = 0; c < 3; ++c)
                if (out[i] && dev[i][c] != 0) part[i][c] = false;
    }
};

// ---- Add, maximum, minimum ----

template <typename PixelFn>
void SimpleRows(const std::vector<StackSource>& src, Output& out, PixelFn fn) {
    const int width = out.width;
    ForEachRowBand(out.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            RowSpan span[kMaxSources];
            const int n = static_cast<int>(src.size());
            for (int i = 0; i < n; ++i)
                span[i] = SpanOf(src[static_cast<std::size_t>(i)], y, width);
            for (int c = 0; c < 3; ++c) {
                uint16_t* o = out.row(c, y);
                for (int x = 0; x < width; ++x) {
                    int samples[kMaxSources];
                    int weights[kMaxSources];
                    int m = 0;
                    for (int i = 0; i < n; ++i) {
                        if (!span[i].Covers(x)) continue;
                        const auto& s = src[static_cast<std::size_t>(i)];
                        samples[m] = s.plane[static_cast<std::size_t>(c)][span[i].base + x];
                        weights[m++] = s.weight;
                    }
                    o[x] = fn(samples, weights, m);
                }
            }
        }
    });
}

uint16_t AddPixel(const int* s, const int* w, int m) {
    int64_t sum = 0;
    for (int i = 0; i < m; ++i) sum += static_cast<int64_t>(s[i]) * w[i];
    return sum >= 6553500 ? 65535 : Clip(sum / 100);
}

uint16_t MaxPixel(const int* s, const int*, int m) {
    int best = 0;
    for (int i = 0; i < m; ++i) best = std::max(best, s[i]);
    return static_cast<uint16_t>(best);
}

// The smallest non-zero sample; 0 only when every covering sample is 0.
uint16_t MinPixel(const int* s, const int*, int m) {
    int run = 0;
    for (int i = 0; i < m; ++i)
        if (run == 0 || (s[i] != 0 && s[i] <= run)) run = s[i];
    return static_cast<uint16_t>(run);
}

// ---- Maximum contrast ----

void CombineContrast(const std::vector<StackSource>& src, Output& out) {
    const int n = static_cast<int>(src.size());
    int weight[kMaxSources];
    std::fill(weight, weight + kMaxSources, 1);
    auto brightness = [](const StackSource& s, int x, int y) {
        return static_cast<int>(s.at(0, x, y)) + s.at(1, x, y) + s.at(2, x, y);
    };
    for (int y = 0; y < out.height; ++y) {
        uint16_t* o[3] = {out.row(0, y), out.row(1, y), out.row(2, y)};
        for (int x = 0; x < out.width; ++x) {
            int contrast[kMaxSources];
            for (int i = 0; i < n; ++i) {
                const auto& s = src[static_cast<std::size_t>(i)];
                const int sx = x - s.x, sy = y - s.y;
                if (sx < 1 || sy < 1 || sx > s.width - 2 || sy > s.height - 2) {
                    contrast[i] = -513;
                    continue;
                }
                int lo = std::numeric_limits<int>::max(), hi = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int k = -1; k <= 1; ++k) {
                        const int b = brightness(s, sx + k, sy + j);
                        lo = std::min(lo, b);
                        hi = std::max(hi, b);
                    }
                contrast[i] = hi - lo;
            }
            for (int i = 0; i < n; ++i) {
                if (contrast[i] < 0) continue;
                bool clear = true;
                for (int j = 0; j < n; ++j)
                    if (j != i && contrast[i] < contrast[j] + 513) clear = false;
                if (!clear) continue;
                for (int j = 0; j < n; ++j) weight[j] += j == i ? 1 : -1;
                break;
            }
            for (int i = 0; i < n; ++i) weight[i] = std::clamp(weight[i], 2, 10);
            for (int c = 0; c < 3; ++c) {
                int num = 0, den = 0;
                for (int i = 0; i < n; ++i) {
                    if (contrast[i] < 0) continue;
                    const auto& s = src[static_cast<std::size_t>(i)];
                    num += weight[i] * s.at(c, x - s.x, y - s.y);
                    den += weight[i];
                }
                o[c][x] = static_cast<uint16_t>(den > 0 ? num / den : 0);
            }
        }
    }
}

}  // namespace

void PlaceOnCanvas(std::vector<StackSource>& sources, int& width, int& height) {
    width = height = 0;
    if (sources.empty()) return;
    int min_x = 0, min_y = 0, largest_w = 0, largest_h = 0;
    for (const auto& s : sources) {
        min_x = std::min(min_x, s.x);
        min_y = std::min(min_y, s.y);
        largest_w = std::max(largest_w, s.width);
        largest_h = std::max(largest_h, s.height);
    }
    for (auto& s : sources) {
        s.x -= min_x;
        s.y -= min_y;
        width = std::max(width, s.x + s.width);
        height = std::max(height, s.y + s.height);
    }
    width = std::min(width, std::max(kCanvasLimit, largest_w));
    height = std::min(height, std::max(kCanvasLimit, largest_h));
}

void AddExtraShift(std::vector<StackSource>& sources, int shift_x, int shift_y) {
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const int k = static_cast<int>(i);
        sources[i].x += k * shift_x;
        sources[i].y += k * shift_y;
    }
}

DensityFactors NormalisationFactors(const std::vector<StackSource>& sources) {
    DensityFactors f(sources.size(), {16384, 16384, 16384});
    if (sources.empty()) return f;
    int x0 = sources[0].x, x1 = sources[0].x + sources[0].width;
    int y0 = sources[0].y, y1 = sources[0].y + sources[0].height;
    for (const auto& s : sources) {
        x0 = std::max(x0, s.x);
        y0 = std::max(y0, s.y);
        x1 = std::min(x1, s.x + s.width);
        y1 = std::min(y1, s.y + s.height);
    }
    if (x1 <= x0 || y1 <= y0) return f;
    // A shifted canvas can put the region's end below 0; the step stays at least 1.
    const int step_y = std::max(y1 / 128 + 1, 1), step_x = std::max(x1 / 128 + 1, 1);
    std::vector<std::array<int64_t, 3>> mean(sources.size());
    int64_t count = 0;
    for (int y = y0; y < y1; y += step_y)
        for (int x = x0; x < x1; x += step_x) ++count;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const auto& s = sources[i];
        for (int c = 0; c < 3; ++c) {
            int64_t sum = 0;
            for (int y = y0; y < y1; y += step_y)
                for (int x = x0; x < x1; x += step_x) sum += s.at(c, x - s.x, y - s.y);
            mean[i][static_cast<std::size_t>(c)] = sum / count;
        }
    }
    std::array<int64_t, 3> target{};
    for (int c = 0; c < 3; ++c) {
        const auto k = static_cast<std::size_t>(c);
        target[k] = mean[0][k];
        for (const auto& m : mean) target[k] = std::min(target[k], m[k]);
        if (target[k] == 0) return f;
    }
    for (std::size_t i = 0; i < sources.size(); ++i)
        for (std::size_t c = 0; c < 3; ++c)
            f[i][c] = static_cast<int>(target[c] * 16384 / mean[i][c]);
    return f;
}

bool CombineSources(int method, const std::vector<StackSource>& sources, int width, int height,
                    const NoiseOptions& noise, bool normalise, ImageRecord& out) {
    if (sources.empty() || sources.size() > kMaxSources || width < 1 || height < 1) return true;
    Output result;
    if (!result.Allocate(width, height)) return false;
    switch (method) {
        case kCombineAdd: SimpleRows(sources, result, AddPixel); break;
        case kCombineMaximum: SimpleRows(sources, result, MaxPixel); break;
        case kCombineMinimum: SimpleRows(sources, result, MinPixel); break;
        case kCombineContrast: CombineContrast(sources, result); break;
        default: {
            const DensityFactors factors =
                normalise ? NormalisationFactors(sources)
                          : DensityFactors(sources.size(), {16384, 16384, 16384});
            const AverageJob job{sources, factors, noise, width, WeightDivisors(sources)};
            ForEachRowBand(height, [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y) {
                    uint16_t* rows[3] = {result.row(0, y), result.row(1, y), result.row(2, y)};
                    job.Row(y, rows);
                }
            });
        }
    }
    result.StoreInto(out);
    return true;
}

}  // namespace orva
