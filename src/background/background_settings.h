// The settings of the background corrections. Their field table (kBackgroundFields) stands
// with the other operations' in ops/op_settings.h, since the dispatcher clamps the background
// words with it.
//
// Pseudo mode 0 multiplies by a radial background, 1 subtracts it; image mode 3 multiplies,
// 4 subtracts (5, replace, is reachable only through the parameter block); the generated
// background is 0 kept as a new image, 1 multiplied, 2 subtracted.
#pragma once

#include <array>

#include "ops/op_settings.h"

namespace orva {

struct BackgroundSettings {
    int pseudo_mode = kBackgroundFields.pseudo_mode.def;
    std::array<int, 3> centre = {0, 0, 0};  // R, G, B
    std::array<int, 3> edge = {0, 0, 0};    // R, G, B
    int pseudo_curve = kBackgroundFields.pseudo_curve.def;
    int pseudo_shift = kBackgroundFields.shift.def;
    int image_mode = kBackgroundFields.image_mode.def;
    int image_slot = kBackgroundFields.image_slot.def;
    int image_shift = kBackgroundFields.shift.def;
    int detect_area = kBackgroundFields.detect_area.def;
    int average_area = kBackgroundFields.average_area.def;
    int generated_use = kBackgroundFields.generated_use.def;
    int generated_shift = kBackgroundFields.shift.def;
    int two_part = kBackgroundFields.two_part.def;
    int exclude_zero = kBackgroundFields.exclude_zero.def;  // luminance 0 is no background
    // What a left click in the image collects: 0 nothing, 1 centre levels, 2 edge levels,
    // 100 + n background point n. Not a user setting, but reset with the others.
    int sampling_mode = 0;
    bool operator==(const BackgroundSettings&) const = default;
};

}  // namespace orva
