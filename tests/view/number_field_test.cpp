// The dialogs' value rules: display forms, typed text, scroll steps and the painted profiles;
// then the wavelet, restoration, grey and noise dialogs' own rules, worked out by hand.
#include "view/number_field.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <utility>

#include "view/dialog_choices.h"
#include "view/dialog_drawings.h"

namespace orva {
namespace {

NumberRule BluntingRule() {
    return {.min = 10,
            .max = 50,
            .line_step = 1,
            .page_step = 10,
            .display = ValueDisplay::Tenths,
            .typed = TypedForm::Decimal,
            .typed_scale = 10.0};
}

NumberRule LevelRule() {
    return {.min = 0,
            .max = 65535,
            .line_step = 26,
            .page_step = 1280,
            .scroll_scale = 256,
            .display = ValueDisplay::Level256,
            .typed = TypedForm::Decimal,
            .typed_scale = 256.0,
            .typed_bias = 0.01};
}

// Radius 4..32 pixels on a scroll bar of 1..8.
NumberRule QuarterRule() {
    return {.min = 4,
            .max = 32,
            .line_step = 4,
            .page_step = 16,
            .scroll_scale = 4,
            .typed = TypedForm::Position};
}

TEST(DialogRules, DisplayForms) {
    // clang-format off
    struct Case { int value; ValueDisplay form; const char* text; };
    const Case cases[] = {
        {-15, ValueDisplay::Tenths, "-1.5"}, {-5, ValueDisplay::Hundredths, "-0.05"},
        {INT_MIN, ValueDisplay::Hundredths, "-21474836.48"}, {-7, ValueDisplay::Plain, "-7"},
        // 16-bit units as levels: the decimal is (value mod 256) * 10 / 256.
        {2585, ValueDisplay::Level256, "10.0"}, {2586, ValueDisplay::Level256, "10.1"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatSettingValue(c.value, c.form), c.text);
    }
}

TEST(DialogRules, TypedText) {
    const std::optional<int> none;
    // clang-format off
    const std::pair<const char*, std::optional<int>> wholes[] = {
        {" 12 ", 12}, {"+7", 7}, {"-2147483648", INT_MIN}, {"2147483648", none}, {"12a", none},
        {"", none}, {"-", none},
    };
    // Further decimals are ignored; any other character, or no digit, gives 0; a number too
    // long for the field saturates instead of wrapping round.
    const std::pair<const char*, int> angles[] = {
        {" +3.5", 350}, {"-12.345", -1234}, {"12.", 1200}, {"1.2.3", 0}, {"abc", 0},
        {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    // clang-format on
    for (const auto& [text, value] : wholes) EXPECT_EQ(ParseWholeNumber(text), value) << text;
    for (const auto& [text, value] : angles) EXPECT_EQ(ParseAngleHundredths(text), value) << text;
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal(" 2.57x"), 2.57);
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal("abc"), 0.0);
}

TEST(DialogRules, TypedValuesAreScaledTruncatedAndClamped) {
    const NumberRule blunting = BluntingRule(), level = LevelRule(), quarter = QuarterRule();
    const NumberRule free{.min = 0, .max = 0, .clamp_typed = false};
    // clang-format off
    struct Case { const NumberRule& rule; const char* text; int value; };
    const Case cases[] = {
        // Blunting: typed x 10, truncated, clamped to 10..50. 2.3 x 10 is 22.999... in binary:
        // what was typed is what is stored.
        {blunting, "2.57", 25}, {blunting, "2.3", 23}, {blunting, "7", 50}, {blunting, "0.5", 10},
        // A level: (v + 0.01) x 256 truncated, clamped to 0..65535; "1e300" reads as "1".
        {level, "10", 2562}, {level, "1e300", 258},
        // A typed radius picks the scroll position typed / 4, limited to 1..8.
        {quarter, "13", 12}, {quarter, "40", 32}, {quarter, "x", 4},
        // Unclamped integers keep what was typed; invalid text is 0.
        {free, "-120", -120}, {free, "12px", 0},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(TypedValue(c.rule, c.text), c.value) << c.text;
}

TEST(DialogRules, ScrollPositionsAndSteps) {
    const NumberRule level = LevelRule();
    EXPECT_EQ(ScrollMaximum(level), 255);
    EXPECT_EQ(ValueAtPosition(level, 10), 2560);
    EXPECT_EQ(SteppedValue(level, 65530, 26), 65535);
    EXPECT_EQ(SteppedValue(level, 10, -26), 0);
    const NumberRule quarter = QuarterRule();
    EXPECT_EQ(ScrollMinimum(quarter), 1);
    EXPECT_EQ(ValueAtPosition(quarter, 3), 12);
    // A value at the top of an int does not overflow a step.
    const NumberRule wide{.min = INT_MIN, .max = INT_MAX};
    EXPECT_EQ(SteppedValue(wide, INT_MAX, 10), INT_MAX);
    // An offset scroll bar: brightness -255..255 on positions 0..510.
    const NumberRule offset{.min = -255, .max = 255, .scroll_offset = 255};
    EXPECT_EQ(ScrollPosition(offset, -255), 0);
    EXPECT_EQ(ValueAtPosition(offset, 510), 255);
}

TEST(DialogRules, SharpenProfilePoints) {
    // Radius 1, blunting 5.0: height 100 / (d^5 + 1).
    const std::vector<PlotPoint> p = SharpenProfile(1, 50);
    ASSERT_EQ(p.size(), 201u);
    EXPECT_EQ(p[110].y, 60);  // d = 1: half height
    // Radius 2, blunting 2.0: height 100 / ((d / 2)^2 + 1); the distance is divided by the
    // radius before squaring.
    const std::vector<PlotPoint> q = SharpenProfile(2, 20);
    EXPECT_EQ(q[140].y, 90);  // d = 4: 100 / 5 = 20
}

TEST(DialogRules, DisplayBitsAndDivisor) {
    // 100, 50, 25, 12, 6, 3 halve to 1; 2048 is beyond the list; 0 is a damaged setting.
    for (const auto& [divisor, bits] : {std::pair{256, 8}, {1, 16}, {100, 10}, {2048, 5}, {0, 16}})
        EXPECT_EQ(DisplayBitsForDivisor(divisor), bits) << divisor;
    EXPECT_EQ(DivisorForDisplayBits("6"), 1024);
    for (const char* bad : {"5", "17", ""}) EXPECT_FALSE(DivisorForDisplayBits(bad)) << bad;
}

TEST(DialogRules, KeepAspectPartner) {
    EXPECT_EQ(KeepAspectPartner(200, 100, 50), 100);  // (50 * 200 + 1) / 100
    EXPECT_EQ(KeepAspectPartner(3, 4, 3), 2);         // (3 * 3 + 1) / 4
    EXPECT_EQ(KeepAspectPartner(1000000, 1, 1000000), INT_MAX);
    EXPECT_EQ(KeepAspectPartner(50, 0, 100), 0);
}

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
}

TEST(RestoreDialog, ProfileOfTheSpreadFunction) {
    std::vector<PlotPoint> p = RestoreProfile(10, 20);  // spread 1.0, blunting 2.0
    ASSERT_EQ(p.size(), 201u);
    EXPECT_EQ(p[100], (PlotPoint{130, 150}));
    EXPECT_EQ(p[105], (PlotPoint{135, 170}));  // 250 - 100 / 1.25
    p = RestoreProfile(0, 0);                  // out of range values are held at the range ends
    EXPECT_EQ(p, RestoreProfile(1, 10));
}

TEST(GreyAndNoiseDialogs, ModeWeightsAndAreaPositions) {
    GreySettings gray{.mode = 3, .weight_r = 1, .weight_g = 2, .weight_b = 3};
    SelectGreyMode(gray, 0);
    EXPECT_EQ(gray, (GreySettings{.mode = 0, .weight_r = 1, .weight_g = 2, .weight_b = 3}));
    SelectGreyMode(gray, 2);
    EXPECT_EQ(gray, GreySettings{});

    for (const auto& [typed, pos] : {std::pair{4, 0}, {5, 1}, {INT_MIN, 0}, {INT_MAX, 1}})
        EXPECT_EQ(NoiseScrollFromTyped(typed), pos) << typed;
}

}  // namespace
}  // namespace orva
