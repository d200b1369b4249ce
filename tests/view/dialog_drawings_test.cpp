// Rules of the wavelet, restoration, colour, grey and noise dialogs, checked against values
// worked out by hand.
#include "view/dialog_drawings.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

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
    // Button 4 does not exist and leaves the gains as they were.
    // clang-format off
    const std::pair<int, std::array<int, 6>> cases[] = {
        {2, {10, 12, 15, 20, 30, 50}}, {0, WaveletSettings{}.gains}, {4, WaveletSettings{}.gains},
    };
    // clang-format on
    for (const auto& [button, gains] : cases) {
        ApplyWaveletPreset(w, button);
        EXPECT_EQ(w.gains, gains) << button;
    }
    EXPECT_STREQ(kWaveletPresets[3].label, "強");
}

TEST(RestoreDialog, ProfileOfTheSpreadFunction) {
    std::vector<PlotPoint> p = RestoreProfile(10, 20);  // spread 1.0, blunting 2.0
    ASSERT_EQ(p.size(), 201u);
    EXPECT_EQ(p[100], (PlotPoint{130, 150}));
    EXPECT_EQ(p[105], (PlotPoint{135, 170}));  // 250 - 100 / 1.25
    p = RestoreProfile(0, 0);                  // out of range values are held at the range ends
    EXPECT_EQ(p, RestoreProfile(1, 10));
    EXPECT_EQ(RestoreAxes().size(), 23u);
}

TEST(GreyAndNoiseDialogs, ModeWeightsAndAreaPositions) {
    GreySettings gray{.mode = 3, .weight_r = 1, .weight_g = 2, .weight_b = 3};
    SelectGreyMode(gray, 0);
    EXPECT_EQ(gray, (GreySettings{.mode = 0, .weight_r = 1, .weight_g = 2, .weight_b = 3}));
    SelectGreyMode(gray, 2);
    EXPECT_EQ(gray, GreySettings{});

    for (const auto& [typed, pos] : {std::pair{4, 0}, {5, 1}, {INT_MIN, 0}, {INT_MAX, 1}})
        EXPECT_EQ(NoiseScrollFromTyped(typed), pos) << typed;
    for (const auto& [area, pos] : {std::pair{3, 0}, {5, 1}}) {
        EXPECT_EQ(NoiseAreaFromScroll(pos), area);
        EXPECT_EQ(NoiseAreaToScroll(area), pos);
    }
}

}  // namespace
}  // namespace orva
