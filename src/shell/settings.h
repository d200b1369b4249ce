// The settings record: one plain struct per operation family (declared with its field table
// beside the family's operations; the display settings below), and the
// keyword table through which the settings file and orva-cli reach the fields.
//
// Settings{} is the state after "initialise all settings" and after start-up before
// "orva.ovg" is read: the member initialisers are the field tables' defaults. Values are not
// trusted: a settings file is loaded without range checks, so every operation clamps what it
// takes from here with its field before use.
#pragma once

#include <array>
#include <climits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "background/background_settings.h"
#include "composite/composite_settings.h"
#include "ops/op_settings.h"
#include "raw/raw_settings.h"
#include "stack/stack_settings.h"
#include "workspace/image_record.h"

namespace orva {

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

// Reading of image files: pictures beyond this many pixels are refused before any memory is
// taken for them. Held as an int, so at most 2^31 - 1.
struct ReadingFields {
    FieldDecl max_pixels{"max_pixels", 1, INT_MAX, 1 << 30};
};
inline constexpr ReadingFields kReadingFields{};
static_assert(kReadingFields.max_pixels.def == static_cast<int>(kDefaultMaxPixels));

// The language of the desktop's texts: 0 Japanese, 1 English (ours).
struct LanguageFields {
    FieldDecl language{"language", 0, 1, 0};
};
inline constexpr LanguageFields kLanguageFields{};

struct ReadingSettings {
    int max_pixels = kReadingFields.max_pixels.def;
    bool operator==(const ReadingSettings&) const = default;
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
    CalibratedStackSettings calibrated;  // ours; not in the settings file
    BatchOptions batch;
    ReadingSettings reading;                      // ours
    int language = kLanguageFields.language.def;  // ours; the desktop reads it
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
    // Read from the file, but written only when a value differs from its default.
    bool only_if_changed = false;
};

// The keyword table bound to one record: first the settings-file keywords in file order,
// then keywords for the settings the file does not hold. The pointers stay valid as long as
// the record does. "dark" and "raw" both carry the RAW quality.
std::vector<SettingKeyword> BindSettings(Settings& s);
// Every keyword, in that order: the settings file's first, then those the file does not hold.
std::span<const char* const> KeywordOrder();

// The keyword of the table that matches without regard to case, or nullptr.
SettingKeyword* FindSettingKeyword(std::vector<SettingKeyword>& table, std::string_view keyword);

// The settings file text: each file keyword on its own line followed by its value lines;
// numbers as decimal integers separated by one blank, the RAW gammas with six decimals.
std::string SaveSettings(const Settings& s);

// What a load found: how many keywords it understood, and the words it skipped that look
// like keywords (not numbers), in file order.
struct SettingsLoadReport {
    int understood = 0;
    std::vector<std::string> unknown;
};

// Reads settings file text keyword by keyword. Unknown words are skipped (and reported); a
// keyword's numbers may be spread over lines in any way; a malformed or missing number
// leaves that field and the keyword's later fields unchanged and reading goes on with the
// next word. Values are not range-checked; integers beyond the int range saturate, and
// doubles that are not finite are refused.
SettingsLoadReport LoadSettings(std::string_view text, Settings& s);

// Reads a settings file into s. False with a one-line reason in *why when the file cannot
// be read or is not a settings file: it holds bytes no text file has (a NUL, control
// characters), or it is not empty yet no keyword in it is understood. s is then unchanged.
// The words skipped as unknown keywords go to *unknown.
bool LoadSettingsFile(const std::string& path, Settings& s, std::string* why = nullptr,
                      std::vector<std::string>* unknown = nullptr);

// Writes the settings file through a temporary file, so that a failed save leaves an
// existing file as it was. False on failure.
bool SaveSettingsFile(const std::string& path, const Settings& s);

// Applies "keyword=v1,v2,..." (orva-cli --set): sets the keyword's fields in order; fewer
// values than fields set only the first ones. Refuses (returns false, sets *error, changes
// nothing) an unknown keyword, too many values, a value that is not a number or one outside
// its field's range.
bool ApplySettingAssignment(Settings& s, std::string_view assignment, std::string* error);

}  // namespace orva
