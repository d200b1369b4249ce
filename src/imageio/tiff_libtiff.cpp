// TIFF reading through libtiff, from the bytes in memory:
// - grey (1 to 16 bits, black or white zero), palette and RGB files, compressed or not, in
//   strips or tiles, chunky or planar, are decoded block by block at their full precision:
//   16-bit samples stay 16-bit, 8-bit samples v become v * 256, palette colours are the
//   colour map's 16-bit values (an old-style 8-bit colour map is scaled like 8-bit samples);
// - grey and RGB files of 32 or 64-bit floating-point or 32-bit integer samples are read as
//   floating-point FITS data is: when every finite value lies within 0..1 (the usual scale
//   of such files) the values are scaled by 65535, otherwise every channel is stretched from
//   its own minimum to its own maximum; NaN and infinite values become 0 (stretch.h);
// - the kinds only libtiff knows how to turn into colour (CMYK, uncompressed YCbCr, CIE Lab,
//   old-style JPEG, ...) go through its RGBA reader, at 8 bits.
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"
#include "imageio/stretch.h"
#include "imageio/tiff_internal.h"

namespace orva::tiff {

namespace {

struct MemorySource {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos = 0;
};

MemorySource& Source(thandle_t h) {
    return *static_cast<MemorySource*>(h);
}

tmsize_t SourceRead(thandle_t h, void* buffer, tmsize_t n) {
    MemorySource& s = Source(h);
    if (n <= 0 || s.pos >= s.size) return 0;
    const uint64_t take = std::min(static_cast<uint64_t>(n), s.size - s.pos);
    std::memcpy(buffer, s.data + s.pos, take);
    s.pos += take;
    return static_cast<tmsize_t>(take);
}

tmsize_t SourceWrite(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SourceSeek(thandle_t h, toff_t offset, int whence) {
    MemorySource& s = Source(h);
    if (whence == SEEK_SET) {
        s.pos = offset;
        return s.pos;
    }
    // Relative seeks carry a signed distance in the unsigned offset.
    const uint64_t base = whence == SEEK_CUR ? s.pos : s.size;
    uint64_t target = 0;
    if (static_cast<int64_t>(offset) >= 0) {
        if (__builtin_add_overflow(base, offset, &target)) return static_cast<toff_t>(-1);
    } else {
        const uint64_t back = ~offset + 1;
        if (back > base) return static_cast<toff_t>(-1);
        target = base - back;
    }
    s.pos = target;
    return s.pos;
}

int SourceClose(thandle_t) {
    return 0;
}

toff_t SourceSize(thandle_t h) {
    return Source(h).size;
}

// The bytes are already in memory: hand them to libtiff as its "mapped file", so that it
// decodes straight from them instead of copying each strip. libtiff only reads a mapping
// opened for reading.
int SourceMap(thandle_t h, void** base, toff_t* size) {
    MemorySource& s = Source(h);
    *base = const_cast<uint8_t*>(s.data);
    *size = s.size;
    return 1;
}

void SourceUnmap(thandle_t, void*, toff_t) {}

// What libtiff reported about one handle. Nothing reaches the terminal.
struct LibTiffMessages {
    std::string error;     // the first error, for the result's detail
    std::string lost_tag;  // the first tag dropped because its data lies outside the file
    std::string bad_data;  // the first warning of the JPEG decoder about the image data
};

int KeepFirstError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto& m = *static_cast<LibTiffMessages*>(user);
    if (m.error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        m.error = text;
    }
    return 1;
}

// libtiff drops a tag whose data lies outside the file with a mere warning and carries on,
// which can change the picture (a palette image that lost its colour map reads as grey
// indices); such a file is refused as damaged. The JPEG decoder's warnings (corrupt or
// missing data, which it pads and carries on past) come the same way and refuse the file
// too. Other warnings are dropped.
int KeepWarnings(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto& m = *static_cast<LibTiffMessages*>(user);
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    if (m.lost_tag.empty() && std::strstr(text, "IO error during reading of") != nullptr)
        m.lost_tag = text;
    const bool jpeg = module != nullptr &&
                      (std::strcmp(module, "JPEGLib") == 0 || std::strcmp(module, "LibJpeg") == 0);
    if (m.bad_data.empty() && jpeg) m.bad_data = text;
    return 1;
}

// The few messages libtiff still sends through its process-wide handlers must not print
// either; set once, before the first handle is opened.
void SilenceGlobalHandlers() {
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

// One libtiff handle over the file bytes, with its own message buffer.
class LibTiff {
public:
    LibTiff(std::span<const uint8_t> file, uint64_t max_alloc) : source_{file.data(), file.size()} {
        SilenceGlobalHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) return;
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(max_alloc));
        TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, &messages_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, KeepWarnings, &messages_);
        tif_ = TIFFClientOpenExt("TIFF", "r", &source_, SourceRead, SourceWrite, SourceSeek,
                                 SourceClose, SourceSize, SourceMap, SourceUnmap, options);
        TIFFOpenOptionsFree(options);
    }
    ~LibTiff() {
        if (tif_ != nullptr) TIFFClose(tif_);
    }
    LibTiff(const LibTiff&) = delete;
    LibTiff& operator=(const LibTiff&) = delete;

