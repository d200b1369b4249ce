// The settings of the stacking operations, declared once: field tables (ranges, defaults,
// units) and the plain structs the settings record is made of. The kernels, the settings
// file, the dialogs and orva-cli --set all read these tables.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ops/op_settings.h"

namespace orva {

// Automatic, point-aligned and L+RGB compositing (dialogs COMPO, COMPO2, LRGB, LRGBCOMP) and
// the two-image comparison (DIFF): one shared set. Method: 0 average, 1 add, 2 maximum,
// 3 minimum, 4 maximum contrast; comparison method: 0 centre and corners, 1 centre only,
// 2 all pixels; noise mode: 0 off, 1 noise removal, 2 move mode. The points are the four
// image lines of the point-aligned dialogs (A x, A y, B x, B y, y from the top).
struct CompositeFields {
    FieldDecl method{"method", 0, 4, 0, FieldUnit::Choice};
    FieldDecl compare_range{"compare_range", 0, 10000, 20, FieldUnit::Pixels};
    FieldDecl compare_method{"compare_method", 0, 2, 1, FieldUnit::Choice};
    FieldDecl normalise{"normalise", 0, 1, 1, FieldUnit::Flag};
    FieldDecl noise_level{"noise_level", 0, 255, 5, FieldUnit::Level8};
    FieldDecl noise_mode{"noise_mode", 0, 2, 1, FieldUnit::Choice};
    FieldDecl shift_one_pixel{"shift_one_pixel", 0, 1, 1, FieldUnit::Flag};
    FieldDecl extra_shift{"extra_shift", -10000, 10000, 0, FieldUnit::Pixels};
    FieldDecl weight{"weight", 0, 100, 100, FieldUnit::Percent};
    FieldDecl compare_level{"level", 0, 255, 128, FieldUnit::Level8};
    FieldDecl point{"point", 0, 16383, 0, FieldUnit::Pixels};
};
inline constexpr CompositeFields kCompositeFields{};

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

// The compositing words that pack several settings, made here only so that every caller packs
// them alike and within their fields' ranges. The comparison word (P3 of automatic and
// multi-file compositing): shift rule x 256 + comparison method + 3 x normalisation.
inline int32_t CompareFlagsWord(int shift_one_pixel, int compare_method, int normalise) {
    const auto& f = kCompositeFields;
    return 256 * f.shift_one_pixel.Clamp(shift_one_pixel) + f.compare_method.Clamp(compare_method) +
           3 * f.normalise.Clamp(normalise);
}

// The comparison word read back: the one place that takes it apart. A negative word counts
// as 0.
struct CompareFlags {
    bool shift_one_pixel = false;
    int compare_method = 0;
    bool normalise = false;
};
inline CompareFlags CompareFlagsOf(int32_t word) {
    const int w = word < 0 ? 0 : word;
    return CompareFlags{w / 256 != 0, (w % 256) % 3, (w % 256) / 3 != 0};
}

// Point-aligned compositing (code 8) has no comparison: its P3 carries 3 x normalisation
// alone and is read as P3 / 3.
inline int32_t PointNormaliseWord(int normalise) {
    return 3 * kCompositeFields.normalise.Clamp(normalise);
}
inline bool PointNormaliseOf(int32_t word) {
    return word >= 3;
}

// The noise word: -1 off, the level for noise removal, 256 + level for move mode.
inline int32_t NoiseWord(int noise_mode, int noise_level) {
    const int mode = kCompositeFields.noise_mode.Clamp(noise_mode);
    const int level = kCompositeFields.noise_level.Clamp(noise_level);
    return mode == 1 ? level : mode == 2 ? 256 + level : -1;
}

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
