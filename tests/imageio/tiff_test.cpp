// Our own reader of plain RGB TIFF files and libtiff for the rest, on hand-made files; the
// 48-bit writer byte by byte; files of 32 and 64-bit samples (what other stacking programs
// save) read as floating-point FITS data is, and written as 32-bit floats by stacking's --float.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "imageio/tiff_builder.h"
#include "support/files.h"
#include "support/images.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

struct Field {
    uint16_t tag, type;
    std::vector<uint32_t> values;
};

// Where MakeTiff puts the data: right after the 8-byte header.
constexpr uint32_t kData = 8;

// A classic TIFF: the header, `data` from offset 8, the directory (fields sorted by tag),
// then the values that do not fit in their entries.
Bytes MakeTiff(bool big, std::vector<Field> fields, const Bytes& data) {
    std::sort(fields.begin(), fields.end(),
              [](const Field& a, const Field& b) { return a.tag < b.tag; });
    Tiff t(big);
    t.Raw(data);
    t.Pad(data.size() & 1);  // the directory starts on a word
    std::vector<Tiff::Field> entries;
    for (const Field& f : fields) {
        Bytes v;
        for (const uint32_t x : f.values) v = Tiff::Cat(v, f.type == kShort ? t.U16(x) : t.U32(x));
        entries.push_back({f.tag, f.type, static_cast<uint32_t>(f.values.size()), v});
    }
    t.Set32(4, t.Ifd(entries));
    return t.bytes();
}

// The fields of an uncompressed image in one strip at kData.
std::vector<Field> Plain(uint32_t w, uint32_t h, std::vector<uint32_t> bits, uint32_t photometric,
                         uint32_t data_bytes) {
    const auto samples = static_cast<uint32_t>(bits.size());
    return {{256, kShort, {w}},           {257, kShort, {h}},
            {258, kShort, bits},          {259, kShort, {1}},
            {262, kShort, {photometric}}, {273, kLong, {kData}},
            {277, kShort, {samples}},     {278, kLong, {h}},
            {279, kLong, {data_bytes}}};
}

void SetField(std::vector<Field>& fields, Field f) {
    for (Field& old : fields) {
        if (old.tag == f.tag) {
            old = std::move(f);
            return;
        }
    }
    fields.push_back(std::move(f));
}

// 16-bit samples in the file's byte order.
Bytes Samples16(const std::vector<uint16_t>& v, bool big) {
    const Tiff t(big);
    Bytes b;
    for (const uint16_t x : v) b = Tiff::Cat(b, t.U16(x));
    return b;
}

