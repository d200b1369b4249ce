// Sample pictures made by our own code, for first runs, demonstrations and screenshots.
#pragma once

#include <cstdint>
#include <string>

#include "workspace/workspace.h"

namespace orva {

// Hue bands over a 16-bit grey ramp.
bool MakeColourTestPicture(ImageRecord& rec, int width, int height);

// One exposure of the synthetic star field, as a camera would record it: the stars on a sky
// brighter towards the lower left, plus the sensor's own signal (a bias level and hot pixels
// at fixed sensor positions) and noise. The star positions depend only on the picture size;
// `shift_x` and `shift_y` move the sky by whole pixels (right and down, as seen on screen),
// the way a mount drifts between exposures, while the hot pixels stay where the sensor has
// them. `noise_seed` picks the noise. The result is a single-plane (grey) record.
struct StarFieldShot {
    int shift_x = 0, shift_y = 0;
    uint32_t noise_seed = 0;
};
// False (and the record untouched) for an empty size or when memory is short.
bool MakeStarField(ImageRecord& rec, int width, int height, const StarFieldShot& shot);

// A dark frame of the same sensor: bias, the same hot pixels and fresh noise, no sky.
bool MakeDarkFrame(ImageRecord& rec, int width, int height, uint32_t noise_seed);

// The shifts of exposure-1 .. exposure-N of the sample set, in pixels right and down.
inline constexpr int kSampleExposures = 4;
inline constexpr int kSampleShifts[kSampleExposures][2] = {{0, 0}, {3, -2}, {-2, 4}, {5, 3}};

// Writes the whole sample set into `dir` (created when missing): starfield.fits,
// exposure-1.fits .. exposure-4.fits, dark.fits and colour-test.ppm, each width x height.
// Returns an empty string on success, else a one-line reason.
std::string WriteSampleSet(const std::string& dir, int width, int height);

}  // namespace orva
