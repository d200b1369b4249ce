// Settings of the calibrated stacking command (ours, under 合成): the frame lists and the
// combination options. Not part of the settings file.
#pragma once

#include <string>
#include <vector>

#include "ops/op_settings.h"
#include "stack/pipeline.h"

namespace orva {

// Rejection: 0 none, 1 sigma, 2 winsorized sigma, 3 min/max, 4 median.
struct CalibratedStackFields {
    FieldDecl rejection{"rejection", 0, 4, 1, FieldUnit::Choice};
    FieldDecl kappa{"kappa", 1, 100, 30, FieldUnit::Tenths};
    FieldDecl iterations{"iterations", 1, 20, 3};
    FieldDecl weight_noise{"weight_noise", 0, 1, 0, FieldUnit::Flag};
    FieldDecl master_median{"master_median", 0, 1, 0, FieldUnit::Flag};
    // By stars unless asked otherwise: the shift search cannot follow a field rotation.
    FieldDecl register_stars{"register_stars", 0, 1, 1, FieldUnit::Flag};
};
inline constexpr CalibratedStackFields kCalibratedStackFields{};

struct CalibratedStackSettings {
    std::vector<std::string> lights, bias, darks, flats;
    int rejection = kCalibratedStackFields.rejection.def;
    int kappa_low = kCalibratedStackFields.kappa.def;
    int kappa_high = kCalibratedStackFields.kappa.def;
    int iterations = kCalibratedStackFields.iterations.def;
    int weight_noise = kCalibratedStackFields.weight_noise.def;
    int master_median = kCalibratedStackFields.master_median.def;
    int register_stars = kCalibratedStackFields.register_stars.def;
    bool operator==(const CalibratedStackSettings&) const = default;
};

// The job the settings describe, every option clamped into its field.
inline StackJob JobFromSettings(const CalibratedStackSettings& s) {
    const auto& f = kCalibratedStackFields;
    StackJob job;
    job.lights = s.lights;
    job.bias = s.bias;
    job.darks = s.darks;
    job.flats = s.flats;
    constexpr Rejection kRejections[] = {Rejection::None, Rejection::Sigma, Rejection::Winsor,
                                         Rejection::MinMax, Rejection::Median};
    job.combine.rejection = kRejections[f.rejection.Clamp(s.rejection)];
    job.combine.kappa_low = f.kappa.Clamp(s.kappa_low) / 10.0;
    job.combine.kappa_high = f.kappa.Clamp(s.kappa_high) / 10.0;
    job.combine.iterations = f.iterations.Clamp(s.iterations);
    job.weight_by_noise = f.weight_noise.Clamp(s.weight_noise) == 1;
    job.master_median = f.master_median.Clamp(s.master_median) == 1;
    job.registration =
        f.register_stars.Clamp(s.register_stars) == 1 ? Registration::Stars : Registration::Shift;
    return job;
}

}  // namespace orva
