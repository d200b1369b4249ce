// Calibrated stacking of any number of FITS frames: master bias, dark and flat from their
// frames, each light calibrated as (light - dark, or - bias without a dark) / normalised flat,
// measured (stars, FWHM, roundness, sky, noise), registered on the reference light,
// normalised to the reference's sky, selected by quality, then combined place by place with
// rejection and weights.
// Registration is by stars (a rotation, scale and shift fitted to matched stars) unless the
// reference light has too few stars, or by a shift search to a fraction of a pixel; a light
// that has to move is resampled onto the reference, one already in place is left untouched.
//
// Memory stays bounded whatever the number of frames: the files are mapped and read a band
// of rows at a time, each band's pages given back once read; only the masters, one light
// under registration and the current band of every frame are held. Lights that must be
// resampled or demosaiced are kept in memory up to an allowance, the rest written once to
// nameless temporary files (in $TMPDIR) and read back in bands.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "stack/combine.h"
#include "stack/normalise.h"
#include "stack/report.h"

namespace orva {

enum class Registration { Shift, Stars };

struct StackJob {
    std::vector<std::string> lights, bias, darks, flats;
    bool master_median = false;  // masters by the median instead of a sigma-clipped mean
    CombineParams combine;
    bool weight_by_noise = false;  // inverse-variance weights from each light's noise
    Registration registration = Registration::Stars;
    std::size_t reference = 0;  // the light the others are registered on and normalised to
    Normalisation normalisation = Normalisation::AdditiveScale;
    double keep_best = 100;  // percent of the lights kept, the best by FWHM
    double max_fwhm = 0;     // pixels; lights of a larger FWHM are left out (0: no limit)
    int search_range = 32;   // pixels each way the shift search looks
    uint64_t max_pixels = kMaxReadPixels;  // larger frames are refused before any work
    std::string temp_folder;               // for resampled lights; empty: $TMPDIR or the system's
    // Prepared (resampled or demosaiced) lights stay in memory, the first ones first, while
    // together they take no more than this; the others go to temporary files. Small, so that
    // a long session's stack needs little more memory than its masters and result.
    std::size_t memory_for_frames = std::size_t{256} << 20;
    int band_rows = 64;
    // Told a line of progress ("registering 3/20") and how much of the whole is done, in
    // percent; may be empty.
    std::function<void(const std::string&, int percent)> progress;
    // Told each warning as it arises (a dark of another exposure, registration by shift
    // because the reference has too few stars); may be empty. Warnings are also kept in the
    // outcome.
    std::function<void(const std::string&)> warn;
    // Asked between lights and between bands of rows whether to stop; when it answers true
    // the stack ends with the error "cancelled" and no image. May be empty.
    std::function<bool()> cancelled;
};

struct StackOutcome {
    LinearImage image;                 // the reference light's size; NaN where no frame counts
    std::vector<std::string> history;  // what was done, for HISTORY cards
    std::vector<int> dx, dy;           // each light's displacement against the reference
    // Each light's placement on the reference: (x, y) of the light lands on
    // (a x - b y + tx, b x + a y + ty) of the result.
    struct Placement {
        double a = 1, b = 0, tx = 0, ty = 0;
    };
    std::vector<Placement> placement;
    std::vector<std::string> left_out;  // lights left out (not registered, not selected), why
    std::vector<double> noise;          // each light's noise estimate after calibration
    std::vector<LightQuality> lights;   // what was measured of each light, in job order
    std::vector<std::string> warnings;
    bool registered_by_stars = false;  // false also when it fell back to the shift search
};

// False with a one-line *error when a file cannot be read or the frames do not match.
bool RunCalibratedStack(const StackJob& job, StackOutcome& out, std::string* error);

}  // namespace orva
