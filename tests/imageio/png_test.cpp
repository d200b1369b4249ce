#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::ReadAll;
using testing::Shell;

using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint16_t, 3>;
using testing::TempDir;

// ---- making PNG files with libpng itself ----

struct PngLayout {
    int width = 1, height = 1;
    int depth = 8;
    int colour = PNG_COLOR_TYPE_RGB;
    bool interlace = false;
    Bytes rows;                      // packed file rows, top row first, 16-bit big-endian
    std::vector<png_color> palette;  // PLTE
    Bytes palette_alpha;             // tRNS of a palette file
    bool colour_key = false;         // tRNS of a grey or RGB file
    png_color_16 key{};
    png_uint_32 gamma = 0;  // gAMA times 100000; 0 writes none
};

void AppendToBytes(png_structp png, png_bytep data, std::size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

std::size_t RowBytes(const PngLayout& s) {
    const int channels = s.colour == PNG_COLOR_TYPE_RGB          ? 3
                         : s.colour == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : s.colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                 : 1;
    return (static_cast<std::size_t>(s.width) * channels * s.depth + 7) / 8;
}

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
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colour,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (!s.palette_alpha.empty())
        png_set_tRNS(png, info, s.palette_alpha.data(), static_cast<int>(s.palette_alpha.size()),
                     nullptr);
    if (s.colour_key) png_set_tRNS(png, info, nullptr, 0, &s.key);
    if (s.gamma != 0) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(s.gamma));
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    Bytes copy = s.rows;
    for (int y = 0; y < s.height; ++y) rows.push_back(copy.data() + y * RowBytes(s));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

// ---- reading helpers ----

Rgb C8(int r, int g, int b) {
    return {static_cast<uint16_t>(r << 8), static_cast<uint16_t>(g << 8),
            static_cast<uint16_t>(b << 8)};
}
Rgb Grey8(int v) {
    return C8(v, v, v);
}

// Pixel at column x, counting rows from the top of the picture.
Rgb Top(const DecodedImage& img, int x, int y_from_top) {
    const auto i = static_cast<std::size_t>(img.height - 1 - y_from_top) * img.width + x;
    return {img.red[i], img.green[i], img.blue[i]};
}

DecodedImage MustDecode(const Bytes& file) {
    DecodedImage img;
    const IoResult r = DecodeImage(file, kFormatPng, img);
    EXPECT_TRUE(r.ok()) << r.detail;
    return img;
}

bool SamePixels(const DecodedImage& a, const DecodedImage& b) {
    if (a.width != b.width || a.height != b.height) return false;
    const std::size_t n = static_cast<std::size_t>(a.width) * a.height;
    return std::memcmp(a.red.data(), b.red.data(), 2 * n) == 0 &&
           std::memcmp(a.green.data(), b.green.data(), 2 * n) == 0 &&
           std::memcmp(a.blue.data(), b.blue.data(), 2 * n) == 0;
}

TEST(PngRead, EightBitRgbRowsTopFirstSamplesTimes256) {
    PngLayout s;
    s.width = 2;
    s.height = 2;
    s.rows = {1, 2, 3, 250, 251, 252,  // top row
              0, 0, 0, 255, 128, 7};
    const DecodedImage img = MustDecode(MakePng(s));
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.height, 2);
    EXPECT_EQ(Top(img, 0, 0), C8(1, 2, 3));
    EXPECT_EQ(Top(img, 1, 0), C8(250, 251, 252));
    EXPECT_EQ(Top(img, 0, 1), C8(0, 0, 0));
    EXPECT_EQ(Top(img, 1, 1), C8(255, 128, 7));
    EXPECT_EQ(img.red[0], 0);  // memory row 0 is the bottom of the picture
}

