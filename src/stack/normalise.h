// Normalisation of lights before rejection: every light is brought to the reference light's
// sky level (and, with scaling, its spread), so that a sky that brightens or dims during the
// night does not look like an outlier to the rejection.
//
// Each plane of a light is summarised by a robust location and scale of its sky, estimated
// the way IKSS does: values far from the median are dropped repeatedly (stars, trails, hot
// pixels) until the biweight midvariance of what remains settles; the location is then the
// median and the scale the square root of that midvariance.
#pragma once

#include <string_view>
#include <vector>

namespace orva {

enum class Normalisation { None, Additive, Multiplicative, AdditiveScale };

// The normalisations' names, in the order of the enumeration (the order of the settings'
// values too).
inline constexpr const char* kNormalisationNames[] = {"none", "additive", "multiplicative",
                                                      "additive-scale"};

// One of kNormalisationNames; false for anything else.
bool ParseNormalisation(std::string_view name, Normalisation& out);
const char* NormalisationName(Normalisation n);

struct SkyStats {
    double location = 0, scale = 0;
};

// The sky of `count` values (NaN = no data) looked at every `step`-th value.
SkyStats MeasureSky(const float* values, std::size_t count, std::size_t step = 1);

// A light's values become gain * v + offset.
struct LinearMap {
    double gain = 1, offset = 0;
    bool identity() const { return gain == 1 && offset == 0; }
};

// The map that brings a light with sky `light` to the reference's sky `reference`:
//   additive:        v - L + R
//   multiplicative:  v * R / L                     (identity when L is not above 0)
//   additive-scale:  (v - L) * S_R / S_L + R       (additive when S_L is not above 0)
LinearMap NormalisationMap(Normalisation mode, const SkyStats& reference, const SkyStats& light);

}  // namespace orva
