// TIFF reading. Uncompressed chunky RGB files with 8 or 16 bits per sample whose strips
// follow one another (what this program and most astronomy tools write) are read straight
// from the file bytes here; every other TIFF goes through libtiff (tiff_libtiff.cpp). Alpha
// and other extra samples are ignored; the orientation tag is not applied (the rows are
// taken in file order, as most readers do). Every size, offset and length is checked
// against the file before memory is taken.
#include <algorithm>
#include <cstring>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"
#include "imageio/tiff_internal.h"

namespace orva {

namespace {

using namespace tiff;

// Our own reader: the first directory of a classic TIFF, read far enough to tell whether the
// file is plain chunky RGB in one run of strips.

class FileView {
public:
    FileView(std::span<const uint8_t> file, bool big_endian)
        : d_(file.data()), size_(file.size()), big_(big_endian) {}
    uint64_t size() const { return size_; }
    bool big() const { return big_; }
    const uint8_t* at(uint64_t offset) const { return d_ + offset; }
    uint16_t U16(uint64_t offset) const { return big_ ? Be16(d_ + offset) : Le16(d_ + offset); }
    uint32_t U32(uint64_t offset) const { return big_ ? Be32(d_ + offset) : Le32(d_ + offset); }
    bool Holds(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

private:
    const uint8_t* d_;
    uint64_t size_;
    bool big_;
};

struct Entry {
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t field = 0;  // file offset of the 4-byte value field
    bool present = false;
};

uint32_t TypeSize(uint16_t type) {
    return type == kTypeByte ? 1 : type == kTypeShort ? 2 : type == kTypeLong ? 4 : 0;
}

// Where an entry's values lie: in the value field when they fit in its 4 bytes, else at the
// offset it holds. False when they do not lie wholly inside the file.
bool ValuesAt(const FileView& f, const Entry& e, uint64_t& at) {
    const uint64_t bytes = uint64_t{TypeSize(e.type)} * e.count;
    at = bytes <= 4 ? e.field : f.U32(e.field);
    return f.Holds(at, bytes);
}

uint32_t ValueAt(const FileView& f, uint16_t type, uint64_t at, uint64_t index) {
    switch (type) {
        case kTypeByte: return *f.at(at + index);
        case kTypeShort: return f.U16(at + 2 * index);
        default: return f.U32(at + 4 * index);
    }
}

// A single number of type BYTE, SHORT or LONG. False for anything else, which the fast path
// leaves to libtiff.
bool Scalar(const FileView& f, const Entry& e, uint32_t& value) {
    if (e.count != 1 || TypeSize(e.type) == 0) return false;
    value = ValueAt(f, e.type, e.field, 0);
    return true;
}

struct DirectoryEntries {
    Entry width, height, bits, compression, photometric, fill_order, strips, samples,
        rows_per_strip, planar, sample_format;
    bool tiled = false;
};

// A plain RGB file ready for the fast path.
struct PlainRgb {
    uint32_t width = 0, height = 0;
    int bytes = 1;        // per sample: 1 or 2
    uint64_t pixels = 0;  // offset of the top row
};

enum class Route { Own, Library };

// Reads the first directory. Sets `route` to Library for files the fast path does not read;
// fails only for a directory that lies outside the file or a plain RGB file that is damaged.
IoResult ReadPlainLayout(const FileView& f, uint64_t max_pixels, Route& route, PlainRgb& plain) {
    route = Route::Library;
    const uint64_t ifd = f.U32(4);
    if (ifd < 8 || !f.Holds(ifd, 2))
        return Fail(IoStatus::Damaged, "first directory lies outside the file");
    const uint32_t count = f.U16(ifd);
    if (count == 0) return Fail(IoStatus::Damaged, "first directory is empty");
    if (!f.Holds(ifd + 2, uint64_t{12} * count))
        return Fail(IoStatus::Damaged, "directory runs past the end of the file");

    DirectoryEntries d;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = ifd + 2 + uint64_t{12} * i;
        const uint16_t tag = f.U16(at);
        Entry* slot = nullptr;
        switch (tag) {
            case kImageWidth: slot = &d.width; break;
            case kImageLength: slot = &d.height; break;
            case kBitsPerSample: slot = &d.bits; break;
            case kCompression: slot = &d.compression; break;
            case kPhotometric: slot = &d.photometric; break;
            case kFillOrder: slot = &d.fill_order; break;
            case kStripOffsets: slot = &d.strips; break;
            case kSamplesPerPixel: slot = &d.samples; break;
            case kRowsPerStrip: slot = &d.rows_per_strip; break;
            case kPlanarConfig: slot = &d.planar; break;
            case kSampleFormat: slot = &d.sample_format; break;
            default:
                if (tag >= kTileWidth && tag <= kTileOffsets + 1) d.tiled = true;
                break;
        }
        if (slot == nullptr || slot->present) continue;  // a repeated tag: the first counts
        slot->type = f.U16(at + 2);
        slot->count = f.U32(at + 4);
        slot->field = at + 8;
        slot->present = true;
    }