TEST(PngRead, SixteenBitFilesKeepFullPrecision) {
    PngLayout rgb;
    rgb.width = 2;
    rgb.depth = 16;
    for (uint32_t v : {0x1234u, 0x0001u, 0xFFFFu, 0x8000u, 0x00FFu, 0xABCDu}) Put16(rgb.rows, v);
    const DecodedImage a = MustDecode(MakePng(rgb));
    EXPECT_EQ(Top(a, 0, 0), (Rgb{0x1234, 0x0001, 0xFFFF}));
    EXPECT_EQ(Top(a, 1, 0), (Rgb{0x8000, 0x00FF, 0xABCD}));

    PngLayout grey;
    grey.width = 3;
    grey.depth = 16;
    grey.colour = PNG_COLOR_TYPE_GRAY;
    for (uint32_t v : {0x0102u, 0xFEDCu, 0u}) Put16(grey.rows, v);
    const DecodedImage g = MustDecode(MakePng(grey));
    EXPECT_EQ(Top(g, 0, 0), (Rgb{0x0102, 0x0102, 0x0102}));
    EXPECT_EQ(Top(g, 1, 0), (Rgb{0xFEDC, 0xFEDC, 0xFEDC}));
    EXPECT_EQ(Top(g, 2, 0), (Rgb{0, 0, 0}));
}

TEST(PngRead, PalettesAndLowDepthGreyAreExpanded) {
    const std::vector<png_color> pal = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {1, 2, 3}};
    // 2-bit palette, width 5: indices 3 2 1 0 | 2 (packed high bits first).
    PngLayout p2;
    p2.width = 5;
    p2.depth = 2;
    p2.colour = PNG_COLOR_TYPE_PALETTE;
    p2.palette = pal;
    p2.rows = {0b11100100, 0b10000000};
    const DecodedImage a = MustDecode(MakePng(p2));
    EXPECT_EQ(Top(a, 0, 0), C8(1, 2, 3));
    EXPECT_EQ(Top(a, 1, 0), C8(70, 80, 90));
    EXPECT_EQ(Top(a, 2, 0), C8(40, 50, 60));
    EXPECT_EQ(Top(a, 3, 0), C8(10, 20, 30));
    EXPECT_EQ(Top(a, 4, 0), C8(70, 80, 90));

    PngLayout p8 = p2;
    p8.depth = 8;
    p8.width = 2;
    p8.rows = {3, 0};
    const DecodedImage b = MustDecode(MakePng(p8));
    EXPECT_EQ(Top(b, 0, 0), C8(1, 2, 3));
    EXPECT_EQ(Top(b, 1, 0), C8(10, 20, 30));

    // Grey below 8 bits is scaled to the full 8-bit range by bit replication.
    struct Case {
        int depth;
        Bytes row;
        std::vector<int> expect;
    };
    const Case cases[] = {
        {1, {0b10100000}, {255, 0, 255, 0}},
        {2, {0b00011011}, {0, 85, 170, 255}},
        {4, {0x0F, 0x59}, {0, 255, 85, 153}},
    };
    for (const Case& c : cases) {
        PngLayout g;
        g.width = 4;
        g.depth = c.depth;
        g.colour = PNG_COLOR_TYPE_GRAY;
        g.rows = c.row;
        const DecodedImage img = MustDecode(MakePng(g));
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(Top(img, x, 0), Grey8(c.expect[x])) << c.depth << " " << x;
    }
}

TEST(PngRead, AlphaIsCompositedOverBlackWithExactRounding) {
    // c * a / 255 rounded to nearest: 200 over alpha 0, 1, 128, 254, 255 and 255 over 128.
    PngLayout s;
    s.width = 6;
    s.colour = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows = {200, 200, 200, 0,   200, 100, 0,   1,   200, 0,   255, 128,
              200, 20,  2,   254, 200, 201, 202, 255, 255, 255, 255, 128};
    const DecodedImage img = MustDecode(MakePng(s));
    EXPECT_EQ(Top(img, 0, 0), C8(0, 0, 0));
    EXPECT_EQ(Top(img, 1, 0), C8(1, 0, 0));        // 0.78 and 0.39
    EXPECT_EQ(Top(img, 2, 0), C8(100, 0, 128));    // 100.39, 0, 128.0
    EXPECT_EQ(Top(img, 3, 0), C8(199, 20, 2));     // 199.2, 19.92, 1.99
    EXPECT_EQ(Top(img, 4, 0), C8(200, 201, 202));  // opaque keeps its colour
    EXPECT_EQ(Top(img, 5, 0), C8(128, 128, 128));

    PngLayout ga;
    ga.width = 2;
    ga.colour = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {100, 51, 255, 0};
    const DecodedImage g = MustDecode(MakePng(ga));
    EXPECT_EQ(Top(g, 0, 0), Grey8(20));
    EXPECT_EQ(Top(g, 1, 0), Grey8(0));
}