    // The handle, or null when libtiff could not read the first directory or dropped a tag
    // whose data lies outside the file.
    TIFF* get() const { return messages_.lost_tag.empty() ? tif_ : nullptr; }
    // Why get() gave null or a later call failed: libtiff's first error, or `fallback`.
    std::string Why(const char* fallback) const {
        if (tif_ != nullptr && !messages_.lost_tag.empty())
            return "directory data lies outside the file (libtiff: " + messages_.lost_tag + ")";
        return messages_.error.empty() ? std::string(fallback) : "libtiff: " + messages_.error;
    }
    // A warning about damaged image data met so far, or empty.
    const std::string& BadData() const { return messages_.bad_data; }

private:
    MemorySource source_;
    LibTiffMessages messages_;
    TIFF* tif_ = nullptr;
};

enum class Kind { Grey, Palette, Rgb, RgbaReader };

// Samples read as numbers and stretched rather than taken as levels.
enum class Wide { None, Float32, Float64, Int32, Uint32 };

// How the first image of a file is decoded through libtiff.
struct Plan {
    uint32_t width = 0, height = 0;
    uint16_t bits = 8, samples = 1;
    bool separate = false;  // planar: one set of blocks per sample
    bool jpeg_rgb = false;  // YCbCr JPEG that libjpeg turns into RGB
    bool uncompressed = false;
    uint16_t compression = COMPRESSION_NONE;
    Kind kind = Kind::Grey;
    bool tiled = false;
    uint32_t block_width = 0, block_height = 0;  // tile size, or width x rows per strip
    uint32_t blocks_across = 1, blocks_down = 1;
    uint64_t block_bytes = 0, row_bytes = 0;
    bool invert16 = false;  // 16-bit grey with white at zero
    Wide wide = Wide::None;
    // Sample value to plane value per channel, for samples of up to 8 bits.
    std::array<std::array<uint16_t, 256>, 3> map{};
};

// Samples per pixel in one decoded block row.
uint32_t SamplesInBlock(const Plan& p) {
    return p.separate ? 1 : p.samples;
}

// Bytes of one block row that hold the pixels of the block.
uint64_t UsedRowBytes(const Plan& p) {
    return (uint64_t{p.block_width} * SamplesInBlock(p) * p.bits + 7) / 8;
}

int PlanesToRead(const Plan& p) {
    return p.separate && p.kind == Kind::Rgb ? 3 : 1;
}

// Channels of a picture of wide samples: grey holds one, RGB three.
int WideChannels(const Plan& p) {
    return p.kind == Kind::Rgb ? 3 : 1;
}

