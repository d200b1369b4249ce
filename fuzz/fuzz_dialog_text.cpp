// Text typed into the dialogs' edit fields: every parser on arbitrary bytes, and the
// invariant that a clamping rule's value stays inside its range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "view/number_field.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)orva::ParseWholeNumber(text);
    (void)orva::ParseLeadingDecimal(text);
    (void)orva::ParseAngleHundredths(text);

    const orva::NumberRule rules[] = {
        {.min = 10, .max = 50, .typed = orva::TypedForm::Decimal, .typed_scale = 10.0},
        {.min = 0,
         .max = 65535,
         .scroll_scale = 256,
         .typed = orva::TypedForm::Decimal,
         .typed_scale = 256.0,
         .typed_bias = 0.01},
        {.min = 4, .max = 32, .scroll_scale = 4, .typed = orva::TypedForm::Position},
        {.min = -36000, .max = 36000, .typed = orva::TypedForm::Angle},
        {.min = -255, .max = 255, .scroll_offset = 255},
    };
    for (const auto& rule : rules) {
        const int v = orva::TypedValue(rule, text);
        if (v < rule.min || v > rule.max) std::abort();
        (void)orva::FormatSettingValue(v, orva::ValueDisplay::Hundredths);
    }
    return 0;
}
