#include "background/generator.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "common/parallel.h"

namespace orva {

namespace {

// The step between the places in one direction: a quarter of the area, shortened near the
// edges so the outer places stay close to the picture, and never below 2.
int PlaceStep(int pos, int size, int area) {
    int s = area / 4;
    if (pos < 2 * s) {
        s = pos / 2;
    } else if (pos >= size - 2 * s) {
        s = (size - 1 - pos) / 2;
    }
    return std::max(s, 2);
}

}  // namespace

void DetectBackground(ConstPlaneView in, int detect_area, int threshold, PlaneView out) {
    const int w = in.width(), h = in.height();
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int sy = PlaceStep(y, h, detect_area);
            uint16_t* dst = out.row(y);
            for (int x = 0; x < w; ++x) {
                const int sx = PlaceStep(x, w, detect_area);
                // The four smallest counted values, ascending.
                std::array<int, 4> low = {65535, 65535, 65535, 65535};
                for (int j = -2; j <= 2; ++j) {
                    const int yy = y + j * sy;
                    if (yy < 1 || yy > h - 2) continue;
                    const uint16_t* src = in.row(yy);
                    for (int i = -2; i <= 2; ++i) {
                        const int xx = x + i * sx;
                        if (xx < 1 || xx > w - 2) continue;
                        const int v = src[xx];
                        if (v <= threshold || v >= low[3]) continue;
                        int k = 3;
                        while (k > 0 && low[static_cast<std::size_t>(k - 1)] > v) {
                            low[static_cast<std::size_t>(k)] = low[static_cast<std::size_t>(k - 1)];
                            --k;
                        }
                        low[static_cast<std::size_t>(k)] = v;
                    }
                }
                dst[x] = static_cast<uint16_t>((low[2] + low[3]) / 2);
            }
        }
    });
}

void TrimmedSmooth(ConstPlaneView in, PlaneView out) {
    const int w = in.width(), h = in.height();
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* dst = out.row(y);
            for (int x = 0; x < w; ++x) {
                int sum = 0, lo = 65535, hi = 0, n = 0;
                for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, h - 1); ++yy) {
                    const uint16_t* src = in.row(yy);
                    for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, w - 1); ++xx) {
                        const int v = src[xx];
                        sum += v;
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                        ++n;
                    }
                }
                // A plane of one or two pixels has nothing left after trimming.
                dst[x] = n > 2 ? static_cast<uint16_t>((sum - lo - hi) / (n - 2)) : in.row(y)[x];
            }
        }
    });
}

void BoxAverage(ConstPlaneView in, int radius, PlaneView out) {
    const int w = in.width(), h = in.height();
    ForEachRowBand(h, [&](int y0, int y1) {
        // Column sums of the rows in reach, then a running sum along the row: the same whole
        // number sums as adding the square directly, divided by the positions inside.
        std::vector<int64_t> column(static_cast<std::size_t>(w));
        for (int y = y0; y < y1; ++y) {
            const int ya = std::max(y - radius, 0), yb = std::min(y + radius, h - 1);
            const int rows = yb - ya + 1;
            std::fill(column.begin(), column.end(), 0);
            for (int yy = ya; yy <= yb; ++yy) {
                const uint16_t* src = in.row(yy);
                for (int x = 0; x < w; ++x) column[static_cast<std::size_t>(x)] += src[x];
            }
            int64_t sum = 0;
            for (int x = 0; x <= std::min(radius, w - 1); ++x)
                sum += column[static_cast<std::size_t>(x)];
            uint16_t* dst = out.row(y);
            for (int x = 0; x < w; ++x) {
                const int xa = std::max(x - radius, 0), xb = std::min(x + radius, w - 1);
                dst[x] = static_cast<uint16_t>(sum / (int64_t{xb - xa + 1} * rows));
                if (x + radius + 1 < w) sum += column[static_cast<std::size_t>(x + radius + 1)];
                if (x - radius >= 0) sum -= column[static_cast<std::size_t>(x - radius)];
            }
        }
    });
}

bool GenerateBackground(ConstPlaneView source, const GeneratorParams& params, Plane& out) {
    const int W = source.width(), H = source.height();
    const std::size_t n = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    if (W < 1 || H < 1 || !out.Allocate(n)) return false;
    if (W < 5 || H < 5) {
        std::memcpy(out.data(), source.data(), n * sizeof(uint16_t));
        return true;
    }
    const int w = W / 2, h = H / 2;
    const std::size_t half = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    Plane a, b;
    if (!a.Allocate(half) || !b.Allocate(half)) return false;
    PlaneView pa = a.view(w, h), pb = b.view(w, h);
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* s0 = source.row(2 * y);
            const uint16_t* s1 = source.row(2 * y + 1);
            uint16_t* dst = pa.row(y);
            for (int x = 0; x < w; ++x) {
                dst[x] = static_cast<uint16_t>(
                    (s0[2 * x] + s0[2 * x + 1] + s1[2 * x] + s1[2 * x + 1]) / 4);
            }
        }
    });
    const int area = std::clamp(params.detect_area, 8, 256);
    const int radius = std::clamp(params.average_area, 2, 16) / 2;
    DetectBackground(pa, area, params.threshold, pb);
    TrimmedSmooth(pb, pa);
    BoxAverage(pa, radius, pb);

    PlaneView full = out.view(W, H);
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint16_t* r0 = pb.row(y);
            const uint16_t* r1 = pb.row(std::min(y + 1, h - 1));
            uint16_t* d0 = full.row(2 * y);
            uint16_t* d1 = full.row(2 * y + 1);
            const bool last_row = y == h - 1;
            for (int x = 0; x < w; ++x) {
                const int v = r0[x];
                const bool last_col = x == w - 1;
                const int right = last_col ? v : (v + r0[x + 1]) / 2;
                const int below = last_row ? v : (v + r1[x]) / 2;
                const int diag = last_row || last_col ? v : (v + r1[x + 1]) / 2;
                d0[2 * x] = static_cast<uint16_t>(v);
                d0[2 * x + 1] = static_cast<uint16_t>(right);
                d1[2 * x] = static_cast<uint16_t>(below);
                d1[2 * x + 1] = static_cast<uint16_t>(diag);
            }
            if (W % 2 == 1) {
                d0[W - 1] = d0[W - 2];
                d1[W - 1] = d1[W - 2];
            }
        }
    });
    if (H % 2 == 1) std::memcpy(full.row(H - 1), full.row(H - 2), static_cast<std::size_t>(W) * 2);
    return true;
}

}  // namespace orva
