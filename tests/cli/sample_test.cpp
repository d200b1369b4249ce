// The sample set of `orva-cli sample DIR`: the same bytes on every run, readable by our own
// readers, and pictures that look the way the demonstrations and the help pages say they do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::TempDir;

constexpr int kWidth = 200, kHeight = 150;
// exposure-1 .. exposure-4 drift by these many pixels right and down.
constexpr int kShifts[4][2] = {{0, 0}, {3, -2}, {-2, 4}, {5, 3}};
const char* const kFiles[] = {"starfield.fits",  "exposure-1.fits", "exposure-2.fits",
                              "exposure-3.fits", "exposure-4.fits", "dark.fits",
                              "colour-test.ppm"};

// `orva-cli sample` into the path, at the test size.
int MakeSample(const std::string& path) {
    return testing::Shell(std::string(ORVA_CLI_PATH) + " sample " + path + " " +
                          std::to_string(kWidth) + " " + std::to_string(kHeight));
}

// A loaded grey picture addressed as seen on screen: (column, row from the top).
struct Grey {
    int w = 0, h = 0;
    std::vector<int> v;
    int at(int x, int y) const {
        return v[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                 static_cast<std::size_t>(x)];
    }
};

Grey Load(const std::string& path) {
    DecodedImage img;
    EXPECT_TRUE(ReadImageFile(path, DetectFormat(path), img).ok()) << path;
    Grey g{img.width, img.height, {}};
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(img.height - 1 - y) * img.width + x;
            EXPECT_TRUE(img.red[i] == img.green[i] && img.red[i] == img.blue[i]) << path;
            g.v.push_back(img.red[i]);
        }
    }
    return g;
}

int Median(std::vector<int> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Median of the square of side 2r+1 around (x, y), clipped to the picture.
int LocalMedian(const Grey& g, int x, int y, int r) {
    std::vector<int> v;
    for (int j = std::max(0, y - r); j <= std::min(g.h - 1, y + r); ++j)
        for (int i = std::max(0, x - r); i <= std::min(g.w - 1, x + r); ++i)
            v.push_back(g.at(i, j));
    return Median(v);
}

struct Pos {
    int x, y;
};

// Pixels far above their surroundings with their neighbours at sky level: hot pixels.
std::vector<Pos> Spikes(const Grey& g, int above) {
    std::vector<Pos> out;
    for (int y = 1; y + 1 < g.h; ++y)
        for (int x = 1; x + 1 < g.w; ++x)
            if (g.at(x, y) - LocalMedian(g, x, y, 1) > above) out.push_back({x, y});
    return out;
}

class SampleSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        ASSERT_EQ(MakeSample(dir_->Path("set")), 0);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string File(const std::string& name) { return dir_->Path("set/" + name); }
    static TempDir* dir_;
};
TempDir* SampleSet::dir_ = nullptr;

TEST_F(SampleSet, IsTheSameOnEveryRunAndEveryFileReadsBack) {
    TempDir again;
    ASSERT_EQ(MakeSample(again.Path("set/")), 0);
    for (const char* name : kFiles) {
        const std::vector<uint8_t> bytes = testing::ReadAll(File(name));
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, testing::ReadAll(again.Path(std::string("set/") + name))) << name;
        DecodedImage img;
        ASSERT_TRUE(ReadImageFile(File(name), DetectFormat(name), img).ok()) << name;
        EXPECT_EQ(img.width, kWidth);
        EXPECT_EQ(img.height, kHeight);
    }
    // Each exposure has noise of its own.
    EXPECT_NE(testing::ReadAll(File("exposure-1.fits")), testing::ReadAll(File("starfield.fits")));
    // The colour test picture of the set is the one `sample FILE` writes, in binary PPM.
    ASSERT_EQ(MakeSample(again.Path("one.ppm")), 0);
    const std::vector<uint8_t> one = testing::ReadAll(again.Path("one.ppm"));
    EXPECT_EQ(one, testing::ReadAll(File("colour-test.ppm")));
    ASSERT_GE(one.size(), 2u);
    EXPECT_EQ(one[1], '6');
}

