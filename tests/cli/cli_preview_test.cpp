// `orva-cli preview`: the window's view of a file at a zoom, plain or stretched.
#include <gtest/gtest.h>

#include "imageio/formats.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::RunCli;
using testing::TempDir;

DecodedImage Load(const std::string& path) {
    DecodedImage img;
    EXPECT_TRUE(ReadImageFile(path, DetectFormat(path), img).ok()) << path;
    return img;
}

TEST(CliPreview, RendersTheWindowsViewAtAZoomPlainOrStretched) {
    TempDir dir;
    ASSERT_EQ(RunCli(dir, "sample " + dir.Path("set") + " 120 80").status, 0);
    const std::string in = dir.Path("set/exposure-1.fits");
    ASSERT_EQ(RunCli(dir, "preview " + in + " " + dir.Path("plain.png")).status, 0);
    ASSERT_EQ(RunCli(dir, "preview " + in + " " + dir.Path("half.png") + " --zoom 50").status, 0);
    ASSERT_EQ(RunCli(dir, "preview " + in + " " + dir.Path("twice.bmp") + " --zoom 200").status, 0);
    ASSERT_EQ(RunCli(dir, "preview " + in + " " + dir.Path("auto.png") + " --stretch auto").status,
              0);
    const DecodedImage source = Load(in), plain = Load(dir.Path("plain.png"));
    ASSERT_EQ(plain.width, 120);
    ASSERT_EQ(plain.height, 80);
    // At 100 % every screen level is the sample's high byte.
    for (std::size_t i = 0; i < source.red.size(); i += 37)
        ASSERT_EQ(plain.red[i] >> 8, source.red[i] >> 8) << i;
    EXPECT_EQ(Load(dir.Path("half.png")).width, 60);
    const DecodedImage twice = Load(dir.Path("twice.bmp"));
    EXPECT_EQ(twice.width, 240);
    EXPECT_EQ(twice.red[0] >> 8, plain.red[0] >> 8);
    // The stretch brightens the dark sky of linear data.
    const DecodedImage stretched = Load(dir.Path("auto.png"));
    long long sum_plain = 0, sum_auto = 0;
    for (std::size_t i = 0; i < plain.red.size(); ++i) {
        sum_plain += plain.red[i];
        sum_auto += stretched.red[i];
    }
    EXPECT_GT(sum_auto, 2 * sum_plain);

    EXPECT_EQ(RunCli(dir, "preview " + in + " " + dir.Path("x.png") + " --zoom 0").status, 2);
    EXPECT_NE(RunCli(dir, "preview " + dir.Path("none.fits") + " " + dir.Path("x.png")).status, 0);
}

}  // namespace
}  // namespace orva