// Bytes the wide samples take while they are stretched: every channel of every pixel.
uint64_t WideBytes(const Plan& p) {
    return uint64_t{p.width} * p.height * static_cast<uint64_t>(WideChannels(p)) * (p.bits / 8u);
}

// Largest decoded strip or tile accepted. A legitimate block is seldom bigger than the whole
// image (a small image in one large tile stays under the floor); a header that asks for more
// is hostile or broken and must not make us allocate gigabytes.
uint64_t BlockLimit(const Plan& p) {
    const uint64_t image = uint64_t{p.width} * p.height * p.samples * ((p.bits + 7u) / 8u);
    return std::min<uint64_t>(uint64_t{1} << 30, std::max<uint64_t>(uint64_t{32} << 20, image));
}

// Prepares a freshly opened handle: YCbCr JPEG data is asked for as RGB.
void PrepareHandle(TIFF* tif, const Plan& p) {
    if (p.jpeg_rgb) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
}

void FillGreyMap(Plan& p, bool white_is_zero) {
    const uint32_t top = (1u << p.bits) - 1;
    for (uint32_t v = 0; v <= top; ++v) {
        const uint32_t level = white_is_zero ? top - v : v;
        const auto sample = static_cast<uint16_t>((level * 255 / top) << 8);
        p.map[0][v] = p.map[1][v] = p.map[2][v] = sample;
    }
}

IoResult FillPaletteMap(TIFF* tif, Plan& p) {
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr ||
        green == nullptr || blue == nullptr)
        return Fail(IoStatus::Damaged, "palette image without a colour map");
    const uint32_t entries = 1u << p.bits;
    // Some writers put 8-bit values in the 16-bit colour map; scale those like 8-bit samples.
    bool eight_bit = true;
    for (uint32_t i = 0; i < entries; ++i)
        if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eight_bit = false;
    const int shift = eight_bit ? 8 : 0;
    for (uint32_t i = 0; i < entries; ++i) {
        p.map[0][i] = static_cast<uint16_t>(red[i] << shift);
        p.map[1][i] = static_cast<uint16_t>(green[i] << shift);
        p.map[2][i] = static_cast<uint16_t>(blue[i] << shift);
    }
    return IoResult::Ok();
}

