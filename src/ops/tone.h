// Tone operations: gamma curve, level correction and dynamic-range (local contrast)
// correction.
//
// Common principles:
// - Planes are width x height unsigned 16-bit samples, bottom row first; every function
//   works in place unless it says otherwise and touches nothing outside its planes.
// - Settings arrive as plain integers in their dialog units (levels 0..255, percentages,
//   hundredths). The level and dynamic-range corrections clamp them into their ranges here,
//   so values from a settings file, a batch file or the command line can never divide by
//   zero or overflow; the gamma curve takes its points already held to 0..255 by the one
//   conversion of the block words (ops/op_params.h).
// - Curves and level mappings are functions of the sample alone, so they are applied
//   through a 65536-entry table per channel; the table gives exactly what the per-sample
//   formula gives.
// - Floating point is used for the curve fit, the level power and the dynamic-range filter,
//   as the tone model is defined on real numbers; everything else is whole numbers.
// - Work is split over rows with the parallel row helper: results do not depend on the
//   thread count.
#pragma once

#include <array>
#include <cstdint>

#include "workspace/image_record.h"

namespace orva {

// ---- Tone curve ----

// Three knots and four cubic segments c3 x^3 + c2 x^2 + c1 x + c0 (coefficients c[k] =
// {c0, c1, c2, c3}) for x < X0, X0 <= x < X1, X1 <= x < X2 and x >= X2, in 16-bit units.
struct ToneCurve {
    double x[3] = {0, 0, 0};
    double y[3] = {0, 0, 0};
    std::array<std::array<double, 4>, 4> c{};
};

// Fits the curve through the knots; curve_mode 0 joins them with straight lines, any other
// value with a smooth curve. Knot inputs are first made strictly increasing within 1..65535.
ToneCurve FitToneCurve(int curve_mode, double x0, double y0, double x1, double y1, double x2,
                       double y2);

// The curve at x, limited to 0..65535 (a negative or undefined value gives 0).
double EvaluateToneCurve(const ToneCurve& curve, double x);

// The gamma curve through three points given as 8-bit levels (input 0, output 0, input 1,
// output 1, input 2, output 2), each 0..255; curve_mode 0 straight, 1 smooth. A middle point
// on top of an outer one is moved off it by one step.
ToneCurve GammaCurve(int curve_mode, const std::array<int, 6>& levels);

// Maps every sample of a plane through the curve, rounding to the nearest integer. False
// (plane untouched) when memory for the table ran short.
bool ApplyToneCurve(uint16_t* plane, int width, int height, const ToneCurve& curve);

// ---- Level ----

// One channel's level settings in dialog units.
struct LevelParams {
    int input_min = 0;     // 0..255
    int input_max = 255;   // 0..255
    int brightness = 0;    // -255..255
    int contrast = 0;      // -100..100, percent
    int gamma = 100;       // 1..400, hundredths
    int output_min = 0;    // 0..255
    int output_max = 255;  // 0..255
};

// The level mapping of one sample value (as a real number), at most 65535.
double LevelMap(const LevelParams& params, double x);

// Maps every sample of a plane through the level mapping, truncating toward zero. False
// (plane untouched) when memory for the table ran short.
bool ApplyLevel(uint16_t* plane, int width, int height, const LevelParams& params);

// ---- Dynamic range ----

struct DynamicRangeParams {
    int radius = 8;            // 4..32 pixels, used in steps of 4
    int tone_difference = 32;  // 0..128 levels
    int strength = 5;          // 1..10
};

// Local contrast from three input planes into three output planes of the same size (the
// outputs must not alias the inputs). With `single_plane` the picture is read from `in[0]`
// alone. False when the working memory could not be had (outputs then unspecified).
bool DynamicRangePlanes(const uint16_t* const in[3], uint16_t* const out[3], int width, int height,
                        bool single_plane, const DynamicRangeParams& params);

// Dynamic range on a record: its three planes are replaced by new ones of the same size.
// False when memory ran short (the record is then unchanged).
bool DynamicRange(ImageRecord& rec, const DynamicRangeParams& params);

}  // namespace orva
