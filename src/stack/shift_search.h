// Registration by a shift alone, to a fraction of a pixel: the displacement that best lays a
// light's middle part onto the reference light's, found by the least mean squared difference
// (coarse on planes reduced by 4, then at full size) and refined by a parabola through the
// differences of the neighbouring whole-pixel displacements.
//
// Both planes are first smoothed by a 3 x 3 median (hot pixels and cosmic rays would
// otherwise favour no shift or a wrong one) and lowered by their median sky, so that a sky
// that changed during the night does not bias the search.
#pragma once

namespace orva {

struct Shift {
    double dx = 0, dy = 0;  // sample (x, y) of the light belongs at (x + dx, y + dy)
};

// The light's displacement against the reference, within `range` pixels each way (less on
// frames too small for it). A fraction of a pixel below kStillShift comes out as a whole
// number of pixels, so that a light already in place has exactly no shift and is never
// resampled.
Shift FindShift(const float* reference, const float* light, int width, int height, int range);

inline constexpr double kStillShift = 0.05;

}  // namespace orva