// Looks at the first directory and decides how it is decoded.
IoResult MakePlan(TIFF* tif, const LibTiff& lib, uint64_t max_pixels, Plan& p) {
    uint32_t width = 0, height = 0;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) != 1)
        return Fail(IoStatus::Damaged, lib.Why("image size missing"));
    if (IoResult r = CheckImageSize(width, height, max_pixels); !r.ok()) return r;
    p.width = width;
    p.height = height;
    uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    uint16_t photometric = 0, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        return Fail(IoStatus::Unsupported, "TIFF file without a colour interpretation");
    if (samples < 1 || bits < 1) return Fail(IoStatus::Damaged, "no samples per pixel");
    p.bits = bits;
    p.samples = samples;
    p.separate = planar == PLANARCONFIG_SEPARATE;
    p.uncompressed = compression == COMPRESSION_NONE;
    p.compression = compression;

    const bool small_bits = bits == 1 || bits == 2 || bits == 4 || bits == 8;
    const bool whole_bits = bits == 8 || bits == 16;
    const bool uint = format == SAMPLEFORMAT_UINT;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK;
    const bool rgb = photometric == PHOTOMETRIC_RGB && samples >= 3;
    p.kind = Kind::RgbaReader;
    if (compression == COMPRESSION_OJPEG) {
        // Old-style JPEG needs libtiff's own colour handling.
    } else if ((grey || rgb) && format == SAMPLEFORMAT_IEEEFP && (bits == 32 || bits == 64)) {
        p.kind = rgb ? Kind::Rgb : Kind::Grey;
        p.wide = bits == 32 ? Wide::Float32 : Wide::Float64;
    } else if ((grey || rgb) && (uint || format == SAMPLEFORMAT_INT) && bits == 32) {
        p.kind = rgb ? Kind::Rgb : Kind::Grey;
        p.wide = uint ? Wide::Uint32 : Wide::Int32;
    } else if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
               uint && (small_bits || bits == 16)) {
        p.kind = Kind::Grey;
        const bool white_is_zero = photometric == PHOTOMETRIC_MINISWHITE;
        if (bits <= 8) FillGreyMap(p, white_is_zero);
        p.invert16 = bits == 16 && white_is_zero;
    } else if (photometric == PHOTOMETRIC_PALETTE && uint && small_bits) {
        p.kind = Kind::Palette;
        if (IoResult r = FillPaletteMap(tif, p); !r.ok()) return r;
    } else if (photometric == PHOTOMETRIC_RGB && uint && whole_bits && samples >= 3) {
        p.kind = Kind::Rgb;
    } else if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && bits == 8 &&
               samples == 3 && !p.separate) {
        p.kind = Kind::Rgb;
        p.jpeg_rgb = true;
    }
    if (p.kind == Kind::Rgb && bits == 8)
        for (uint32_t v = 0; v < 256; ++v)
            p.map[0][v] = p.map[1][v] = p.map[2][v] = static_cast<uint16_t>(v << 8);
    if (p.kind == Kind::RgbaReader) return IoResult::Ok();

    PrepareHandle(tif, p);
    p.tiled = TIFFIsTiled(tif) != 0;
    if (p.tiled) {
        uint32_t tw = 0, th = 0;
        if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) != 1 ||
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) != 1 || tw == 0 || th == 0)
            return Fail(IoStatus::Damaged, "tile size missing");
        p.block_width = tw;
        p.block_height = th;
        p.block_bytes = TIFFTileSize64(tif);
        p.row_bytes = TIFFTileRowSize64(tif);
    } else {
        uint32_t rows = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
        p.block_width = width;
        p.block_height = rows == 0 ? height : std::min(rows, height);
        p.block_bytes = TIFFStripSize64(tif);
        p.row_bytes = TIFFScanlineSize64(tif);
    }
    p.blocks_across = static_cast<uint32_t>((uint64_t{width} + p.block_width - 1) / p.block_width);
    p.blocks_down = static_cast<uint32_t>((uint64_t{height} + p.block_height - 1) / p.block_height);
    if (p.row_bytes < UsedRowBytes(p) || p.block_bytes / p.block_height < p.row_bytes)
        return Fail(IoStatus::Damaged, lib.Why("strip or tile size is inconsistent"));
    if (p.block_bytes > BlockLimit(p))
        return Fail(IoStatus::TooLarge, "strips or tiles are too large");
    return IoResult::Ok();
}

// Index of the strip or tile at block column bx, block row by, of sample plane `plane`.
uint32_t BlockIndex(TIFF* tif, const Plan& p, uint32_t bx, uint32_t by, int plane) {
    const auto s = static_cast<uint16_t>(plane);
    if (p.tiled) return TIFFComputeTile(tif, bx * p.block_width, by * p.block_height, 0, s);
    return TIFFComputeStrip(tif, by * p.block_height, s);
}

// Bytes a decoded block must at least hold: every row it covers.
uint64_t NeededBlockBytes(const Plan& p, uint32_t by) {
    if (p.tiled) return p.block_bytes;
    const uint64_t rows = std::min(p.block_height, p.height - by * p.block_height);
    return (rows - 1) * p.row_bytes + UsedRowBytes(p);
}

// Most bytes one byte of compressed data can give, by compression; 0 where no sound bound
// is known (fax, LZMA, ZSTD and the rarer codecs). Each is the codec's best case: LZW a
// 12-bit code for a 4096-byte string; deflate a 258-byte match in two bits; PackBits 128
// bytes from a two-byte run; JPEG one bit for the 8 x 8 block of its full-resolution
// component, which covers 64 pixels of up to four 16-bit samples.
uint64_t MaxExpansion(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_LZW: return 4096 * 8 / 12 + 1;
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE: return 1032;
        case COMPRESSION_PACKBITS: return 64;
        case COMPRESSION_JPEG: return 8 * 64 * 4 * 2;
        default: return 0;
    }
}

