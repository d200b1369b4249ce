// orva-cli end to end: exit status, one-line failures and exact round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Cli;
using testing::CliRun;
using testing::Read;
using testing::RunCli;
using testing::TempDir;

bool SamePlanes(const DecodedImage& a, const DecodedImage& b, int shift = 0) {
    if (a.width != b.width || a.height != b.height) return false;
    const std::size_t n = static_cast<std::size_t>(a.width) * a.height;
    for (std::size_t i = 0; i < n; ++i) {
        if ((a.red[i] >> shift) != (b.red[i] >> shift) ||
            (a.green[i] >> shift) != (b.green[i] >> shift) ||
            (a.blue[i] >> shift) != (b.blue[i] >> shift))
            return false;
    }
    return true;
}

TEST(Cli, RoundTripsThroughEveryWrittenFormatAreExact) {
    TempDir dir;
    ASSERT_EQ(Cli(dir, "sample " + dir.Path("s.ppm") + " 37 23"), 0);
    const DecodedImage original = Read(dir.Path("s.ppm"));
    // PPM binary -> ASCII -> binary: identical 16-bit planes.
    ASSERT_EQ(Cli(dir, "convert " + dir.Path("s.ppm") + " " + dir.Path("a.ppm") + " --ppm ascii"),
              0);
    ASSERT_EQ(Cli(dir, "convert " + dir.Path("a.ppm") + " " + dir.Path("b.ppm")), 0);
    EXPECT_TRUE(SamePlanes(original, Read(dir.Path("a.ppm"))));
    EXPECT_TRUE(SamePlanes(original, Read(dir.Path("b.ppm"))));
    // BMP keeps the high bytes exactly, and BMP -> BMP is lossless.
    ASSERT_EQ(Cli(dir, "convert " + dir.Path("s.ppm") + " " + dir.Path("c.bmp")), 0);
    ASSERT_EQ(Cli(dir, "convert " + dir.Path("c.bmp") + " " + dir.Path("d.bmp")), 0);
    EXPECT_TRUE(SamePlanes(original, Read(dir.Path("c.bmp")), 8));
    EXPECT_TRUE(SamePlanes(Read(dir.Path("c.bmp")), Read(dir.Path("d.bmp"))));
    const CliRun info = RunCli(dir, "info " + dir.Path("c.bmp"));
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, dir.Path("c.bmp") + ": BMP 37x23\n");
}

