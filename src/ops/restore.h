// Blur restoration: undoes a known blur, modelled by a round flat-topped spread function, by
// relaxed Van Cittert iterations (X <- X - 2 (blur(X) - O)), then sharpens the estimate with
// an unsharp mask of adjustable strength.
//
// Planes are width x height unsigned 16-bit samples processed in place; a plane with no rows
// or columns is left alone. The estimate stays in double precision between iterations and is
// clamped to 0..65535 only on output. Coordinates outside the picture are clamped to the
// nearest edge. Settings are clamped into their ranges here. Work is split over rows with
// the parallel row helper: results do not depend on the thread count.
#pragma once

#include <cstdint>

#include "ops/radial_weights.h"

namespace orva {

struct RestoreParams {
    int spread = 10;     // 1..100, tenths of a pixel
    int blunting = 20;   // 10..50, tenths: the profile's steepness
    int iterations = 3;  // 1..5
    int emphasis = 1;    // 0..3: strength of the final unsharp mask
};

// The weights w(dx, dy) = 1 / (((dx^2 + dy^2) * 10 / spread)^(blunting / 20) + 1): the
// squared distance over the spread in pixels (spread / 10), not its square. Spread and
// blunting are clamped into their ranges.
using SpreadFunction = RadialWeights;
SpreadFunction MakeSpreadFunction(int spread, int blunting);

// Restores one plane. False (plane untouched) when memory for the estimate ran short.
bool RestorePlane(uint16_t* plane, int width, int height, const RestoreParams& params);

}  // namespace orva
