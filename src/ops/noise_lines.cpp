#include "ops/noise_lines.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/parallel.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

// Spatial weights of the 5 x 5 window; the 3 x 3 window uses the inner nine. The centre
// is 0: the pixel itself enters only through the final blend.
constexpr int kWeights[5][5] = {
    {0, 4, 8, 4, 0}, {4, 8, 10, 8, 4}, {8, 10, 0, 10, 8}, {4, 8, 10, 8, 4}, {0, 4, 8, 4, 0},
};
constexpr int kDistinctWeights[3] = {4, 8, 10};

// The range factor is 1 + max(0, |d| - L) / 256, so g x 64 / factor is
// g x 16384 / (256 + excess), truncated: whole numbers give the truncated real quotient.
int WeightForExcess(int g, int excess) {
    return g * 16384 / (256 + excess);
}

int Excess(int d, int tolerance) {
    const int limit = 1280 * kNoiseFields.tolerance.Clamp(tolerance);
    return std::max(0, std::abs(d) - limit);
}

// One neighbour of the window: row (0 = top of the window), column offset, spatial weight
// and which of the three weight tables goes with it.
struct Tap {
    int dy, dx, g, table;
};

template <int R>
constexpr auto MakeTaps() {
    constexpr int kCount = R == 2 ? 20 : 8;
    std::array<Tap, kCount> taps{};
    int n = 0;
    for (int dy = -R; dy <= R; ++dy) {
        for (int dx = -R; dx <= R; ++dx) {
            const int g = kWeights[dy + 2][dx + 2];
            if (g == 0) continue;
            taps[static_cast<std::size_t>(n++)] = {dy + R, dx, g, g == 4 ? 0 : g == 8 ? 1 : 2};
        }
    }
    return taps;
}

template <int R>
constexpr uint32_t FullWeight() {
    uint32_t sum = 0;
    for (const Tap& tap : MakeTaps<R>()) sum += static_cast<uint32_t>(64 * tap.g);
    return sum;
}

uint16_t Blend(uint32_t twice_mean, int c, int k) {
    const uint32_t v = (twice_mean + static_cast<uint32_t>(k - 1) * static_cast<uint32_t>(c)) /
                       static_cast<uint32_t>(k + 1);
    return static_cast<uint16_t>(std::min<uint32_t>(v, 65535));
}

// One output row from the window rows (each padded by R samples on both sides). The taps
// are known at compile time so that the loops over them unroll.
//
// Where every neighbour lies within the tolerance each weight is exactly 64 x g, so a first
// pass (free of table look-ups, which lets the compiler vectorise it) finds those pixels and
// their plain weighted sums; only the others go through the weight tables.
template <int R>
void FilterRow(const std::array<const uint16_t*, 5>& rows, uint16_t* out, int width,
               const uint16_t* const tables[3], int k, int limit) {
    static constexpr auto kTaps = MakeTaps<R>();
    constexpr uint32_t kFull = FullWeight<R>();
    constexpr int kChunk = 256;
    const uint16_t* centre = rows[R];
    std::array<uint32_t, kChunk> sums;
    std::array<int32_t, kChunk> worst;
    for (int x0 = 0; x0 < width; x0 += kChunk) {
        const int count = std::min(kChunk, width - x0);
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            const int c = centre[x];
            int32_t far = 0;
            uint32_t sum = 0;  // at most 8704 x 65535: fits 32 bits
#pragma GCC unroll 20
            for (const Tap& tap : kTaps) {
                const int n = rows[static_cast<std::size_t>(tap.dy)][x + tap.dx];
                far = std::max(far, std::abs(n - c));
                sum += static_cast<uint32_t>(n) * static_cast<uint32_t>(64 * tap.g);
            }
            sums[static_cast<std::size_t>(i)] = sum;
            worst[static_cast<std::size_t>(i)] = far;
        }
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            const int c = centre[x];
            if (worst[static_cast<std::size_t>(i)] <= limit) {
                out[x] = Blend(2 * sums[static_cast<std::size_t>(i)] / kFull, c, k);
                continue;
            }
            uint32_t sum_w = 0, sum = 0;
#pragma GCC unroll 20
            for (const Tap& tap : kTaps) {
                const int n = rows[static_cast<std::size_t>(tap.dy)][x + tap.dx];
                const uint32_t wt = tables[tap.table][std::abs(n - c)];
                sum_w += wt;
                sum += static_cast<uint32_t>(n) * wt;
            }
            out[x] = Blend(2 * sum / std::max<uint32_t>(sum_w, 1), c, k);
        }
    }
}

}  // namespace

int NoiseWeight(int g, int d, int tolerance) {
    return WeightForExcess(g, Excess(d, tolerance));
}

