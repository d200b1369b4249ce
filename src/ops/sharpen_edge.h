// Neighbourhood filters that smooth small differences and enhance large ones in one pass:
// sharpen/smooth (a weighted local mean over a round kernel) and edge enhancement (a pull
// towards the brighter or darker part of the 3 x 3 neighbourhood).
//
// Planes are width x height unsigned 16-bit samples. Every filter writes its results into a
// scratch plane of the same size and copies them back when the whole plane is done, so each
// output sample is computed from the untouched input. Coordinates outside the picture are
// clamped to the nearest edge; nothing outside the planes is read or written, and a plane
// with no rows or columns is left alone. Settings are clamped into their ranges here.
// Work is split over rows with the parallel row helper: results do not depend on the thread
// count.
#pragma once

#include <cstdint>

#include "ops/radial_weights.h"

namespace orva {

// ---- Sharpen / smooth ----

struct SharpenParams {
    int radius = 1;            // 1..10
    int smooth_range = 2560;   // 0..65535: differences below it are smoothed
    int smooth_strength = 10;  // 0..50
    int emphasis = 10;         // 0..50
    int blunting = 50;         // 10..50, tenths: the profile's steepness
};

// The weights w(dx, dy) = 1 / (((dx^2 + dy^2) / radius)^(blunting / 20) + 1), radius and
// blunting clamped into their ranges.
using SharpenKernel = RadialWeights;
SharpenKernel MakeSharpenKernel(int radius, int blunting);

// Filters one plane. False (plane untouched) when memory for the row buffers ran short.
bool SharpenPlane(uint16_t* plane, uint16_t* scratch, int width, int height,
                  const SharpenParams& params);

// ---- Edge enhancement ----

struct EdgeParams {
    int range = 2560;          // 0..65535: a neighbourhood spanning no more is only smoothed
    int emphasis = 10;         // 0..50
    int threshold = 50;        // 0..100, percent of the neighbourhood's span
    int smooth_strength = 10;  // 0..50
};

// One plane on its own.
void EdgePlane(uint16_t* plane, uint16_t* scratch, int width, int height, const EdgeParams& params);

// Red, green and blue together: one decision per pixel from the sum R + G + B, applied to
// each channel with its own samples.
void EdgeRgb(uint16_t* const planes[3], uint16_t* const scratch[3], int width, int height,
             const EdgeParams& params);

}  // namespace orva
