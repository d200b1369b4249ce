// Fast RAW development: from a white-balanced 16-bit sensor mosaic to three 16-bit planes in
// four stages (tone curve, 3x3 weighted demosaic, luminance sharpening with coring, colour
// with false-colour reduction, hue and saturation).
//
// Common principles:
// - The mosaic holds four channels per pixel (red, green, blue, second green), rows from the
//   top of the picture. A zero is a value that was not sampled at that photosite, even when
//   it is a real black: stage 1 keeps it 0 and stage 2 leaves it out.
// - Planes and luminance images are width x height, bottom row first.
// - Every stage runs its rows through the parallel row helper and gives the same result for
//   any thread count. All arithmetic is whole-number except the tone curve.
#pragma once

#include <array>
#include <cstdint>

#include "common/plane.h"

namespace orva {

// What every pixel of the mosaic carries: 0 all three colours, 9 a 6x6 colour filter
// pattern, anything else a 2x2 Bayer-type pattern.
inline constexpr int kPatternFull = 0;
inline constexpr int kPatternSixBySix = 9;
inline constexpr int kPatternBayer = 1;

struct MosaicView {
    uint16_t (*px)[4] = nullptr;  // width * height pixels, top row first
    int width = 0, height = 0;
    int pattern = kPatternBayer;
    uint16_t* at(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
};

// The development values as the stages take them (already clamped by the caller).
struct DevelopParams {
    std::array<int, 3> black = {5, 3, 0};        // 0..32, half units
    std::array<int, 3> white = {180, 160, 130};  // 128..255
    std::array<double, 3> gamma = {2.2, 2.2, 2.2};
    int sharpness = 4;     // 0..8
    int radius = 0;        // 0: 3x3 neighbours, 1: 5x5 without corners
    int false_colour = 2;  // 0..4
    int saturation = 3;    // 0..4
    int hue = 0;           // -36..36
};

// Stage 1 curve for one non-zero input x with black slider k (0..32), white v (128..255) and
// exponent 1/gamma: a quadratic toe to (b, 1024), the Hermite cubic from (b, 1024) to
// (w, 63488) with slopes 2048/b and 2048/(65536 - w), a straight shoulder to 65536, then the
// power. b = (k + 8) * 128, w = (v - 4) * 256. Before the power: CurveBeforePower.
double CurveBeforePower(double x, int black, int white);
uint16_t ToneCurveValue(uint16_t x, int black, int white, double inv_gamma);

// Stage 1, in place on channels 0..2 of the mosaic.
void DevelopToneCurve(MosaicView m, const std::array<int, 3>& black,
                      const std::array<int, 3>& white, const std::array<double, 3>& inv_gamma);

// Stage 2: fills r, g, b (width x height each, allocated by the caller) from the mosaic.
void DevelopDemosaic(MosaicView m, PlaneView r, PlaneView g, PlaneView b);

// Stage 3: y = ((R + G + B) / 3) / 4 per pixel, then ys the sharpened luminance (a copy of y
// with sharpness 0). y and ys are width x height.
void DevelopSharpen(ConstPlaneView r, ConstPlaneView g, ConstPlaneView b, PlaneView y, PlaneView ys,
                    int radius, int sharpness);

// Stage 4, in place on the stage 2 planes, with the luminance y and the sharpened
// luminance ys.
void DevelopColour(PlaneView r, PlaneView g, PlaneView b, ConstPlaneView y, ConstPlaneView ys,
                   int false_colour, int saturation, int hue);

// The four stages in order into three planes of m.width x m.height (allocated here). The
// mosaic is changed by stage 1. False when memory is short (the planes are then empty).
bool DevelopMosaic(MosaicView m, const DevelopParams& p, Plane& r, Plane& g, Plane& b);

}  // namespace orva
