// PNG through libpng: reading of every standard kind, writing of 8-bit RGB.
//
// Reading. Palette, grey and low-depth files are expanded to 8 bits per channel and grey
// fills all three planes. 8-bit samples v are stored v * 256; 16-bit samples are kept at
// full precision. Anything with alpha (an alpha channel, or a tRNS chunk, which marks
// colours or palette entries as wholly or partly transparent) is composited over black
// with exact rounding: x = c * a + 2^(n-1), result ((x >> n) + x) >> n for n-bit samples,
// which is round(c * a / (2^n - 1)); opaque pixels keep their colour and transparent ones
// give 0. A gAMA chunk asks libpng for gamma correction towards a display gamma of 2.2
// (libpng leaves files already encoded for such a display, gAMA 45455, unchanged; 16-bit
// files are corrected through its 16-bit tables). Other colour-space chunks (sRGB, iCCP,
// cHRM) and all text and private chunks are skipped unread.
//
// Interlaced files are decoded pass by pass and each pass's pixels are put straight into
// the planes, so no whole-image buffer is needed. Damage found by libpng (CRC errors, a cut
// or corrupt image stream) refuses the file with libpng's own message; libpng never prints.
// The image stream is read to its end and its last checksum checked; chunks after it (text,
// IEND) are not needed and not read.
//
// Writing: 8-bit RGB (colour type 2), not interlaced, rows from the top of the picture, the
// high byte of each sample. A single-plane record is written from its red plane alone.
//
// libpng reports errors by longjmp. The code between setjmp and any libpng call therefore
// keeps all state that needs cleaning up in objects owned by the frame that calls setjmp
// and has no locals with destructors of its own.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"

namespace orva {

namespace {

// Best ratio deflate can reach (a 258-byte match in two bits). A file whose whole size,
// inflated at this ratio, cannot fill the image is refused before any memory is taken.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Largest chunk libpng may take into memory (the image data is streamed, not held).
constexpr png_alloc_size_t kChunkMallocMax = png_alloc_size_t{8} << 20;

// A byte buffer whose allocation failure is a result, not an exception.
class ScratchBytes {
public:
    bool Allocate(std::size_t n) {
        bytes_.reset(new (std::nothrow) uint8_t[n]);
        return bytes_ != nullptr;
    }
    uint8_t* data() { return bytes_.get(); }

private:
    std::unique_ptr<uint8_t[]> bytes_;
};

// libpng messages are kept here until the setjmp frame turns them into a result.
struct PngMessage {
    char text[128] = {};
    char warning[128] = {};  // the first warning
    static void Copy(const char* m, char (&to)[128]) {
        std::size_t n = 0;
        if (m != nullptr)
            for (; m[n] != '\0' && n + 1 < sizeof to; ++n) to[n] = m[n];
        to[n] = '\0';
    }
    void Set(const char* m) { Copy(m, text); }
    void Warn(const char* m) {
        if (warning[0] == '\0') Copy(m != nullptr && *m != '\0' ? m : "damaged PNG data", warning);
    }
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    static_cast<PngMessage*>(png_get_error_ptr(png))->Set(message);
    png_longjmp(png, 1);
}

// While reading, libpng's warnings are its "benign" errors (a bad checksum on an ancillary
// chunk, damaged chunk contents, too much image data): the file is damaged, and it is
// refused like any other damage rather than shown as if it were sound.
void OnPngWarning(png_structp png, png_const_charp message) {
    static_cast<PngMessage*>(png_get_error_ptr(png))->Warn(message);
}

// ---------------------------------------------------------------- reading

struct ReadState {
    PngMessage message;
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    DecodedImage img;
    ScratchBytes rows;  // decoded rows waiting for conversion
    // A failure found by our own checks (libpng's own go through `message`).
    IoStatus status = IoStatus::Ok;
    std::string why;