// A compressed block of `bytes` that must decode to `need` bytes, at the codec's best.
bool Inflatable(uint16_t compression, uint64_t bytes, uint64_t need) {
    const uint64_t ratio = MaxExpansion(compression);
    return ratio == 0 || need <= (bytes + 1) * ratio;
}

// Every block the plan reads must lie inside the file before anything is decoded, and a
// block must be able to hold its pixels (uncompressed exactly, compressed at the codec's
// best ratio): a small file cannot claim a huge picture.
IoResult CheckBlocks(TIFF* tif, const Plan& p, uint64_t file_size) {
    const uint32_t count = p.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (int plane = 0; plane < PlanesToRead(p); ++plane) {
        for (uint32_t by = 0; by < p.blocks_down; ++by) {
            const uint64_t need = NeededBlockBytes(p, by);
            for (uint32_t bx = 0; bx < p.blocks_across; ++bx) {
                const uint32_t index = BlockIndex(tif, p, bx, by, plane);
                if (index >= count)
                    return Fail(IoStatus::Damaged, "strip or tile table is too short");
                int error = 0;
                const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, index, &error);
                const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, index, &error);
                if (error != 0 || offset > file_size || bytes > file_size - offset)
                    return Fail(IoStatus::Damaged, "strip or tile lies outside the file");
                if (p.uncompressed && bytes < need)
                    return Fail(IoStatus::Damaged, "pixel data runs past the end of the file");
                if (!Inflatable(p.compression, bytes, need))
                    return Fail(IoStatus::Damaged, "file too short for the image size");
            }
        }
    }
    return IoResult::Ok();
}

// Plane values of `count` samples taken every `step` samples from `first` on in a row of
// `bits`-bit samples.
template <int Bits>
void ConvertSamples(const uint8_t* row, std::size_t first, std::size_t step, std::size_t count,
                    const uint16_t* map, bool invert, uint16_t* out) {
    if constexpr (Bits == 16) {
        const uint16_t flip = invert ? 0xFFFF : 0;
        for (std::size_t i = 0; i < count; ++i) {
            uint16_t v;  // libtiff delivers 16-bit samples in the machine's byte order
            std::memcpy(&v, row + 2 * (first + i * step), 2);
            out[i] = static_cast<uint16_t>(v ^ flip);
        }
    } else if constexpr (Bits == 8) {
        for (std::size_t i = 0; i < count; ++i) out[i] = map[row[first + i * step]];
    } else {
        constexpr unsigned kMask = (1u << Bits) - 1;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t bit = (first + i * step) * Bits;
            out[i] = map[(row[bit >> 3] >> (8 - Bits - (bit & 7))) & kMask];
        }
    }
}

void ConvertSamples(int bits, const uint8_t* row, std::size_t first, std::size_t step,
                    std::size_t count, const uint16_t* map, bool invert, uint16_t* out) {
    switch (bits) {
        case 1: ConvertSamples<1>(row, first, step, count, map, invert, out); break;
        case 2: ConvertSamples<2>(row, first, step, count, map, invert, out); break;
        case 4: ConvertSamples<4>(row, first, step, count, map, invert, out); break;
        case 8: ConvertSamples<8>(row, first, step, count, map, invert, out); break;
        default: ConvertSamples<16>(row, first, step, count, map, invert, out); break;
    }
}

uint16_t* PlaneOf(DecodedImage& out, int channel) {
    return (channel == 0 ? out.red : channel == 1 ? out.green : out.blue).data();
}

// `count` samples of kBytes bytes taken every `step` samples from `first` on in a row.
template <std::size_t kBytes>
void CopySamples(const uint8_t* row, std::size_t first, std::size_t step, std::size_t count,
                 uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(out + i * kBytes, row + (first + i * step) * kBytes, kBytes);
}

