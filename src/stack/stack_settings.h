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
    // 0 none, 1 additive, 2 multiplicative, 3 additive with scaling (the default: the sky's
    // level and spread both drift during a night).
    FieldDecl normalisation{"normalisation", 0, 3, 3, FieldUnit::Choice};
    // Percent of the lights kept, the best by FWHM; 0 keeps every light.
    FieldDecl keep_best{"keep_best", 0, 100, 0, FieldUnit::Percent};
    // Lights of a larger median FWHM are left out; 0 sets no limit. Up to 1000 px.
    FieldDecl max_fwhm{"max_fwhm", 0, 10000, 0, FieldUnit::Tenths};
    // Pixels each way the shift search looks (orva-cli only).
    FieldDecl search_range{"search_range", 0, 1000, 32, FieldUnit::Pixels};
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
    int normalisation = kCalibratedStackFields.normalisation.def;
    int keep_best = kCalibratedStackFields.keep_best.def;
    int max_fwhm = kCalibratedStackFields.max_fwhm.def;
    int search_range = kCalibratedStackFields.search_range.def;
    std::string report;  // a CSV file of what was measured of each light; empty: none
    bool operator==(const CalibratedStackSettings&) const = default;
};

// The words orva-cli takes for the choice and flag fields, each with the field value it
// stands for, in the order its messages list them.
struct FieldWord {
    const char* word;
    int value;
};
// The rejection and normalisation values are their enumerations' order, named once there.
inline constexpr FieldWord kRejectionWords[] = {{kRejectionNames[0], 0},
                                                {kRejectionNames[1], 1},
                                                {kRejectionNames[2], 2},
                                                {kRejectionNames[3], 3},
                                                {kRejectionNames[4], 4}};
inline constexpr FieldWord kNormalisationWords[] = {{kNormalisationNames[0], 0},
                                                    {kNormalisationNames[1], 1},
                                                    {kNormalisationNames[2], 2},
                                                    {kNormalisationNames[3], 3}};
inline constexpr FieldWord kWeightWords[] = {{"noise", 1}, {"none", 0}};
inline constexpr FieldWord kRegistrationWords[] = {{"stars", 1}, {"shift", 0}};
inline constexpr FieldWord kMasterWords[] = {{"median", 1}, {"mean", 0}};

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
    constexpr Normalisation kNormalisations[] = {Normalisation::None, Normalisation::Additive,
                                                 Normalisation::Multiplicative,
                                                 Normalisation::AdditiveScale};
    job.normalisation = kNormalisations[f.normalisation.Clamp(s.normalisation)];
    const int keep = f.keep_best.Clamp(s.keep_best);
    job.keep_best = keep == 0 ? 100.0 : keep;
    job.max_fwhm = f.max_fwhm.Clamp(s.max_fwhm) / 10.0;
    job.search_range = f.search_range.Clamp(s.search_range);
    return job;
}

}  // namespace orva
