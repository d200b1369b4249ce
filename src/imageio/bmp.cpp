// Windows bitmaps: reading of 1, 4, 8 (plain and run-length), 24 and 32-bit files with the
// 12-byte core header or any longer info header; writing of plain 24-bit files.
//
// Every size, offset and length in the header is checked against the file before the planes
// are allocated, so a damaged or hostile file costs no memory and never writes outside the
// planes. Rows are stored bottom row first, the order of an ordinary (bottom-up) bitmap; a
// top-down bitmap (negative height) is turned the right way up.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"

namespace orva {

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;

// Palette colours already scaled to 16 bits. Entries a file does not hold stay black.
struct Palette {
    std::array<uint16_t, 256> r{}, g{}, b{};
};

struct BmpLayout {
    int width = 0;
    int height = 0;
    bool top_down = false;
    int bits = 0;
    uint32_t compression = 0;
    uint64_t pixel_offset = 0;
    Palette palette;
};

uint64_t RowBytes(int bits, int width) {
    const auto w = static_cast<uint64_t>(width);
    switch (bits) {
        case 1: return (w + 7) / 8;
        case 4: return (w + 1) / 2;
        case 8: return w;
        case 24: return 3 * w;
        default: return 4 * w;
    }
}

uint64_t PaddedRowBytes(int bits, int width) {
    return (RowBytes(bits, width) + 3) / 4 * 4;
}

// Reads and checks everything in front of the pixel data.
IoResult ReadLayout(std::span<const uint8_t> file, uint64_t max_pixels, BmpLayout& lay) {
    const uint8_t* d = file.data();
    const uint64_t size = file.size();
    if (size < 2 || d[0] != 'B' || d[1] != 'M')
        return Fail(IoStatus::NotThisFormat, "not a BMP file");
    if (size < kFileHeaderSize + 4)
        return Fail(IoStatus::Damaged, "header runs past the end of the file");
    const uint32_t header_size = Le32(d + 14);
    const bool core = header_size == kCoreHeaderSize;
    // The long headers all begin with width, height, planes and bit count (16 bytes).
    if (!core && header_size < 16) return Fail(IoStatus::Damaged, "unknown info header size");
    if (kFileHeaderSize + header_size > size)
        return Fail(IoStatus::Damaged, "header runs past the end of the file");

    int64_t width, height;
    uint32_t colours_used = 0;
    if (core) {
        width = Le16(d + 18);
        height = Le16(d + 20);
        lay.bits = Le16(d + 24);
        lay.compression = 0;
    } else {
        width = static_cast<int32_t>(Le32(d + 18));
        height = static_cast<int32_t>(Le32(d + 22));
        lay.bits = Le16(d + 28);
        lay.compression = header_size >= 20 ? Le32(d + 30) : 0;
        if (header_size >= 36) colours_used = Le32(d + 46);
    }
    lay.top_down = height < 0;
    if (height < 0) height = -height;
    if (IoResult r = CheckImageSize(width, height, max_pixels); !r.ok()) return r;
    lay.width = static_cast<int>(width);
    lay.height = static_cast<int>(height);

    if (lay.bits == 16) return Fail(IoStatus::Unsupported, "16-bit BMP files are not supported");
    if (lay.bits != 1 && lay.bits != 4 && lay.bits != 8 && lay.bits != 24 && lay.bits != 32)
        return Fail(IoStatus::Unsupported, "BMP bit count is not 1, 4, 8, 24 or 32");
    if (lay.compression == kBiJpeg || lay.compression == kBiPng)
        return Fail(IoStatus::Unsupported, "BMP files holding JPEG or PNG data are not supported");
    // Where the headers (and the colour masks after a 40-byte header) end.
    uint64_t headers_end = kFileHeaderSize + header_size;
    if (lay.bits == 32 &&
        (lay.compression == kBiBitfields || lay.compression == kBiAlphaBitfields) &&
        header_size >= 40) {
        // The masks follow a 40-byte header and sit at the same place inside longer ones.
        constexpr uint64_t kMasks = kFileHeaderSize + 40;
        headers_end = std::max(headers_end, kMasks + 12);
        if (kMasks + 12 > size)
            return Fail(IoStatus::Damaged, "colour masks run past the end of the file");
        if (Le32(d + kMasks) != 0x00FF0000 || Le32(d + kMasks + 4) != 0x0000FF00 ||
            Le32(d + kMasks + 8) != 0x000000FF)
            return Fail(IoStatus::Unsupported,
                        "32-bit BMP colour masks other than BGRA are not supported");
    }

    lay.pixel_offset = Le32(d + 10);
    if (lay.pixel_offset > size)
        return Fail(IoStatus::Damaged, "pixel data offset outside the file");
    // Pixels read from inside the headers would be made up of header bytes.
    if (lay.pixel_offset < headers_end)
        return Fail(IoStatus::Damaged, "pixel data offset points inside the header");

    if (lay.bits <= 8) {
        // Always 2, 16 or 256 entries, whatever the header says it uses; the pixels are found
        // through the pixel data offset. Only the used entries must be in the file: a small
        // file with a short palette may end before the full table would.
        const uint32_t count = 1u << lay.bits;
        const uint64_t start = kFileHeaderSize + header_size;
        // Core headers normally carry 3-byte entries; a few writers use 4 bytes there, which
        // shows in the gap up to the pixels.
        uint64_t entry = core ? 3 : 4;
        if (core && lay.pixel_offset == start + 4 * uint64_t{count}) entry = 4;
        const uint32_t used = colours_used > 0 && colours_used <= count ? colours_used : count;
        if (start + used * entry > size)
            return Fail(IoStatus::Damaged, "palette runs past the end of the file");
        if (lay.pixel_offset < start + used * entry)
            return Fail(IoStatus::Damaged, "pixel data offset points inside the palette");
        for (uint32_t i = 0; i < count && start + (i + 1) * entry <= size; ++i) {
            const uint8_t* e = d + start + i * entry;
            lay.palette.b[i] = static_cast<uint16_t>(e[0] << 8);
            lay.palette.g[i] = static_cast<uint16_t>(e[1] << 8);
            lay.palette.r[i] = static_cast<uint16_t>(e[2] << 8);
        }
    }
    return IoResult::Ok();
}

bool IsRunLength(const BmpLayout& lay) {
    return (lay.bits == 4 || lay.bits == 8) && lay.compression != 0;
}

// One file row into one plane row.
void DecodeRow(const BmpLayout& lay, const uint8_t* src, uint16_t* r, uint16_t* g, uint16_t* b) {
    const int w = lay.width;
    const Palette& pal = lay.palette;
    switch (lay.bits) {
        case 1:
            for (int x = 0; x < w; ++x) {
                const int i = (src[x >> 3] >> (7 - (x & 7))) & 1;
                r[x] = pal.r[i];
                g[x] = pal.g[i];
                b[x] = pal.b[i];
            }
            break;
        case 4:
            for (int x = 0; x < w; ++x) {
                const int i = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                r[x] = pal.r[i];
                g[x] = pal.g[i];
                b[x] = pal.b[i];
            }
            break;
        case 8:
            for (int x = 0; x < w; ++x) {
                const uint8_t i = src[x];
                r[x] = pal.r[i];
                g[x] = pal.g[i];
                b[x] = pal.b[i];
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x, src += 3) {
                b[x] = static_cast<uint16_t>(src[0] << 8);
                g[x] = static_cast<uint16_t>(src[1] << 8);
                r[x] = static_cast<uint16_t>(src[2] << 8);
            }
            break;
        default:  // 32: blue, green, red and an unused fourth byte
            for (int x = 0; x < w; ++x, src += 4) {
                b[x] = static_cast<uint16_t>(src[0] << 8);
                g[x] = static_cast<uint16_t>(src[1] << 8);
                r[x] = static_cast<uint16_t>(src[2] << 8);
            }
            break;
    }
}

// Where run-length pixels go. Positions count over the padded file row (the row's bytes
// rounded up to four): common writers encode the pad as pixels before the end of line, and
// those are dropped. A run past the padded row carries on into the next row; the position
// stays at the row end until the next pixel arrives, so that an end of line right after a
// full row does not skip a row.
class RleCursor {
public:
    RleCursor(DecodedImage& img, const Palette& pal, int bits)
        : r_(img.red.data()),
          g_(img.green.data()),
          b_(img.blue.data()),
          pal_(pal),
          w_(img.width),
          h_(img.height),
          row_(static_cast<int64_t>(PaddedRowBytes(bits, img.width)) * (8 / bits)) {}

