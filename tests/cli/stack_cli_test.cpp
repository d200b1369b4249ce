// orva-cli's stacking commands end to end: files in, one stacked picture out.
#include <gtest/gtest.h>

#include <string>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

using testing::Read;
using testing::RunCli;
using testing::TempDir;

// A starfield exposure cut (dx, dy) further along the same sky.
std::string Exposure(const TempDir& dir, const std::string& name, int dx, int dy) {
    const std::string path = dir.Path(name);
    EXPECT_EQ(RunCli(dir, "starfield " + path + " 300 200 " + std::to_string(dx) + " " +
                              std::to_string(dy) + " 3")
                  .status,
              0);
    return path;
}

TEST(StackCli, CompositeOfFewAndManyAndLrgbRunAndBadArgumentsAreRefused) {
    TempDir dir;
    const std::string a = Exposure(dir, "a.fits", 0, 0), b = Exposure(dir, "b.fits", 9, -4);
    auto run = RunCli(dir, "composite " + dir.Path("out.ppm") + " " + a + " " + b +
                               " --set composite=0,20,1,1,5,1");
    ASSERT_EQ(run.status, 0) << run.err;
    const DecodedImage out = Read(dir.Path("out.ppm"));
    EXPECT_EQ(std::pair(out.width, out.height), std::pair(309, 204));
    // Five to sixteen files are stacked in groups with the compfile settings.
    std::string inputs;
    for (int i = 0; i < 5; ++i) inputs += " " + (i == 1 ? b : a);
    run = RunCli(dir,
                 "composite " + dir.Path("out.fits") + inputs + " --set compfile=0,20,1,1,5,1,0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(dir.Path("out.fits")).width, 309);
    EXPECT_EQ(RunCli(dir, "composite " + dir.Path("o.ppm") + inputs + " --points").status, 2);

    run = RunCli(dir, "lrgb " + dir.Path("o.ppm") + " --l " + a + " --rgb " + a);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 300);
    EXPECT_EQ(RunCli(dir, "composite " + dir.Path("o.ppm") + " " + a).status, 2);
    EXPECT_EQ(RunCli(dir, "lrgb " + dir.Path("o.ppm") + " --r " + a).status, 2);
    const auto missing =
        RunCli(dir, "composite " + dir.Path("o.ppm") + " " + a + " " + dir.Path("nothing.fits"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.empty());
}

// FITS frames into a float or 16-bit FITS that says
// what was done, and the inputs it cannot use refused with their names.
TEST(CliCalibratedStack, WritesFloatFitsWithHistoryAndRefusesWhatItCannotUse) {
    TempDir dir;
    ASSERT_EQ(RunCli(dir, "sample " + dir.Path("set") + " 90 70").status, 0);
    std::string lights;
    for (int i = 1; i <= 4; ++i)
        lights.append(" ").append(dir.Path("set/exposure-" + std::to_string(i) + ".fits"));
    const auto run = RunCli(dir, "stack " + dir.Path("out.fits") + lights + " --dark " +
                                     dir.Path("set/dark.fits") + " --reject winsor --float");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto bytes = testing::ReadAll(dir.Path("out.fits"));
    LinearImage img;
    ASSERT_TRUE(DecodeFitsLinear(bytes, img).ok());
    EXPECT_EQ(std::pair(img.width, img.height), std::pair(90, 70));
    const std::string header(bytes.begin(), bytes.begin() + 2880);
    EXPECT_NE(header.find("BITPIX  =                  -32"), std::string::npos);
    EXPECT_NE(header.find("HISTORY ORVA stacked 4 light frame(s)"), std::string::npos);
    EXPECT_NE(header.find("HISTORY rejection: winsorized"), std::string::npos);

    EXPECT_EQ(RunCli(dir, "stack " + dir.Path("out.tif") + lights + " --reject minmax").status, 0);
    const auto png = RunCli(dir, "stack " + dir.Path("x.fits") + lights + " " +
                                     dir.Path("set/colour-test.ppm") + " --reject sigma");
    EXPECT_NE(png.status, 0);
    EXPECT_NE(png.err.find("colour-test.ppm"), std::string::npos);
    ASSERT_EQ(RunCli(dir, "sample " + dir.Path("small") + " 40 30").status, 0);
    const auto small = RunCli(dir, "stack " + dir.Path("x.fits") + lights + " --flat " +
                                       dir.Path("small/starfield.fits"));
    EXPECT_NE(small.status, 0);
    EXPECT_NE(small.err.find("does not match"), std::string::npos);
    EXPECT_EQ(RunCli(dir, "stack " + dir.Path("x.fits") + lights + " --reject best").status, 2);
}

}  // namespace
}  // namespace orva
