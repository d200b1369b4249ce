#include "ops/colour.h"

#include <gtest/gtest.h>

#include <array>

#include "ops/dispatcher.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using Rgb = std::array<uint16_t, 3>;

// Runs fn on three one-sample planes holding px and returns the pixel it leaves.
template <class Fn>
Rgb OnePixel(Rgb px, Fn fn) {
    uint16_t* planes[3] = {&px[0], &px[1], &px[2]};
    fn(planes);
    return px;
}

Rgb Gray(const Rgb& px, GreyParams params, bool single_plane = false) {
    return OnePixel(px, [&](uint16_t** p) { GreyPlanes(p, 1, 1, single_plane, params); });
}

// An 8-bit level on the sample scale, with optional low-byte noise.
uint16_t Level(int v, int low = 0) {
    return static_cast<uint16_t>(v * 256 + low);
}

TEST(Hsv, BothWaysWithHalvedSamplesSectorsOf8192AndNoOverflow) {
    EXPECT_EQ(RgbToHsv(65535, 0, 0), (Hsv{0, 65535, 65534}));  // value of full white is 65534
    EXPECT_EQ(RgbToHsv(0, 65535, 0), (Hsv{16384, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(0, 0, 65535), (Hsv{32768, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(1, 1, 1), (Hsv{0, 0, 0}));
    EXPECT_EQ(RgbToHsv(70000, -5, 0), RgbToHsv(65535, 0, 0));  // inputs clamped to samples
    // Halves (100, 50, 25): 25 x 8192 / 75 = 2730.7 -> 2730; 75 x 65535 / 100 -> 49151.
    EXPECT_EQ(RgbToHsv(200, 100, 50), (Hsv{2730, 49151, 200}));
    // A negative red-sector hue truncates toward zero (-2730, not -2731) before wrapping.
    EXPECT_EQ(RgbToHsv(200, 50, 100), (Hsv{46422, 49151, 200}));

    EXPECT_EQ(HsvToRgb(0, 65535, 65535), (Rgb{65535, 0, 0}));
    EXPECT_EQ(HsvToRgb(4096, 65535, 65535), (Rgb{65535, 32768, 0}));
    // Saturation 0 at full value: V x 65535 is past 32 bits and must still give white.
    EXPECT_EQ(HsvToRgb(0, 0, 65535), (Rgb{65535, 65535, 65535}));
    // Sector 2, f = 1000: p = 40000 x 32767 / 65535, t = 40000 x (65535 - 7192 x 4) / 65535.
    EXPECT_EQ(HsvToRgb(17384, 32768, 40000), (Rgb{19999, 40000, 22441}));
    // Hue is wrapped, saturation and value clamped.
    EXPECT_EQ(HsvToRgb(-49152, 70000, 70000), HsvToRgb(0, 65535, 65535));
    EXPECT_EQ(HsvDialogUnits(65535, 0, 0), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(HsvDialogUnits(200, 100, 50), (std::array<int, 3>{19, 191, 0}));
}

TEST(Grey, ModesAndWeights) {
    const GreyParams lum;  // mode 2, 299/587/114
    EXPECT_EQ(Gray({100, 300, 200}, {0, 299, 587, 114}), (Rgb{300, 300, 300}));
    EXPECT_EQ(Gray({100, 300, 200}, {1, 299, 587, 114}), (Rgb{100, 100, 100}));
    // (1000 x 299 + 2000 x 587 + 100 x 114) / 1000 = 1484, times 8.
    EXPECT_EQ(Gray({8000, 16000, 800}, lum), (Rgb{11872, 11872, 11872}));
    // Manual weights; all zero divides by one and gives black.
    EXPECT_EQ(Gray({8000, 16000, 800}, {3, 1, 0, 0}), (Rgb{8000, 8000, 8000}));
    EXPECT_EQ(Gray({65535, 65535, 65535}, {3, 0, 0, 0}), (Rgb{0, 0, 0}));
    // Full-range weights cannot overflow: 8191 x 65535 x 3 / (3 x 65535) = 8191.
    EXPECT_EQ(Gray({65535, 65535, 65535}, {3, 65535, 65535, 65535}), (Rgb{65528, 65528, 65528}));
    // Green and blue of a single-plane picture are not part of it.
    EXPECT_EQ(Gray({8007, 0, 65535}, {0, 1, 1, 1}, true), (Rgb{8007, 8007, 8007}));
}

TEST(SaturationHue, ChangeThatGoesWithTheHueAndHandWorkedPixels) {
    EXPECT_EQ(AdjustedSaturation(10, 30), 60);  // 10 + 30 x 100 / 60
    EXPECT_EQ(AdjustedSaturation(0, 90), 50);   // 0 - 150 + 200
    EXPECT_EQ(AdjustedSaturation(0, -120), 0);
    EXPECT_EQ(AdjustedSaturation(0, 180), 100);
    EXPECT_EQ(AdjustedSaturation(-100, 59), -2);  // 59 x 100 / 60 = 98
    const struct {
        Rgb px;
        int saturation, hue;
        Rgb want;
    } rows[] = {
        {{1000, 2000, 3000}, 0, 0, {1000, 2000, 3000}},
        {{1000, 2000, 3000}, 0, 120, {3000, 1000, 2000}},  // exact permutations at +-120
        {{1000, 2000, 3000}, 0, -120, {2000, 3000, 1000}},
        // Hue 60: R' = G' = 600, B' = 0, mean 400, saturation +100 doubles the distances.
        {{1200, 0, 0}, 0, 60, {800, 800, 0}},
        {{1200, 0, 0}, 0, -60, {800, 0, 800}},  // toward magenta
        {{3000, 2000, 1000}, 50, 0, {3500, 2000, 500}},
        // Mean 1666: blue 1000 - 666 x 33 / 100 truncates toward zero to 781.
        {{2000, 2000, 1000}, 33, 0, {2110, 2110, 781}},
        // Full-range samples are clamped, not wrapped; hue 180: (32767, 32767, 65535).
        {{65535, 0, 0}, 100, 0, {65535, 0, 0}},
        {{65535, 65535, 0}, 0, 180, {21845, 21845, 65535}},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) {
            SaturationHuePlanes(p, 1, 1, SaturationParams{r.saturation, r.hue});
        });
        EXPECT_EQ(out, r.want) << r.px[0] << " " << r.saturation << " " << r.hue;
    }
}

TEST(ColourChangeRgb, ToleranceBlendsAndClampedSettings) {
    const RgbChange exact{{10, 20, 30}, {200, 100, 50}, 0}, near{{10, 20, 30}, {200, 100, 50}, 9};
    const Rgb target{51200, 25600, 12800};
    const struct {
        Rgb px;
        RgbChange change;
        Rgb want;
    } rows[] = {
        {{Level(10, 5), Level(20), Level(30, 255)}, exact, target},  // low bytes do not matter
        // One level off in two channels is no match.
        {{Level(11), Level(21), Level(30)}, exact, {Level(11), Level(21), Level(30)}},
        // Differences 3 + 0 + 0 -> d = 1: (c + 8 x target x 256) / 9.
        {{Level(13), Level(20), Level(30)}, near, {45880, 23324, 12231}},
        {{Level(10), Level(21), Level(30)}, near, target},  // d = 0 is fully the target
        // d = T leaves the pixel; d > T is not touched.
        {{Level(37), Level(20), Level(30)}, near, {Level(37), Level(20), Level(30)}},
        {{Level(40), Level(20), Level(30)}, near, {Level(40), Level(20), Level(30)}},
        {{65535, 65535, 65535}, {{255, 255, 255}, {0, 0, 0}, 255}, {0, 0, 0}},
        // 65535 x 254 + 1 x 65280 stays within range of the arithmetic.
        {{65535, 65535, 65535}, {{255, 255, 255}, {255, 0, 255}, 1}, {65280, 0, 65280}},
        // Settings outside 0..255 are clamped: source 300 is 255, target -4 is 0.
        {{65535, 65535, 65535}, {{300, 300, 300}, {-4, -4, -4}, -1}, {0, 0, 0}},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) { ColourChangeRgb(p, 1, 1, r.change); });
        EXPECT_EQ(out, r.want) << r.px[0] << " " << r.change.tolerance;
    }
}

TEST(ColourChangeHsv, HandWorkedPixels) {
    const Rgb magenta{65535, 0, 65535}, green{0, 65535, 0}, red{65535, 0, 0};
    const struct {
        const char* name;
        Rgb px;
        HsvChange change;
        Rgb want;
    } rows[] = {
        // Tolerance 0: red to green, HSV (16384, 65280, 65280) back to RGB; blue stays.
        {"red to green", red, {{0, 255, 255}, {120, 255, 255}, 0}, {254, 65280, 254}},
        {"blue stays", {0, 0, 65535}, {{0, 255, 255}, {120, 255, 255}, 0}, {0, 0, 65535}},
        // Hue 47787 (just under 350 degrees) shifted by +2731 (20 degrees): wraps to 10.
        {"350 to 10", {60000, 0, 10000}, {{350, 255, 255}, {10, 255, 255}, 4}, {60000, 10005, 0}},
        // Source 200, target 10: the source hue is moved below zero to take the short way;
        // magenta (300) is 100 degrees away, green 180: both stay whatever the tolerance.
        {"short way round", magenta, {{200, 255, 255}, {10, 255, 255}, 255}, magenta},
        {"other side", green, {{300, 255, 255}, {10, 255, 255}, 255}, green},
        // Source saturation and value 128, target 64: both halve. Red (0, 65535, 65534)
        // becomes (0, (8192 x 65535 / 32768) x 2, (8192 x 65534 / 32768) x 2).
        {"halved", red, {{0, 128, 128}, {0, 64, 64}, 10}, HsvToRgb(0, 32766, 32766)},
        // A source saturation of 1 (256) or less takes the target's as it stands.
        {"fixed", red, {{0, 1, 1}, {0, 64, 64}, 10}, HsvToRgb(0, 64 * 256, 64 * 256)},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) { ColourChangeHsv(p, 1, 1, r.change); });
        EXPECT_EQ(out, r.want) << r.name;
    }
    EXPECT_NEAR(RgbToHsv(60000, 10005, 0).h, 10 * kHueSector / 60, 1);
}

}  // namespace
}  // namespace orva
