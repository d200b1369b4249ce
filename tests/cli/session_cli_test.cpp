// `orva-cli sample-session`: a synthetic session whose frames are reproducible and hold what
// calibration needs (a flat that really vignettes, lights that see one sky moved).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::ReadAll;
using testing::RunCli;
using testing::TempDir;

const char* const kFrames[] = {"lights/light_0001.fits", "lights/light_0002.fits",
                               "bias/bias_0001.fits", "darks/dark_0001.fits",
                               "flats/flat_0001.fits"};

std::string Session(const TempDir& dir, const std::string& name, int seed) {
    const auto run = RunCli(dir, "sample-session " + dir.Path(name) +
                                     " --size 256 192 --lights 2 --bias 1 --darks 1 --flats 1"
                                     " --shift 3 --seed " +
                                     std::to_string(seed));
    EXPECT_EQ(run.status, 0) << run.err;
    return dir.Path(name) + "/";
}

LinearImage Frame(const std::string& path) {
    LinearImage img;
    EXPECT_TRUE(DecodeFitsLinear(ReadAll(path), img).ok()) << path;
    return img;
}

TEST(SampleSession, SameArgumentsGiveTheSameFilesAnotherSeedAnotherSky) {
    TempDir dir;
    const std::string a = Session(dir, "a", 5), b = Session(dir, "b", 5), c = Session(dir, "c", 6);
    for (const char* f : kFrames) {
        EXPECT_EQ(ReadAll(a + f), ReadAll(b + f)) << f;
        EXPECT_NE(ReadAll(a + f), ReadAll(c + f)) << f;
    }
    const LinearImage light = Frame(a + kFrames[0]);
    EXPECT_EQ(light.width, 256);
    EXPECT_EQ(light.height, 192);
    EXPECT_EQ(light.planes, 1);
}

// Mean of a square of side 16 whose lower left corner is (x0, y0).
double Mean(const LinearImage& img, int x0, int y0) {
    double sum = 0;
    for (int y = y0; y < y0 + 16; ++y)
        for (int x = x0; x < x0 + 16; ++x) sum += img.data[static_cast<std::size_t>(y) * 256 + x];
    return sum / 256;
}

TEST(SampleSession, FlatVignettesAndTheSecondLightSeesTheSkyMovedAsRecorded) {
    TempDir dir;
    const std::string s = Session(dir, "s", 9);
    const LinearImage flat = Frame(s + "flats/flat_0001.fits");
    const LinearImage bias = Frame(s + "bias/bias_0001.fits");
    const double centre = Mean(flat, 120, 88) - Mean(bias, 120, 88);
    for (const auto& [x, y] : {std::pair{0, 0}, {240, 0}, {0, 176}, {240, 176}}) {
        const double corner = Mean(flat, x, y) - Mean(bias, x, y);
        EXPECT_GT(corner / centre, 0.5) << x << "," << y;
        EXPECT_LT(corner / centre, 0.7) << x << "," << y;
    }

    // The recorded offset of light 2 is where it matches light 1 best: stars and all.
    std::ifstream truth(s + "session.txt");
    std::string line, name;
    int dx = 0, dy = 0;
    while (std::getline(truth, line)) {
        if (line.rfind("light_0002", 0) != 0) continue;
        std::istringstream in(line);
        in >> name >> dx >> dy;
    }
    ASSERT_FALSE(name.empty());
    const LinearImage l1 = Frame(s + kFrames[0]), l2 = Frame(s + kFrames[1]);
    const LinearImage dark = Frame(s + "darks/dark_0001.fits");
    // Stars only: the dark taken off (bias, hot pixels) and everything within 150 of the
    // sky (noise, vignetting) set to 0.
    auto stars = [&](const LinearImage& l) {
        std::vector<double> v(l.data.size());
        double mean = 0;
        for (std::size_t i = 0; i < v.size(); ++i) mean += v[i] = l.data[i] - dark.data[i];
        mean /= static_cast<double>(v.size());
        for (double& x : v) x = std::max(0.0, x - mean - 150);
        return v;
    };
    const std::vector<double> a = stars(l1), b = stars(l2);
    // Light 2 sees at p - (dx, dy) what light 1 sees at p.
    auto score = [&](int ox, int oy) {
        double sum = 0;
        for (int y = 8; y < 184; ++y)
            for (int x = 8; x < 248; ++x)
                sum += a[static_cast<std::size_t>(y) * 256 + x] *
                       b[static_cast<std::size_t>(y - oy) * 256 + (x - ox)];
        return sum;
    };
    const double best = score(dx, dy);
    for (int oy = -3; oy <= 3; ++oy)
        for (int ox = -3; ox <= 3; ++ox)
            if (ox != dx || oy != dy) {
                EXPECT_LT(score(ox, oy), best) << ox << "," << oy;
            }
}

}  // namespace
}  // namespace orva