// Hand-made files, read by our own reader (plain chunky RGB) or handed to libtiff.
TEST(TiffRead, HandWorkedFiles) {
    const std::vector<uint16_t> v16 = {0x0102, 0xFFFF, 0x8001, 0x1234, 0x0000, 0x00FF,
                                       0xABCD, 0x0001, 0x7FFF, 0x4321, 0xFF00, 0x0F0F};
    const std::vector<Rgb> v16_expect = {{0xABCD, 0x0001, 0x7FFF},
                                         {0x4321, 0xFF00, 0x0F0F},
                                         {0x0102, 0xFFFF, 0x8001},
                                         {0x1234, 0x0000, 0x00FF}};
    // BitsPerSample given once for all samples, sizes as LONG, the offset as SHORT.
    std::vector<Field> f16 = Plain(2, 2, {16}, 2, 24);
    SetField(f16, {256, kLong, {2}});
    SetField(f16, {273, kShort, {kData}});
    SetField(f16, {277, kShort, {3}});
    // Three strips of one row each, one after another.
    std::vector<Field> strips = Plain(1, 3, {8, 8, 8}, 2, 9);
    SetField(strips, {273, kLong, {kData, kData + 3, kData + 6}});
    SetField(strips, {278, kShort, {1}});
    SetField(strips, {279, kLong, {3, 3, 3}});
    // RGBA with unassociated alpha: the colour is kept as it is, even where alpha is 0.
    std::vector<Field> rgba = Plain(2, 1, {8, 8, 8, 8}, 2, 8);
    rgba.push_back({338, kShort, {2}});
    // 2-bit indices 3, 0, 1, 2; the map lists 4 reds, then 4 greens, then 4 blues.
    std::vector<Field> palette = Plain(4, 1, {2}, 3, 1);
    palette.push_back({320,
                       kShort,
                       {0x1111, 0x2222, 0x3333, 0xFFFF, 0x0102, 0x0304, 0x0506, 0x0708, 0xA000,
                        0xB000, 0xC000, 0xD000}});
    // The older layout carries Orientation but neither RowsPerStrip nor StripByteCounts.
    std::vector<Field> old = Plain(1, 2, {16, 16, 16}, 2, 12);
    std::erase_if(old, [](const Field& f) { return f.tag == 278 || f.tag == 279; });
    old.push_back({274, kShort, {1}});
    const Rgb W = Grey(255 << 8), K = Grey(0);
    const PixelCase cases[] = {
        // clang-format off
        {"8-bit RGB, top row first",
         MakeTiff(false, Plain(2, 2, {8, 8, 8}, 2, 12), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 2,
         {C8(7, 8, 9), C8(10, 11, 12), C8(1, 2, 3), C8(4, 5, 6)}},
        {"16-bit RGB, II", MakeTiff(false, f16, Samples16(v16, false)), 2, v16_expect},
        {"16-bit RGB, MM", MakeTiff(true, f16, Samples16(v16, true)), 2, v16_expect},
        {"older eight-entry layout", MakeTiff(false, old, Samples16({1, 2, 3, 4, 5, 6}, false)), 1, {Rgb{4, 5, 6}, Rgb{1, 2, 3}}},
        {"strips one after another", MakeTiff(false, strips, {1, 1, 1, 2, 2, 2, 3, 3, 3}), 1,
         {C8(3, 3, 3), C8(2, 2, 2), C8(1, 1, 1)}},
        // One 16-bit sample per pixel: not 5-5-5 colour, but grey.
        {"16-bit grey",
         MakeTiff(false, Plain(3, 1, {16}, 1, 6), Samples16({0x0102, 0xFFFF, 0x8001}, false)), 3,
         {Grey(0x0102), Grey(0xFFFF), Grey(0x8001)}},
        // 1 bit, white at zero; rows padded to whole bytes, so row 2 starts at byte 2.
        {"1-bit, white zero", MakeTiff(false, Plain(9, 2, {1}, 0, 4), {0x80, 0x00, 0x00, 0x80}), 9,
         {W, W, W, W, W, W, W, W, K, K, W, W, W, W, W, W, W, W}},
        {"unassociated alpha ignored", MakeTiff(false, rgba, {10, 20, 30, 0, 40, 50, 60, 128}), 2,
         {C8(10, 20, 30), C8(40, 50, 60)}},
        {"palette, 16-bit map", MakeTiff(false, palette, {0b11000110}), 4,
         {Rgb{0xFFFF, 0x0708, 0xD000}, Rgb{0x1111, 0x0102, 0xA000}, Rgb{0x2222, 0x0304, 0xB000},
          Rgb{0x3333, 0x0506, 0xC000}}},
        // clang-format on
    };
    for (const PixelCase& c : cases) ExpectDecodes(kFormatTiff, c);
}

TEST(TiffRefuse, DamagedAbsurdAndUnsupportedFiles) {
    const Bytes file = MakeTiff(false, Plain(1, 1, {8, 8, 8}, 2, 3), {1, 2, 3});
    Bytes far_directory = file;
    ASSERT_LT(file.size(), 256u);
    far_directory[4] = static_cast<uint8_t>(file.size() - 1);  // IFD0 at the last byte
    std::vector<Field> huge = Plain(1, 1, {8, 8, 8}, 2, 3);
    SetField(huge, {256, kLong, {(1u << 20) + 1}});
    std::vector<Field> floats = Plain(1, 1, {24}, 1, 3);
    floats.push_back({339, kShort, {3}});  // 24-bit floating-point samples
    const Refusal cases[] = {
        // clang-format off
        {"mixed byte order mark", {'I', 'M', 42, 0, 8, 0, 0, 0}, IoStatus::NotThisFormat, ""},
        {"directory outside", far_directory, IoStatus::Damaged,
         "first directory lies outside the file"},
        {"huge width", MakeTiff(false, huge, {1, 2, 3}), IoStatus::TooLarge, ""},
        // Within the limits, far beyond the file.
        {"far beyond the file", MakeTiff(false, Plain(30000, 30000, {8, 8, 8}, 2, 3), {1, 2, 3}),
         IoStatus::Damaged, ""},
        {"24-bit float samples", MakeTiff(false, floats, {0, 0x80, 0x3F}), IoStatus::Unsupported,
         "24-bit samples"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatTiff, c);

    // The memory budget on libtiff's path (our own reader's is the writers' test).
    const Bytes grey_file = MakeTiff(false, Plain(10, 10, {8}, 1, 100), Bytes(100, 1));
    EXPECT_EQ(RefusalStatus(kFormatTiff, grey_file, nullptr, 599), IoStatus::OutOfMemory);
    EXPECT_EQ(RefusalStatus(kFormatTiff, grey_file, nullptr, 600), IoStatus::Ok);
}

TEST(TiffWrite, HeaderAndPixelsOfATwoByOneImage) {
    TempDir dir;
    ImageRecord rec = MakeRecord(2, 1, 1);
    const uint16_t values[3][2] = {{0x0102, 0xFFFF}, {0x0304, 0x0000}, {0x0506, 0x8001}};
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < 2; ++i) rec.plane(c)[i] = values[c][i];
    ASSERT_TRUE(WriteTiff(dir.Path("a.tif"), rec).ok());
    Bytes expect = {
        0x49, 0x49, 0x2A, 0x00, 0x12, 0x00, 0x00, 0x00,  // "II", 42, directory at 18
        0x10, 0x00, 0x10, 0x00, 0x10, 0x00,              // bits per sample: 16, 16, 16
        0x80, 0x00, 0x00, 0x00,                          // strip offset: 128
        0x08, 0x00,                                      // eight entries
        0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // width 2
        0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // height 1
        0x02, 0x01, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,  // bits at 8
        0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // uncompressed
        0x06, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // RGB
        0x11, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00,  // strip at 128
        0x15, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // 3 samples
        0x17, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00,  // 12 bytes
    };
    expect.resize(128, 0);  // next directory 0, then zeros up to the pixels
    const Bytes pixels = {0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x80};
    expect.insert(expect.end(), pixels.begin(), pixels.end());
    EXPECT_EQ(ReadAll(dir.Path("a.tif")), expect);
}

struct WideLayout {
    uint16_t photometric, samples, bits, format;
    bool planar = false, tiled = false;
    uint16_t compression = COMPRESSION_NONE, predictor = PREDICTOR_NONE;
};

// A width x height TIFF written by libtiff; `v` in file order: rows from the top, the
// samples of a pixel together.
Bytes MakeWide(const TempDir& dir, const WideLayout& t, uint32_t width, uint32_t height,
               const std::vector<double>& v) {
    const std::string path = dir.Path("wide.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, t.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, t.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, t.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, t.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, t.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, t.compression);
    if (t.predictor != PREDICTOR_NONE) TIFFSetField(tif, TIFFTAG_PREDICTOR, t.predictor);
    if (t.samples == 4) {
        const uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
    }
    // One strip or one 16 x 16 tile per sample plane holds the whole picture.
    const uint32_t bw = t.tiled ? 16 : width, bh = t.tiled ? 16 : height;
    if (t.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, bw);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, bh);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    }
    const std::size_t bytes = t.bits / 8u, per_block = t.planar ? 1 : t.samples;
    for (uint16_t plane = 0; plane < (t.planar ? t.samples : 1); ++plane) {
        std::vector<uint8_t> block(std::size_t{bw} * bh * per_block * bytes, 0);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                for (std::size_t s = 0; s < per_block; ++s) {
                    const double d = v[(std::size_t{y} * width + x) * t.samples + plane + s];
                    uint8_t* at =
                        block.data() + ((std::size_t{y} * bw + x) * per_block + s) * bytes;
                    // The sample's bits in the low bytes (this machine is little-endian).
                    const uint64_t word = t.bits == 64 ? std::bit_cast<uint64_t>(d)
                                          : t.format == SAMPLEFORMAT_IEEEFP
                                              ? std::bit_cast<uint32_t>(static_cast<float>(d))
                                          : t.format == SAMPLEFORMAT_INT
                                              ? static_cast<uint32_t>(static_cast<int32_t>(d))
                                              : static_cast<uint32_t>(d);
                    std::memcpy(at, &word, bytes);
                }
        const auto size = static_cast<tmsize_t>(block.size());
        EXPECT_GE(t.tiled ? TIFFWriteEncodedTile(tif, plane, block.data(), size)
                          : TIFFWriteEncodedStrip(tif, plane, block.data(), size),
                  0);
    }
    TIFFClose(tif);
    return ReadAll(path);
}

