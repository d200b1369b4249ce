#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

// PNG files are made with libpng itself.
struct PngLayout {
    int width = 1, height = 1;
    int depth = 8;
    int colour = PNG_COLOR_TYPE_RGB;
    Bytes rows;                      // packed file rows, top row first, 16-bit big-endian
    std::vector<png_color> palette;  // PLTE
    bool colour_key = false;         // tRNS of a grey or RGB file
    png_color_16 key{};
    png_uint_32 gamma = 0;  // gAMA times 100000; 0 writes none
};

void AppendToBytes(png_structp png, png_bytep data, std::size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

Bytes MakePng(const PngLayout& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test file";
        return {};
    }
    png_set_write_fn(png, &out, AppendToBytes, NoFlush);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colour, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (s.colour_key) png_set_tRNS(png, info, nullptr, 0, &s.key);
    if (s.gamma != 0) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(s.gamma));
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    Bytes copy = s.rows;
    const int channels = s.colour == PNG_COLOR_TYPE_RGB         ? 3
                         : s.colour == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                                                                : 1;
    const std::size_t row_bytes = (static_cast<std::size_t>(s.width) * channels * s.depth + 7) / 8;
    for (int y = 0; y < s.height; ++y) rows.push_back(copy.data() + y * row_bytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A one-row file (or `height` rows) of the given kind.
PngLayout Layout(int width, int depth, int colour, Bytes rows, int height = 1) {
    PngLayout s;
    s.width = width;
    s.height = height;
    s.depth = depth;
    s.colour = colour;
    s.rows = std::move(rows);
    return s;
}

Bytes Be16s(std::initializer_list<uint32_t> values) {
    Bytes b;
    for (const uint32_t v : values) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    return b;
}

Rgb Grey8(int v) {
    return C8(v, v, v);
}

TEST(PngRead, HandWorkedFiles) {
    const std::vector<png_color> pal = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {1, 2, 3}};
    PngLayout p2 = Layout(5, 2, PNG_COLOR_TYPE_PALETTE, {0b11100100, 0b10000000});
    p2.palette = pal;
    // A colour key makes exactly that grey or that colour black.
    PngLayout grey_key = Layout(3, 8, PNG_COLOR_TYPE_GRAY, {49, 50, 51});
    grey_key.colour_key = true;
    grey_key.key.gray = 50;
    // A file made for a display of gamma 2.2 is left as it is.
    PngLayout display = Layout(5, 8, PNG_COLOR_TYPE_GRAY, {0, 16, 64, 128, 255});
    display.gamma = 45455;
    // A file of gamma 1.0 shown on a 2.2 display: v -> 255 * (v / 255)^(1 / 2.2), rounded.
    PngLayout linear = display;
    linear.gamma = 100000;
    const struct {
        const char* name;
        PngLayout layout;
        std::vector<Rgb> expect;  // top row first
    } cases[] = {
        // clang-format off
        {"8-bit RGB, rows top first, samples times 256",
         Layout(2, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 250, 251, 252, 0, 0, 0, 255, 128, 7}, 2),
         {C8(1, 2, 3), C8(250, 251, 252), C8(0, 0, 0), C8(255, 128, 7)}},
        {"16-bit RGB",
         Layout(2, 16, PNG_COLOR_TYPE_RGB, Be16s({0x1234, 0x0001, 0xFFFF, 0x8000, 0x00FF, 0xABCD})),
         {Rgb{0x1234, 0x0001, 0xFFFF}, Rgb{0x8000, 0x00FF, 0xABCD}}},
        {"16-bit grey", Layout(3, 16, PNG_COLOR_TYPE_GRAY, Be16s({0x0102, 0xFEDC, 0})),
         {Grey(0x0102), Grey(0xFEDC), Grey(0)}},
        // Indices 3 2 1 0 | 2, packed high bits first.
        {"2-bit palette", p2,
         {C8(1, 2, 3), C8(70, 80, 90), C8(40, 50, 60), C8(10, 20, 30), C8(70, 80, 90)}},
        // Over black, c * a / 255 rounded to nearest: 200 over alpha 0, 1, 128, 254, 255 and
        // 255 over 128 (0.78 and 0.39; 100.39, 0, 128.0; 199.2, 19.92, 1.99).
        {"8-bit alpha",
         Layout(6, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                {200, 200, 200, 0, 200, 100, 0, 1, 200, 0, 255, 128,
                 200, 20, 2, 254, 200, 201, 202, 255, 255, 255, 255, 128}),
         {C8(0, 0, 0), C8(1, 0, 0), C8(100, 0, 128), C8(199, 20, 2), C8(200, 201, 202),
          C8(128, 128, 128)}},
        // c * a / 65535 rounded to nearest: 25000, 32767.9, 500; 30000, 49151, 9259; opaque.
        {"16-bit alpha",
         Layout(3, 16, PNG_COLOR_TYPE_RGB_ALPHA, Be16s({50000, 65535, 1000, 32768, 40000, 65535,
                                                        12345, 49151, 65535, 1, 12345, 65535})),
         {Rgb{25000, 32768, 500}, Rgb{30000, 49151, 9259}, Rgb{65535, 1, 12345}}},
        {"grey colour key", grey_key, {Grey8(49), Grey8(0), Grey8(51)}},
        {"gamma of the display", display, {Grey8(0), Grey8(16), Grey8(64), Grey8(128), Grey8(255)}},
        {"linear gamma", linear, {Grey8(0), Grey8(72), Grey8(136), Grey8(186), Grey8(255)}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectPixels(MustDecode(kFormatPng, MakePng(c.layout)), c.layout.width, c.expect, true);
    }
}

