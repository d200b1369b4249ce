// The dialogs' value rules: display forms, typed text, scroll steps and the painted profile.
#include "view/number_field.h"

#include <gtest/gtest.h>

#include <climits>

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
    EXPECT_EQ(FormatSettingValue(50, ValueDisplay::Tenths), "5.0");
    EXPECT_EQ(FormatSettingValue(-15, ValueDisplay::Tenths), "-1.5");
    EXPECT_EQ(FormatSettingValue(9000, ValueDisplay::Hundredths), "90.00");
    EXPECT_EQ(FormatSettingValue(-150, ValueDisplay::Hundredths), "-1.50");
    EXPECT_EQ(FormatSettingValue(-5, ValueDisplay::Hundredths), "-0.05");
    // 16-bit units as levels: the decimal is (value mod 256) * 10 / 256.
    EXPECT_EQ(FormatSettingValue(2560, ValueDisplay::Level256), "10.0");
    EXPECT_EQ(FormatSettingValue(2585, ValueDisplay::Level256), "10.0");
    EXPECT_EQ(FormatSettingValue(2586, ValueDisplay::Level256), "10.1");
    EXPECT_EQ(FormatSettingValue(65535, ValueDisplay::Level256), "255.9");
    EXPECT_EQ(FormatSettingValue(-7, ValueDisplay::Plain), "-7");
    EXPECT_EQ(FormatSettingValue(INT_MIN, ValueDisplay::Hundredths), "-21474836.48");
}

TEST(DialogRules, WholeNumbersAsAnEditHoldsThem) {
    EXPECT_EQ(ParseWholeNumber(" 12 "), 12);
    EXPECT_EQ(ParseWholeNumber("-7"), -7);
    EXPECT_EQ(ParseWholeNumber("+7"), 7);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), INT_MIN);
    EXPECT_FALSE(ParseWholeNumber("2147483648"));
    EXPECT_FALSE(ParseWholeNumber("12a"));
    EXPECT_FALSE(ParseWholeNumber("1 2"));
    EXPECT_FALSE(ParseWholeNumber(""));
    EXPECT_FALSE(ParseWholeNumber("-"));
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal(" 2.57x"), 2.57);
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDecimal("abc"), 0.0);
}

TEST(DialogRules, AnglesInHundredths) {
    EXPECT_EQ(ParseAngleHundredths("45"), 4500);
    EXPECT_EQ(ParseAngleHundredths(" +3.5"), 350);
    EXPECT_EQ(ParseAngleHundredths("-12.345"), -1234);  // further decimals are ignored
    EXPECT_EQ(ParseAngleHundredths("12."), 1200);
    // Any other character, or no digit, gives 0.
    EXPECT_EQ(ParseAngleHundredths("1.2.3"), 0);
    EXPECT_EQ(ParseAngleHundredths("12 "), 0);
    EXPECT_EQ(ParseAngleHundredths("abc"), 0);
    EXPECT_EQ(ParseAngleHundredths("-"), 0);
    EXPECT_EQ(ParseAngleHundredths(""), 0);
    // A number too long for the field saturates instead of wrapping round.
    EXPECT_EQ(ParseAngleHundredths("99999999999"), INT_MAX);
    EXPECT_EQ(ParseAngleHundredths("-99999999999"), INT_MIN);
}

TEST(DialogRules, TypedValuesAreScaledTruncatedAndClamped) {
    // Blunting: typed x 10, truncated, clamped to 10..50.
    EXPECT_EQ(TypedValue(BluntingRule(), "2.57"), 25);
    // 2.3 * 10 is 22.999... in binary: what was typed is what is stored.
    EXPECT_EQ(TypedValue(BluntingRule(), "2.3"), 23);
    EXPECT_EQ(TypedValue(BluntingRule(), "7"), 50);
    EXPECT_EQ(TypedValue(BluntingRule(), "0.5"), 10);
    // A level: (v + 0.01) x 256 truncated, clamped to 0..65535.
    EXPECT_EQ(TypedValue(LevelRule(), "10"), 2562);
    EXPECT_EQ(TypedValue(LevelRule(), "0"), 2);
    EXPECT_EQ(TypedValue(LevelRule(), "300"), 65535);
    EXPECT_EQ(TypedValue(LevelRule(), "-1"), 0);
    EXPECT_EQ(TypedValue(LevelRule(), "1e300"), 258);  // the leading number is "1"
    // A typed radius picks the scroll position typed / 4, limited to 1..8.
    EXPECT_EQ(TypedValue(QuarterRule(), "13"), 12);
    EXPECT_EQ(TypedValue(QuarterRule(), "40"), 32);
    EXPECT_EQ(TypedValue(QuarterRule(), "0"), 4);
    EXPECT_EQ(TypedValue(QuarterRule(), "x"), 4);
    // Unclamped integers keep what was typed; invalid text is 0.
    NumberRule free{.min = 0, .max = 0, .clamp_typed = false};
    EXPECT_EQ(TypedValue(free, "-120"), -120);
    EXPECT_EQ(TypedValue(free, "12px"), 0);
}

