// orva-cli apply for the colour, noise and line-separation operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Cli;
using testing::Read;

// A 16-bit binary PPM of w x h pixels, every sample `v` except the blue of the first pixel.
void WritePpm(const std::string& path, int w, int h, uint16_t v, uint16_t first_blue) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n65535\n";
    for (int i = 0; i < w * h * 3; ++i) {
        const uint16_t s = i == 2 ? first_blue : v;
        out.put(static_cast<char>(s >> 8)).put(static_cast<char>(s & 0xFF));
    }
}

class ColourCli : public testing::SamplePictureTest {
protected:
    ColourCli() : SamplePictureTest(37, 23) {}
};

TEST_F(ColourCli, GreyAndHueRotationAreExact) {
    ASSERT_EQ(Cli(dir, Apply("gray", "g.ppm", "--set gray=0")), 0);
    const DecodedImage g = Read(dir.Path("g.ppm"));
    const std::size_t n = src.red.size();
    for (std::size_t i = 0; i < n; i += 97) {
        const uint16_t hi = std::max({src.red[i], src.green[i], src.blue[i]});
        ASSERT_EQ(g.red[i], hi);
        ASSERT_EQ(g.blue[i], hi);
    }
    // Hue +120 (setting 300) with saturation unchanged permutes the channels.
    ASSERT_EQ(Cli(dir, Apply("saturation", "h.ppm", "--set color=100,300")), 0);
    const DecodedImage h = Read(dir.Path("h.ppm"));
    for (std::size_t i = 0; i < n; i += 89) {
        ASSERT_EQ(h.red[i], src.blue[i]);
        ASSERT_EQ(h.green[i], src.red[i]);
        ASSERT_EQ(h.blue[i], src.green[i]);
    }
    EXPECT_NE(Cli(dir, Apply("saturation", "x.ppm", "--set color=201")), 0);
}

TEST_F(ColourCli, LinesWritesTheOddAndTheEvenRows) {
    ASSERT_EQ(Cli(dir, Apply("lines", "odd.ppm", "--even " + dir.Path("even.ppm"))), 0);
    const DecodedImage odd = Read(dir.Path("odd.ppm"));
    const DecodedImage even = Read(dir.Path("even.ppm"));
    ASSERT_EQ(odd.height, 23);
    ASSERT_EQ(even.width, 37);
    const auto at = [](const DecodedImage& d, int x, int y) {
        return d.green[static_cast<std::size_t>(y) * 37 + x];
    };
    for (int y = 0; y < 22; ++y) {
        EXPECT_EQ(at(even, 5, y), at(src, 5, y / 2 * 2)) << y;
        EXPECT_EQ(at(odd, 5, y), at(src, 5, y / 2 * 2 + 1)) << y;
    }
    // The 23rd row has no pair and repeats the 22nd.
    EXPECT_EQ(at(even, 5, 22), at(src, 5, 20));
    EXPECT_EQ(at(odd, 5, 22), at(src, 5, 21));
    // Without a name for the even rows, and with it on another operation: usage errors.
    EXPECT_EQ(Cli(dir, Apply("lines", "o.ppm", "")), 2);
    EXPECT_EQ(Cli(dir, Apply("gray", "o.ppm", "--even " + dir.Path("e.ppm"))), 2);
}

TEST_F(ColourCli, ColourChangesAndNoiseReduction) {
    const std::string flat = dir.Path("flat.ppm");
    WritePpm(flat, 4, 3, 256 * 40 + 3, 256 * 41);
    // RGB: source 40,40,40 exactly, target 200,0,100, no tolerance: all but the first pixel.
    ASSERT_EQ(Cli(dir, "apply colour-rgb " + flat + " " + dir.Path("c.ppm") +
                           " --set chgrgb=40,40,40,200,0,100,0"),
              0);
    const DecodedImage c = Read(dir.Path("c.ppm"));
    int changed = 0;
    for (std::size_t i = 0; i < c.red.size(); ++i) changed += c.red[i] == 200 * 256;
    EXPECT_EQ(changed, 11);
    EXPECT_EQ(c.blue[1], 100 * 256);
    // HSV with source and target equal and tolerance 0 maps grey to the target grey.
    ASSERT_EQ(Cli(dir, "apply colour-hsv " + flat + " " + dir.Path("v.ppm") +
                           " --set chghsv=0,0,40,0,0,50,0"),
              0);
    EXPECT_EQ(Read(dir.Path("v.ppm")).green[1], 50 * 256);
    // A flat picture stays flat under noise reduction at every strength.
    WritePpm(flat, 5, 4, 30000, 30000);
    ASSERT_EQ(Cli(dir, "apply noise " + flat + " " + dir.Path("n.ppm") + " --set noise=3,0,5"), 0);
    const DecodedImage nr = Read(dir.Path("n.ppm"));
    for (uint16_t v : nr.red.span()) EXPECT_EQ(v, 30000);
}

}  // namespace
}  // namespace orva
