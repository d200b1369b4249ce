// The numeric fields of the operation dialogs: how a setting is shown in an edit field, how
// typed text becomes a setting value, and how a scroll bar's position and steps relate to the
// setting. The Qt dialogs only wire these to widgets.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ops/op_settings.h"

namespace orva {

// How an edit field shows a setting value.
enum class ValueDisplay {
    Plain,       // "%d"
    Tenths,      // value / 10 as "%d.%01d" (negative values with a leading "-")
    Hundredths,  // value / 100 as "%d.%02d" (negative values with a leading "-")
    Level256,    // 16-bit units as 8-bit levels with one decimal: value / 256, "%d.%01d"
};

// How typed text becomes a setting value (before the rule's clamp).
enum class TypedForm {
    Integer,   // a whole number; anything else gives 0
    Decimal,   // the leading decimal number x, stored as (x + typed_bias) * typed_scale truncated
    Position,  // a whole number in setting units, rounded down to a scroll position
    Angle,     // degrees with up to two decimals, stored in hundredths (ParseAngleHundredths)
};

// One numeric setting shown in an edit and, usually, driven by a scroll bar. Scroll positions
// stand for setting values: value = (position - scroll_offset) * scroll_scale.
struct NumberRule {
    int min = 0, max = 0;              // setting range; steps and typed values stay inside
    int line_step = 1, page_step = 1;  // setting units per arrow and per page click
    int scroll_scale = 1;              // setting units per scroll position
    int scroll_offset = 0;             // position of the value 0
    ValueDisplay display = ValueDisplay::Plain;
    TypedForm typed = TypedForm::Integer;
    double typed_scale = 1.0, typed_bias = 0.0;  // TypedForm::Decimal
    bool clamp_typed = true;                     // false: a typed value is stored as it is
};

// `rule` with the range of a setting's field: the dialogs take every range from the field
// tables and add only how the control steps and shows the value.
constexpr NumberRule FieldRule(const FieldDecl& field, NumberRule rule = {}) {
    rule.min = field.min;
    rule.max = field.max;
    return rule;
}

// The text an edit shows for a value.
std::string FormatSettingValue(int value, ValueDisplay display);

// A whole number as an edit field holds it: optional blanks, an optional sign, digits,
// optional blanks. Anything else, or a number beyond the int range, is nullopt.
std::optional<int> ParseWholeNumber(std::string_view text);
// The leading decimal number of the text (blanks, sign, digits, "." and digits); 0 when the
// text does not start with one.
double ParseLeadingDecimal(std::string_view text);
// An angle typed in degrees with up to two decimals, in hundredths: optional blanks, an
// optional sign, digits, optionally "." with decimals of which only the first two count.
// Any other character, or no digit at all, gives 0. Saturates at the int range.
int ParseAngleHundredths(std::string_view text);

// The value a typed text stands for under the rule (clamped when the rule says so).
int TypedValue(const NumberRule& rule, std::string_view text);
// The value after a scroll step of `delta` setting units, clamped to the rule's range.
int SteppedValue(const NumberRule& rule, int value, int delta);
// Scroll position of a value, and the value of a dragged position (clamped to the range).
int ScrollPosition(const NumberRule& rule, int value);
int ValueAtPosition(const NumberRule& rule, int position);
// The scroll bar's range: the positions of the rule's minimum and maximum.
int ScrollMinimum(const NumberRule& rule);
int ScrollMaximum(const NumberRule& rule);

// The display-bits entry ("6".."16") the display settings dialog selects for a read-out
// divisor: 16 less the number of halvings while the divisor is at least 2 and the count is at
// least 6. The result can fall below 6 for a divisor from a hand-edited settings file; such a
// value has no entry in the list.
int DisplayBitsForDivisor(int divisor);
// The divisor for a chosen entry text, or nullopt when the text is no number of 6 to 16.
std::optional<int> DivisorForDisplayBits(std::string_view text);

// The keep-aspect partner of a typed size: (other_source * typed + 1) / this_source, in
// 64-bit arithmetic and limited to the int range; 0 when this_source is not positive.
int KeepAspectPartner(int typed, int this_source, int other_source);

}  // namespace orva
