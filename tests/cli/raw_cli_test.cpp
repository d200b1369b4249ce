// orva-cli on camera RAW files: convert develops with the RAW settings, info shows the
// camera fields, --dark and --set reach the development.
#include <gtest/gtest.h>

#include "raw/raw_fixtures.h"
#include "support/files.h"
#include "support/images.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

using testing::Cli;
using testing::RunCli;
using testing::TempDir;

std::string WriteRaw(const TempDir& dir, const std::string& name, int w, int h) {
    DngMosaic m = testing::MakeMosaic(w, h, testing::kGbrg, [](int c, int x, int y) {
        return static_cast<uint16_t>(500 + 300 * c + 11 * x + 5 * y);
    });
    m.white = 4095;
    m.make = "Orvacam";
    m.model = "X1";
    m.exposure = 2.5;
    m.f_number = 8;
    m.iso = 400;
    return testing::WriteFixture(dir.Path(name), m);
}

TEST(RawCli, ConvertDevelopsInfoShowsTheCameraAndSettingsAndDarksReachTheDevelopment) {
    TempDir dir;
    const std::string in = WriteRaw(dir, "x.dng", 40, 30);
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("a.tif")), 0);
    const DecodedImage a = testing::Read(dir.Path("a.tif"));
    EXPECT_EQ(std::pair(a.width, a.height), std::pair(40, 30));
    auto run = RunCli(dir, "info " + in);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("camera RAW 40x30 make=\"Orvacam\" model=\"X1\""), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("exposure=25/10 f-number=80/10 iso=400"), std::string::npos) << run.out;
    // The reference development (algorithm 1, quality 0) gives another picture.
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("b.tif") + " --set dark=1,0,2,0"), 0);
    EXPECT_NE(testing::At(a, 20, 15), testing::At(testing::Read(dir.Path("b.tif")), 20, 15));
    // The file as its own dark leaves nothing.
    ASSERT_EQ(Cli(dir, "convert " + in + " " + dir.Path("c.tif") + " --dark " + in), 0);
    EXPECT_EQ(testing::At(testing::Read(dir.Path("c.tif")), 20, 15), testing::Grey(0));

    const std::string other = WriteRaw(dir, "y.dng", 40, 32);
    run = RunCli(dir,
                 "convert " + in + " " + dir.Path("o.tif") + " --dark " + in + " --dark " + other);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("different sizes"), std::string::npos) << run.err;
    run = RunCli(
        dir, "info " + in + " --dark a.dng --dark b.dng --dark c.dng --dark d.dng --dark e.dng");
    EXPECT_EQ(run.status, 2);
    // A damaged RAW file is refused with a message; the program ends normally.
    testing::WriteAll(dir.Path("bad.cr2"), std::vector<uint8_t>(3000, 0x49));
    run = RunCli(dir, "convert " + dir.Path("bad.cr2") + " " + dir.Path("o.tif"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.cr2"), std::string::npos);
}

}  // namespace
}  // namespace orva
