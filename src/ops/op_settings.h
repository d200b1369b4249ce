// The settings of every image operation, declared once.
//
// Each operation family has a field table (`k...Fields`): per field its short name, range,
// start-up default, unit and, where the dispatcher's parameter block carries it directly, its
// word. Beside it stands the plain struct of the family's values, whose member initialisers
// read the defaults from the table. Everything that needs a range, a default or a word reads
// it from here: the settings record (shell/settings.h is made of these structs), the settings
// file and `orva-cli --set` (their keyword table binds the fields to the values), the one
// conversion per operation from the block words to its kernel's typed parameters
// (ops/op_params.h), the dialogs' number fields and the batch's step words.
//
// Common principles:
// - Values are not trusted: a settings file is loaded without range checks, so everything
//   that takes a value from a settings struct clamps it with its field first.
// - Scaled integers carry their unit: Tenths (10 means 1.0), Hundredths, Level16 (16-bit
//   units for levels the dialogs show as 0..255, value / 256), Level8 (8-bit levels).
#pragma once

#include <algorithm>
#include <array>

#include "ops/param_block.h"

namespace orva {

enum class FieldUnit {
    Count,   // a plain number
    Flag,    // 0 or 1
    Choice,  // an index into a list of modes
    Pixels,
    Percent,
    Tenths,      // 10 means 1.0
    Hundredths,  // 100 means 1.00
    Level8,      // an 8-bit level 0..255
    Level16,     // a level in 16-bit units, shown as value / 256
    Degrees,
    HundredthsOfDegree,
    QuarterDegrees,
};

// One setting: name, range, start-up default and unit. `step` > 1 allows only
// min + k * step. `word` is the parameter-block word that carries the value unchanged
// (-1: the block carries it converted, or not at all).
struct FieldDecl {
    const char* name;
    int min, max, def;
    FieldUnit unit = FieldUnit::Count;
    int step = 1;
    int word = -1;

