// TIFF files of 32 and 64-bit samples (what other stacking programs save): read as
// floating-point FITS data is, and written as 32-bit floats by stacking's --float.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

using namespace testing;

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
                    if (t.format == SAMPLEFORMAT_IEEEFP && t.bits == 64) {
                        std::memcpy(at, &d, 8);
                    } else if (t.format == SAMPLEFORMAT_IEEEFP) {
                        const auto f = static_cast<float>(d);
                        std::memcpy(at, &f, 4);
                    } else if (t.format == SAMPLEFORMAT_INT) {
                        const auto i = static_cast<int32_t>(d);
                        std::memcpy(at, &i, 4);
                    } else {
                        const auto u = static_cast<uint32_t>(d);
                        std::memcpy(at, &u, 4);
                    }
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
    EXPECT_EQ(back[0], -3.25f);
    EXPECT_EQ(back[1], 70000.0f);
    EXPECT_EQ(back[2], 1.5f);
    EXPECT_TRUE(std::isnan(back[3]));
}

}  // namespace
}  // namespace orva