TEST(PngRead, SixteenBitAlphaIsCompositedAtSixteenBits) {
    // c * a / 65535 rounded to nearest.
    PngLayout s;
    s.width = 3;
    s.depth = 16;
    s.colour = PNG_COLOR_TYPE_RGB_ALPHA;
    for (uint32_t v : {50000u, 65535u, 1000u, 32768u,   // 25000, 32767.9, 500
                       40000u, 65535u, 12345u, 49151u,  // 30000, 49151, 9259
                       65535u, 1u, 12345u, 65535u})     // opaque
        Put16(s.rows, v);
    const DecodedImage img = MustDecode(MakePng(s));
    EXPECT_EQ(Top(img, 0, 0), (Rgb{25000, 32768, 500}));
    EXPECT_EQ(Top(img, 1, 0), (Rgb{30000, 49151, 9259}));
    EXPECT_EQ(Top(img, 2, 0), (Rgb{65535, 1, 12345}));
}

TEST(PngRead, TransparencyChunkCountsAsAlpha) {
    // Palette entries: 0 transparent, 1 half, 2 opaque (no alpha given: opaque).
    PngLayout p;
    p.width = 3;
    p.colour = PNG_COLOR_TYPE_PALETTE;
    p.palette = {{200, 100, 50}, {200, 100, 50}, {200, 100, 50}};
    p.palette_alpha = {0, 128};
    p.rows = {0, 1, 2};
    const DecodedImage a = MustDecode(MakePng(p));
    EXPECT_EQ(Top(a, 0, 0), C8(0, 0, 0));
    EXPECT_EQ(Top(a, 1, 0), C8(100, 50, 25));
    EXPECT_EQ(Top(a, 2, 0), C8(200, 100, 50));

    // A colour key makes exactly that grey or that colour black.
    PngLayout g;
    g.width = 3;
    g.colour = PNG_COLOR_TYPE_GRAY;
    g.colour_key = true;
    g.key.gray = 50;
    g.rows = {49, 50, 51};
    const DecodedImage b = MustDecode(MakePng(g));
    EXPECT_EQ(Top(b, 0, 0), Grey8(49));
    EXPECT_EQ(Top(b, 1, 0), Grey8(0));
    EXPECT_EQ(Top(b, 2, 0), Grey8(51));

    PngLayout c;
    c.width = 2;
    c.depth = 16;
    c.colour_key = true;
    c.key.red = 0x1000;
    c.key.green = 0x2000;
    c.key.blue = 0x3000;
    for (uint32_t v : {0x1000u, 0x2000u, 0x3000u, 0x1000u, 0x2000u, 0x3001u}) Put16(c.rows, v);
    const DecodedImage d = MustDecode(MakePng(c));
    EXPECT_EQ(Top(d, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(Top(d, 1, 0), (Rgb{0x1000, 0x2000, 0x3001}));
}

TEST(PngRead, GammaChunkIsCorrectedForADisplayOfGamma22) {
    // A file of gamma 1.0 shown on a 2.2 display: v -> 255 * (v / 255)^(1 / 2.2).
    PngLayout s;
    s.width = 5;
    s.colour = PNG_COLOR_TYPE_GRAY;
    s.gamma = 100000;
    s.rows = {0, 16, 64, 128, 255};
    const DecodedImage img = MustDecode(MakePng(s));
    for (int x = 0; x < 5; ++x) {
        const double expect = 255 * std::pow(s.rows[x] / 255.0, 1 / 2.2);
        EXPECT_NEAR(Top(img, x, 0)[0] / 256.0, expect, 0.51) << x;
        EXPECT_EQ(Top(img, x, 0)[0] % 256, 0) << x;
    }
    EXPECT_EQ(Top(img, 2, 0), Grey8(136));

    // A file made for such a display is left as it is.
    s.gamma = 45455;
    const DecodedImage same = MustDecode(MakePng(s));
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Top(same, x, 0), Grey8(s.rows[x])) << x;

    // 16 bits: corrected through libpng's 16-bit tables, close to the exact curve.
    PngLayout w;
    w.width = 3;
    w.depth = 16;
    w.colour = PNG_COLOR_TYPE_GRAY;
    w.gamma = 100000;
    for (uint32_t v : {1000u, 20000u, 60000u}) Put16(w.rows, v);
    const DecodedImage deep = MustDecode(MakePng(w));
    const uint32_t in[3] = {1000, 20000, 60000};
    for (int x = 0; x < 3; ++x) {
        const double expect = 65535 * std::pow(in[x] / 65535.0, 1 / 2.2);
        EXPECT_NEAR(Top(deep, x, 0)[0], expect, expect * 0.002 + 2) << x;
    }
}

TEST(PngRead, InterlacedFilesEqualTheirPlainTwins) {
    std::mt19937 rng(7);
    struct Kind {
        int colour, depth;
    };
    const Kind kinds[] = {{PNG_COLOR_TYPE_RGB, 8},        {PNG_COLOR_TYPE_RGB_ALPHA, 16},
                          {PNG_COLOR_TYPE_PALETTE, 2},    {PNG_COLOR_TYPE_GRAY, 1},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {PNG_COLOR_TYPE_RGB, 16}};
    const std::array<int, 2> sizes[] = {{1, 1}, {2, 3}, {5, 5}, {8, 8}, {9, 17}, {33, 7}, {3, 1}};
    for (const Kind& k : kinds) {
        for (const auto& size : sizes) {
            PngLayout s;
            s.width = size[0];
            s.height = size[1];
            s.colour = k.colour;
            s.depth = k.depth;
            if (k.colour == PNG_COLOR_TYPE_PALETTE)
                s.palette = {{1, 2, 3}, {50, 60, 70}, {200, 10, 20}, {255, 255, 0}};
            s.rows.resize(RowBytes(s) * s.height);
            for (auto& b : s.rows) b = static_cast<uint8_t>(rng());
            const DecodedImage plain = MustDecode(MakePng(s));
            s.interlace = true;
            const Bytes file = MakePng(s);
            ASSERT_EQ(file[28], 1);  // the IHDR interlace method
            const DecodedImage laced = MustDecode(file);
            EXPECT_TRUE(SamePixels(plain, laced))
                << "colour type " << k.colour << " depth " << k.depth << " size " << size[0] << "x"
                << size[1];
        }
    }
}

// ---- refused files ----

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

IoStatus StatusOf(const Bytes& file, std::string* detail = nullptr, uint64_t budget = UINT64_MAX) {
    return testing::RefusalStatus(kFormatPng, file, detail, budget);
}

Bytes SmallRgb(int w, int h, uint32_t seed) {
    PngLayout s;
    s.width = w;
    s.height = h;
    std::mt19937 rng(seed);
    s.rows.resize(RowBytes(s) * h);
    for (auto& b : s.rows) b = static_cast<uint8_t>(rng());
    return MakePng(s);
}

TEST(PngRefuse, SignatureTruncationAndEveryCutBeforeTheImageEnds) {
    const Bytes good = SmallRgb(7, 5, 1);
    EXPECT_EQ(StatusOf({}), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf(Bytes(good.begin(), good.begin() + 7)), IoStatus::NotThisFormat);
    Bytes bad_sig = good;
    bad_sig[1] = 'Q';
    EXPECT_EQ(StatusOf(bad_sig), IoStatus::NotThisFormat);

    const std::size_t idat = FindChunk(good, "IDAT");
    ASSERT_GT(idat, 0u);
    const std::size_t image_end = idat + 12 + Be32At(good, idat);
    std::string why;
    for (std::size_t n = 8; n < image_end; ++n)
        ASSERT_EQ(StatusOf(Bytes(good.begin(), good.begin() + n), &why), IoStatus::Damaged) << n;
    // After the image data only IEND is missing: the picture is whole.
    EXPECT_EQ(StatusOf(Bytes(good.begin(), good.begin() + image_end)), IoStatus::Ok);
}

TEST(PngRefuse, ChecksumErrorsAndCorruptImageData) {
    const Bytes good = SmallRgb(16, 16, 2);
    std::string why;
    Bytes header = good;
    header[23] ^= 1;  // height changed, CRC not
    EXPECT_EQ(StatusOf(header, &why), IoStatus::Damaged);
    EXPECT_EQ(why, "IHDR: CRC error");

    const std::size_t idat = FindChunk(good, "IDAT");
    const std::size_t idat_end = idat + 12 + Be32At(good, idat);
    Bytes crc = good;
    crc[idat_end - 1] ^= 0x55;
    EXPECT_EQ(StatusOf(crc, &why), IoStatus::Damaged);
    EXPECT_EQ(why, "IDAT: CRC error");

    // Changed image data: zlib's own check fails before the chunk's CRC is reached.
    Bytes data = good;
    data[idat + 8 + 10] ^= 0x55;
    EXPECT_EQ(StatusOf(data, &why), IoStatus::Damaged);

    // A corrupt stream with a correct CRC is caught by zlib too.
    Bytes stream = good;
    stream[idat + 9] ^= 0x01;  // the zlib header's check bits
    FixCrc(stream, idat);
    EXPECT_EQ(StatusOf(stream, &why), IoStatus::Damaged);

    // A stream one row short: the IDAT of a 16-row file under a 17-row header.
    Bytes taller = good;
    taller[23] = 17;
    FixCrc(taller, 8);
    EXPECT_EQ(StatusOf(taller, &why), IoStatus::Damaged);
    EXPECT_EQ(why, "Not enough image data");
}

TEST(PngRefuse, SizesZeroAbsurdOrBeyondTheFile) {
    const Bytes good = SmallRgb(2, 2, 3);
    auto with_size = [&](uint32_t w, uint32_t h) {
        Bytes f = good;
        SetBe32(f, 16, w);
        SetBe32(f, 20, h);
        FixCrc(f, 8);
        return f;
    };
    EXPECT_EQ(StatusOf(with_size(0, 2)), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with_size(2, 0)), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(with_size(0x7FFFFFFF, 1)), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(with_size(100000, 100000)), IoStatus::TooLarge);
    std::string why;
    EXPECT_EQ(StatusOf(with_size(30000, 30000), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "file too short for the image size");
}

TEST(PngRefuse, MemoryBudgetGivesOutOfMemory) {
    const Bytes file = SmallRgb(50, 40, 4);
    EXPECT_EQ(StatusOf(file, nullptr, 50 * 40 * 6 - 1), IoStatus::OutOfMemory);
    EXPECT_EQ(StatusOf(file, nullptr, 50 * 40 * 6), IoStatus::Ok);
}

// ---- writing ----

ImageRecord MakeRecord(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        rec.plane(c).Allocate(static_cast<std::size_t>(w) * h);
        for (std::size_t i = 0; i < rec.plane(c).size(); ++i)
            rec.plane(c)[i] = static_cast<uint16_t>(rng());
    }
    return rec;
}