// One row per sample kind: values within 0..1 are scaled by 65535 and rounded, others
// stretched channel by channel from minimum to maximum and truncated; NaN and infinities take
// no part and read as 0.
TEST(TiffWide, FloatAndIntegerSamplesReadAsFloatFitsIs) {
    TempDir dir;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    constexpr uint16_t kGrey = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB;
    constexpr uint16_t kFloat = SAMPLEFORMAT_IEEEFP;
    const WideLayout deflate{
        kGrey, 1, 32, kFloat, false, false, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_FLOATINGPOINT};
    const PixelCase cases[] = {
        // clang-format off
        {"float32 grey within 0..1, deflate, NaN",
         MakeWide(dir, deflate, 3, 2, {0, 0.5, 1, nan, 1000 / 65535.0, 0.25}), 3,
         {Grey(0), Grey(32768), Grey(65535), Grey(0), Grey(1000), Grey(16384)}},
        {"float32 RGB beyond 0..1, infinity",
         MakeWide(dir, {kRgb, 3, 32, kFloat}, 3, 1, {-1, 0, 100, 1, 0, 200, 3, 0, inf}), 3,
         {Rgb{0, 0, 0}, Rgb{32767, 0, 65535}, Rgb{65535, 0, 0}}},
        {"float64 RGB within 0..1, planar tiles",
         MakeWide(dir, {kRgb, 3, 64, kFloat, true, true}, 2, 2,
                  {0.5, 0, 1, 1, 1, 1, 0, 0, 0, 0.125, 0.25, -0.0}), 2,
         {Rgb{32768, 0, 65535}, Rgb{65535, 65535, 65535}, Rgb{0, 0, 0}, Rgb{8192, 16384, 0}}},
        {"int32 grey", MakeWide(dir, {kGrey, 1, 32, SAMPLEFORMAT_INT}, 3, 1, {-5, 0, 5}), 3,
         {Grey(0), Grey(32767), Grey(65535)}},
        {"uint32 RGBA, alpha ignored",
         MakeWide(dir, {kRgb, 4, 32, SAMPLEFORMAT_UINT}, 3, 1,
                  {0, 1, 7, 0, 4e9, 1, 8, 0, 1e9, 1, 9, 0}), 3,
         {Rgb{0, 0, 0}, Rgb{65535, 0, 32767}, Rgb{16383, 0, 65535}}},
        // clang-format on
    };
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectPixels(MustDecode(kFormatTiff, c.file), c.width, c.expect, true);
    }
}

