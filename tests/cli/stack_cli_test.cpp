// orva-cli's stacking commands end to end: files in, one stacked picture out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/orva_cli.h"

namespace orva {
namespace {

using testing::ExpectCli;
using testing::Read;
using testing::ReadAll;
using testing::RunCli;
using testing::TempDir;

// A starfield exposure cut (dx, dy) further along the same sky.
std::string Exposure(const TempDir& dir, const std::string& name, int dx, int dy) {
    const std::string path = dir.Path(name);
    ExpectCli(
        dir,
        "starfield " + path + " 300 200 " + std::to_string(dx) + " " + std::to_string(dy) + " 3",
        0);
    return path;
}

TEST(StackCli, CompositeOfFewAndManyAndLrgbRunAndBadArgumentsAreRefused) {
    TempDir dir;
    const std::string a = Exposure(dir, "a.fits", 0, 0), b = Exposure(dir, "b.fits", 9, -4);
    ExpectCli(
        dir,
        "composite " + dir.Path("out.ppm") + " " + a + " " + b + " --set composite=0,20,1,1,5,1",
        0);
    const DecodedImage out = Read(dir.Path("out.ppm"));
    EXPECT_EQ(std::pair(out.width, out.height), std::pair(309, 204));
    // Five to sixteen files are stacked in groups with the compfile settings.
    std::string inputs;
    for (int i = 0; i < 5; ++i) inputs += " " + (i == 1 ? b : a);
    ExpectCli(dir, "composite " + dir.Path("out.fits") + inputs + " --set compfile=0,20,1,1,5,1,0",
              0);
    EXPECT_EQ(Read(dir.Path("out.fits")).width, 309);
    EXPECT_EQ(RunCli(dir, "composite " + dir.Path("o.ppm") + inputs + " --points").status, 2);

    ExpectCli(dir, "lrgb " + dir.Path("o.ppm") + " --l " + a + " --rgb " + a, 0);
    EXPECT_EQ(Read(dir.Path("o.ppm")).width, 300);
    EXPECT_EQ(RunCli(dir, "composite " + dir.Path("o.ppm") + " " + a).status, 2);
    EXPECT_EQ(RunCli(dir, "lrgb " + dir.Path("o.ppm") + " --r " + a).status, 2);
    ExpectCli(dir, "composite " + dir.Path("o.ppm") + " " + a + " " + dir.Path("nothing.fits"), 1,
              "nothing.fits");
}

// FITS frames into a float or 16-bit FITS that says what was done, by stars first (the
// default; these few stars fall back to a shift), with a report of every light, written also
// when every light is left out; an input it cannot use refused by name, and every refusal
// before any work names what is wrong (frames that do not match are the stack's own tests).
TEST(CliCalibratedStack, WritesFloatFitsWithHistoryAndRefusesWhatItCannotUse) {
    TempDir dir;
    ExpectCli(dir, "sample " + dir.Path("set") + " 90 70", 0);
    const std::string out = dir.Path("out.fits"), l1 = dir.Path("set/exposure-1.fits"),
                      l2 = dir.Path("set/exposure-2.fits"), dark = dir.Path("set/dark.fits");
    std::string lights;
    for (int i = 1; i <= 4; ++i)
        lights.append(" ").append(dir.Path("set/exposure-" + std::to_string(i) + ".fits"));
    const std::string report = " --report " + dir.Path("report.csv");
    const auto run = ExpectCli(
        dir, "stack " + out + lights + " --dark " + dark + " --reject winsor --float" + report, 0,
        "4 of 4 light(s) used");
    EXPECT_NE(run.err.find("too few to register by stars"), std::string::npos) << run.err;
    const auto csv = ReadAll(dir.Path("report.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
    const auto bytes = ReadAll(out);
    LinearImage img;
    ASSERT_TRUE(DecodeFitsLinear(bytes, img).ok());
    EXPECT_EQ(std::pair(img.width, img.height), std::pair(90, 70));
    const std::string header(bytes.begin(), bytes.begin() + 2880);
    EXPECT_NE(header.find("BITPIX  =                  -32"), std::string::npos);
    EXPECT_NE(header.find("HISTORY ORVA stacked 4 light frame(s)"), std::string::npos);
    EXPECT_NE(header.find("HISTORY rejection: winsorized"), std::string::npos);

    EXPECT_EQ(RunCli(dir, "stack " + dir.Path("out.tif") + lights + " --reject minmax").status, 0);
    ExpectCli(dir, "stack " + out + lights + report + " --max-fwhm 0.5", 1,
              "every light was left out");
    const auto again = ReadAll(dir.Path("report.csv"));
    EXPECT_NE(std::string(again.begin(), again.end()).find(",rejected,FWHM "), std::string::npos);
    ExpectCli(dir,
              "stack " + dir.Path("x.fits") + lights + " " + dir.Path("set/colour-test.ppm") +
                  " --reject sigma",
              1, "colour-test.ppm");
    struct Row {
        std::string args;
        int status;
        const char* says;
    } rows[] = {
        {out + " " + l1 + " " + l2 + " --float --dark", 2, "--dark needs at least one FILE"},
        {out + " " + l1 + " --flat --dark " + dark, 2, "--flat needs at least one FILE"},
        {out + " " + l1 + " " + l2 + " --kappa 3 3", 2, "--kappa 3 3: expected LOW,HIGH as one"},
        {out + " " + l1 + " --kappa 30", 2,
         "--kappa 30: expected LOW,HIGH (or one value), each "
         "0.1 to 10"},
        {out + " " + l1 + " --iterations 0", 2, "--iterations 0: expected a whole number 1 to 20"},
        {out + " " + l1 + " --normalise scale", 2, "--normalise scale: expected none"},
        {out + " " + l1 + " --keep-best 0", 2,
         "--keep-best 0: expected a percentage above 0, at most 100"},
        {out + " " + l1 + " --max-fwhm 1001", 2,
         "--max-fwhm 1001: expected pixels above 0, at most 1000"},
        {out + " " + l1 + " --range 2.5", 2,
         "--range 2.5: expected a whole number of pixels 0 to 1000"},
        {out + " " + l1 + " --reject best", 2,
         "--reject best: expected none, sigma, winsor, minmax or median"},
        {out + " " + l1 + " --weight x", 2, "--weight x: expected noise or none"},
        {out + " " + l1 + " --register x", 2, "--register x: expected stars or shift"},
        {out + " " + l1 + " --master x", 2, "--master x: expected median or mean"},
        {out + " " + l1 + " --reference " + l2 + " --float", 2, "not one of the lights"},
        {dir.Path("none/out.fits") + " " + l1 + " --float", 1, "none/out.fits: the folder"},
        {out + " " + l1 + " --report " + dir.Path("none/r.csv"), 1, "r.csv: the folder"},
        {out + " " + l1 + " --max-pixels 6299", 1, "90x70 is more than the limit of 6299"},
        {out + " " + l1 + " --max-pixels 1e3x", 2, "--max-pixels 1e3x: expected a whole"},
    };
    for (const Row& r : rows) {
        const auto refused = ExpectCli(dir, "stack " + r.args, r.status, r.says);
        EXPECT_EQ(refused.err.find("stacked"), std::string::npos) << r.args;  // no work done
    }
}

// A synthetic session is reproducible: another seed, another sky.
TEST(CliCalibratedStack, SampleSessionIsReproducible) {
    TempDir dir;
    const auto session = [&](const std::string& name, int seed) {
        ExpectCli(dir,
                  "sample-session " + dir.Path(name) +
                      " --size 256 192 --lights 2 --bias 1 --darks 1 --flats 1 --shift 3 --seed " +
                      std::to_string(seed),
                  0);
        return dir.Path(name) + "/";
    };
    const std::string s = session("s", 5), same = session("same", 5), other = session("o", 6);
    for (const char* f : {"lights/light_0001.fits", "lights/light_0002.fits", "bias/bias_0001.fits",
                          "darks/dark_0001.fits", "flats/flat_0001.fits"}) {
        EXPECT_EQ(ReadAll(s + f), ReadAll(same + f)) << f;
        EXPECT_NE(ReadAll(s + f), ReadAll(other + f)) << f;
    }
    LinearImage light;
    ASSERT_TRUE(DecodeFitsLinear(ReadAll(s + "lights/light_0001.fits"), light).ok());
    EXPECT_EQ(std::tuple(light.width, light.height, light.planes), std::tuple(256, 192, 1));
}

}  // namespace
}  // namespace orva
