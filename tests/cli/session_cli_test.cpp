// `orva-cli sample-session`: a synthetic session whose frames are reproducible and hold what
// calibration needs (a flat that really vignettes, lights that see one sky moved).
#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(std::pair(light.width, light.height), std::pair(256, 192));
    EXPECT_EQ(light.planes, 1);
}

}  // namespace
}  // namespace orva
