#include "ops/colour.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "ops/dispatcher.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using Rgb = std::array<uint16_t, 3>;

// A picture of a few pixels held as three plane vectors.
struct Pixels {
    std::vector<uint16_t> r, g, b;
    explicit Pixels(const std::vector<Rgb>& px) {
        for (const Rgb& p : px) {
            r.push_back(p[0]);
            g.push_back(p[1]);
            b.push_back(p[2]);
        }
    }
    std::array<uint16_t*, 3> planes() { return {r.data(), g.data(), b.data()}; }
    int width() const { return static_cast<int>(r.size()); }
    Rgb at(std::size_t i) const { return {r[i], g[i], b[i]}; }
};

Rgb Gray(const Rgb& px, GreyParams params, bool single_plane = false) {
    Pixels p({px});
    GreyPlanes(p.planes().data(), 1, 1, single_plane, params);
    return p.at(0);
}

Rgb SatHue(const Rgb& px, int saturation, int hue) {
    Pixels p({px});
    SaturationHuePlanes(p.planes().data(), 1, 1, SaturationParams{saturation, hue});
    return p.at(0);
}

Rgb ChangeRgb(const Rgb& px, const RgbChange& change) {
    Pixels p({px});
    ColourChangeRgb(p.planes().data(), 1, 1, change);
    return p.at(0);
}

Rgb ChangeHsv(const Rgb& px, const HsvChange& change) {
    Pixels p({px});
    ColourChangeHsv(p.planes().data(), 1, 1, change);
    return p.at(0);
}

// An 8-bit level on the sample scale, with optional low-byte noise.
uint16_t Level(int v, int low = 0) {
    return static_cast<uint16_t>(v * 256 + low);
}

