// Rules of the wavelet, restoration, colour, grey and noise dialogs, checked against values
// worked out by hand.
#include "view/dialog_drawings.h"

#include <gtest/gtest.h>

#include "ops/dispatcher.h"
#include "shell/tone_commands.h"
#include "support/scripted_ui.h"
#include "view/dialog_choices.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

TEST(WaveletDialog, PresetsSetAllSixGains) {
    WaveletSettings w;
    w.gains = {1, 2, 3, 4, 5, 6};
    ApplyWaveletPreset(w, 2);
    EXPECT_EQ(w.gains, (std::array<int, 6>{10, 12, 15, 20, 30, 50}));
    ApplyWaveletPreset(w, 3);
    EXPECT_EQ(w.gains, (std::array<int, 6>{10, 15, 20, 30, 50, 90}));
    ApplyWaveletPreset(w, 1);
    EXPECT_EQ(w.gains, (std::array<int, 6>{10, 10, 10, 12, 15, 20}));
    ApplyWaveletPreset(w, 0);
    EXPECT_EQ(w.gains, WaveletSettings{}.gains);
    ApplyWaveletPreset(w, 4);  // no such button
    EXPECT_EQ(w.gains, WaveletSettings{}.gains);
    EXPECT_STREQ(kWaveletPresets[3].label, "強");
}

TEST(RestoreDialog, ProfileOfTheSpreadFunction) {
    std::vector<PlotPoint> p = RestoreProfile(10, 20);  // spread 1.0, blunting 2.0
    ASSERT_EQ(p.size(), 201u);
    EXPECT_EQ(p.front(), (PlotPoint{30, 249}));  // 250 - 100 / 101
    EXPECT_EQ(p[100], (PlotPoint{130, 150}));
    EXPECT_EQ(p[105], (PlotPoint{135, 170}));  // 250 - 100 / 1.25
    EXPECT_EQ(p[110], (PlotPoint{140, 200}));
    EXPECT_EQ(p[90], (PlotPoint{120, 200}));
    EXPECT_EQ(p.back(), (PlotPoint{230, 249}));
    p = RestoreProfile(10, 40);  // (4)^2 = 16 two pixels out: 250 - 100 / 17 = 244.1
    EXPECT_EQ(p[120].y, 244);
    p = RestoreProfile(0, 0);  // out of range values are held at the range ends
    EXPECT_EQ(p, RestoreProfile(1, 10));

    const auto axes = RestoreAxes();
    ASSERT_EQ(axes.size(), 23u);
    EXPECT_EQ(axes[0][0], (PlotPoint{30, 250}));
    EXPECT_EQ(axes[0][1], (PlotPoint{230, 250}));
    EXPECT_EQ(axes[1][0], (PlotPoint{130, 150}));
    EXPECT_EQ(axes[22][0], (PlotPoint{230, 250}));
}

TEST(HueDialog, StripShadesThroughThePrimariesAndShowsWhereEachHueGoes) {
    EXPECT_EQ(HueStripColour(0), (Rgb{255, 0, 0}));
    EXPECT_EQ(HueStripColour(32), (Rgb{127, 127, 0}));
    EXPECT_EQ(HueStripColour(64), (Rgb{0, 255, 0}));
    EXPECT_EQ(HueStripColour(128), (Rgb{0, 0, 255}));
    EXPECT_EQ(HueStripColour(191), (Rgb{251, 0, 3}));
    EXPECT_EQ(HueResultX(0, 180), 40);
    EXPECT_EQ(HueResultX(191, 180), 231);
    // +60 degrees turns red into yellow: yellow (column 32) lands under red.
    EXPECT_EQ(HueResultX(32, 240), 40);
    EXPECT_EQ(HueResultX(0, 240), 40 + 160);
    // -120 degrees turns green into red: red lands under green.
    EXPECT_EQ(HueResultX(0, 60), 104);
    EXPECT_EQ(HueResultX(5, 0), 40 + 101);  // shift 96
}

TEST(ColourChangeDialogs, SwatchesShowSourceAndTarget) {
    EXPECT_EQ(RgbSwatch({300, -4, 17}), (Rgb{255, 0, 17}));
    EXPECT_EQ(HsvSwatch({0, 255, 255}), (Rgb{255, 0, 0}));
    EXPECT_EQ(HsvSwatch({60, 255, 255}), (Rgb{255, 255, 0}));
    EXPECT_EQ(HsvSwatch({120, 255, 255}), (Rgb{0, 255, 0}));
    EXPECT_EQ(HsvSwatch({240, 255, 255}), (Rgb{0, 0, 255}));
    EXPECT_EQ(HsvSwatch({0, 0, 128}), (Rgb{128, 128, 128}));
    EXPECT_EQ(HsvSwatch({400, 999, 999}), HsvSwatch({359, 255, 255}));
}

TEST(GreyAndNoiseDialogs, ModeWeightsAndAreaPositions) {
    GreySettings gray{.mode = 3, .weight_r = 1, .weight_g = 2, .weight_b = 3};
    SelectGreyMode(gray, 0);
    EXPECT_EQ(gray, (GreySettings{.mode = 0, .weight_r = 1, .weight_g = 2, .weight_b = 3}));
    SelectGreyMode(gray, 2);
    EXPECT_EQ(gray, GreySettings{});

    EXPECT_EQ(NoiseScrollFromTyped(3), 0);
    EXPECT_EQ(NoiseScrollFromTyped(4), 0);
    EXPECT_EQ(NoiseScrollFromTyped(5), 1);
    EXPECT_EQ(NoiseScrollFromTyped(99), 1);
    EXPECT_EQ(NoiseScrollFromTyped(0), 0);
    EXPECT_EQ(NoiseScrollFromTyped(-2147483647 - 1), 0);
    EXPECT_EQ(NoiseScrollFromTyped(2147483647), 1);
    EXPECT_EQ(NoiseAreaFromScroll(0), 3);
    EXPECT_EQ(NoiseAreaFromScroll(1), 5);
    EXPECT_EQ(NoiseAreaToScroll(5), 1);
    EXPECT_EQ(NoiseAreaToScroll(3), 0);
}

}  // namespace
}  // namespace orva
