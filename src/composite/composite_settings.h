// The settings of the stacking operations: the plain structs the settings record is made of.
// Their field table (kCompositeFields) stands with the other operations' in ops/op_settings.h,
// since the dispatcher clamps the stacking words with it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ops/op_settings.h"

namespace orva {

struct CompositeSettings {
    int method = kCompositeFields.method.def;
    int compare_range = kCompositeFields.compare_range.def;
    int compare_method = kCompositeFields.compare_method.def;
    int normalise = kCompositeFields.normalise.def;
    int noise_level = kCompositeFields.noise_level.def;
    int noise_mode = kCompositeFields.noise_mode.def;
    int shift_one_pixel = kCompositeFields.shift_one_pixel.def;  // never accept (0, 0)
    int extra_shift_x = kCompositeFields.extra_shift.def;        // pixels per image
    int extra_shift_y = kCompositeFields.extra_shift.def;
    std::array<int, 4> weights = {100, 100, 100, 100};
    int compare_level = kCompositeFields.compare_level.def;  // two-image comparison
    std::array<std::array<int, 4>, 4> points{};
    // Slots chosen in the dialogs' image lists, -1 for the empty line; not in the settings
    // file. COMPO, COMPO2: images 1 to 4; LRGB: luminance, colour; LRGBCOMP: L, R, G, B.
    std::array<int, 4> images = {-1, -1, -1, -1};
    bool operator==(const CompositeSettings&) const = default;
};

// Multi-file compositing (dialog COMPOMUL): a set of its own with the compositing fields.
struct MultiFileCompositeSettings {
    int method = kCompositeFields.method.def;
    int compare_range = kCompositeFields.compare_range.def;
    int compare_method = kCompositeFields.compare_method.def;
    int normalise = kCompositeFields.normalise.def;
    int noise_level = kCompositeFields.noise_level.def;
    int noise_mode = kCompositeFields.noise_mode.def;
    int shift_one_pixel = kCompositeFields.shift_one_pixel.def;
    // The dropped files, in drop order, at most 16; emptied whenever the dialog opens.
    std::vector<std::string> files{};
    bool operator==(const MultiFileCompositeSettings&) const = default;
};

}  // namespace orva