// Every sample of a TIFF of one or three float planes, as libtiff reads it, rows from the top.
std::vector<float> LibTiffFloats(const std::string& path, int& planes) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return {};
    uint32_t w = 0, h = 0;
    uint16_t samples = 0, bits = 0, format = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLEFORMAT, &format);
    planes = bits == 32 && format == SAMPLEFORMAT_IEEEFP ? samples : 0;
    std::vector<float> v(std::size_t{w} * h * samples);
    for (uint32_t y = 0; y < h; ++y)
        TIFFReadScanline(tif, v.data() + std::size_t{y} * w * samples, y);
    TIFFClose(tif);
    return v;
}

// --float to a TIFF holds the very floats --float to a FITS file holds; a single plane with
// blank places keeps them as NaN.
TEST(TiffWide, FloatStackAndWriterKeepTheExactValues) {
    TempDir dir;
    ASSERT_EQ(Cli(dir, "sample " + dir.Path("set") + " 40 30"), 0);
    std::string lights;
    for (int i = 1; i <= 3; ++i)
        lights.append(" ").append(dir.Path("set/exposure-" + std::to_string(i) + ".fits"));
    for (const char* out : {"out.fits", "out.tif"})
        ASSERT_EQ(Cli(dir, std::string("stack ") + dir.Path(out) + lights + " --float"), 0) << out;
    LinearImage fits;
    ASSERT_TRUE(DecodeFitsLinear(ReadAll(dir.Path("out.fits")), fits).ok());
    int planes = 0;
    const std::vector<float> tiff = LibTiffFloats(dir.Path("out.tif"), planes);
    ASSERT_EQ(planes, fits.planes);
    ASSERT_EQ(tiff.size(), fits.data.size());
    for (std::size_t i = 0; i < tiff.size(); ++i) {
        const std::size_t p = static_cast<std::size_t>(planes), pixel = i / p, c = i % p;
        const std::size_t x = pixel % 40, y_top = pixel / 40;
        const float expect = fits.plane(static_cast<int>(c))[(29 - y_top) * 40 + x];
        ASSERT_EQ(std::bit_cast<uint32_t>(tiff[i]), std::bit_cast<uint32_t>(expect)) << i;
    }

    LinearImage grey;
    grey.width = 2;
    grey.height = 2;
    grey.planes = 1;
    grey.data = {1.5f, std::numeric_limits<float>::quiet_NaN(), -3.25f,
                 70000.0f};  // bottom row first
    ASSERT_TRUE(WriteTiffFloat(dir.Path("grey.tif"), grey).ok());
    const std::vector<float> back = LibTiffFloats(dir.Path("grey.tif"), planes);
    ASSERT_EQ(planes, 1);
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(std::vector<float>(back.begin(), back.begin() + 3),
              (std::vector<float>{-3.25f, 70000.0f, 1.5f}));
    EXPECT_TRUE(std::isnan(back[3]));
}

}  // namespace
}  // namespace orva
