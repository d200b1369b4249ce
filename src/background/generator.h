// The background generator: a robust local-minimum estimate of the sky background of one
// plane, worked out on a half-size copy and enlarged back.
#pragma once

#include <cstdint>

#include "common/plane.h"

namespace orva {

struct GeneratorParams {
    int detect_area = 32;   // side of the square the 25 places are spread over (8..256)
    int average_area = 16;  // side of the final averaging square (2..16)
    int threshold = 0;      // places count only above this value: 0 excludes black, -1 none
};

// Fills `out` (source width x height) with the background of `source`. Pictures smaller
// than 5 x 5 are their own background. False when memory ran short.
bool GenerateBackground(ConstPlaneView source, const GeneratorParams& params, Plane& out);

// The stages on a half-size plane, exposed for tests; each writes `out` (same size as `in`).
void DetectBackground(ConstPlaneView in, int detect_area, int threshold, PlaneView out);
void TrimmedSmooth(ConstPlaneView in, PlaneView out);
void BoxAverage(ConstPlaneView in, int radius, PlaneView out);

}  // namespace orva
