// Colour operations: black and white, saturation and hue, and the two colour changes.
//
// Common principles:
// - The three planes are width x height unsigned 16-bit samples, bottom row first, and are
//   changed in place; pixels are independent, so rows are spread over the parallel row helper
//   and results do not depend on the thread count.
// - Everything is whole-number arithmetic; products that can pass 32 bits for full-range
//   samples are taken in 64 bits, so no sample value can wrap.
// - Parameters arrive in their dialog units. The colour changes clamp them into their ranges
//   here, so values from a settings file, a batch file or the command line stay harmless;
//   saturation and hue take theirs already clamped, from the one conversion of the block
//   words (ops/op_params.h).
#pragma once

#include <array>
#include <cstdint>

#include "workspace/image_record.h"

namespace orva {

// ---- Integer HSV ----

// Hue runs from 0 up to (not including) kHueRange, kHueSector per 60 degrees (0 red, 16384
// green, 32768 blue); saturation and value run 0..65535.
inline constexpr int kHueSector = 8192;
inline constexpr int kHueRange = 6 * kHueSector;

struct Hsv {
    int h = 0, s = 0, v = 0;
    bool operator==(const Hsv&) const = default;
};

// Works on the halved samples (clamped to 0..65535 first), so the value of full white is
// 65534.
Hsv RgbToHsv(int r, int g, int b);
// Hue is wrapped into range and saturation and value clamped to 0..65535 first.
std::array<uint16_t, 3> HsvToRgb(int h, int s, int v);

// ---- Black and white ----

// Mode 0 the largest of R, G, B; 1 the smallest; 2 and 3 the weighted mean of the samples
// with their three low bits dropped (the weights are those given: mode 2 differs only in the
// dialog, which resets them). The result goes into all three planes. With `single_plane`
// the picture is the red plane alone. Mode is clamped to 0..3 and weights to 0..65535.
struct GreyParams {
    int mode = 2;
    int weight_r = 299, weight_g = 587, weight_b = 114;
};
void GreyPlanes(uint16_t* const planes[3], int width, int height, bool single_plane,
                const GreyParams& params);

// ---- Saturation and hue ----

// The saturation change that goes with a hue change: mixing channels for the rotation pulls
// colours toward grey most at 60 and 180 degrees, and this makes up for it.
// Both arguments within the ranges of SaturationParams.
int AdjustedSaturation(int saturation_delta, int hue_delta);

// The changes from "unchanged": saturation_delta -100..100 percent, hue_delta -180..180
// degrees. The kernels trust these ranges; the conversion from the block words holds them.
struct SaturationParams {
    int saturation_delta = 0;
    int hue_delta = 0;
};

// Rotates hue by mixing channels and scales each channel's distance from the pixel's mean.
void SaturationHuePlanes(uint16_t* const planes[3], int width, int height,
                         const SaturationParams& params);

// ---- Colour changes ----

// Pixels whose upper bytes lie within `tolerance` (mean absolute difference of the three
// channels) of the source colour are blended toward the target: fully the target at the
// source colour itself, unchanged at the edge of the tolerance. With tolerance 0 only exact
// matches of the upper bytes are replaced. Levels are 0..255 (clamped).
struct RgbChange {
    std::array<int, 3> source{};
    std::array<int, 3> target{};
    int tolerance = 0;
};
void ColourChangeRgb(uint16_t* const planes[3], int width, int height, const RgbChange& change);

// Pixels whose hue lies within `tolerance` quarter degrees of the source hue (measured the
// short way round the circle) have their hue shifted by target - source and their saturation
// and value scaled by target / source; with tolerance 0 they become the target colour.
// Hues are degrees 0..359, saturation and value 0..255, tolerance 0..255 (all clamped).
struct HsvChange {
    std::array<int, 3> source{};  // hue, saturation, value
    std::array<int, 3> target{};
    int tolerance = 0;
};
void ColourChangeHsv(uint16_t* const planes[3], int width, int height, const HsvChange& change);

// ---- Whole records ----

// Black and white on a record (the picture is read from red alone for a grey picture); a
// record whose planes do not hold width x height samples is left alone.
void GreyRecord(ImageRecord& rec, const GreyParams& params);
// Saturation and hue on a colour record; grey pictures and short planes are left alone.
void SaturationHueRecord(ImageRecord& rec, const SaturationParams& params);

// A pixel's colour in the HSV change's units: hue in degrees, saturation and value 0..255.
std::array<int, 3> HsvDialogUnits(int r, int g, int b);

}  // namespace orva