// Moves one decoded block of sample plane `plane` into the wide samples: channel after
// channel, rows from the bottom like the image planes, in the machine's byte order as
// libtiff delivers them.
void StoreWideBlock(const Plan& p, const uint8_t* block, int plane, uint32_t bx, uint32_t by,
                    uint8_t* wide) {
    const uint32_t x0 = bx * p.block_width, y0 = by * p.block_height;
    const std::size_t cols = std::min(p.block_width, p.width - x0);
    const uint32_t rows = std::min(p.block_height, p.height - y0);
    const std::size_t step = SamplesInBlock(p), bytes = p.bits / 8u;
    const auto w = static_cast<std::size_t>(p.width);
    const std::size_t n = w * p.height;
    // A planar block holds one channel; a chunky one all of them.
    const int c0 = p.separate ? plane : 0;
    const int c1 = p.separate ? plane + 1 : WideChannels(p);
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* row = block + r * p.row_bytes;
        const std::size_t at = static_cast<std::size_t>(p.height - 1 - (y0 + r)) * w + x0;
        for (int c = c0; c < c1; ++c) {
            const std::size_t first = p.separate ? 0 : static_cast<std::size_t>(c);
            uint8_t* dst = wide + (static_cast<std::size_t>(c) * n + at) * bytes;
            if (bytes == 8) {
                CopySamples<8>(row, first, step, cols, dst);
            } else {
                CopySamples<4>(row, first, step, cols, dst);
            }
        }
    }
}

// Moves one decoded block of sample plane `plane` into the image planes, or of wide samples
// into `wide`.
void StoreBlock(const Plan& p, const uint8_t* block, int plane, uint32_t bx, uint32_t by,
                uint8_t* wide, DecodedImage& out) {
    if (p.wide != Wide::None) {
        StoreWideBlock(p, block, plane, bx, by, wide);
        return;
    }
    const uint32_t x0 = bx * p.block_width, y0 = by * p.block_height;
    const std::size_t cols = std::min(p.block_width, p.width - x0);
    const uint32_t rows = std::min(p.block_height, p.height - y0);
    const std::size_t step = SamplesInBlock(p);
    const auto w = static_cast<std::size_t>(p.width);
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* row = block + r * p.row_bytes;
        const std::size_t at = static_cast<std::size_t>(p.height - 1 - (y0 + r)) * w + x0;
        if (p.kind == Kind::Rgb) {
            if (p.separate) {
                ConvertSamples(p.bits, row, 0, 1, cols,
                               p.map[static_cast<std::size_t>(plane)].data(), false,
                               PlaneOf(out, plane) + at);
            } else {
                for (int c = 0; c < 3; ++c)
                    ConvertSamples(p.bits, row, static_cast<std::size_t>(c), step, cols,
                                   p.map[static_cast<std::size_t>(c)].data(), false,
                                   PlaneOf(out, c) + at);
            }
        } else {
            // Grey and palette: one sample per pixel gives all three channels.
            for (int c = 0; c < 3; ++c)
                ConvertSamples(p.bits, row, 0, step, cols,
                               p.map[static_cast<std::size_t>(c)].data(), p.invert16,
                               PlaneOf(out, c) + at);
        }
    }
}