void ExpectHighBytes(const DecodedImage& img, const ImageRecord& rec, bool grey = false) {
    ASSERT_EQ(img.width, rec.width);
    ASSERT_EQ(img.height, rec.height);
    for (int c = 0; c < 3; ++c) {
        const Plane& back = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        const Plane& src = rec.plane(grey ? 0 : c);
        for (std::size_t i = 0; i < back.size(); ++i)
            if (back[i] != (src[i] & 0xFF00)) FAIL() << "channel " << c << " sample " << i;
    }
}

TEST(PngWrite, EightBitRgbNotInterlacedRoundTripsHighBytes) {
    TempDir dir;
    // Tall enough for several row blocks.
    const ImageRecord rec = MakeRecord(3001, 700, 5);
    const std::string path = dir.Path("a.png");
    ASSERT_TRUE(WriteImageFile(path, kFormatPng, rec).ok());
    const Bytes f = ReadAll(path);
    ASSERT_GT(f.size(), 33u);
    EXPECT_EQ(Be32At(f, 16), 3001u);
    EXPECT_EQ(Be32At(f, 20), 700u);
    EXPECT_EQ(f[24], 8);  // bit depth
    EXPECT_EQ(f[25], 2);  // colour type RGB
    EXPECT_EQ(f[28], 0);  // not interlaced
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(path, kFormatPng, img).ok());
    ExpectHighBytes(img, rec);
}

