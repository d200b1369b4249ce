// The background operations of 'orva-cli apply': extra pictures, clicked places, and the
// refusals a script needs to hear about.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/orva_cli.h"

namespace orva {
namespace {

using testing::Cli;
using testing::Read;
using testing::RunCli;

class BackgroundCli : public testing::SamplePictureTest {
protected:
    BackgroundCli() : SamplePictureTest(64, 48) {}
};

TEST_F(BackgroundCli, CompareWithItselfGivesTheReferenceLevel) {
    ASSERT_EQ(Cli(dir, Apply("compare", "d.ppm", "--with " + In() + " --set compare_level=100")),
              0);
    const DecodedImage d = Read(dir.Path("d.ppm"));
    ASSERT_EQ(d.width, 64);
    EXPECT_EQ(d.red[0], 100 * 256 - 1);
    EXPECT_EQ(d.blue[d.blue.size() - 1], 100 * 256 - 1);
}

TEST_F(BackgroundCli, BackgroundImageAndGeneratedBackground) {
    ASSERT_EQ(Cli(dir, Apply("make-background", "bg.ppm", "--set back3=16,4,0,30,0")), 0);
    const DecodedImage bg = Read(dir.Path("bg.ppm"));
    EXPECT_EQ(bg.width, 64);
    EXPECT_EQ(bg.height, 48);
    ASSERT_EQ(Cli(dir, Apply("background-image", "c.ppm",
                             "--background " + dir.Path("bg.ppm") + " --set back1=4,0,30")),
              0);
    ASSERT_EQ(Cli(dir, Apply("make-background", "e.ppm", "--set back3=16,4,2,30,0")), 0);
    // Correcting by the generated background in one step equals doing it in two.
    const DecodedImage c = Read(dir.Path("c.ppm")), e = Read(dir.Path("e.ppm"));
    ASSERT_EQ(c.green.size(), e.green.size());
    EXPECT_TRUE(std::equal(c.green.data(), c.green.data() + c.green.size(), e.green.data()));
}

TEST_F(BackgroundCli, PointsAndRadialRefusals) {
    EXPECT_EQ(Cli(dir, Apply("background-points", "p.ppm", "--points 3,3 60,3 30,24 3,44 60,44")),
              0);
    const auto outside = RunCli(dir, Apply("background-points", "p.ppm", "--points 3,3 64,3"));
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.err.find("outside the picture"), std::string::npos);
    EXPECT_EQ(Cli(dir, Apply("background-points", "p.ppm", "--points 3,3")), 1);
    EXPECT_EQ(Cli(dir, Apply("compare", "p.ppm", "")), 1);  // nothing to compare with
    const auto no_edges = RunCli(dir, Apply("background", "r.ppm", ""));
    EXPECT_EQ(no_edges.status, 1);
    EXPECT_NE(no_edges.err.find("edge levels"), std::string::npos);
    EXPECT_EQ(Cli(dir, Apply("background", "r.ppm", "--set back2=1,100,50,100,50,100,50")), 0);
}

}  // namespace
}  // namespace orva
