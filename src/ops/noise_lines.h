// Noise reduction (an edge-preserving smoothing) and odd/even line separation.
//
// Planes are width x height unsigned 16-bit samples, bottom row first. Settings arrive in
// their dialog units and are clamped here. Work is split over rows with the parallel row
// helper; results do not depend on the thread count.
#pragma once

#include <cstdint>

#include "workspace/image_record.h"

namespace orva {

struct NoiseParams {
    int level = 3;       // k = 6 - strength, 1..5: the weight of the pixel itself is k - 1
    int area = 5;        // 3 or 5: window size
    int tolerance = 10;  // 0..10: differences below 1280 x tolerance count fully
};

// Weight of a neighbour with spatial weight g whose sample differs from the centre by d
// (64 x g for differences within the tolerance, falling off linearly beyond it).
int NoiseWeight(int g, int d, int tolerance);

// One plane from `in` into `out` (same size, not aliased). Each sample becomes a blend of
// itself and the mean of its neighbours weighted by distance and by how close they are in
// value; neighbours outside the picture repeat the edge. False when scratch memory ran
// short (`out` is then unspecified).
bool ReduceNoisePlane(const uint16_t* in, uint16_t* out, int width, int height,
                      const NoiseParams& params);

// All three planes of a record (also those of a grey picture) into new planes that replace
// the old ones when all are done. False when memory ran short; the record is then unchanged.
bool ReduceNoise(ImageRecord& rec, const NoiseParams& params);

// Fills `dst` with a picture of the size of `src` made of every second row of `src` from
// `first_row` (0 or 1, in storage order), each written twice. Rows that no pair reaches (the
// last one for an odd height, the only one for a height of 1) repeat the last row written,
// or the source's first row when none was. `dst` takes the source's single-plane flag; it may
// be `src` itself. False when memory ran short; `dst` is then unchanged.
bool SeparateLines(const ImageRecord& src, ImageRecord& dst, int first_row);

}  // namespace orva