TEST(DialogRules, ScrollPositionsAndSteps) {
    const NumberRule level = LevelRule();
    EXPECT_EQ(ScrollMinimum(level), 0);
    EXPECT_EQ(ScrollMaximum(level), 255);
    EXPECT_EQ(ScrollPosition(level, 2562), 10);
    EXPECT_EQ(ValueAtPosition(level, 10), 2560);
    EXPECT_EQ(SteppedValue(level, 65530, 26), 65535);
    EXPECT_EQ(SteppedValue(level, 10, -26), 0);
    EXPECT_EQ(SteppedValue(level, 2560, 1280), 3840);
    const NumberRule quarter = QuarterRule();
    EXPECT_EQ(ScrollMinimum(quarter), 1);
    EXPECT_EQ(ScrollMaximum(quarter), 8);
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
    EXPECT_EQ(p.front().x, 210);
    EXPECT_EQ(p.back().x, 410);
    EXPECT_EQ(p[100].x, 310);
    EXPECT_EQ(p[100].y, 10);   // full height at the centre
    EXPECT_EQ(p[110].y, 60);   // d = 1: half height
    EXPECT_EQ(p[90].y, 60);    // symmetric
    EXPECT_EQ(p[200].y, 110);  // 100 / 100001 truncates to 0
    // Radius 2, blunting 2.0: height 100 / ((d / 2)^2 + 1); the distance is divided by the
    // radius before squaring.
    const std::vector<PlotPoint> q = SharpenProfile(2, 20);
    EXPECT_EQ(q[110].y, 30);  // d = 1: 100 / 1.25 = 80
    EXPECT_EQ(q[120].y, 60);  // d = 2: 50
    EXPECT_EQ(q[140].y, 90);  // d = 4: 100 / 5 = 20
}

TEST(DialogRules, DisplayBitsAndDivisor) {
    EXPECT_EQ(DisplayBitsForDivisor(256), 8);
    EXPECT_EQ(DisplayBitsForDivisor(1), 16);
    EXPECT_EQ(DisplayBitsForDivisor(64), 10);
    EXPECT_EQ(DisplayBitsForDivisor(1024), 6);
    EXPECT_EQ(DisplayBitsForDivisor(100), 10);  // 100, 50, 25, 12, 6, 3 halve to 1
    EXPECT_EQ(DisplayBitsForDivisor(2048), 5);  // beyond the list
    EXPECT_EQ(DisplayBitsForDivisor(0), 16);
    EXPECT_EQ(DivisorForDisplayBits("10"), 64);
    EXPECT_EQ(DivisorForDisplayBits("16"), 1);
    EXPECT_EQ(DivisorForDisplayBits("6"), 1024);
    EXPECT_FALSE(DivisorForDisplayBits("5"));
    EXPECT_FALSE(DivisorForDisplayBits("17"));
    EXPECT_FALSE(DivisorForDisplayBits(""));
}

TEST(DialogRules, KeepAspectPartner) {
    EXPECT_EQ(KeepAspectPartner(200, 100, 50), 100);  // (50 * 200 + 1) / 100
    EXPECT_EQ(KeepAspectPartner(3, 4, 3), 2);         // (3 * 3 + 1) / 4
    EXPECT_EQ(KeepAspectPartner(1000000, 1, 1000000), INT_MAX);
    EXPECT_EQ(KeepAspectPartner(50, 0, 100), 0);
}

}  // namespace
}  // namespace orva