TEST(PngWrite, SinglePlaneRecordIsWrittenGreyFromRed) {
    TempDir dir;
    ImageRecord rec = MakeRecord(5, 4, 6);
    rec.single_plane = 1;
    ASSERT_TRUE(WritePng(dir.Path("g.png"), rec).ok());
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(dir.Path("g.png"), kFormatPng, img).ok());
    ExpectHighBytes(img, rec, true);
}

TEST(PngWrite, UnwritablePathIsReportedAndNothingIsLeft) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(2, 2, 7);
    EXPECT_EQ(WritePng(dir.Path("no/such/folder/x.png"), rec).status, IoStatus::CannotOpen);
    EXPECT_EQ(WritePng(dir.Path("e.png"), ImageRecord{}).status, IoStatus::Unsupported);
    EXPECT_TRUE(std::filesystem::is_empty(dir.dir()));
}

// ---- files of another program, and ours in another program ----

TEST(PngPeer, FilesWrittenByImageMagickReadLikeItsOwnPpm) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    ImageRecord rec = MakeRecord(23, 11, 8);
    // A few equal pixels so that the palette kinds have something to keep.
    const std::string source = dir.Path("source.ppm");
    ASSERT_TRUE(WritePnm(source, rec, false).ok());

    struct Kind {
        const char* name;
        const char* options;
        int depth;  // of the reference PPM
        int colour_type;
        int bit_depth;
        int interlace;
    };
    const Kind kinds[] = {
        {"rgb8", "-depth 8 PNG24:", 8, 2, 8, 0},
        {"rgb16", "-depth 16 PNG48:", 16, 2, 16, 0},
        {"palette", "-colors 50 PNG8:", 8, 3, 8, 0},
        {"grey8", "-colorspace Gray -depth 8 -define png:color-type=0 PNG:", 8, 0, 8, 0},
        {"grey16", "-colorspace Gray -depth 16 -define png:color-type=0 PNG:", 16, 0, 16, 0},
        {"mono", "-monochrome -define png:bit-depth=1 -define png:color-type=0 PNG:", 8, 0, 1, 0},
        {"rgb8_laced", "-depth 8 -interlace PNG PNG24:", 8, 2, 8, 1},
        {"rgb16_laced", "-depth 16 -interlace PNG PNG48:", 16, 2, 16, 1},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string png = dir.Path(std::string(k.name) + ".png");
        const std::string ppm = dir.Path(std::string(k.name) + ".ppm");
        ASSERT_EQ(Shell("convert-im6.q16 '" + source + "' " + k.options + "'" + png + "'"), 0);
        ASSERT_EQ(Shell("convert-im6.q16 '" + png + "' -depth " + std::to_string(k.depth) +
                        " PPM:'" + ppm + "'"),
                  0);
        const Bytes f = ReadAll(png);
        ASSERT_GT(f.size(), 29u);
        ASSERT_EQ(f[24], k.bit_depth);
        ASSERT_EQ(f[25], k.colour_type);
        ASSERT_EQ(f[28], k.interlace);

        DecodedImage ours, theirs;
        ASSERT_TRUE(ReadImageFile(png, kFormatPng, ours).ok());
        ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
        EXPECT_TRUE(SamePixels(ours, theirs));
    }
}

TEST(PngPeer, ImageMagickReadsOurFilesAsWritten) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    const ImageRecord rec = MakeRecord(37, 19, 9);
    const std::string png = dir.Path("ours.png");
    const std::string ppm = dir.Path("theirs.ppm");
    ASSERT_TRUE(WritePng(png, rec).ok());
    ASSERT_EQ(Shell("convert-im6.q16 '" + png + "' -depth 8 PPM:'" + ppm + "'"), 0);
    DecodedImage theirs;
    ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
    ExpectHighBytes(theirs, rec);
}

}  // namespace
}  // namespace orva
