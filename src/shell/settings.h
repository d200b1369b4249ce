// The settings record: every operation setting with its start-up default, one plain struct
// per operation family, and the keyword table through which the settings file, orva-cli and
// the dialogs reach the fields.
//
// Common principles for the fields below:
// - A default member initialiser is the start-up default, so Settings{} is the state after
//   "initialise all settings" and after start-up before "orva.ovg" is read.
// - The comment beside a field gives the range the dialog enforces and the unit. Several
//   values are scaled integers: "tenths" (10 means 1.0), "hundredths", or "16-bit units" for
//   levels the dialog shows as 0..255 (value / 256).
// - Values are not trusted: a settings file is loaded without range checks, so every
//   operation clamps what it takes from here before use.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// Sharpen and smooth (dialog SHARP, operation code 0).
struct SharpenSettings {
    int radius = 1;                           // 1..10, pixels
    int blunting = 50;                        // 10..50, tenths (1.0..5.0)
    int smooth_range = 2560;                  // 0..65535, 16-bit units (shown 0.0..255.0)
    int smooth_strength = 10;                 // 0..50
    int emphasis = 10;                        // 0..50
    std::array<int, 3> channels = {1, 1, 1};  // R, G, B flags, 0/1
    bool operator==(const SharpenSettings&) const = default;
};

// Edge enhancement (dialog EDGE, operation code 5).
struct EdgeSettings {
    int range = 2560;                         // 0..65535, 16-bit units (shown 0.0..255.0)
    int smooth_strength = 10;                 // 0..50
    int emphasis = 10;                        // 0..50
    int threshold = 50;                       // 0..100, percent
    int area = 1;                             // 1..3; carried and passed on, read by nothing
    std::array<int, 3> channels = {1, 1, 1};  // R, G, B flags, 0/1
    bool operator==(const EdgeSettings&) const = default;
};

// Wavelet sub-band gains and wavelet enlargement (dialog WAVELET, operation code 101).
struct WaveletSettings {
    // 0..500 each, tenths (0.0..50.0). Gain 0 acts only in enlargement (on the residual);
    // gains 1..5 belong to the bands "5(L)", "4", "3", "2", "1(H)".
    std::array<int, 6> gains = {10, 10, 10, 10, 10, 10};
    int filter_order = 2;  // 1..10, Daubechies order used by enlargement
    int enlarge = 0;       // 0/1: rebuild at twice the size instead of in place
    bool operator==(const WaveletSettings&) const = default;
};

// Blur restoration (dialog RESTORE, operation code 102).
struct RestoreSettings {
    int spread = 10;     // 1..100, tenths of a pixel (0.1..10.0)
    int blunting = 20;   // 10..50, tenths (1.0..5.0)
    int iterations = 3;  // 1..5
    int emphasis = 1;    // 0..3
    bool operator==(const RestoreSettings&) const = default;
};

// Resize (dialog RESIZE, operation code 6).
struct ResizeSettings {
    int keep_aspect = 1;  // 0/1
    int method = 1;       // 0 nearest, 1 bilinear, 2 Lanczos up / bilinear down, 3 Lanczos
    // 0..10000 pixels each; the dialog fills them from the current image when it opens.
    int source_width = 0;
    int source_height = 0;
    int target_width = 0;
    int target_height = 0;
    bool operator==(const ResizeSettings&) const = default;
};

// Crop and resize into a new image (dialog CUT).
struct CropSettings {
    int anchor = 4;           // 0..8, the nine anchor buttons in reading order (4 = centre)
    int width = 1024;         // >= 1 pixels; limited to the image width when used
    int height = 768;         // >= 1 pixels; limited to the image height when used
    int output_mode = 1;      // 0 = the output size below, 1 = the magnification
    int output_width = 1024;  // 1..10000 pixels
    int output_height = 768;  // 1..10000 pixels
    int magnification = 100;  // 1..10000, percent
    bool operator==(const CropSettings&) const = default;
};

// Rotate and mirror (dialog ROUND, operation code 10).
struct RotateSettings {
    // 0 left 90°, 1 right 90°, 2 180°, 3 by the angle, 4 mirror left-right, 5 flip top-bottom
    int mode = 3;
    int angle = 0;  // -36000..36000, hundredths of a degree, counter-clockwise positive
    bool operator==(const RotateSettings&) const = default;
};

