// Calibrated stacking of any number of FITS frames: master bias, dark and flat from their
// frames, each light calibrated as (light - dark, or - bias without a dark) / normalised flat,
// registered on the first light by the automatic alignment search (whole pixels), then
// combined place by place with rejection and weights.
//
// Memory stays bounded whatever the number of frames: the files are mapped and read a band
// of rows at a time; only the masters, one light under registration and the current band of
// every frame are held.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "stack/combine.h"

namespace orva {

struct StackJob {
    std::vector<std::string> lights, bias, darks, flats;
    bool master_median = false;  // masters by the median instead of a sigma-clipped mean
    CombineParams combine;
    bool weight_by_noise = false;  // inverse-variance weights from each light's noise
    int search_range = 32;         // pixels each way the registration looks
    int band_rows = 64;
    // Told a line of progress ("registering 3/20") and how much of the whole is done, in
    // percent; may be empty.
    std::function<void(const std::string&, int percent)> progress;
};

struct StackOutcome {
    LinearImage image;                 // the reference light's size; NaN where no frame counts
    std::vector<std::string> history;  // what was done, for HISTORY cards
    std::vector<int> dx, dy;           // each light's displacement against the first
    std::vector<double> noise;         // each light's noise estimate after calibration
};

// False with a one-line *error when a file cannot be read or the frames do not match.
bool RunCalibratedStack(const StackJob& job, StackOutcome& out, std::string* error);

}  // namespace orva
