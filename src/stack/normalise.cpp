#include "stack/normalise.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace orva {

bool ParseNormalisation(std::string_view name, Normalisation& out) {
    for (std::size_t i = 0; i < std::size(kNormalisationNames); ++i) {
        if (name != kNormalisationNames[i]) continue;
        out = static_cast<Normalisation>(i);
        return true;
    }
    return false;
}

const char* NormalisationName(Normalisation n) {
    const auto i = static_cast<std::size_t>(n);
    return i < std::size(kNormalisationNames) ? kNormalisationNames[i] : "";
}

namespace {

// Median of the sorted values [lo, hi).
double SortedMedian(const std::vector<float>& v, std::size_t lo, std::size_t hi) {
    const std::size_t n = hi - lo, mid = lo + n / 2;
    return n % 2 == 1 ? v[mid] : 0.5 * (double{v[mid - 1]} + v[mid]);
}

// Biweight midvariance of the sorted values [lo, hi) about m, with the usual k = 9 MADs.
double Bwmv(const std::vector<float>& v, std::size_t lo, std::size_t hi, double m) {
    std::vector<float> dev;
    dev.reserve(hi - lo);
    for (std::size_t i = lo; i < hi; ++i) dev.push_back(static_cast<float>(std::fabs(v[i] - m)));
    std::nth_element(dev.begin(), dev.begin() + static_cast<std::ptrdiff_t>(dev.size() / 2),
                     dev.end());
    const double mad = dev[dev.size() / 2];
    if (mad <= 0) return 0;
    double num = 0, den = 0;
    for (std::size_t i = lo; i < hi; ++i) {
        const double d = v[i] - m, u = d / (9 * mad);
        if (std::fabs(u) >= 1) continue;
        const double u2 = u * u, one = 1 - u2;
        num += d * d * one * one * one * one;
        den += one * (1 - 5 * u2);
    }
    const double n = static_cast<double>(hi - lo);
    return den != 0 ? n * num / (den * den) : 0;
}

}  // namespace

SkyStats MeasureSky(const float* values, std::size_t count, std::size_t step) {
    std::vector<float> v;
    step = std::max<std::size_t>(1, step);
    v.reserve(count / step + 1);
    for (std::size_t i = 0; i < count; i += step)
        if (std::isfinite(values[i])) v.push_back(values[i]);
    SkyStats out;
    if (v.empty()) return out;
    std::sort(v.begin(), v.end());
    std::size_t lo = 0, hi = v.size();
    double previous = 0;
    for (int pass = 0; pass < 50; ++pass) {
        const double m = SortedMedian(v, lo, hi);
        const double s = std::sqrt(Bwmv(v, lo, hi, m));
        out.location = m;
        // The factor makes the scale of normal noise its standard deviation after the
        // clipping at four deviations.
        out.scale = 0.991 * s;
        if (s <= 0 || (pass > 0 && std::fabs(previous - s) <= 1e-6 * s)) break;
        previous = s;
        const double low = m - 4 * s, high = m + 4 * s;
        const std::size_t nlo = static_cast<std::size_t>(
            std::lower_bound(v.begin() + static_cast<std::ptrdiff_t>(lo),
                             v.begin() + static_cast<std::ptrdiff_t>(hi), low) -
            v.begin());
        const std::size_t nhi = static_cast<std::size_t>(
            std::upper_bound(v.begin() + static_cast<std::ptrdiff_t>(nlo),
                             v.begin() + static_cast<std::ptrdiff_t>(hi), high) -
            v.begin());
        if (nhi - nlo < 16 || (nlo == lo && nhi == hi)) break;
        lo = nlo;
        hi = nhi;
    }
    return out;
}

LinearMap NormalisationMap(Normalisation mode, const SkyStats& reference, const SkyStats& light) {
    LinearMap m;
    switch (mode) {
        case Normalisation::None: break;
        case Normalisation::Multiplicative:
            if (light.location > 0 && reference.location > 0)
                m.gain = reference.location / light.location;
            break;
        case Normalisation::AdditiveScale:
            if (light.scale > 0 && reference.scale > 0) m.gain = reference.scale / light.scale;
            m.offset = reference.location - light.location * m.gain;
            break;
        case Normalisation::Additive: m.offset = reference.location - light.location; break;
    }
    return m;
}

}  // namespace orva