TEST_F(SampleSet, StarFieldHasStarsAboveASlopingSky) {
    const Grey g = Load(File("starfield.fits"));
    // Sky brighter at the lower left than at the upper right (5000 units apart at the very
    // corners as made; the reader's stretch changes that by a few percent only).
    const int lower_left = LocalMedian(g, 10, g.h - 11, 10);
    const int upper_right = LocalMedian(g, g.w - 11, 10, 10);
    EXPECT_GT(lower_left - upper_right, 3500);
    // Stars: local maxima well above the local sky whose four neighbours are lit too (a hot
    // pixel has sky around it).
    int stars = 0, brightest = 0;
    for (int y = 1; y + 1 < g.h; ++y) {
        for (int x = 1; x + 1 < g.w; ++x) {
            const int v = g.at(x, y);
            bool peak = true;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i)
                    if ((i || j) && g.at(x + i, y + j) > v) peak = false;
            if (!peak) continue;
            const int sky = LocalMedian(g, x, y, 10);
            const int lit =
                std::min({g.at(x - 1, y), g.at(x + 1, y), g.at(x, y - 1), g.at(x, y + 1)}) - sky;
            if (v - sky > 800 && lit > 250) {
                ++stars;
                brightest = std::max(brightest, v - sky);
            }
        }
    }
    EXPECT_GE(stars, 5);
    EXPECT_GT(brightest, 20000);
}

TEST_F(SampleSet, HotPixelsOfTheDarkSitAtTheSameSpotsInEveryExposure) {
    const Grey dark = Load(File("dark.fits"));
    const std::vector<Pos> hot = Spikes(dark, 3000);
    ASSERT_GE(hot.size(), 5u);
    // Apart from them the dark is flat: no stars, no sky.
    EXPECT_LT(
        std::abs(LocalMedian(dark, 10, dark.h - 11, 10) - LocalMedian(dark, dark.w - 11, 10, 10)),
        150);
    EXPECT_EQ(Spikes(dark, 800).size(), hot.size());
    for (const char* name : {"starfield.fits", "exposure-1.fits", "exposure-2.fits",
                             "exposure-3.fits", "exposure-4.fits"}) {
        const Grey g = Load(File(name));
        std::size_t seen = 0;
        for (const Pos& p : hot)
            if (g.at(p.x, p.y) - LocalMedian(g, p.x, p.y, 1) > 3000) ++seen;
        // A hot pixel under a saturated star core cannot stand out.
        EXPECT_GE(seen * 10, hot.size() * 9) << name;
    }
}

TEST_F(SampleSet, ExposuresAreTheSkyDriftedByTheirShifts) {
    // The sky's bright parts only, hot pixels (fixed on the sensor) left out.
    const Grey dark = Load(File("dark.fits"));
    const int dark_level = Median(dark.v);
    auto bright = [&](const Grey& g) {
        Grey b = g;
        const int sky = Median(g.v);
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x)
                b.v[static_cast<std::size_t>(y) * g.w + x] =
                    dark.at(x, y) - dark_level > 1500 ? 0 : std::max(0, g.at(x, y) - sky - 500);
        return b;
    };
    auto best_shift = [](const Grey& a, const Grey& b) {
        double best = -1;
        Pos at{0, 0};
        for (int dy = -7; dy <= 7; ++dy) {
            for (int dx = -7; dx <= 7; ++dx) {
                double sum = 0;
                for (int y = 8; y + 8 < a.h; ++y)
                    for (int x = 8; x + 8 < a.w; ++x)
                        sum += static_cast<double>(a.at(x, y)) * b.at(x + dx, y + dy);
                if (sum > best) {
                    best = sum;
                    at = {dx, dy};
                }
            }
        }
        return at;
    };
    const Grey reference = bright(Load(File("exposure-1.fits")));
    const Pos same = best_shift(bright(Load(File("starfield.fits"))), reference);
    EXPECT_EQ(same.x, 0);
    EXPECT_EQ(same.y, 0);
    for (int k = 2; k <= 4; ++k) {
        const Pos s =
            best_shift(reference, bright(Load(File("exposure-" + std::to_string(k) + ".fits"))));
        EXPECT_EQ(s.x, kShifts[k - 1][0]) << "exposure-" << k;
        EXPECT_EQ(s.y, kShifts[k - 1][1]) << "exposure-" << k;
    }
}

}  // namespace
}  // namespace orva