uint32_t Be32At(const Bytes& b, std::size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Offset of the first chunk of a type, or 0.
std::size_t FindChunk(const Bytes& f, const char* type) {
    for (std::size_t at = 8; at + 12 <= f.size(); at += 12 + Be32At(f, at))
        if (std::memcmp(f.data() + at + 4, type, 4) == 0) return at;
    return 0;
}

void SetBe32(Bytes& f, std::size_t at, uint32_t v) {
    ASSERT_LE(at + 4, f.size());
    for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

void FixCrc(Bytes& f, std::size_t chunk) {
    const uint32_t length = Be32At(f, chunk);
    SetBe32(f, chunk + 8 + length,
            static_cast<uint32_t>(crc32(0, f.data() + chunk + 4, length + 4)));
}

TEST(PngRefuse, DamagedAndAbsurdFiles) {
    Bytes rows(16 * 16 * 3);
    std::mt19937 rng(2);
    for (auto& b : rows) b = static_cast<uint8_t>(rng());
    const Bytes good = MakePng(Layout(16, 8, PNG_COLOR_TYPE_RGB, rows, 16));
    const std::size_t idat = FindChunk(good, "IDAT");
    const std::size_t idat_end = idat + 12 + Be32At(good, idat);
    Bytes bad_sig = good;
    bad_sig[1] = 'Q';
    Bytes crc = good;
    crc[idat_end - 1] ^= 0x55;
    auto with_size = [&](uint32_t w, uint32_t h) {
        Bytes f = good;
        SetBe32(f, 16, w);
        SetBe32(f, 20, h);
        FixCrc(f, 8);
        return f;
    };
    const Refusal cases[] = {
        // clang-format off
        {"signature", bad_sig, IoStatus::NotThisFormat},
        // After the image data only IEND is missing: the picture is whole.
        {"no IEND", Bytes(good.begin(), good.begin() + idat_end), IoStatus::Ok},
        {"data CRC", crc, IoStatus::Damaged, "IDAT: CRC error"},
        {"huge area", with_size(100000, 100000), IoStatus::TooLarge, ""},
        {"far beyond the file", with_size(30000, 30000), IoStatus::Damaged,
         "file too short for the image size"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatPng, c);
}

}  // namespace
}  // namespace orva
