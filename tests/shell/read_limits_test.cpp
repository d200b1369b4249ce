// The pixel limit of the settings and header-only reads, the same through every reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imageio/formats.h"
#include "raw/raw_fixtures.h"
#include "shell/raw_commands.h"
#include "shell/settings.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

// A 4 x 3 GIF of one colour: each index behind a clear code, so the LZW codes stay 3 bits
// wide (clear 4 and index 1, twelve times, then the end code 5).
const Bytes kFlatGif = {'G',  'I',  'F',  '8',  '9',  'a',  4,    0,  3,    0,    0x80,
                        0,    0,    10,   20,   30,   40,   50,   60, 0x2C, 0,    0,
                        0,    0,    4,    0,    3,    0,    0,    2,  10,   0x0C, 0xC3,
                        0x30, 0x0C, 0xC3, 0x30, 0x0C, 0xC3, 0x30, 5,  0,    0x3B};

TEST(ReadLimits, EveryReaderKeepsThePixelLimitAndReadsTheHeaderAlone) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(4, 3, 9);
    std::vector<std::string> files;
    for (const char* name : {"a.bmp", "a.ppm", "a.tif", "a.png", "a.jpg", "a.fits"}) {
        files.push_back(dir.Path(name));
        EXPECT_TRUE(WriteImageFile(files.back(), DetectFormat(name), rec).ok()) << name;
    }
    files.push_back(dir.Path("a.gif"));
    WriteAll(files.back(), kFlatGif);
    // The RAW decoder takes no sensor smaller than 22 x 22.
    DngMosaic mosaic = MakeMosaic(32, 24, kRggb, [](int c, int x, int) {
        return static_cast<uint16_t>(200 + 300 * c + 40 * x);
    });
    mosaic.white = 4095;
    mosaic.make = "Orvacam";
    files.push_back(WriteFixture(dir.Path("a.dng"), mosaic));

    Harness h;
    AppContext& ctx = *h.ctx;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const int code = DetectFormat(file);
        DecodedImage full, head;
        const int pixels = code == kFormatRaw ? 32 * 24 : 12;
        ASSERT_TRUE(
            ApplySettingAssignment(ctx.settings, "max_pixels=" + std::to_string(pixels), nullptr));
        ASSERT_TRUE(ReadImageForLoad(ctx, file, code, full).ok());
        ASSERT_EQ(full.width * full.height, pixels);
        // The header alone: the same size and camera data, no planes.
        ASSERT_TRUE(ReadImageForLoad(ctx, file, code, head, true).ok());
        EXPECT_EQ(std::pair(head.width, head.height), std::pair(full.width, full.height));
        EXPECT_TRUE(head.red.empty());
        EXPECT_EQ(head.camera_make, full.camera_make);
        // One pixel fewer allowed (the settings keyword orva-cli's --max-pixels sets).
        ctx.settings.reading.max_pixels = pixels - 1;
        DecodedImage refused;
        const IoResult r = ReadImageForLoad(ctx, file, code, refused);
        EXPECT_EQ(r.status, IoStatus::TooLarge);
        EXPECT_NE(r.detail.find("more than the limit of " + std::to_string(pixels - 1)),
                  std::string::npos)
            << r.detail;
        EXPECT_TRUE(refused.red.empty());
    }
}

}  // namespace
}  // namespace orva
