// Background flattening by a radial pseudo-function or by another image.
//
// Common principles: planes are bottom row first; row bands run through the parallel helper
// and every band writes only its own rows, so results do not depend on the thread count;
// samples are limited to 0..65535 before they are stored.
#pragma once

#include <cstdint>

#include "common/plane.h"

namespace orva {

// Radial background of one channel for a picture of width x height: the level difference
// `diff` (16-bit units) above 1024 at the centre, falling along the power `curve` / 100 of
// the distance to 1024 at the corners. Fills `out` (width x height samples); false when
// memory ran short. Returns the centre value diff + 1024 through `centre` when given.
bool RadialBackground(Plane& out, int width, int height, int diff, int curve);

// Multiply (mode 0) or subtract (mode 1) correction of one plane by its radial background:
// multiply scales by (diff + 1024) / b, subtract takes b away and adds centre_word * 256 +
// 1024. A zero background, which only a negative difference can give, leaves the sample as
// it was instead of turning it white.
void RadialCorrect(PlaneView plane, const uint16_t* background, int mode, int diff,
                   int centre_word);

// The largest background value (sample + 1) over every fourth row and column of the central
// half of a width x height picture, the background being `bg` with its last row and column
// repeated beyond its size. A picture too small for a central half uses all its pixels.
int CentralMaximum(ConstPlaneView bg, int width, int height);

// Correction of `plane` by the image background `bg` (sample + 1, edges repeated when `bg`
// is smaller): mode 3 multiplies by the central maximum over b, 4 subtracts b and adds
// shift * 256, 5 replaces the plane by b. Other modes change nothing.
void ImageBackgroundCorrect(PlaneView plane, ConstPlaneView bg, int mode, int shift);

}  // namespace orva
