// The RAW development and dark-frame settings, declared once: the field table the decoder,
// the dark-frame code, the settings file, the dialogs and orva-cli --set all read.
#pragma once

#include <array>

#include "ops/op_settings.h"

namespace orva {

// RAW development (dialog RAWMODE) and dark-frame defect handling (dialog DARK). Algorithm 0
// is the fast development, 1 the decoder's reference development with quality 0..3
// (bilinear, VNG, PPG, AHD). Black levels are in half units; the hue slider gives
// hue = 2 * slider - 36. Defect handling: 0 leave the pixel, 1 set to 0, 2 neighbour average.
struct RawFields {
    FieldDecl algorithm{"algorithm", 0, 1, 0, FieldUnit::Choice};
    FieldDecl quality{"quality", 0, 3, 0, FieldUnit::Choice};
    RealFieldDecl gamma{"gamma", 1.0, 4.0, 2.2};
    FieldDecl black{"black", 0, 32, 0};
    FieldDecl white{"white", 128, 255, 255, FieldUnit::Level8};
    FieldDecl sharpness{"sharpness", 0, 8, 4};
    FieldDecl sharp_radius{"radius", 0, 1, 0, FieldUnit::Choice};  // 1 or 2 pixels
    FieldDecl false_colour{"false_colour", 0, 4, 2};
    FieldDecl saturation{"saturation", 0, 4, 3};
    FieldDecl hue{"hue", 0, 36, 18};
    FieldDecl defect_handling{"defect_handling", 0, 2, 2, FieldUnit::Choice};
    FieldDecl defect_level{"defect_level", 0, 1024, 0};  // 16-bit sample difference
};
inline constexpr RawFields kRawFields{};

struct RawSettings {
    int algorithm = kRawFields.algorithm.def;
    int quality = kRawFields.quality.def;
    std::array<double, 3> gamma = {2.2, 2.2, 2.2};  // R, G, B
    std::array<int, 3> black = {5, 3, 0};           // R, G, B
    std::array<int, 3> white = {180, 160, 130};     // R, G, B
    int sharpness = kRawFields.sharpness.def;
    int sharp_radius = kRawFields.sharp_radius.def;
    int false_colour = kRawFields.false_colour.def;
    int saturation = kRawFields.saturation.def;
    int hue = kRawFields.hue.def;
    bool operator==(const RawSettings&) const = default;
};

// The dark file list is not part of the record: "initialise all settings" keeps it.
struct DarkSettings {
    int defect_handling = kRawFields.defect_handling.def;
    int defect_level = kRawFields.defect_level.def;
    bool operator==(const DarkSettings&) const = default;
};

}  // namespace orva