// Distortion correction (dialog WAIKYOKU, operation code 60).
struct DistortionSettings {
    int amount = 0;  // -10000..10000 pixels at the corners; + moves outward, - inward
    bool operator==(const DistortionSettings&) const = default;
};

// Gamma (dialog GAMMA, operation code 1).
struct GammaSettings {
    int curve_mode = 1;   // 0 straight segments, 1 smooth curve
    int channel_set = 0;  // 0..3: all colours, red, green, blue
    int per_channel = 0;  // 0/1
    // Four sets (all, red, green, blue), each three control points as
    // input 0, output 0, input 1, output 1, input 2, output 2; 0..255 each.
    std::array<std::array<int, 6>, 4> points = {{{0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255}}};
    bool operator==(const GammaSettings&) const = default;
};

// One channel set of the level correction.
struct LevelSet {
    int input_min = 0;     // 0..255
    int input_max = 255;   // 0..255
    int brightness = 0;    // -255..255
    int contrast = 0;      // -100..100, percent
    int gamma = 100;       // 1..400, hundredths (0.01..4.00)
    int output_min = 0;    // 0..255
    int output_max = 255;  // 0..255
    bool operator==(const LevelSet&) const = default;
};

// Level correction (dialog LEVEL).
struct LevelSettings {
    int channel_set = 0;             // 0..3: all colours, red, green, blue
    std::array<LevelSet, 4> sets{};  // indexed as channel_set
    bool operator==(const LevelSettings&) const = default;
};

// Dynamic-range correction (dialog HDR).
struct DynamicRangeSettings {
    int radius = 8;            // 4..32 in steps of 4, pixels
    int tone_difference = 32;  // 0..128, 8-bit levels
    int strength = 5;          // 1..10
    bool operator==(const DynamicRangeSettings&) const = default;
};

// Black and white (dialog GRAY, operation code 20).
struct GreySettings {
    int mode = 2;        // 0 RGB maximum, 1 RGB minimum, 2 standard luminance, 3 manual
    int weight_r = 299;  // 0..65535 each; the mean is divided by their sum
    int weight_g = 587;
    int weight_b = 114;
    bool operator==(const GreySettings&) const = default;
};

// Saturation and hue (dialog COLORUP, code 22) and the two colour changes (CHGRGB, CHGHSV).
struct ColourSettings {
    int saturation = 100;                       // 0..200, shown as value - 100 percent
    int hue = 180;                              // 0..360, shown as value - 180 degrees
    std::array<int, 3> rgb_source = {0, 0, 0};  // R, G, B, 0..255, 8-bit levels
    std::array<int, 3> rgb_target = {0, 0, 0};  // R, G, B, 0..255
    int rgb_tolerance = 0;                      // 0..255
    std::array<int, 3> hsv_source = {0, 0, 0};  // hue 0..359 degrees, saturation, value 0..255
    std::array<int, 3> hsv_target = {0, 0, 0};  // as hsv_source
    int hsv_tolerance = 0;                      // 0..255, quarter degrees of hue
    bool operator==(const ColourSettings&) const = default;
};

// Noise reduction (dialog LV).
struct NoiseSettings {
    int area = 5;        // 3 or 5, window size in pixels
    int tolerance = 10;  // 0..10; the dialog sets 10 on OK
    int strength = 3;    // 1..5
    bool operator==(const NoiseSettings&) const = default;
};

// Automatic, point-aligned and L+RGB compositing (dialogs COMPO, COMPO2, LRGB, LRGBCOMP) and
// the two-image comparison (DIFF): one shared set.
struct CompositeSettings {
    int method = 0;           // 0 average, 1 add, 2 maximum, 3 minimum, 4 maximum contrast
    int compare_range = 20;   // 0..10000, pixels searched in each direction
    int compare_method = 1;   // 0 centre and corners, 1 centre only, 2 all pixels
    int normalise = 1;        // 0/1 density normalisation
    int noise_level = 5;      // 0..255
    int noise_mode = 1;       // 0 off, 1 noise removal, 2 move mode
    int shift_one_pixel = 1;  // 0/1: never accept the displacement (0, 0)
    int extra_shift_x = 0;    // -10000..10000 pixels per image
    int extra_shift_y = 0;    // -10000..10000
    std::array<int, 4> weights = {100, 100, 100, 100};  // 0..100, percent
    int compare_level = 128;  // 0..255, reference level of the two-image comparison
    // The four image lines of the point-aligned dialogs: A x, A y, B x, B y, each 0..16383,
    // y counted from the top of the picture.
    std::array<std::array<int, 4>, 4> points{};
    bool operator==(const CompositeSettings&) const = default;
};