TEST(Cli, FailuresExitNonZeroWithOneLine) {
    TempDir dir;
    auto one_line = [](const CliRun& r) {
        return !r.err.empty() && r.err.find('\n') == r.err.size() - 1 &&
               r.err.rfind("orva-cli: ", 0) == 0;
    };
    const CliRun missing = RunCli(dir, "convert " + dir.Path("nope.bmp") + " " + dir.Path("x.ppm"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(one_line(missing)) << missing.err;
    EXPECT_FALSE(std::ifstream(dir.Path("x.ppm")).good());

    std::ofstream(dir.Path("bad.ppm")) << "P6\n4 4\n255\nxx";
    const CliRun damaged = RunCli(dir, "convert " + dir.Path("bad.ppm") + " " + dir.Path("x.bmp"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_TRUE(one_line(damaged)) << damaged.err;

    ASSERT_EQ(Cli(dir, "sample " + dir.Path("s.ppm") + " 4 4"), 0);
    const CliRun no_writer = RunCli(dir, "convert " + dir.Path("s.ppm") + " " + dir.Path("x.gif"));
    EXPECT_EQ(no_writer.status, 1);
    EXPECT_TRUE(one_line(no_writer));
    EXPECT_EQ(Cli(dir, "convert " + dir.Path("s.ppm") + " " + dir.Path("x.txt")), 1);

    const CliRun unknown_op =
        RunCli(dir, "apply blur " + dir.Path("s.ppm") + " " + dir.Path("y.ppm"));
    EXPECT_EQ(unknown_op.status, 1);
    EXPECT_TRUE(one_line(unknown_op));
    const CliRun bad_set = RunCli(
        dir, "apply sharpen " + dir.Path("s.ppm") + " " + dir.Path("y.ppm") + " --set sharp=99");
    EXPECT_EQ(bad_set.status, 1);
    EXPECT_NE(bad_set.err.find("--set sharp=99"), std::string::npos);
    EXPECT_EQ(Cli(dir, "convert only-one-arg"), 2);
    EXPECT_EQ(Cli(dir, "frobnicate"), 2);
}

TEST(Cli, InfoPrintsTheCameraFieldsOfJpegFiles) {
    TempDir dir;
    REQUIRE_TOOL("exiftool");
    const std::string jpg = dir.Path("cam.jpg");
    ASSERT_EQ(Cli(dir, "sample " + dir.Path("s.ppm") + " 16 8"), 0);
    ASSERT_EQ(Cli(dir, "convert " + dir.Path("s.ppm") + " " + jpg + " --jpeg jfif"), 0);
    ASSERT_EQ(testing::Shell("exiftool -q -overwrite_original -Make=Nikon -Model=D850 "
                             "-ModifyDate='2025:03:04 05:06:07' -ExposureTime=1/250 -FNumber=4 "
                             "-ISO=800 '" +
                             jpg + "'"),
              0);
    const CliRun r = RunCli(dir, "info " + jpg);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, jpg +
                         ": JPEG 16x8 make=\"Nikon\" model=\"D850\" date=\"2025:03:04 05:06:07\" "
                         "exposure=1/250 f-number=4/1 iso=800\n");
}

TEST(Cli, ApplyRunsTheOperationWithTheSettingsGiven) {
    TempDir dir;
    ASSERT_EQ(Cli(dir, "sample " + dir.Path("s.ppm") + " 37 23"), 0);
    const DecodedImage src = Read(dir.Path("s.ppm"));
    // A quarter turn: the top-left pixel of the result is the bottom-left of the source.
    ASSERT_EQ(Cli(dir, "apply rotate " + dir.Path("s.ppm") + " " + dir.Path("r.ppm") +
                           " --set round=0 --ppm binary"),
              0);
    const DecodedImage r = Read(dir.Path("r.ppm"));
    ASSERT_EQ(r.width, 23);
    ASSERT_EQ(r.height, 37);
    // The settings file is read before --set, which wins.
    {
        std::ofstream ovg(dir.Path("a.ovg"));
        ovg << "resize 1 0\n";
    }
    ASSERT_EQ(Cli(dir, "apply resize " + dir.Path("s.ppm") + " " + dir.Path("z.bmp") +
                           " --settings " + dir.Path("a.ovg") + " --set resize_size=37,23,74,46"),
              0);
    const DecodedImage z = Read(dir.Path("z.bmp"));
    EXPECT_EQ(z.width, 74);
    EXPECT_EQ(z.height, 46);
    // Nearest neighbour at 200 %: every source pixel becomes a 2 x 2 block.
    EXPECT_EQ(z.red[0] >> 8, src.red[0] >> 8);
    EXPECT_EQ(z.green[static_cast<std::size_t>(45) * 74 + 73] >> 8,
              src.green[static_cast<std::size_t>(22) * 37 + 36] >> 8);
    EXPECT_NE(Cli(dir, "apply resize " + dir.Path("s.ppm") + " " + dir.Path("q.bmp") +
                           " --settings " + dir.Path("missing.ovg")),
              0);
}

TEST(Cli, KeywordListingNamesTheSettingsVocabulary) {
    TempDir dir;
    const CliRun r = RunCli(dir, "keywords");
    EXPECT_EQ(r.status, 0);
    for (const char* kw : {"sharp ", "gamma ", "compfile ", "VER560 "})
        EXPECT_NE(r.out.find(kw), std::string::npos) << kw;
}

}  // namespace
}  // namespace orva
