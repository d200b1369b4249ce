// The settings record: one plain struct per operation family (declared with its field table
// in ops/op_settings.h, or below for families whose operations have not landed), and the
// keyword table through which the settings file and orva-cli reach the fields.
//
// Settings{} is the state after "initialise all settings" and after start-up before
// "orva.ovg" is read: the member initialisers are the field tables' defaults. Values are not
// trusted: a settings file is loaded without range checks, so every operation clamps what it
// takes from here with its field before use.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ops/op_settings.h"
#include "raw/raw_settings.h"

namespace orva {

// The families below have no operation of their own yet; their field tables stand here
// until their operations land, in the same form as ops/op_settings.h.

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
    bool operator==(const MultiFileCompositeSettings&) const = default;
};

// Background correction: pseudo-function (BACKG), background image (BACKG2, BACKG3) and the
// background generator (MAKEBG). Pseudo mode 0 multiplies, 1 subtracts; image mode 3
// multiplies, 4 subtracts; the generated background is 0 kept as a new image, 1 multiplied,
// 2 subtracted.
struct BackgroundFields {
    FieldDecl pseudo_mode{"mode", 0, 1, 0, FieldUnit::Choice};
    FieldDecl level{"level", 0, 255, 0, FieldUnit::Level8};  // centre and edge levels
    FieldDecl pseudo_curve{"curve", 100, 300, 200, FieldUnit::Hundredths};
    FieldDecl shift{"shift", -255, 255, 30, FieldUnit::Level8};
    FieldDecl image_mode{"mode", 3, 4, 3, FieldUnit::Choice};
    FieldDecl image_slot{"slot", 0, 255, 100};
    FieldDecl detect_area{"detect_area", 8, 256, 32, FieldUnit::Pixels};
    FieldDecl average_area{"average_area", 2, 16, 16, FieldUnit::Pixels};
    FieldDecl generated_use{"use", 0, 2, 0, FieldUnit::Choice};
    FieldDecl two_part{"two_part", 0, 1, 0, FieldUnit::Flag};
    FieldDecl exclude_zero{"exclude_zero", 0, 1, 1, FieldUnit::Flag};
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

// Display settings (dialog DISPCONF) and the batch's time measurement.
struct DisplayFields {
    FieldDecl readout_divisor{"readout_divisor", 1, 1024, 256};  // 2^(16 - display bits)
    FieldDecl info_overlay{"info_overlay", 0, 1, 1, FieldUnit::Flag};
    FieldDecl time_measurement{"time_measurement", 0, 1, 0, FieldUnit::Flag};
};
inline constexpr DisplayFields kDisplayFields{};

struct DisplaySettings {
    int readout_divisor = kDisplayFields.readout_divisor.def;
    int info_overlay = kDisplayFields.info_overlay.def;  // camera information over the image
    bool operator==(const DisplaySettings&) const = default;
};

struct BatchOptions {
    int time_measurement = kDisplayFields.time_measurement.def;
    bool operator==(const BatchOptions&) const = default;
};

struct Settings {
    SharpenSettings sharpen;
    EdgeSettings edge;
    WaveletSettings wavelet;
    RestoreSettings restore;
    ResizeSettings resize;
    CropSettings crop;
    RotateSettings rotate;
    DistortionSettings distortion;
    GammaSettings gamma;
    LevelSettings level;
    DynamicRangeSettings dynamic_range;
    GreySettings grey;
    ColourSettings colour;
    NoiseSettings noise;
    CompositeSettings composite;
    MultiFileCompositeSettings multi_file;
    BackgroundSettings background;
    RawSettings raw;
    DarkSettings dark;
    DisplaySettings display;
    BatchOptions batch;
    // A value that no operation reads; kept so that settings files round-trip.
    int unused_level = 10;
    bool operator==(const Settings&) const = default;
};

// Every setting to its start-up default.
void ResetSettings(Settings& s);

// The RAW dialog's "initial settings" button: every development value to its default except
// the algorithm choice.
void RestoreRawDefaults(RawSettings& raw);

// One value of a keyword: exactly one of i and d is set.
struct SettingField {
    const char* name;  // short name for messages, e.g. "radius"
    int* i = nullptr;
    double* d = nullptr;
    double min = 0, max = 0;  // accepted range, inclusive
    int step = 1;             // int fields: values are min + k * step
};

// A keyword and the fields it carries, in order.
struct SettingKeyword {
    const char* keyword;  // as written to the settings file; matched without regard to case
    const char* help;     // what the keyword holds, for listings
    std::vector<SettingField> fields;
    bool in_file = false;  // written to and read from the settings file
    // Settings file layout: numbers per value line (sums to fields.size()).
    std::vector<int> line_lengths;
};

// The keyword table bound to one record: first the settings-file keywords in file order,
// then keywords for the settings the file does not hold. The pointers stay valid as long as
// the record does. "dark" and "raw" both carry the RAW quality.
std::vector<SettingKeyword> BindSettings(Settings& s);

// The keyword of the table that matches without regard to case, or nullptr.
SettingKeyword* FindSettingKeyword(std::vector<SettingKeyword>& table, std::string_view keyword);

// The settings file text: each file keyword on its own line followed by its value lines;
// numbers as decimal integers separated by one blank, the RAW gammas with six decimals.
std::string SaveSettings(const Settings& s);

// Reads settings file text keyword by keyword. Unknown words are skipped; a keyword's
// numbers may be spread over lines in any way; a malformed or missing number leaves that
// field and the keyword's later fields unchanged and reading goes on with the next word.
// Values are not range-checked; integers beyond the int range saturate, and doubles that
// are not finite are refused.
void LoadSettings(std::string_view text, Settings& s);

// Reads a settings file into s. False when the file cannot be read (s is then unchanged).
bool LoadSettingsFile(const std::string& path, Settings& s);

// Writes the settings file through a temporary file, so that a failed save leaves an
// existing file as it was. False on failure.
bool SaveSettingsFile(const std::string& path, const Settings& s);

// Applies "keyword=v1,v2,..." (orva-cli --set): sets the keyword's fields in order; fewer
// values than fields set only the first ones. Refuses (returns false, sets *error, changes
// nothing) an unknown keyword, too many values, a value that is not a number or one outside
// its field's range.
bool ApplySettingAssignment(Settings& s, std::string_view assignment, std::string* error);

}  // namespace orva
