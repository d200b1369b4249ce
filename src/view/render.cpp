#include "view/render.h"

#include <algorithm>
#include <cstring>

#include "common/parallel.h"

namespace orva {

namespace {

int SafeZoom(int zoom) {
    return zoom > 0 ? zoom : 100;
}

struct Planes {
    const uint16_t* r;
    const uint16_t* g;
    const uint16_t* b;
};

Planes DisplayPlanes(const ImageRecord& rec) {
    const uint16_t* red = rec.red.data();
    if (rec.single_plane == 1 || rec.green.empty() || rec.blue.empty()) return {red, red, red};
    return {red, rec.green.data(), rec.blue.data()};
}

void WhiteRow(uint8_t* out, int width) {
    std::memset(out, 255, static_cast<std::size_t>(width) * 3);
}

// Screen levels of blue, green and red samples: the high byte, or a stretch table's level.
struct HighByte {
    uint8_t b(uint32_t v) const { return static_cast<uint8_t>(v >> 8); }
    uint8_t g(uint32_t v) const { return static_cast<uint8_t>(v >> 8); }
    uint8_t r(uint32_t v) const { return static_cast<uint8_t>(v >> 8); }
};
struct Stretched {
    const uint8_t *rt, *gt, *bt;
    uint8_t b(uint32_t v) const { return bt[v]; }
    uint8_t g(uint32_t v) const { return gt[v]; }
    uint8_t r(uint32_t v) const { return rt[v]; }
};

template <typename Level>
void Rows(const ImageRecord& rec, int display_width, int first_row, int rows, uint8_t* out,
          std::size_t stride, RenderScratch& scratch, const Level& level);

}  // namespace

DisplaySize ComputeDisplaySize(const ImageRecord& rec, int client_width, int client_height) {
    const int zoom = SafeZoom(rec.zoom);
    const int cw = std::max(client_width, 0), ch = std::max(client_height, 0);
    if (zoom >= 100) {
        return {std::min(cw * 100 / zoom, rec.width), std::min(ch * 100 / zoom, rec.height)};
    }
    return {std::min(cw, rec.width * zoom / 100), std::min(ch, rec.height * zoom / 100)};
}

int BandHeight(int display_width) {
    return std::max(1, 2 * (8192 / (std::max(display_width, 0) + 4)));
}

std::size_t BandStride(int display_width) {
    return (static_cast<std::size_t>(std::max(display_width, 0)) * 3 + 3) & ~std::size_t{3};
}

void RenderRows(const ImageRecord& rec, int display_width, int first_row, int rows, uint8_t* out,
                std::size_t stride, RenderScratch& scratch) {
    const StretchTable& t = scratch.stretch;
    if (t[0].size() == 65536 && t[1].size() == 65536 && t[2].size() == 65536) {
        Rows(rec, display_width, first_row, rows, out, stride, scratch,
             Stretched{t[0].data(), t[1].data(), t[2].data()});
    } else {
        Rows(rec, display_width, first_row, rows, out, stride, scratch, HighByte{});
    }
}

namespace {

template <typename Level>
void Rows(const ImageRecord& rec, int display_width, int first_row, int rows, uint8_t* out,
          std::size_t stride, RenderScratch& scratch, const Level& level) {
    const int zoom = SafeZoom(rec.zoom);
    const int w = rec.width, h = rec.height;
    const Planes p = DisplayPlanes(rec);
    auto& cols = scratch.columns;
    cols.resize(static_cast<std::size_t>(display_width) * 2);

    if (zoom >= 100) {
        // One image pixel per band pixel; columns outside the picture are white.
        const int c0 = std::clamp(-rec.scroll_x, 0, display_width);
        const int c1 = std::clamp(w - rec.scroll_x, c0, display_width);
        for (int i = 0; i < rows; ++i) {
            uint8_t* o = out + static_cast<std::size_t>(i) * stride;
            const int y = h - 1 - rec.scroll_y - (first_row + i);
            if (y < 0 || y >= h) {
                WhiteRow(o, display_width);
                continue;
            }
            const std::size_t base = static_cast<std::size_t>(y) * w + rec.scroll_x;
            WhiteRow(o, c0);
            for (int c = c0; c < c1; ++c) {
                const std::size_t k = base + static_cast<std::size_t>(c);
                o[3 * c] = level.b(p.b[k]);
                o[3 * c + 1] = level.g(p.g[k]);
                o[3 * c + 2] = level.r(p.r[k]);
            }
            WhiteRow(o + 3 * c1, display_width - c1);
        }
        return;
    }

    // Subsampling: each screen pixel averages the sample at the source position, its right
    // neighbour and the two samples of the picture row above; at the right and top edges the
    // neighbour repeats the edge sample. -1 marks a column outside the picture.
    for (int c = 0; c < display_width; ++c) {
        const int x = c * 100 / zoom + rec.scroll_x;
        const int x2 = x + 1 >= w ? x : x + 1;
        const bool inside = x >= 0 && x2 >= 0 && x < w;
        cols[2 * static_cast<std::size_t>(c)] = inside ? x : -1;
        cols[2 * static_cast<std::size_t>(c) + 1] = x2;
    }
    for (int i = 0; i < rows; ++i) {
        uint8_t* o = out + static_cast<std::size_t>(i) * stride;
        const int s = (first_row + i) * 100 / zoom;
        const int y = h - 1 - rec.scroll_y - s;
        const int y2 = y + 1 >= h ? y : y + 1;
        if (y < 0 || y2 < 0 || y >= h) {
            WhiteRow(o, display_width);
            continue;
        }
        const std::size_t row1 = static_cast<std::size_t>(y) * w;
        const std::size_t row2 = static_cast<std::size_t>(y2) * w;
        for (int c = 0; c < display_width; ++c) {
            const int x = cols[2 * static_cast<std::size_t>(c)];
            if (x < 0) {
                o[3 * c] = o[3 * c + 1] = o[3 * c + 2] = 255;
                continue;
            }
            const int x2 = cols[2 * static_cast<std::size_t>(c) + 1];
            const std::size_t a = row1 + x, b = row1 + x2, d = row2 + x, e = row2 + x2;
            const auto avg = [&](const uint16_t* q) {
                return (uint32_t{q[a]} + q[b] + q[d] + q[e]) >> 2;
            };
            o[3 * c] = level.b(avg(p.b));
            o[3 * c + 1] = level.g(avg(p.g));
            o[3 * c + 2] = level.r(avg(p.r));
        }
    }
}

}  // namespace

bool RenderImage(const ImageRecord& rec, int client_width, int client_height,
                 RenderScratch& scratch, const std::function<void(const Band&)>& sink) {
    if (!rec.occupied() || rec.red.empty()) return false;
    const int zoom = SafeZoom(rec.zoom);
    const DisplaySize size = ComputeDisplaySize(rec, client_width, client_height);
    if (size.width <= 0 || size.height <= 0) return false;
    const int band_height = BandHeight(size.width);
    const std::size_t stride = BandStride(size.width);
    // The band plus 16 bytes of slack; padding bytes at the row ends are 255.
    scratch.band.assign(stride * static_cast<std::size_t>(band_height) + 16, 255);

    for (int k = 0; static_cast<long long>(k) * band_height < size.height; ++k) {
        Band band;
        band.index = k;
        band.first_row = k * band_height;
        band.rows = std::min(band_height, size.height - band.first_row);
        band.width = size.width;
        band.data = scratch.band.data();
        band.stride = stride;
        RenderRows(rec, size.width, band.first_row, band.rows, scratch.band.data(), stride,
                   scratch);
        if (zoom > 100) {
            // Edges are computed from display rows so that consecutive bands meet exactly,
            // also for one-row bands at zooms that are not whole multiples.
            band.dest_y = static_cast<int>(static_cast<long long>(band.first_row) * zoom / 100);
            band.dest_height =
                static_cast<int>(static_cast<long long>(band.first_row + band.rows) * zoom / 100) -
                band.dest_y;
            band.dest_width = static_cast<int>(static_cast<long long>(size.width) * zoom / 100);
        } else {
            band.dest_y = band.first_row;
            band.dest_height = band.rows;
            band.dest_width = size.width;
        }
        sink(band);
    }
    return true;
}

void CopyBandToSurface(const Band& band, Surface& surface) {
    if (band.dest_width <= 0 || band.dest_height <= 0 || band.width <= 0 || band.rows <= 0) return;
    const int x0 = std::max(band.dest_x, 0);
    const int x1 = std::min(band.dest_x + band.dest_width, surface.width);
    const int y0 = std::max(band.dest_y, 0);
    const int y1 = std::min(band.dest_y + band.dest_height, surface.height);
    if (x0 >= x1 || y0 >= y1) return;
    const bool same_size = band.dest_width == band.width && band.dest_height == band.rows;
    for (int y = y0; y < y1; ++y) {
        const int sy = same_size ? y - band.dest_y
                                 : static_cast<int>(static_cast<long long>(y - band.dest_y) *
                                                    band.rows / band.dest_height);
        const uint8_t* src = band.data + static_cast<std::size_t>(sy) * band.stride;
        uint32_t* dst = surface.pixels + static_cast<std::size_t>(y) * surface.stride;
        for (int x = x0; x < x1; ++x) {
            const int sx = same_size ? x - band.dest_x
                                     : static_cast<int>(static_cast<long long>(x - band.dest_x) *
                                                        band.width / band.dest_width);
            const uint8_t* q = src + 3 * sx;
            dst[x] = 0xff000000u | uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
        }
    }
}

void ComputeChannelStats(ImageRecord& rec) {
    if (!rec.occupied() || rec.red.empty()) {
        rec.max_level.fill(65535);
        rec.min_level.fill(0);
        rec.mean_level.fill(32768);
        return;
    }
    const Planes p = DisplayPlanes(rec);
    const uint16_t* planes[3] = {p.r, p.g, p.b};
    const int w = rec.width, h = rec.height;
    const int bands = RowBandCount(h);
    struct Partial {
        int max[3] = {0, 0, 0}, min[3] = {65535, 65535, 65535};
        long long mean_sum[3] = {0, 0, 0};
    };
    std::vector<Partial> partial(static_cast<std::size_t>(bands));
    RunBands(bands, [&](int band) {
        Partial& out = partial[static_cast<std::size_t>(band)];
        const int y0 = BandStart(h, band, bands), y1 = BandStart(h, band + 1, bands);
        for (int c = 0; c < 3; ++c) {
            int hi = 0, lo = 65535;
            long long sum = 0;
            for (int y = y0; y < y1; ++y) {
                const uint16_t* row = planes[c] + static_cast<std::size_t>(y) * w;
                long long row_sum = 0;
                uint16_t row_hi = 0, row_lo = 65535;
                // 32-bit partial sums over at most 65536 samples cannot overflow and let the
                // compiler vectorise the loop.
                for (int x0 = 0; x0 < w; x0 += 65536) {
                    const int x1 = std::min(w, x0 + 65536);
                    uint32_t part = 0;
                    for (int x = x0; x < x1; ++x) {
                        const uint16_t v = row[x];
                        part += v;
                        row_hi = std::max(row_hi, v);
                        row_lo = std::min(row_lo, v);
                    }
                    row_sum += part;
                }
                hi = std::max<int>(hi, row_hi);
                lo = std::min<int>(lo, row_lo);
                sum += row_sum / w;
            }
            out.max[c] = hi;
            out.min[c] = lo;
            out.mean_sum[c] = sum;
        }
    });
    for (int c = 0; c < 3; ++c) {
        int hi = 0, lo = 65535;
        long long sum = 0;
        for (const Partial& part : partial) {
            hi = std::max(hi, part.max[c]);
            lo = std::min(lo, part.min[c]);
            sum += part.mean_sum[c];
        }
        rec.max_level[static_cast<std::size_t>(c)] = hi;
        rec.min_level[static_cast<std::size_t>(c)] = lo;
        rec.mean_level[static_cast<std::size_t>(c)] = static_cast<int>(sum / h);
    }
}

}  // namespace orva
