// `orva-cli stack` with calibration and rejection options: any number of FITS frames into a
// float or 16-bit FITS that keeps header keys and says what was done.
#include <gtest/gtest.h>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::RunCli;
using testing::TempDir;

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
    EXPECT_EQ(img.width, 90);
    EXPECT_EQ(img.height, 70);
    const std::string header(bytes.begin(), bytes.begin() + 2880);
    EXPECT_NE(header.find("BITPIX  =                  -32"), std::string::npos);
    EXPECT_NE(header.find("HISTORY ORVA stacked 4 light frame(s)"), std::string::npos);
    EXPECT_NE(header.find("HISTORY rejection: winsorized"), std::string::npos);

    // 16-bit output and another format; inputs that are not FITS or do not match are refused.
    EXPECT_EQ(RunCli(dir, "stack " + dir.Path("out16.fits") + lights + " --reject sigma").status,
              0);
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