    ~ReadState() {
        if (png != nullptr)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

void ReadFromMemory(png_structp png, png_bytep out, std::size_t n) {
    auto* st = static_cast<ReadState*>(png_get_io_ptr(png));
    if (n > st->size - st->pos) png_error(png, "file ends early");
    std::memcpy(out, st->data + st->pos, n);
    st->pos += n;
}

// How a row of decoded samples is laid out: 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA channels,
// 8 or 16 bits each (16-bit samples big-endian, as in the file).
struct RowFormat {
    int channels = 3;
    bool sixteen = false;
};

inline uint16_t Sample16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// Over black, exactly rounded (see the top of the file).
inline uint16_t Over8(uint32_t c, uint32_t a) {
    const uint32_t x = c * a + 128;
    return static_cast<uint16_t>((((x >> 8) + x) >> 8) << 8);
}
inline uint16_t Over16(uint32_t c, uint32_t a) {
    const uint64_t x = uint64_t{c} * a + 32768;
    return static_cast<uint16_t>(((x >> 16) + x) >> 16);
}

// Converts `count` pixels of one decoded row into plane samples placed `step` apart.
template <int kChannels, bool kSixteen>
void ConvertPixels(const uint8_t* src, std::size_t count, std::size_t step, uint16_t* r,
                   uint16_t* g, uint16_t* b) {
    constexpr std::size_t kBytes = kChannels * (kSixteen ? 2 : 1);
    for (std::size_t i = 0, o = 0; i < count; ++i, o += step, src += kBytes) {
        if constexpr (kChannels <= 2) {
            uint16_t v;
            if constexpr (kSixteen) {
                v = kChannels == 1 ? Sample16(src) : Over16(Sample16(src), Sample16(src + 2));
            } else {
                v = kChannels == 1 ? static_cast<uint16_t>(src[0] << 8) : Over8(src[0], src[1]);
            }
            r[o] = g[o] = b[o] = v;
        } else if constexpr (kChannels == 3) {
            if constexpr (kSixteen) {
                r[o] = Sample16(src);
                g[o] = Sample16(src + 2);
                b[o] = Sample16(src + 4);
            } else {
                r[o] = static_cast<uint16_t>(src[0] << 8);
                g[o] = static_cast<uint16_t>(src[1] << 8);
                b[o] = static_cast<uint16_t>(src[2] << 8);
            }
        } else {
            if constexpr (kSixteen) {
                const uint32_t a = Sample16(src + 6);
                r[o] = Over16(Sample16(src), a);
                g[o] = Over16(Sample16(src + 2), a);
                b[o] = Over16(Sample16(src + 4), a);
            } else {
                const uint32_t a = src[3];
                r[o] = Over8(src[0], a);
                g[o] = Over8(src[1], a);
                b[o] = Over8(src[2], a);
            }
        }
    }
}

void ConvertRow(const RowFormat& f, const uint8_t* src, std::size_t count, std::size_t step,
                uint16_t* r, uint16_t* g, uint16_t* b) {
    switch (f.channels * 2 + (f.sixteen ? 1 : 0)) {
        case 2: ConvertPixels<1, false>(src, count, step, r, g, b); break;
        case 3: ConvertPixels<1, true>(src, count, step, r, g, b); break;
        case 4: ConvertPixels<2, false>(src, count, step, r, g, b); break;
        case 5: ConvertPixels<2, true>(src, count, step, r, g, b); break;
        case 6: ConvertPixels<3, false>(src, count, step, r, g, b); break;
        case 7: ConvertPixels<3, true>(src, count, step, r, g, b); break;
        case 8: ConvertPixels<4, false>(src, count, step, r, g, b); break;
        default: ConvertPixels<4, true>(src, count, step, r, g, b); break;
    }
}

// Adam7: where each pass starts and how far apart its pixels lie.
constexpr int kPassX0[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassDx[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr int kPassY0[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kPassDy[7] = {8, 8, 8, 4, 4, 2, 2};

// Rows arrive top row first; memory row 0 is the bottom of the picture. Rows are decoded a
// few MiB at a time and then converted in parallel.
void ReadRows(ReadState& st, const RowFormat& f, std::size_t row_bytes) {
    DecodedImage& img = st.img;
    const auto w = static_cast<std::size_t>(img.width);
    const int h = img.height;
    const int block_rows = static_cast<int>(std::clamp<std::size_t>(
        (std::size_t{4} << 20) / row_bytes, 1, static_cast<std::size_t>(h)));
    uint8_t* rows = st.rows.data();
    const PlaneView red = img.red.view(img.width, h), green = img.green.view(img.width, h),
                    blue = img.blue.view(img.width, h);
    for (int first = 0; first < h; first += block_rows) {
        const int n = std::min(block_rows, h - first);
        for (int i = 0; i < n; ++i)
            png_read_row(st.png, rows + static_cast<std::size_t>(i) * row_bytes, nullptr);
        ForEachRowBand(n, [&](int y0, int y1) {
            for (int i = y0; i < y1; ++i)
                ConvertRow(f, rows + static_cast<std::size_t>(i) * row_bytes, w, 1,
                           red.row_from_top(first + i), green.row_from_top(first + i),
                           blue.row_from_top(first + i));
        });
    }
}

// Each pass is a small image of its own; its pixels go straight to their places.
void ReadPasses(ReadState& st, const RowFormat& f) {
    DecodedImage& img = st.img;
    const int h = img.height;
    const PlaneView red = img.red.view(img.width, h), green = img.green.view(img.width, h),
                    blue = img.blue.view(img.width, h);
    uint8_t* row = st.rows.data();
    for (int pass = 0; pass < 7; ++pass) {
        const int cols = (img.width + kPassDx[pass] - 1 - kPassX0[pass]) / kPassDx[pass];
        const int rows = (h + kPassDy[pass] - 1 - kPassY0[pass]) / kPassDy[pass];
        if (cols == 0 || rows == 0) continue;  // libpng skips empty passes too
        for (int i = 0; i < rows; ++i) {
            png_read_row(st.png, row, nullptr);
            const int y = kPassY0[pass] + i * kPassDy[pass];
            const int x0 = kPassX0[pass];
            ConvertRow(f, row, static_cast<std::size_t>(cols),
                       static_cast<std::size_t>(kPassDx[pass]), red.row_from_top(y) + x0,
                       green.row_from_top(y) + x0, blue.row_from_top(y) + x0);
        }
    }
}

void RefuseRead(ReadState& st, IoStatus status, const char* why) {
    st.status = status;
    st.why = why;
}

// Everything from the header to the last row. May leave by longjmp (see the top).
void RunRead(ReadState& st) {
    png_structp png = st.png;
    png_infop info = st.info;
    png_set_read_fn(png, &st, ReadFromMemory);
    png_set_sig_bytes(png, 0);
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxReadSide),
                        static_cast<png_uint_32>(kMaxReadSide));
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    // Of the chunks libpng knows, only gAMA (and the critical ones, IHDR, PLTE, tRNS, IDAT,
    // IEND, which libpng always handles) matter here.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kGamma[] = "gAMA";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kGamma, 1);

    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    // libpng has refused a zero size already.
    if (IoResult r = CheckImageSize(width, height, st.img.max_pixels); !r.ok()) {
        st.status = r.status;
        st.why = r.detail;
        return;
    }
    const uint64_t packed_bits =
        uint64_t{width} * height * png_get_channels(png, info) * static_cast<uint64_t>(depth);
    if (packed_bits / 8 / kMaxDeflateRatio > st.size)
        return RefuseRead(st, IoStatus::Damaged, "file too short for the image size");

    png_set_expand(png);  // palette to RGB, low-depth grey to 8 bits, tRNS to alpha
    double file_gamma = 0;
    if (png_get_gAMA(png, info, &file_gamma) != 0 && file_gamma > 0)
        png_set_gamma(png, 2.2, file_gamma);
    png_read_update_info(png, info);

    RowFormat f;
    f.channels = png_get_channels(png, info);
    f.sixteen = png_get_bit_depth(png, info) == 16;
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    if (f.channels < 1 || f.channels > 4 ||
        row_bytes != width * static_cast<std::size_t>(f.channels) * (f.sixteen ? 2 : 1))
        return RefuseRead(st, IoStatus::Unsupported, "unexpected PNG sample layout");

    if (StopAtHeader(st.img, width, height)) return;
    if (!st.img.Allocate(static_cast<int>(width), static_cast<int>(height)))
        return RefuseRead(st, IoStatus::OutOfMemory, "not enough memory for the image");
    const std::size_t block =
        interlace == PNG_INTERLACE_NONE
            ? std::clamp<std::size_t>((std::size_t{4} << 20) / row_bytes, 1, height) * row_bytes
            : row_bytes;
    if (!st.rows.Allocate(block))
        return RefuseRead(st, IoStatus::OutOfMemory, "not enough memory for the image");
    if (interlace == PNG_INTERLACE_NONE) {
        ReadRows(st, f, row_bytes);
    } else {
        ReadPasses(st, f);
    }
}

// ---------------------------------------------------------------- writing

struct WriteState {
    PngMessage message;
    FileSink* sink = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ScratchBytes rows;

    ~WriteState() {
        if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
};

void WriteToSink(png_structp png, png_bytep data, std::size_t n) {
    static_cast<WriteState*>(png_get_io_ptr(png))->sink->Write(data, n);
}
void FlushSink(png_structp) {}

// May leave by longjmp (see the top).
void RunWrite(WriteState& st, const ImageRecord& rec) {
    png_structp png = st.png;
    png_infop info = st.info;
    png_set_write_fn(png, &st, WriteToSink, FlushSink);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rec.width),
                 static_cast<png_uint_32>(rec.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Filtering stays libpng's adaptive choice per row. Deflate runs with the run-length
    // strategy: on photographs, whose noise defeats long matches, it gives files as small
    // as the default search (often smaller) at about four times the speed.
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_buffer_size(png, std::size_t{1} << 18);
    png_write_info(png, info);

    const auto w = static_cast<std::size_t>(rec.width);
    const int h = rec.height;
    const std::size_t row_bytes = 3 * w;
    const int block_rows = static_cast<int>(std::clamp<std::size_t>(
        (std::size_t{4} << 20) / row_bytes, 1, static_cast<std::size_t>(h)));
    uint8_t* rows = st.rows.data();
    // A single-plane picture is grey: its red plane serves all three channels.
    const bool grey = rec.single_plane == 1;
    const ConstPlaneView red = rec.red.view(rec.width, h);
    const ConstPlaneView green = grey ? red : rec.green.view(rec.width, h);
    const ConstPlaneView blue = grey ? red : rec.blue.view(rec.width, h);
    for (int first = 0; first < h; first += block_rows) {
        const int n = std::min(block_rows, h - first);
        ForEachRowBand(n, [&](int y0, int y1) {
            for (int i = y0; i < y1; ++i) {
                const uint16_t* r = red.row_from_top(first + i);
                const uint16_t* g = green.row_from_top(first + i);
                const uint16_t* b = blue.row_from_top(first + i);
                uint8_t* o = rows + static_cast<std::size_t>(i) * row_bytes;
                for (std::size_t x = 0; x < w; ++x, o += 3) {
                    o[0] = static_cast<uint8_t>(r[x] >> 8);
                    o[1] = static_cast<uint8_t>(g[x] >> 8);
                    o[2] = static_cast<uint8_t>(b[x] >> 8);
                }
            }
        });
        for (int i = 0; i < n; ++i)
            png_write_row(png, rows + static_cast<std::size_t>(i) * row_bytes);
    }
    png_write_end(png, info);
}

}  // namespace

IoResult DecodePng(std::span<const uint8_t> file, DecodedImage& out) {
    const uint8_t* d = file.data();
    if (file.size() < 8 || png_sig_cmp(d, 0, 8) != 0)
        return Fail(IoStatus::NotThisFormat, "not a PNG file");
    // Absurd sizes are refused as such before libpng sees them.
    if (file.size() >= 24 && Be32(d + 8) == 13 && std::memcmp(d + 12, "IHDR", 4) == 0) {
        const uint32_t width = Be32(d + 16), height = Be32(d + 20);
        if (IoResult r = CheckImageSize(width, height, out.max_pixels);
            r.status == IoStatus::TooLarge)
            return r;
    }

    const auto st = std::make_unique<ReadState>();
    st->data = d;
    st->size = file.size();
    st->img.memory_budget = out.memory_budget;
    st->img.max_pixels = out.max_pixels;
    st->img.header_only = out.header_only;
    st->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &st->message, OnPngError, OnPngWarning);
    if (st->png == nullptr) return Fail(IoStatus::OutOfMemory, "cannot set up the PNG reader");
    st->info = png_create_info_struct(st->png);
    if (st->info == nullptr) return Fail(IoStatus::OutOfMemory, "cannot set up the PNG reader");

    if (setjmp(png_jmpbuf(st->png)) != 0)
        return IoResult::Fail(IoStatus::Damaged, st->message.text);
    RunRead(*st);
    if (st->status != IoStatus::Ok) return Fail(st->status, st->why);
    if (st->message.warning[0] != '\0')
        return Fail(IoStatus::Damaged, std::string("damaged PNG data: ") + st->message.warning);
    out = std::move(st->img);
    return IoResult::Ok();
}

IoResult WritePng(const std::string& path, const ImageRecord& rec) {
    const std::size_t pixels = rec.pixels();
    const bool grey = rec.single_plane == 1;
    if (pixels == 0 || rec.red.size() < pixels ||
        (!grey && (rec.green.size() < pixels || rec.blue.size() < pixels)))
        return Fail(IoStatus::Unsupported, "no image to write");

    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    const auto st = std::make_unique<WriteState>();
    st->sink = &sink;
    const std::size_t row_bytes = 3 * static_cast<std::size_t>(rec.width);
    if (!st->rows.Allocate(std::clamp<std::size_t>((std::size_t{4} << 20) / row_bytes, 1,
                                                   static_cast<std::size_t>(rec.height)) *
                           row_bytes))
        return Fail(IoStatus::OutOfMemory, "not enough memory for the PNG rows");
    st->png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &st->message, OnPngError, OnPngWarning);
    if (st->png == nullptr) return Fail(IoStatus::OutOfMemory, "cannot set up the PNG writer");
    st->info = png_create_info_struct(st->png);
    if (st->info == nullptr) return Fail(IoStatus::OutOfMemory, "cannot set up the PNG writer");

    if (setjmp(png_jmpbuf(st->png)) != 0)
        return IoResult::Fail(IoStatus::WriteFailed, st->message.text);
    RunWrite(*st, rec);
    return sink.Commit();
}

}  // namespace orva
