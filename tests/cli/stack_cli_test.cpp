// orva-cli's stacking commands end to end: files in, one stacked picture out.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/images.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

using testing::Read;
using testing::RunCli;
using testing::TempDir;

class StackCli : public ::testing::Test {
protected:
    // A starfield exposure cut (dx, dy) further along the same sky.
    std::string Exposure(const std::string& name, int w, int h, int dx, int dy) {
        const std::string path = dir.Path(name);
        std::string args = "starfield ";
        args += path;
        for (const int v : {w, h, dx, dy}) {
            args += ' ';
            args += std::to_string(v);
        }
        args += " 3";
        EXPECT_EQ(RunCli(dir, args).status, 0);
        return path;
    }
    TempDir dir;
};

TEST_F(StackCli, CompositeOfShiftedExposuresCoversBoth) {
    const std::string a = Exposure("a.fits", 300, 200, 0, 0);
    const std::string b = Exposure("b.fits", 300, 200, 9, -4);
    const auto run = RunCli(dir, "composite " + dir.Path("out.ppm") + " " + a + " " + b +
                                     " --set composite=0,20,1,1,5,1");
    ASSERT_EQ(run.status, 0) << run.err;
    const DecodedImage out = Read(dir.Path("out.ppm"));
    EXPECT_EQ(out.width, 309);
    EXPECT_EQ(out.height, 204);
    // Where both cover, the stack of one sky seen twice is that sky.
    const DecodedImage ref = Read(a);
    EXPECT_EQ(testing::At(out, 150, 100 + 4), testing::At(ref, 150, 100));
}

TEST_F(StackCli, StackKeepsTheFirstSixteenFilesAndSaysSo) {
    std::string inputs;
    for (int i = 0; i < 17; ++i) {
        std::string name = "e";
        name += std::to_string(i);
        name += ".fits";
        inputs += ' ';
        inputs += Exposure(name, 120, 90, i % 3, -(i % 2));
    }
    // Without the one-pixel rule the exact offsets are found.
    const auto run =
        RunCli(dir, "stack " + dir.Path("out.fits") + inputs + " --set compfile=0,20,1,1,5,1,0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("１６個を超えました"), std::string::npos);
    const DecodedImage out = Read(dir.Path("out.fits"));
    EXPECT_EQ(out.width, 122);
    EXPECT_EQ(out.height, 91);
}

TEST_F(StackCli, LrgbAndBadArguments) {
    const std::string l = Exposure("l.fits", 60, 40, 0, 0);
    const std::string c = Exposure("c.fits", 60, 40, 0, 0);
    const auto run = RunCli(dir, "lrgb " + dir.Path("o.ppm") + " --l " + l + " --rgb " + c);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 60);
    EXPECT_EQ(RunCli(dir, "composite " + dir.Path("o.ppm") + " " + l).status, 2);
    EXPECT_EQ(RunCli(dir, "lrgb " + dir.Path("o.ppm") + " --r " + l).status, 2);
    const auto missing =
        RunCli(dir, "stack " + dir.Path("o.ppm") + " " + l + " " + dir.Path("nothing.fits"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.empty());
}

}  // namespace
}  // namespace orva
