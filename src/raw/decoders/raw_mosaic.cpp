#include "raw/decoders/raw_mosaic.h"

#include <array>
#include <cstddef>

#include "common/parallel.h"

namespace orva {

namespace {

// Where the same-colour photosites around one photosite lie: within the 3x3 when it holds
// any, otherwise within the 5x5.
struct Neighbours {
    int count = 0;
    std::array<std::array<int, 2>, 24> at{};  // dx, dy
};

// The neighbours of colour c around (x, y). With `inside`, only photosites within the
// mosaic count (the border); without, the mosaic is taken as unbounded (the interior).
Neighbours Find(const RawMosaic& m, int x, int y, int c, bool inside) {
    Neighbours n;
    for (int radius = 1; radius <= 2 && n.count == 0; ++radius) {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                if (dx == 0 && dy == 0) continue;
                const int nx = x + dx, ny = y + dy;
                if (inside && (nx < 0 || ny < 0 || nx >= m.width || ny >= m.height)) continue;
                if (m.Colour(nx, ny) != c) continue;
                n.at[static_cast<std::size_t>(n.count++)] = {dx, dy};
            }
    }
    return n;
}

float Mean(const RawMosaic& m, int x, int y, const Neighbours& n) {
    if (n.count == 0) return 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < n.count; ++i) {
        const auto& d = n.at[static_cast<std::size_t>(i)];
        sum += m.At(x + d[0], y + d[1]);
    }
    return sum / static_cast<float>(n.count);
}

}  // namespace

void DemosaicLinear(const RawMosaic& m, bool white_balance, float* r, float* g, float* b) {
    const int w = m.width, h = m.height, p = m.period;
    if (w < 1 || h < 1 || (p != 2 && p != 6) ||
        m.samples.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
        return;
    // Away from the border the neighbours depend only on the pattern cell. The cell is
    // shifted by whole periods so that the unbounded search never sees a negative position.
    std::array<std::array<Neighbours, 3>, 36> interior;
    for (int cy = 0; cy < p; ++cy)
        for (int cx = 0; cx < p; ++cx)
            for (int c = 0; c < 3; ++c)
                interior[static_cast<std::size_t>(cy * 6 + cx)][static_cast<std::size_t>(c)] =
                    Find(m, cx + 12, cy + 12, c, false);
    const std::array<float, 3> gain = white_balance ? m.wb : std::array<float, 3>{1.0f, 1.0f, 1.0f};
    float* const out[3] = {r, g, b};
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            const bool edge_row = y < 2 || y >= h - 2;
            for (int x = 0; x < w; ++x) {
                const int own = m.Colour(x, y);
                const bool edge = edge_row || x < 2 || x >= w - 2;
                const auto& cell = interior[static_cast<std::size_t>((y % p) * 6 + x % p)];
                for (int c = 0; c < 3; ++c) {
                    float v;
                    if (c == own) {
                        v = m.samples[row + static_cast<std::size_t>(x)];
                    } else if (edge) {
                        v = Mean(m, x, y, Find(m, x, y, c, true));
                    } else {
                        v = Mean(m, x, y, cell[static_cast<std::size_t>(c)]);
                    }
                    out[c][row + static_cast<std::size_t>(x)] =
                        v * gain[static_cast<std::size_t>(c)];
                }
            }
        }
    });
}

}  // namespace orva
