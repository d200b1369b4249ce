// The sample set of `orva-cli sample DIR`: the same bytes on every run, readable by our own
// readers, and pictures with the features the demonstrations and the help pages rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::TempDir;

constexpr int kWidth = 200, kHeight = 150;

int MakeSample(const std::string& path) {
    return testing::Shell(std::string(ORVA_CLI_PATH) + " sample " + path + " " +
                          std::to_string(kWidth) + " " + std::to_string(kHeight));
}

// A loaded grey picture addressed as seen on screen: (column, row from the top).
struct Grey {
    int w = 0, h = 0;
    std::vector<int> v;
    int at(int x, int y) const { return v[static_cast<std::size_t>(y * w + x)]; }
};

Grey Load(const std::string& path) {
    DecodedImage img;
    EXPECT_TRUE(ReadImageFile(path, DetectFormat(path), img).ok()) << path;
    Grey g{img.width, img.height, {}};
    for (int y = img.height - 1; y >= 0; --y)
        for (int x = 0; x < img.width; ++x) g.v.push_back(img.red[y * img.width + x]);
    return g;
}

// Median of the square of side 2r+1 around (x, y), clipped to the picture.
int LocalMedian(const Grey& g, int x, int y, int r) {
    std::vector<int> v;
    for (int j = std::max(0, y - r); j <= std::min(g.h - 1, y + r); ++j)
        for (int i = std::max(0, x - r); i <= std::min(g.w - 1, x + r); ++i)
            v.push_back(g.at(i, j));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

TEST(SampleSet, IsTheSameOnEveryRunAndHasItsAdvertisedFeatures) {
    TempDir dir, again;
    ASSERT_EQ(MakeSample(dir.Path("set")), 0);
    ASSERT_EQ(MakeSample(again.Path("set/")), 0);
    for (const char* name :
         {"starfield.fits", "exposure-1.fits", "exposure-2.fits", "exposure-3.fits",
          "exposure-4.fits", "dark.fits", "colour-test.ppm"}) {
        const std::string file = dir.Path(std::string("set/") + name);
        ASSERT_FALSE(testing::ReadAll(file).empty()) << name;
        EXPECT_EQ(testing::ReadAll(file), testing::ReadAll(again.Path("set/") + name)) << name;
        DecodedImage img;
        ASSERT_TRUE(ReadImageFile(file, DetectFormat(name), img).ok()) << name;
        EXPECT_EQ(std::pair(img.width, img.height), std::pair(kWidth, kHeight)) << name;
    }
    // The colour test picture of the set is the one `sample FILE` writes, in binary PPM.
    ASSERT_EQ(MakeSample(again.Path("one.ppm")), 0);
    EXPECT_EQ(testing::ReadAll(again.Path("one.ppm")),
              testing::ReadAll(dir.Path("set/colour-test.ppm")));

    // Sky brighter at the lower left than at the upper right.
    const Grey sky = Load(dir.Path("set/starfield.fits"));
    EXPECT_GT(LocalMedian(sky, 10, kHeight - 11, 10) - LocalMedian(sky, kWidth - 11, 10, 10), 3500);
    // Hot pixels of the dark sit at the same spots in an exposure.
    const Grey dark = Load(dir.Path("set/dark.fits")), one = Load(dir.Path("set/exposure-1.fits"));
    std::size_t hot = 0, seen = 0;
    for (int y = 1; y + 1 < kHeight; ++y)
        for (int x = 1; x + 1 < kWidth; ++x)
            if (dark.at(x, y) - LocalMedian(dark, x, y, 1) > 3000) {
                ++hot;
                seen += one.at(x, y) - LocalMedian(one, x, y, 1) > 3000;
            }
    EXPECT_GE(hot, 5u);
    EXPECT_GE(seen * 10, hot * 9);  // a hot pixel under a saturated star core cannot stand out
    // Exposure 2 is the sky of exposure 1 drifted 3 right and 2 up: the light above the sky
    // (hot pixels, fixed on the sensor, left out) matches best there.
    const Grey two = Load(dir.Path("set/exposure-2.fits"));
    const int dark_level = LocalMedian(dark, 0, 0, kWidth), sky1 = LocalMedian(one, 0, 0, kWidth),
              sky2 = LocalMedian(two, 0, 0, kWidth);
    const auto light = [&](const Grey& g, int x, int y) {
        const int above = g.at(x, y) - (&g == &one ? sky1 : sky2) - 500;
        return dark.at(x, y) - dark_level > 1500 ? 0 : std::max(0, above);
    };
    double best = -1;
    std::pair<int, int> at;
    for (int dy = -5; dy <= 5; ++dy)
        for (int dx = -5; dx <= 5; ++dx) {
            double sum = 0;
            for (int y = 8; y + 8 < kHeight; ++y)
                for (int x = 8; x + 8 < kWidth; ++x)
                    sum += 1.0 * light(one, x, y) * light(two, x + dx, y + dy);
            if (sum > best) best = sum, at = {dx, dy};
        }
    EXPECT_EQ(at, std::pair(3, -2));
}

}  // namespace
}  // namespace orva