// Decodes block rows [first, last) with a handle of its own, so that bands run in parallel.
IoResult DecodeBlockRows(std::span<const uint8_t> file, uint64_t max_alloc, const Plan& p,
                         uint32_t first, uint32_t last, uint8_t* wide, DecodedImage& out) {
    LibTiff lib(file, max_alloc);
    TIFF* tif = lib.get();
    if (tif == nullptr) return Fail(IoStatus::Damaged, lib.Why("cannot open the TIFF file"));
    PrepareHandle(tif, p);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[p.block_bytes]);
    if (!block) return Fail(IoStatus::OutOfMemory, "not enough memory for a strip or tile");
    const auto size = static_cast<tmsize_t>(p.block_bytes);
    for (uint32_t by = first; by < last; ++by) {
        const uint64_t need = NeededBlockBytes(p, by);
        for (int plane = 0; plane < PlanesToRead(p); ++plane) {
            for (uint32_t bx = 0; bx < p.blocks_across; ++bx) {
                const uint32_t index = BlockIndex(tif, p, bx, by, plane);
                const tmsize_t got = p.tiled ? TIFFReadEncodedTile(tif, index, block.get(), size)
                                             : TIFFReadEncodedStrip(tif, index, block.get(), size);
                if (got < 0)
                    return Fail(IoStatus::Damaged, lib.Why("cannot decode the image data"));
                if (static_cast<uint64_t>(got) < need)
                    return Fail(IoStatus::Damaged, "image data ends early");
                if (!lib.BadData().empty())
                    return Fail(IoStatus::Damaged, "damaged image data (" + lib.BadData() + ")");
                StoreBlock(p, block.get(), plane, bx, by, wide, out);
            }
        }
    }
    return IoResult::Ok();
}

// The wide samples onto the image planes; one grey channel feeds all three.
template <class T>
void StretchWide(const Plan& p, const uint8_t* wide, DecodedImage& out) {
    const std::size_t n = std::size_t{p.width} * p.height;
    const auto value = [&](int c, std::size_t i) {
        T v;
        std::memcpy(&v, wide + (static_cast<std::size_t>(c) * n + i) * sizeof(T), sizeof(T));
        return static_cast<double>(v);
    };
    const int channels = WideChannels(p);
    StretchChannels(static_cast<int>(p.width), static_cast<int>(p.height), channels, value,
                    {out.red.data(), out.green.data(), out.blue.data()}, UnitRange::Scale);
    if (channels == 1) {
        std::memcpy(out.green.data(), out.red.data(), n * sizeof(uint16_t));
        std::memcpy(out.blue.data(), out.red.data(), n * sizeof(uint16_t));
    }
}

void StretchWide(const Plan& p, const uint8_t* wide, DecodedImage& out) {
    switch (p.wide) {
        case Wide::Float32: StretchWide<float>(p, wide, out); break;
        case Wide::Float64: StretchWide<double>(p, wide, out); break;
        case Wide::Int32: StretchWide<int32_t>(p, wide, out); break;
        default: StretchWide<uint32_t>(p, wide, out); break;
    }
}

IoResult DecodeBlocks(std::span<const uint8_t> file, uint64_t max_alloc, const Plan& p,
                      DecodedImage& out) {
    if (StopAtHeader(out, p.width, p.height)) return IoResult::Ok();
    // Wide samples are held whole until their range is known, beside the planes.
    std::unique_ptr<uint8_t[]> wide;
    if (p.wide != Wide::None) {
        const uint64_t planes = uint64_t{6} * p.width * p.height;
        if (WideBytes(p) > out.memory_budget - std::min(out.memory_budget, planes))
            return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
        wide.reset(new (std::nothrow) uint8_t[WideBytes(p)]);
        if (!wide) return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
    }
    if (IoResult r = AllocateImage(out, p.width, p.height); !r.ok()) return r;
    // Fixed bands of block rows, each decoded with its own handle; the split depends on the
    // file alone, and every band writes only its own rows.
    const int bands = static_cast<int>(std::min<uint32_t>(p.blocks_down, 8));
    std::vector<IoResult> results(static_cast<std::size_t>(bands));
    RunBands(bands, [&](int band) {
        const auto first = static_cast<uint32_t>(uint64_t{p.blocks_down} * band / bands);
        const auto last = static_cast<uint32_t>(uint64_t{p.blocks_down} * (band + 1) / bands);
        results[static_cast<std::size_t>(band)] =
            DecodeBlockRows(file, max_alloc, p, first, last, wide.get(), out);
    });
    for (IoResult& r : results) {
        if (!r.ok()) {
            Abandon(out);
            return std::move(r);
        }
    }
    if (wide) StretchWide(p, wide.get(), out);
    return IoResult::Ok();
}