    constexpr int Clamp(int v) const { return std::clamp(v, min, max); }
};

// A setting held as a real number.
struct RealFieldDecl {
    const char* name;
    double min, max, def;
};

// The block word of a directly carried field, clamped into the field's range.
inline int32_t Word(const ParamBlock& block, const FieldDecl& f) {
    return f.Clamp(block[f.word]);
}
// Puts a value into its field's word.
inline void PutWord(ParamBlock& block, const FieldDecl& f, int value) {
    block[f.word] = value;
}
// Clamps a directly carried word in place, as the dispatcher does before an operation.
inline void ClampWord(ParamBlock& block, const FieldDecl& f) {
    block[f.word] = f.Clamp(block[f.word]);
}

// ---- Sharpen and smooth (code 0) ----
struct SharpenFields {
    FieldDecl radius{"radius", 1, 10, 1, FieldUnit::Pixels, 1, 0};
    FieldDecl smooth_range{"smooth_range", 0, 65535, 2560, FieldUnit::Level16, 1, 1};
    FieldDecl smooth_strength{"smooth_strength", 0, 50, 10, FieldUnit::Count, 1, 2};
    FieldDecl emphasis{"emphasis", 0, 50, 10, FieldUnit::Count, 1, 3};
    FieldDecl blunting{"blunting", 10, 50, 50, FieldUnit::Tenths, 1, 4};
    FieldDecl channel{"channel", 0, 1, 1, FieldUnit::Flag};  // R, G, B flags; P5 is their mask
};
inline constexpr SharpenFields kSharpenFields{};

struct SharpenSettings {
    int radius = kSharpenFields.radius.def;
    int blunting = kSharpenFields.blunting.def;
    int smooth_range = kSharpenFields.smooth_range.def;
    int smooth_strength = kSharpenFields.smooth_strength.def;
    int emphasis = kSharpenFields.emphasis.def;
    std::array<int, 3> channels = {1, 1, 1};
    bool operator==(const SharpenSettings&) const = default;
};

// ---- Edge enhancement (code 5) ----
struct EdgeFields {
    FieldDecl area{"area", 1, 3, 1, FieldUnit::Count, 1, 0};  // carried, read by nothing
    FieldDecl range{"range", 0, 65535, 2560, FieldUnit::Level16, 1, 1};
    FieldDecl emphasis{"emphasis", 0, 50, 10, FieldUnit::Count, 1, 2};
    FieldDecl threshold{"threshold", 0, 100, 50, FieldUnit::Percent, 1, 3};
    FieldDecl smooth_strength{"smooth_strength", 0, 50, 10, FieldUnit::Count, 1, 4};
    FieldDecl channel{"channel", 0, 1, 1, FieldUnit::Flag};
};
inline constexpr EdgeFields kEdgeFields{};

struct EdgeSettings {
    int range = kEdgeFields.range.def;
    int smooth_strength = kEdgeFields.smooth_strength.def;
    int emphasis = kEdgeFields.emphasis.def;
    int threshold = kEdgeFields.threshold.def;
    int area = kEdgeFields.area.def;
    std::array<int, 3> channels = {1, 1, 1};
    bool operator==(const EdgeSettings&) const = default;
};

// ---- Wavelet sub-bands and enlargement (code 101) ----
// Gains 0..5 travel in P0..P5; gain 0 acts only in enlargement (on the residual), gains 1..5
// belong to the bands "5(L)", "4", "3", "2", "1(H)".
struct WaveletFields {
    FieldDecl gain{"gain", 0, 500, 10, FieldUnit::Tenths};
    FieldDecl enlarge{"enlarge", 0, 1, 0, FieldUnit::Flag, 1, 14};
    FieldDecl filter_order{"order", 1, 10, 2, FieldUnit::Count, 1, 15};  // Daubechies order
};
inline constexpr WaveletFields kWaveletFields{};

struct WaveletSettings {
    std::array<int, 6> gains = {10, 10, 10, 10, 10, 10};
    int filter_order = kWaveletFields.filter_order.def;
    int enlarge = kWaveletFields.enlarge.def;
    bool operator==(const WaveletSettings&) const = default;
};

// ---- Blur restoration (code 102) ----
struct RestoreFields {
    FieldDecl spread{"spread", 1, 100, 10, FieldUnit::Tenths, 1, 0};
    FieldDecl blunting{"blunting", 10, 50, 20, FieldUnit::Tenths, 1, 1};
    FieldDecl iterations{"iterations", 1, 5, 3, FieldUnit::Count, 1, 2};
    FieldDecl emphasis{"emphasis", 0, 3, 1, FieldUnit::Count, 1, 3};
};
inline constexpr RestoreFields kRestoreFields{};

struct RestoreSettings {
    int spread = kRestoreFields.spread.def;
    int blunting = kRestoreFields.blunting.def;
    int iterations = kRestoreFields.iterations.def;
    int emphasis = kRestoreFields.emphasis.def;
    bool operator==(const RestoreSettings&) const = default;
};

// ---- Resize (code 6) ----
// Method: 0 nearest, 1 bilinear, 2 Lanczos up / bilinear down, 3 Lanczos. The sizes are
// filled from the current image when the dialog opens.
struct ResizeFields {
    FieldDecl keep_aspect{"keep_aspect", 0, 1, 1, FieldUnit::Flag};
    FieldDecl method{"method", 0, 3, 1, FieldUnit::Choice};
    FieldDecl size{"size", 0, 10000, 0, FieldUnit::Pixels};
};
inline constexpr ResizeFields kResizeFields{};

struct ResizeSettings {
    int keep_aspect = kResizeFields.keep_aspect.def;
    int method = kResizeFields.method.def;
    int source_width = kResizeFields.size.def;
    int source_height = kResizeFields.size.def;
    int target_width = kResizeFields.size.def;
    int target_height = kResizeFields.size.def;
    bool operator==(const ResizeSettings&) const = default;
};

// ---- Crop and resize into a new image ----
// Anchor: the nine anchor buttons in reading order (4 = centre). The crop size is limited to
// the image when used; output mode 0 uses the output size, 1 the magnification.
struct CropFields {
    FieldDecl anchor{"anchor", 0, 8, 4, FieldUnit::Choice};
    FieldDecl width{"width", 1, 2147483647, 1024, FieldUnit::Pixels};
    FieldDecl height{"height", 1, 2147483647, 768, FieldUnit::Pixels};
    FieldDecl output_mode{"output_mode", 0, 1, 1, FieldUnit::Choice};
    FieldDecl output_width{"output_width", 1, 10000, 1024, FieldUnit::Pixels};
    FieldDecl output_height{"output_height", 1, 10000, 768, FieldUnit::Pixels};
    FieldDecl magnification{"magnification", 1, 10000, 100, FieldUnit::Percent};
};
inline constexpr CropFields kCropFields{};

struct CropSettings {
    int anchor = kCropFields.anchor.def;
    int width = kCropFields.width.def;
    int height = kCropFields.height.def;
    int output_mode = kCropFields.output_mode.def;
    int output_width = kCropFields.output_width.def;
    int output_height = kCropFields.output_height.def;
    int magnification = kCropFields.magnification.def;
    bool operator==(const CropSettings&) const = default;
};

// ---- Rotate and mirror (code 10) ----
// Mode: 0 left 90°, 1 right 90°, 2 180°, 3 by the angle, 4 mirror left-right, 5 flip
// top-bottom. The angle is counter-clockwise positive.
struct RotateFields {
    FieldDecl mode{"mode", 0, 5, 3, FieldUnit::Choice, 1, 1};
    FieldDecl angle{"angle", -36000, 36000, 0, FieldUnit::HundredthsOfDegree};
};
inline constexpr RotateFields kRotateFields{};

struct RotateSettings {
    int mode = kRotateFields.mode.def;
    int angle = kRotateFields.angle.def;
    bool operator==(const RotateSettings&) const = default;
};

// ---- Distortion correction (code 60) ----
// Pixels at the corners; + moves outward, - inward.
struct DistortionFields {
    FieldDecl amount{"amount", -10000, 10000, 0, FieldUnit::Pixels, 1, 0};
};
inline constexpr DistortionFields kDistortionFields{};

struct DistortionSettings {
    int amount = kDistortionFields.amount.def;
    bool operator==(const DistortionSettings&) const = default;
};

// ---- Gamma (code 1) ----
// Four point sets (all, red, green, blue), each three control points as input 0, output 0,
// input 1, output 1, input 2, output 2.
struct GammaFields {
    FieldDecl curve_mode{"curve_mode", 0, 1, 1, FieldUnit::Choice};  // straight, smooth
    FieldDecl channel_set{"channel_set", 0, 3, 0, FieldUnit::Choice};
    FieldDecl per_channel{"per_channel", 0, 1, 0, FieldUnit::Flag};
    FieldDecl point{"point", 0, 255, 0, FieldUnit::Level8};
};
inline constexpr GammaFields kGammaFields{};

struct GammaSettings {
    int curve_mode = kGammaFields.curve_mode.def;
    int channel_set = kGammaFields.channel_set.def;
    int per_channel = kGammaFields.per_channel.def;
    std::array<std::array<int, 6>, 4> points = {{{0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255},
                                                 {0, 0, 128, 128, 255, 255}}};
    bool operator==(const GammaSettings&) const = default;
};

// ---- Level correction (run by the shell) ----
struct LevelFields {
    FieldDecl channel_set{"channel_set", 0, 3, 0, FieldUnit::Choice};
    FieldDecl input_min{"input_min", 0, 255, 0, FieldUnit::Level8};
    FieldDecl input_max{"input_max", 0, 255, 255, FieldUnit::Level8};
    FieldDecl brightness{"brightness", -255, 255, 0, FieldUnit::Level8};
    FieldDecl contrast{"contrast", -100, 100, 0, FieldUnit::Percent};
    FieldDecl gamma{"gamma", 1, 400, 100, FieldUnit::Hundredths};
    FieldDecl output_min{"output_min", 0, 255, 0, FieldUnit::Level8};
    FieldDecl output_max{"output_max", 0, 255, 255, FieldUnit::Level8};
};
inline constexpr LevelFields kLevelFields{};

// One channel set of the level correction.
struct LevelSet {
    int input_min = kLevelFields.input_min.def;
    int input_max = kLevelFields.input_max.def;
    int brightness = kLevelFields.brightness.def;
    int contrast = kLevelFields.contrast.def;
    int gamma = kLevelFields.gamma.def;
    int output_min = kLevelFields.output_min.def;
    int output_max = kLevelFields.output_max.def;
    bool operator==(const LevelSet&) const = default;
};

struct LevelSettings {
    int channel_set = kLevelFields.channel_set.def;
    std::array<LevelSet, 4> sets{};  // all, red, green, blue; indexed as channel_set
    bool operator==(const LevelSettings&) const = default;
};

// ---- Dynamic-range correction (run by the shell) ----
struct DynamicRangeFields {
    FieldDecl radius{"radius", 4, 32, 8, FieldUnit::Pixels, 4};
    FieldDecl tone_difference{"tone_difference", 0, 128, 32, FieldUnit::Level8};
    FieldDecl strength{"strength", 1, 10, 5};
};
inline constexpr DynamicRangeFields kDynamicRangeFields{};

struct DynamicRangeSettings {
    int radius = kDynamicRangeFields.radius.def;
    int tone_difference = kDynamicRangeFields.tone_difference.def;
    int strength = kDynamicRangeFields.strength.def;
    bool operator==(const DynamicRangeSettings&) const = default;
};

// ---- Black and white (code 20) ----
// Mode: 0 RGB maximum, 1 RGB minimum, 2 standard luminance, 3 manual weights (the mean is
// divided by their sum).
struct GreyFields {
    FieldDecl mode{"mode", 0, 3, 2, FieldUnit::Choice, 1, 0};
    FieldDecl weight_r{"weight_r", 0, 65535, 299, FieldUnit::Count, 1, 1};
    FieldDecl weight_g{"weight_g", 0, 65535, 587, FieldUnit::Count, 1, 2};
    FieldDecl weight_b{"weight_b", 0, 65535, 114, FieldUnit::Count, 1, 3};
};
inline constexpr GreyFields kGreyFields{};

struct GreySettings {
    int mode = kGreyFields.mode.def;
    int weight_r = kGreyFields.weight_r.def;
    int weight_g = kGreyFields.weight_g.def;
    int weight_b = kGreyFields.weight_b.def;
    bool operator==(const GreySettings&) const = default;
};

// ---- Saturation and hue (code 22) and the two colour changes (run by the shell) ----
// Saturation is shown as value - 100 percent and hue as value - 180 degrees; the block
// carries those differences. Colour-change hues are degrees, saturations and values 8-bit;
// the HSV tolerance is in quarter degrees of hue.
struct ColourFields {
    FieldDecl saturation{"saturation", 0, 200, 100, FieldUnit::Percent};
    FieldDecl hue{"hue", 0, 360, 180, FieldUnit::Degrees};
    FieldDecl level{"level", 0, 255, 0, FieldUnit::Level8};  // RGB components, S and V
    FieldDecl hue_degrees{"hue", 0, 359, 0, FieldUnit::Degrees};
    FieldDecl rgb_tolerance{"tolerance", 0, 255, 0, FieldUnit::Level8};
    FieldDecl hsv_tolerance{"tolerance", 0, 255, 0, FieldUnit::QuarterDegrees};
};
inline constexpr ColourFields kColourFields{};

struct ColourSettings {
    int saturation = kColourFields.saturation.def;
    int hue = kColourFields.hue.def;
    std::array<int, 3> rgb_source = {0, 0, 0};  // R, G, B
    std::array<int, 3> rgb_target = {0, 0, 0};
    int rgb_tolerance = kColourFields.rgb_tolerance.def;
    std::array<int, 3> hsv_source = {0, 0, 0};  // hue, saturation, value
    std::array<int, 3> hsv_target = {0, 0, 0};
    int hsv_tolerance = kColourFields.hsv_tolerance.def;
    bool operator==(const ColourSettings&) const = default;
};

// ---- Noise reduction (run by the shell) ----
struct NoiseFields {
    FieldDecl area{"area", 3, 5, 5, FieldUnit::Pixels, 2};  // window side
    FieldDecl tolerance{"tolerance", 0, 10, 10};            // the dialog sets 10 on OK
    FieldDecl strength{"strength", 1, 5, 3};
};
inline constexpr NoiseFields kNoiseFields{};

struct NoiseSettings {
    int area = kNoiseFields.area.def;
    int tolerance = kNoiseFields.tolerance.def;
    int strength = kNoiseFields.strength.def;
    bool operator==(const NoiseSettings&) const = default;
};

// ---- Compositing (codes 3, 8 and 9) and the two-image comparison ----
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

// ---- Background corrections (codes 7 and 50) ----
// Pseudo mode 0 multiplies by a radial background, 1 subtracts it; image mode 3 multiplies,
// 4 subtracts (5, replace, is reachable only through the parameter block).
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

}  // namespace orva
