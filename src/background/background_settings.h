// The settings of the background corrections, declared once (see ops/op_settings.h for the
// conventions of the field tables).
//
// Pseudo mode 0 multiplies by a radial background, 1 subtracts it; image mode 3 multiplies,
// 4 subtracts (5, replace, is reachable only through the parameter block); the generated
// background is 0 kept as a new image, 1 multiplied, 2 subtracted.
#pragma once

#include <array>

#include "ops/op_settings.h"

namespace orva {

struct BackgroundFields {
    FieldDecl pseudo_mode{"mode", 0, 1, 0, FieldUnit::Choice, 1, 0};
    FieldDecl level{"level", 0, 255, 0, FieldUnit::Level8};  // centre and edge levels
    FieldDecl pseudo_curve{"curve", 100, 300, 200, FieldUnit::Hundredths, 1, 8};
    FieldDecl shift{"shift", -255, 255, 30, FieldUnit::Level8};
    FieldDecl image_mode{"mode", 3, 4, 3, FieldUnit::Choice};
    FieldDecl image_slot{"slot", 0, 255, 100, FieldUnit::Count, 1, 8};
    // Code 50 words: P0 source slot, P1 detection area, P2 averaging area, P3 exclude flag.
    FieldDecl detect_area{"detect_area", 8, 256, 32, FieldUnit::Pixels, 1, 1};
    FieldDecl average_area{"average_area", 2, 16, 16, FieldUnit::Pixels, 1, 2};
    FieldDecl generated_use{"use", 0, 2, 0, FieldUnit::Choice};
    FieldDecl two_part{"two_part", 0, 1, 0, FieldUnit::Flag};
    FieldDecl exclude_zero{"exclude_zero", 0, 1, 1, FieldUnit::Flag, 1, 3};
};
inline constexpr BackgroundFields kBackgroundFields{};

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