    bool full() const { return y_ >= h_; }
    // Every row reached: the planes are full, or the last row has all its pixels.
    bool complete() const { return y_ >= h_ || (y_ == h_ - 1 && x_ >= w_); }

    // False once the planes are full.
    bool Put(uint8_t index) {
        if (x_ >= row_) {
            x_ = 0;
            ++y_;
        }
        if (y_ >= h_) return false;
        if (x_ < w_) {
            const auto i = static_cast<std::size_t>(y_ * w_ + x_);
            r_[i] = pal_.r[index];
            g_[i] = pal_.g[index];
            b_[i] = pal_.b[index];
        }
        ++x_;
        return true;
    }
    void EndOfLine() {
        x_ = 0;
        ++y_;
    }
    void Delta(int dx, int dy) {
        x_ += dx;
        y_ += dy;
        if (x_ > row_) {
            y_ += x_ / row_;
            x_ %= row_;
        }
    }

private:
    uint16_t* r_;
    uint16_t* g_;
    uint16_t* b_;
    const Palette& pal_;
    int64_t w_, h_, row_;
    int64_t x_ = 0, y_ = 0;
};

// Decodes RLE8 (bits 8) or RLE4 (bits 4). False when the data ends (without the
// end-of-bitmap escape) before every row is decoded. Several writers leave that escape out
// after the last row, which is fine; stopping short of it means the rest was lost.
bool DecodeRunLength(std::span<const uint8_t> data, int bits, RleCursor& cur) {
    const uint8_t* d = data.data();
    const std::size_t n = data.size();
    std::size_t p = 0;
    while (p + 2 <= n && !cur.full()) {
        const unsigned count = d[p];
        const uint8_t value = d[p + 1];
        p += 2;
        if (count > 0) {
            if (bits == 8) {
                for (unsigned k = 0; k < count; ++k)
                    if (!cur.Put(value)) return true;
            } else {
                const uint8_t pair[2] = {static_cast<uint8_t>(value >> 4),
                                         static_cast<uint8_t>(value & 15)};
                for (unsigned k = 0; k < count; ++k)
                    if (!cur.Put(pair[k & 1])) return true;
            }
        } else if (value == 0) {
            cur.EndOfLine();
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (p + 2 > n) return cur.complete();
            cur.Delta(d[p], d[p + 1]);
            p += 2;
        } else {
            // Absolute run of `value` pixels, padded to an even number of bytes.
            const std::size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            const std::size_t have = std::min(bytes, n - p);
            for (unsigned k = 0; k < value; ++k) {
                const std::size_t at = bits == 8 ? k : k / 2;
                if (at >= have) return cur.complete();
                const uint8_t v =
                    bits == 8 ? d[p + at] : ((k & 1) ? d[p + at] & 15 : d[p + at] >> 4);
                if (!cur.Put(v)) return true;
            }
            p += bytes + (bytes & 1);
        }
    }
    return cur.complete();
}

// Sets every sample: a few by hand, the rest by doubling copies.
void FillPlane(Plane& plane, uint16_t value) {
    uint16_t* d = plane.data();
    const std::size_t n = plane.size();
    std::size_t done = std::min<std::size_t>(n, 64);
    std::fill_n(d, done, value);
    while (done < n) {
        const std::size_t take = std::min(done, n - done);
        std::memcpy(d + done, d, take * sizeof(uint16_t));
        done += take;
    }
}

void FlipRows(DecodedImage& img) {
    for (Plane* plane : {&img.red, &img.green, &img.blue}) {
        const PlaneView v = plane->view(img.width, img.height);
        for (int top = 0, bottom = img.height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(v.row(top), v.row(top + 1), v.row(bottom));
    }
}

}  // namespace

IoResult DecodeBmp(std::span<const uint8_t> file, DecodedImage& out) {
    BmpLayout lay;
    if (IoResult r = ReadLayout(file, out.max_pixels, lay); !r.ok()) return r;

    const uint8_t* pixels = file.data() + lay.pixel_offset;
    const uint64_t available = file.size() - lay.pixel_offset;
    if (!IsRunLength(lay)) {
        // The last row's padding may be missing.
        const uint64_t stride = PaddedRowBytes(lay.bits, lay.width);
        const uint64_t need =
            stride * static_cast<uint64_t>(lay.height - 1) + RowBytes(lay.bits, lay.width);
        if (need > available)
            return Fail(IoStatus::Damaged, "pixel data runs past the end of the file");
        if (StopAtHeader(out, lay.width, lay.height)) return IoResult::Ok();
        if (IoResult r = AllocateImage(out, lay.width, lay.height); !r.ok()) return r;
        const int h = lay.height;
        const PlaneView red = out.red.view(lay.width, h), green = out.green.view(lay.width, h),
                        blue = out.blue.view(lay.width, h);
        ForEachRowBand(h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const int file_row = lay.top_down ? h - 1 - y : y;
                DecodeRow(lay, pixels + stride * static_cast<uint64_t>(file_row), red.row(y),
                          green.row(y), blue.row(y));
            }
        });
        return IoResult::Ok();
    }

    // Run-length data packs at best 255 pixels into two bytes; a file too short to hold the
    // picture that way is refused before the planes are taken.
    const uint64_t area = static_cast<uint64_t>(lay.width) * static_cast<uint64_t>(lay.height);
    if (area > (available / 2 + 1) * 255)
        return Fail(IoStatus::Damaged, "file too short for the image size");
    if (StopAtHeader(out, lay.width, lay.height)) return IoResult::Ok();
    if (IoResult r = AllocateImage(out, lay.width, lay.height); !r.ok()) return r;
    // Pixels the stream never reaches (skipped by deltas or line ends, or after an early end)
    // show palette entry 0, the usual background of such files.
    FillPlane(out.red, lay.palette.r[0]);
    FillPlane(out.green, lay.palette.g[0]);
    FillPlane(out.blue, lay.palette.b[0]);
    RleCursor cursor(out, lay.palette, lay.bits);
    if (!DecodeRunLength({pixels, static_cast<std::size_t>(available)}, lay.bits, cursor)) {
        Abandon(out);
        return Fail(IoStatus::Damaged, "run-length data ends before the last row");
    }
    if (lay.top_down) FlipRows(out);
    return IoResult::Ok();
}