// The kinds only libtiff can turn into colour, through its RGBA reader (8 bits a channel).
IoResult DecodeThroughRgba(TIFF* tif, const LibTiff& lib, const Plan& p, uint64_t file_size,
                           DecodedImage& out) {
    char message[1024] = "";
    if (TIFFRGBAImageOK(tif, message) != 1)
        return Fail(IoStatus::Unsupported,
                    std::string("this kind of TIFF file is not supported: ") + message);
    // libtiff reads every strip or tile here; each must lie inside the file.
    const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t stored = 0;
    for (uint32_t i = 0; i < count; ++i) {
        int error = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
        const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &error);
        if (error != 0 || offset > file_size || bytes > file_size - offset)
            return Fail(IoStatus::Damaged, "strip or tile lies outside the file");
        stored += bytes;
    }
    const uint64_t pixels = uint64_t{p.width} * p.height;
    // At least one sample a pixel (subsampled colour has fewer than three).
    const uint64_t least = pixels * p.bits / 8;
    if ((p.uncompressed && stored < least) || !Inflatable(p.compression, stored, least))
        return Fail(IoStatus::Damaged, "file too short for the image size");
    if (StopAtHeader(out, p.width, p.height)) return IoResult::Ok();
    if (pixels * 10 > out.memory_budget)  // the planes and the 4-byte raster
        return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
    std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[pixels]);
    if (!raster) return Fail(IoStatus::OutOfMemory, "not enough memory for the image");
    if (TIFFReadRGBAImageOriented(tif, p.width, p.height, raster.get(), ORIENTATION_BOTLEFT, 1) !=
        1)
        return Fail(IoStatus::Damaged, lib.Why("cannot decode the image data"));
    if (!lib.BadData().empty())
        return Fail(IoStatus::Damaged, "damaged image data (" + lib.BadData() + ")");
    if (IoResult r = AllocateImage(out, p.width, p.height); !r.ok()) return r;
    const auto w = static_cast<std::size_t>(p.width);
    // The raster starts at the bottom row, like the planes.
    ForEachRowBand(static_cast<int>(p.height), [&](int y0, int y1) {
        for (std::size_t i = static_cast<std::size_t>(y0) * w; i < static_cast<std::size_t>(y1) * w;
             ++i) {
            const uint32_t v = raster[i];
            out.red[i] = static_cast<uint16_t>(TIFFGetR(v) << 8);
            out.green[i] = static_cast<uint16_t>(TIFFGetG(v) << 8);
            out.blue[i] = static_cast<uint16_t>(TIFFGetB(v) << 8);
        }
    });
    return IoResult::Ok();
}

}  // namespace

IoResult DecodeWithLibTiff(std::span<const uint8_t> file, DecodedImage& out) {
    // libtiff's own allocations (directory arrays, codec state) stay under this; the strips
    // and tiles we decode are checked separately against BlockLimit.
    const uint64_t max_alloc =
        std::clamp<uint64_t>(out.memory_budget, uint64_t{64} << 20, uint64_t{2} << 30);
    LibTiff lib(file, max_alloc);
    TIFF* tif = lib.get();
    if (tif == nullptr) return Fail(IoStatus::Damaged, lib.Why("cannot read the TIFF directory"));
    Plan plan;
    if (IoResult r = MakePlan(tif, lib, out.max_pixels, plan); !r.ok()) return r;
    if (plan.kind == Kind::RgbaReader) return DecodeThroughRgba(tif, lib, plan, file.size(), out);
    if (IoResult r = CheckBlocks(tif, plan, file.size()); !r.ok()) return r;
    return DecodeBlocks(file, max_alloc, plan, out);
}

}  // namespace orva::tiff
