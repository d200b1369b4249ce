// Resampling a linear plane through a rotation, uniform scale and shift, with the order-2
// Lanczos kernel the resize uses (4 x 4 taps, product of the two one-dimensional kernels,
// normalised).
#pragma once

namespace orva {

// out(x, y) = in(a x - b y + tx, b x + a y + ty) for every place of a width x height output
// from a width x height input (centres of pixels at whole coordinates). A place whose source
// point lies outside the input is NaN; taps beyond the edge repeat the edge; NaN samples
// (no data) are left out of the sum and the rest renormalised, NaN when nearly all weight is
// missing. Work is split over rows by the parallel helper.
void ResamplePlane(const float* in, int width, int height, double a, double b, double tx, double ty,
                   float* out);

}  // namespace orva