TEST(Hsv, FromRgbUsesHalvedSamplesAndSectorsOf8192) {
    EXPECT_EQ(RgbToHsv(65535, 0, 0), (Hsv{0, 65535, 65534}));  // value of full white is 65534
    EXPECT_EQ(RgbToHsv(0, 65535, 0), (Hsv{16384, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(0, 0, 65535), (Hsv{32768, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(1, 1, 1), (Hsv{0, 0, 0}));
    EXPECT_EQ(RgbToHsv(70000, -5, 0), RgbToHsv(65535, 0, 0));  // inputs clamped to samples
    // Halves (100, 50, 25): 25 x 8192 / 75 = 2730.7 -> 2730; 75 x 65535 / 100 -> 49151.
    EXPECT_EQ(RgbToHsv(200, 100, 50), (Hsv{2730, 49151, 200}));
    // A negative red-sector hue truncates toward zero (-2730, not -2731) before wrapping.
    EXPECT_EQ(RgbToHsv(200, 50, 100), (Hsv{46422, 49151, 200}));
}

TEST(Hsv, ToRgbOverTheSixSectorsWithoutOverflow) {
    EXPECT_EQ(HsvToRgb(0, 65535, 65535), (Rgb{65535, 0, 0}));
    EXPECT_EQ(HsvToRgb(4096, 65535, 65535), (Rgb{65535, 32768, 0}));
    // Saturation 0 at full value: V x 65535 is past 32 bits and must still give white.
    EXPECT_EQ(HsvToRgb(0, 0, 65535), (Rgb{65535, 65535, 65535}));
    // Sector 2, f = 1000: p = 40000 x 32767 / 65535, t = 40000 x (65535 - 7192 x 4) / 65535.
    EXPECT_EQ(HsvToRgb(17384, 32768, 40000), (Rgb{19999, 40000, 22441}));
    // Hue is wrapped, saturation and value clamped.
    EXPECT_EQ(HsvToRgb(-49152, 70000, 70000), HsvToRgb(0, 65535, 65535));
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
}

TEST(Grey, AGreyPictureIsReadFromRedAlone) {
    // Green and blue of a single-plane picture are not part of it.
    EXPECT_EQ(Gray({8007, 0, 65535}, {0, 1, 1, 1}, true), (Rgb{8007, 8007, 8007}));
}

TEST(SaturationHue, SaturationChangeThatGoesWithTheHue) {
    EXPECT_EQ(AdjustedSaturation(10, 30), 60);  // 10 + 30 x 100 / 60
    EXPECT_EQ(AdjustedSaturation(0, 90), 50);   // 0 - 150 + 200
    EXPECT_EQ(AdjustedSaturation(0, -120), 0);
    EXPECT_EQ(AdjustedSaturation(0, 180), 100);
    EXPECT_EQ(AdjustedSaturation(-100, 59), -2);  // 59 x 100 / 60 = 98
}

TEST(SaturationHue, NothingAtZeroAndExactPermutationsAt120) {
    const Rgb px{1000, 2000, 3000};
    EXPECT_EQ(SatHue(px, 0, 0), px);
    EXPECT_EQ(SatHue(px, 0, 120), (Rgb{3000, 1000, 2000}));
    EXPECT_EQ(SatHue(px, 0, -120), (Rgb{2000, 3000, 1000}));
}

TEST(SaturationHue, MixingAndSaturationHandWorked) {
    // Hue 60: R' = G' = 600, B' = 0, mean 400, saturation +100 doubles the distances.
    EXPECT_EQ(SatHue({1200, 0, 0}, 0, 60), (Rgb{800, 800, 0}));
    // Hue -60 turns red toward magenta.
    EXPECT_EQ(SatHue({1200, 0, 0}, 0, -60), (Rgb{800, 0, 800}));
    // Saturation alone: mean 2000, +50 %.
    EXPECT_EQ(SatHue({3000, 2000, 1000}, 50, 0), (Rgb{3500, 2000, 500}));
    // Mean 1666: blue 1000 - 666 x 33 / 100 truncates toward zero to 781.
    EXPECT_EQ(SatHue({2000, 2000, 1000}, 33, 0), (Rgb{2110, 2110, 781}));
}

TEST(SaturationHue, FullRangeSamplesAreClampedNotWrapped) {
    EXPECT_EQ(SatHue({65535, 0, 0}, 100, 0), (Rgb{65535, 0, 0}));
    // Hue 180: (32767, 32767, 65535), mean 43689, saturation +100.
    EXPECT_EQ(SatHue({65535, 65535, 0}, 0, 180), (Rgb{21845, 21845, 65535}));
}

TEST(ColourChangeRgb, ToleranceZeroReplacesExactMatchesOnly) {
    const RgbChange change{{10, 20, 30}, {200, 100, 50}, 0};
    // The low bytes do not matter.
    EXPECT_EQ(ChangeRgb({Level(10, 5), Level(20), Level(30, 255)}, change),
              (Rgb{51200, 25600, 12800}));
    // One level off in two channels is not a match.
    const Rgb near{Level(11), Level(21), Level(30)};
    EXPECT_EQ(ChangeRgb(near, change), near);
}

TEST(ColourChangeRgb, BlendsTowardTheTargetWithinTheTolerance) {
    const RgbChange change{{10, 20, 30}, {200, 100, 50}, 9};
    // Differences 3 + 0 + 0 -> d = 1: (c + 8 x target x 256) / 9.
    EXPECT_EQ(ChangeRgb({Level(13), Level(20), Level(30)}, change), (Rgb{45880, 23324, 12231}));
    // d = 0 is fully the target; d = T leaves the pixel; d > T is not touched.
    EXPECT_EQ(ChangeRgb({Level(10), Level(21), Level(30)}, change), (Rgb{51200, 25600, 12800}));
    const Rgb edge{Level(37), Level(20), Level(30)};
    EXPECT_EQ(ChangeRgb(edge, change), edge);
    const Rgb outside{Level(40), Level(20), Level(30)};
    EXPECT_EQ(ChangeRgb(outside, change), outside);
}

TEST(ColourChangeRgb, FullRangeAndClampedSettings) {
    EXPECT_EQ(ChangeRgb({65535, 65535, 65535}, {{255, 255, 255}, {0, 0, 0}, 255}), (Rgb{0, 0, 0}));
    // 65535 x 254 + 1 x 65280 stays within range of the arithmetic.
    EXPECT_EQ(ChangeRgb({65535, 65535, 65535}, {{255, 255, 255}, {255, 0, 255}, 1}),
              (Rgb{65280, 0, 65280}));
    // Settings outside 0..255 are clamped: source 300 is 255, target -4 is 0.
    EXPECT_EQ(ChangeRgb({65535, 65535, 65535}, {{300, 300, 300}, {-4, -4, -4}, -1}),
              (Rgb{0, 0, 0}));
}

TEST(ColourChangeHsv, ToleranceZeroGivesTheTargetColour) {
    // Red to green: HSV (16384, 65280, 65280) back to RGB.
    EXPECT_EQ(ChangeHsv({65535, 0, 0}, {{0, 255, 255}, {120, 255, 255}, 0}),
              (Rgb{254, 65280, 254}));
    const Rgb blue{0, 0, 65535};
    EXPECT_EQ(ChangeHsv(blue, {{0, 255, 255}, {120, 255, 255}, 0}), blue);
}

TEST(ColourChangeHsv, HueWrapsFrom350To10AsPlus20) {
    // The pixel's hue is 47787 (just under 350 degrees); the shift is +2731 (20 degrees), the
    // saturation and value scale by 255 / 255.
    const HsvChange change{{350, 255, 255}, {10, 255, 255}, 4};
    const Rgb out = ChangeHsv({60000, 0, 10000}, change);
    EXPECT_EQ(out, (Rgb{60000, 10005, 0}));
    EXPECT_NEAR(RgbToHsv(out[0], out[1], out[2]).h, 10 * kHueSector / 60, 1);
}

TEST(ColourChangeHsv, DistanceIsMeasuredRoundTheCircle) {
    // Source 200, target 10 degrees: the source hue is moved below zero to take the short
    // way. Magenta (300 degrees) is 100 degrees away and must stay, whatever the tolerance.
    const Rgb magenta{65535, 0, 65535};
    EXPECT_EQ(ChangeHsv(magenta, {{200, 255, 255}, {10, 255, 255}, 255}), magenta);
    // 180 degrees away on the other side stays too.
    const Rgb green{0, 65535, 0};
    EXPECT_EQ(ChangeHsv(green, {{300, 255, 255}, {10, 255, 255}, 255}), green);
}

TEST(ColourChangeHsv, SaturationAndValueScaleWithTheSource) {
    // Source saturation and value 128, target 64: both halve. Red (0, 65535, 65534) at hue 0
    // becomes (0, (8192 x 65535 / 32768) x 2, (8192 x 65534 / 32768) x 2) = (0, 32766, 32766).
    const Rgb out = ChangeHsv({65535, 0, 0}, {{0, 128, 128}, {0, 64, 64}, 10});
    EXPECT_EQ(out, HsvToRgb(0, 32766, 32766));
    // A source saturation of 1 (256) or less takes the target's saturation as it stands.
    const Rgb fixed = ChangeHsv({65535, 0, 0}, {{0, 1, 1}, {0, 64, 64}, 10});
    EXPECT_EQ(fixed, HsvToRgb(0, 64 * 256, 64 * 256));
}

TEST(ColourChangeHsv, DialogUnitsOfAPixel) {
    EXPECT_EQ(HsvDialogUnits(65535, 0, 0), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(HsvDialogUnits(200, 100, 50), (std::array<int, 3>{19, 191, 0}));
}

}  // namespace
}  // namespace orva