IoResult WriteBmp(const std::string& path, const ImageRecord& rec) {
    const std::size_t pixels = rec.pixels();
    if (pixels == 0 || rec.red.size() < pixels || rec.green.size() < pixels ||
        rec.blue.size() < pixels)
        return Fail(IoStatus::Unsupported, "no image to write");
    const auto w = static_cast<std::size_t>(rec.width);
    const std::size_t stride = (3 * w + 3) / 4 * 4;
    const uint64_t image_size = uint64_t{stride} * static_cast<uint64_t>(rec.height);
    if (54 + image_size > UINT32_MAX)
        return Fail(IoStatus::TooLarge, "image too large for a BMP file");

    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    uint8_t header[54] = {'B', 'M'};
    PutLe32(header + 2, static_cast<uint32_t>(54 + image_size));
    PutLe32(header + 10, 54);
    PutLe32(header + 14, 40);
    PutLe32(header + 18, static_cast<uint32_t>(rec.width));
    PutLe32(header + 22, static_cast<uint32_t>(rec.height));
    PutLe16(header + 26, 1);
    PutLe16(header + 28, 24);
    PutLe32(header + 34, static_cast<uint32_t>(image_size));
    PutLe32(header + 38, 128);
    PutLe32(header + 42, 128);
    sink.Write(header, sizeof header);

    // Rows are formatted in blocks of a few MiB, the bands of a block in parallel. Two blocks
    // take turns, so that one is written out while the next is formatted.
    const int block_rows =
        static_cast<int>(std::max<std::size_t>(1, (std::size_t{4} << 20) / stride));
    const int blocks = (rec.height + block_rows - 1) / block_rows;
    const std::size_t block_bytes =
        std::min<std::size_t>(block_rows, static_cast<std::size_t>(rec.height)) * stride;
    std::vector<uint8_t> buffer[2] = {std::vector<uint8_t>(block_bytes),
                                      std::vector<uint8_t>(block_bytes)};
    const uint16_t* red = rec.red.data();
    const uint16_t* green = rec.green.data();
    const uint16_t* blue = rec.blue.data();
    auto rows_of = [&](int block) { return std::min(block_rows, rec.height - block * block_rows); };
    auto format = [&](int block, int band, int count) {
        const int rows = rows_of(block);
        for (int y = BandStart(rows, band, count); y < BandStart(rows, band + 1, count); ++y) {
            uint8_t* o = buffer[block & 1].data() + static_cast<std::size_t>(y) * stride;
            const std::size_t at = static_cast<std::size_t>(block * block_rows + y) * w;
            for (std::size_t x = 0; x < w; ++x, o += 3) {
                o[0] = static_cast<uint8_t>(blue[at + x] >> 8);
                o[1] = static_cast<uint8_t>(green[at + x] >> 8);
                o[2] = static_cast<uint8_t>(red[at + x] >> 8);
            }
            for (std::size_t k = 3 * w; k < stride; ++k) *o++ = 0;
        }
    };
    // Step i formats block i and writes block i - 1.
    for (int block = 0; block <= blocks; ++block) {
        const bool formats = block < blocks;
        const bool writes = block > 0;
        const int count = formats ? RowBandCount(rows_of(block)) : 0;
        RunBands(count + (writes ? 1 : 0), [&](int task) {
            if (writes && task == 0) {
                sink.Write(buffer[(block - 1) & 1].data(),
                           static_cast<std::size_t>(rows_of(block - 1)) * stride);
            } else {
                format(block, task - (writes ? 1 : 0), count);
            }
        });
    }
    return sink.Commit();
}

}  // namespace orva
