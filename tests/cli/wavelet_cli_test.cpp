// orva-cli apply for wavelet processing and blur restoration.
#include <gtest/gtest.h>

#include <string>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Cli;
using testing::Read;
using testing::TempDir;

class WaveletCli : public testing::SamplePictureTest {
protected:
    WaveletCli() : SamplePictureTest(41, 27) {}
};

TEST_F(WaveletCli, UnitGainsKeepThePictureAndEnlargementDoublesIt) {
    ASSERT_EQ(Cli(dir, Apply("wavelet", "u.ppm", "--set wavelet=10,10,10,10,10,10")), 0);
    const DecodedImage u = Read(dir.Path("u.ppm"));
    EXPECT_EQ(u.red.span().size(), src.red.span().size());
    EXPECT_TRUE(std::equal(u.green.span().begin(), u.green.span().end(), src.green.span().begin()));

    ASSERT_EQ(Cli(dir, Apply("wavelet", "m.ppm", "--set wavelet=10,12,15,20,30,50")), 0);
    const DecodedImage m = Read(dir.Path("m.ppm"));
    EXPECT_EQ(m.width, 41);
    EXPECT_FALSE(std::equal(m.red.span().begin(), m.red.span().end(), src.red.span().begin()));

    // Haar enlargement with unit gains repeats every sample twice in both directions.
    ASSERT_EQ(
        Cli(dir, Apply("wavelet", "e.ppm", "--set wavelet=10,10,10,10,10,10 --set filter=1,1")), 0);
    const DecodedImage e = Read(dir.Path("e.ppm"));
    ASSERT_EQ(e.width, 82);
    ASSERT_EQ(e.height, 54);
    for (int y = 0; y < 54; y += 5) {
        for (int x = 0; x < 82; x += 3) {
            ASSERT_EQ(e.blue[std::size_t(y) * 82 + std::size_t(x)],
                      src.blue[std::size_t(y / 2) * 41 + std::size_t(x / 2)]);
        }
    }
}

TEST_F(WaveletCli, RestoreRunsWithItsKeyword) {
    // Spread 0.1 with blunting 5.0 uses the centre weight alone: nothing changes.
    ASSERT_EQ(Cli(dir, Apply("restore", "p.ppm", "--set restore=1,50,5,3")), 0);
    const DecodedImage p = Read(dir.Path("p.ppm"));
    EXPECT_TRUE(std::equal(p.red.span().begin(), p.red.span().end(), src.red.span().begin()));
    ASSERT_EQ(Cli(dir, Apply("restore", "r.ppm", "")), 0);
    const DecodedImage r = Read(dir.Path("r.ppm"));
    EXPECT_EQ(r.height, 27);
    EXPECT_FALSE(std::equal(r.red.span().begin(), r.red.span().end(), src.red.span().begin()));
}

TEST(WaveletCliMessages, ARefusedEnlargementIsToldOnStderr) {
    TempDir dir;
    ASSERT_EQ(Cli(dir, "sample " + dir.Path("w.ppm") + " 5000 2"), 0);
    ASSERT_EQ(Cli(dir, "apply wavelet " + dir.Path("w.ppm") + " " + dir.Path("o.ppm") +
                           " --set filter=1,1"),
              0);
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 5000);  // processed at its own size
    const auto bytes = testing::ReadAll(dir.Path("stderr.txt"));
    const std::string err(bytes.begin(), bytes.end());
    EXPECT_NE(err.find("orva-cli: サイズが大きすぎ、２倍に拡大できません！ 等倍で処理します。"),
              std::string::npos)
        << err;
}

}  // namespace
}  // namespace orva