// Multi-file compositing (dialog COMPOMUL): a set of its own.
struct MultiFileCompositeSettings {
    int method = 0;           // 0..4 as CompositeSettings::method
    int compare_range = 20;   // 0..10000
    int compare_method = 1;   // 0..2
    int normalise = 1;        // 0/1
    int noise_level = 5;      // 0..255
    int noise_mode = 1;       // 0..2
    int shift_one_pixel = 1;  // 0/1
    bool operator==(const MultiFileCompositeSettings&) const = default;
};

// Background correction: pseudo-function (BACKG), background image (BACKG2, BACKG3) and the
// background generator (MAKEBG).
struct BackgroundSettings {
    int pseudo_mode = 0;                    // 0 multiply, 1 subtract
    std::array<int, 3> centre = {0, 0, 0};  // R, G, B centre levels, 0..255
    std::array<int, 3> edge = {0, 0, 0};    // R, G, B edge levels, 0..255
    int pseudo_curve = 200;                 // 100..300, hundredths (exponent 1.00..3.00)
    int pseudo_shift = 30;                  // -255..255, 8-bit levels
    int image_mode = 3;                     // 3 multiply, 4 subtract
    int image_slot = 100;                   // 0..255, slot of the background image
    int image_shift = 30;                   // -255..255, 8-bit levels
    int detect_area = 32;                   // 8..256 pixels
    int average_area = 16;                  // 2..16 pixels
    int generated_use = 0;                  // 0 keep as new image, 1 multiply, 2 subtract
    int generated_shift = 30;               // -255..255, 8-bit levels
    int two_part = 0;                       // 0/1
    int exclude_zero = 1;                   // 0/1: pixels of luminance 0 are not background
    // What a left click in the image collects: 0 nothing, 1 centre levels, 2 edge levels,
    // 100 + n background point n. Not a user setting, but reset with the others.
    int sampling_mode = 0;
    bool operator==(const BackgroundSettings&) const = default;
};

// RAW development (dialog RAWMODE).
struct RawSettings {
    int algorithm = 0;  // 0 fast development, 1 the decoder's reference development
    int quality = 0;    // 0..3: bilinear, VNG, PPG, AHD (reference development only)
    std::array<double, 3> gamma = {2.2, 2.2, 2.2};  // R, G, B, 1.0..4.0
    std::array<int, 3> black = {5, 3, 0};           // R, G, B, 0..32, half units
    std::array<int, 3> white = {180, 160, 130};     // R, G, B, 128..255
    int sharpness = 4;                              // 0..8
    int sharp_radius = 0;                           // 0 = 1 pixel, 1 = 2 pixels
    int false_colour = 2;                           // 0..4
    int saturation = 3;                             // 0..4
    int hue = 18;                                   // 0..36 slider; hue = 2 * slider - 36
    bool operator==(const RawSettings&) const = default;
};

// Dark-frame defect handling (dialog DARK). The dark file list is not part of the record:
// "initialise all settings" keeps it.
struct DarkSettings {
    int defect_handling = 2;  // 0 leave the pixel, 1 set to 0, 2 neighbour average
    int defect_level = 0;     // 0..1024, 16-bit sample difference
    bool operator==(const DarkSettings&) const = default;
};

// Display settings (dialog DISPCONF).
struct DisplaySettings {
    int readout_divisor = 256;  // 1..1024, 2^(16 - display bits)
    int info_overlay = 1;       // 0/1: print the camera information over the image
    bool operator==(const DisplaySettings&) const = default;
};

struct BatchOptions {
    int time_measurement = 0;  // 0/1: report the processing time of a dropped batch
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