    // Everything that is not plain chunky RGB goes to libtiff, which reads it correctly.
    uint32_t compression = 1, photometric = 0, samples = 1, planar = 1, format = 1, fill = 1;
    if (d.tiled || !d.photometric.present || !d.strips.present || !d.width.present ||
        !d.height.present || !d.bits.present)
        return IoResult::Ok();
    if (!Scalar(f, d.photometric, photometric) || photometric != 2) return IoResult::Ok();
    if (d.compression.present && (!Scalar(f, d.compression, compression) || compression != 1))
        return IoResult::Ok();
    if (d.samples.present && !Scalar(f, d.samples, samples)) return IoResult::Ok();
    if (d.planar.present && !Scalar(f, d.planar, planar)) return IoResult::Ok();
    if (d.sample_format.present && !Scalar(f, d.sample_format, format)) return IoResult::Ok();
    // Fill order 2 (bits reversed within each byte) is rare enough to leave to libtiff.
    if (d.fill_order.present && !Scalar(f, d.fill_order, fill)) return IoResult::Ok();
    if (samples != 3 || planar != 1 || format != 1 || fill != 1) return IoResult::Ok();
    uint32_t width = 0, height = 0, rows_per_strip = UINT32_MAX;
    if (!Scalar(f, d.width, width) || !Scalar(f, d.height, height)) return IoResult::Ok();
    if (d.rows_per_strip.present && !Scalar(f, d.rows_per_strip, rows_per_strip))
        return IoResult::Ok();
    if (d.bits.type != kTypeShort || (d.bits.count != 1 && d.bits.count != 3))
        return IoResult::Ok();
    if (d.strips.type != kTypeShort && d.strips.type != kTypeLong) return IoResult::Ok();

    if (IoResult r = CheckImageSize(width, height, max_pixels); !r.ok()) return r;
    uint64_t bits_at = 0;
    if (!ValuesAt(f, d.bits, bits_at))
        return Fail(IoStatus::Damaged, "bits-per-sample table lies outside the file");
    const uint32_t bits = ValueAt(f, kTypeShort, bits_at, 0);
    for (uint32_t i = 1; i < d.bits.count; ++i)
        if (ValueAt(f, kTypeShort, bits_at, i) != bits) return IoResult::Ok();
    if (bits != 8 && bits != 16) return IoResult::Ok();

    // The strips must follow one another without gaps; any other order is libtiff's.
    const uint64_t row_bytes = uint64_t{width} * 3 * (bits / 8);
    const uint64_t rows = std::min<uint64_t>(rows_per_strip == 0 ? height : rows_per_strip, height);
    const uint64_t strip_count = (height + rows - 1) / rows;
    if (d.strips.count != strip_count && d.strips.count != 1) return IoResult::Ok();
    if (d.strips.count == 1 && strip_count != 1) return IoResult::Ok();
    uint64_t offsets_at = 0;
    if (!ValuesAt(f, d.strips, offsets_at))
        return Fail(IoStatus::Damaged, "strip offset table lies outside the file");
    const uint64_t first = ValueAt(f, d.strips.type, offsets_at, 0);
    for (uint64_t i = 1; i < d.strips.count; ++i)
        if (ValueAt(f, d.strips.type, offsets_at, i) != first + i * rows * row_bytes)
            return IoResult::Ok();
    if (!f.Holds(first, row_bytes * height))
        return Fail(IoStatus::Damaged, "pixel data runs past the end of the file");

    plain.width = width;
    plain.height = height;
    plain.bytes = static_cast<int>(bits / 8);
    plain.pixels = first;
    route = Route::Own;
    return IoResult::Ok();
}

IoResult DecodePlainRgb(const FileView& f, const PlainRgb& p, DecodedImage& out) {
    if (StopAtHeader(out, p.width, p.height)) return IoResult::Ok();
    if (IoResult r = AllocateImage(out, p.width, p.height); !r.ok()) return r;
    const auto w = static_cast<std::size_t>(p.width);
    const std::size_t row_bytes = w * 3 * static_cast<std::size_t>(p.bytes);
    const int h = static_cast<int>(p.height);
    const uint8_t* pixels = f.at(p.pixels);
    const bool big = f.big();
    const PlaneView red = out.red.view(out.width, h), green = out.green.view(out.width, h),
                    blue = out.blue.view(out.width, h);
    ForEachRowBand(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            // File rows run from the top of the picture; memory rows from the bottom.
            const uint8_t* s = pixels + static_cast<std::size_t>(y) * row_bytes;
            uint16_t* r = red.row_from_top(y);
            uint16_t* g = green.row_from_top(y);
            uint16_t* b = blue.row_from_top(y);
            if (p.bytes == 1) {
                for (std::size_t x = 0; x < w; ++x, s += 3) {
                    r[x] = static_cast<uint16_t>(s[0] << 8);
                    g[x] = static_cast<uint16_t>(s[1] << 8);
                    b[x] = static_cast<uint16_t>(s[2] << 8);
                }
            } else if (big) {
                for (std::size_t x = 0; x < w; ++x, s += 6) {
                    r[x] = Be16(s);
                    g[x] = Be16(s + 2);
                    b[x] = Be16(s + 4);
                }
            } else {
                for (std::size_t x = 0; x < w; ++x, s += 6) {
                    r[x] = Le16(s);
                    g[x] = Le16(s + 2);
                    b[x] = Le16(s + 4);
                }
            }
        }
    });
    return IoResult::Ok();
}

}  // namespace

IoResult DecodeTiff(std::span<const uint8_t> file, DecodedImage& out) {
    if (file.size() < 2 ||
        !((file[0] == 'I' && file[1] == 'I') || (file[0] == 'M' && file[1] == 'M')))
        return Fail(IoStatus::NotThisFormat, "not a TIFF file");
    if (file.size() < 8) return Fail(IoStatus::Damaged, "header runs past the end of the file");
    const FileView view(file, file[0] == 'M');
    if (view.U16(2) != 42) return tiff::DecodeWithLibTiff(file, out);  // BigTIFF, or not a TIFF
    Route route = Route::Library;
    PlainRgb plain;
    if (IoResult r = ReadPlainLayout(view, out.max_pixels, route, plain); !r.ok()) return r;
    if (route == Route::Own) return DecodePlainRgb(view, plain, out);
    return tiff::DecodeWithLibTiff(file, out);
}

}  // namespace orva