bool ReduceNoisePlane(const uint16_t* in, uint16_t* out, int width, int height,
                      const NoiseParams& params) {
    if (width < 1 || height < 1) return true;
    const int k = std::clamp(params.level, 1, 5);
    const int radius = params.area <= 3 ? 1 : 2;
    const int span = 2 * radius + 1;
    const int limit = 1280 * kNoiseFields.tolerance.Clamp(params.tolerance);

    // Weight by |difference| for each spatial weight, so the inner loop only looks up.
    Plane tables;
    if (!tables.Allocate(3 * 65536)) return false;
    for (int t = 0; t < 3; ++t) {
        uint16_t* table = tables.data() + static_cast<std::size_t>(t) * 65536;
        for (int d = 0; d < 65536; ++d)
            table[d] = static_cast<uint16_t>(NoiseWeight(kDistinctWeights[t], d, params.tolerance));
    }
    const uint16_t* const weight_tables[3] = {tables.data(), tables.data() + 65536,
                                              tables.data() + 2 * 65536};

    // Each band keeps a ring of `span` source rows padded by `radius` repeated edge samples
    // on both sides, so the window never needs a bounds check.
    const std::size_t padded =
        static_cast<std::size_t>(width) + 2 * static_cast<std::size_t>(radius);
    const int bands = RowBandCount(height);
    Plane rings;
    if (!rings.Allocate(static_cast<std::size_t>(bands) * static_cast<std::size_t>(span) * padded))
        return false;
    const std::size_t w = static_cast<std::size_t>(width);

    RunBands(bands, [&](int band) {
        const int y0 = BandStart(height, band, bands);
        const int y1 = BandStart(height, band + 1, bands);
        uint16_t* ring = rings.data() + static_cast<std::size_t>(band) * span * padded;
        auto slot = [&](int v) {
            return ring + static_cast<std::size_t>(((v % span) + span) % span) * padded;
        };
        auto load = [&](int v) {
            uint16_t* dst = slot(v);
            const uint16_t* src = in + static_cast<std::size_t>(std::clamp(v, 0, height - 1)) * w;
            std::memcpy(dst + radius, src, w * sizeof(uint16_t));
            for (int i = 0; i < radius; ++i) {
                dst[i] = src[0];
                dst[static_cast<std::size_t>(radius) + w + static_cast<std::size_t>(i)] =
                    src[w - 1];
            }
        };
        for (int v = y0 - radius; v < y0 + radius; ++v) load(v);
        std::array<const uint16_t*, 5> rows{};
        for (int y = y0; y < y1; ++y) {
            load(y + radius);
            for (int j = 0; j < span; ++j)
                rows[static_cast<std::size_t>(j)] = slot(y + j - radius) + radius;
            uint16_t* o = out + static_cast<std::size_t>(y) * w;
            if (radius == 1) {
                FilterRow<1>(rows, o, width, weight_tables, k, limit);
            } else {
                FilterRow<2>(rows, o, width, weight_tables, k, limit);
            }
        }
    });
    return true;
}

bool ReduceNoise(ImageRecord& rec, const NoiseParams& params) {
    const std::size_t n = rec.pixels();
    if (n == 0) return true;
    for (int c = 0; c < 3; ++c)
        if (rec.plane(c).size() < n) return true;
    Plane out[3];
    for (int c = 0; c < 3; ++c) {
        if (!out[c].Allocate(n) ||
            !ReduceNoisePlane(rec.plane(c).data(), out[c].data(), rec.width, rec.height, params))
            return false;
    }
    for (int c = 0; c < 3; ++c) rec.plane(c) = std::move(out[c]);
    return true;
}

bool SeparateLines(const ImageRecord& src, ImageRecord& dst, int first_row) {
    if (!src.occupied()) return true;
    const std::size_t n = src.pixels();
    for (int c = 0; c < 3; ++c)
        if (src.plane(c).size() < n) return true;
    const int width = src.width, height = src.height;
    const std::size_t w = static_cast<std::size_t>(width);
    first_row = first_row == 0 ? 0 : 1;
    Plane out[3];
    for (int c = 0; c < 3; ++c)
        if (!out[c].Allocate(n)) return false;
    for (int c = 0; c < 3; ++c) {
        const uint16_t* in = src.plane(c).data();
        uint16_t* o = out[c].data();
        auto copy_row = [&](int to, const uint16_t* from) {
            std::memcpy(o + static_cast<std::size_t>(to) * w, from, w * sizeof(uint16_t));
        };
        int written = 0;  // result rows filled by pairs
        for (int s = first_row; s < height && written + 1 < height; s += 2) {
            const uint16_t* row = in + static_cast<std::size_t>(s) * w;
            copy_row(written++, row);
            copy_row(written++, row);
        }
        // Rows no pair reaches would otherwise hold whatever the allocator left there.
        const uint16_t* last = written > 0 ? o + static_cast<std::size_t>(written - 1) * w : in;
        for (int r = written; r < height; ++r) copy_row(r, last);
    }
    const int single = src.single_plane;
    for (int c = 0; c < 3; ++c) dst.plane(c) = std::move(out[c]);
    dst.width = width;
    dst.height = height;
    dst.single_plane = single;
    return true;
}

}  // namespace orva
