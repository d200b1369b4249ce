// Normalisation of lights before rejection: the robust sky of a light and the map that brings
// it to the reference's, worked by hand.
#include "stack/normalise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace orva {
namespace {

TEST(Normalisation, MapsWorkedByHand) {
    // Reference sky 1000 spread 20; the light's sky 1300 spread 40.
    const SkyStats ref{1000, 20}, light{1300, 40};
    struct Row {
        Normalisation mode;
        double gain, offset;
    } rows[] = {
        {Normalisation::None, 1, 0},
        {Normalisation::Additive, 1, -300},                 // v - 1300 + 1000
        {Normalisation::Multiplicative, 1000.0 / 1300, 0},  // v * 1000 / 1300
        {Normalisation::AdditiveScale, 0.5, 350},           // (v - 1300) * 20 / 40 + 1000
    };
    for (const Row& r : rows) {
        const LinearMap m = NormalisationMap(r.mode, ref, light);
        EXPECT_DOUBLE_EQ(m.gain, r.gain) << NormalisationName(r.mode);
        EXPECT_DOUBLE_EQ(m.offset, r.offset) << NormalisationName(r.mode);
        // The light's sky lands on the reference's (but for none).
        if (r.mode != Normalisation::None) {
            EXPECT_NEAR(m.gain * light.location + m.offset, ref.location, 1e-9);
        }
        // The reference itself is never changed.
        EXPECT_TRUE(NormalisationMap(r.mode, ref, ref).identity()) << NormalisationName(r.mode);
    }
    // A light of one sky spread 60 above its sky lands 30 above the reference's.
    const LinearMap m = NormalisationMap(Normalisation::AdditiveScale, ref, light);
    EXPECT_DOUBLE_EQ(m.gain * 1360 + m.offset, 1030);
    // No scale or no positive level to divide by: no scaling rather than a blow-up.
    EXPECT_DOUBLE_EQ(NormalisationMap(Normalisation::AdditiveScale, ref, {1300, 0}).gain, 1);
    EXPECT_DOUBLE_EQ(NormalisationMap(Normalisation::Multiplicative, ref, {-5, 3}).gain, 1);

    Normalisation n{};
    EXPECT_FALSE(ParseNormalisation("scale", n));  // the known words are matched in the shell
}

TEST(Normalisation, SkyIgnoresStarsTrailsAndMissingData) {
    // Normal noise of 25 about 800, a tenth of the places far brighter (stars, a trail), a
    // few missing: the location stays the sky and the scale the noise.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 25);
    std::vector<float> v(200000);
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i] = static_cast<float>(800 + noise(rng));
        if (i % 10 == 3) v[i] += 5000;
        if (i % 997 == 0) v[i] = std::nanf("");
    }
    const SkyStats s = MeasureSky(v.data(), v.size(), 1);
    EXPECT_NEAR(s.location, 800, 2);
    EXPECT_NEAR(s.scale, 25, 1.5);
    // Sampled every third value: much the same.
    const SkyStats t = MeasureSky(v.data(), v.size(), 3);
    EXPECT_NEAR(t.location, 800, 2);
    EXPECT_NEAR(t.scale, 25, 1.5);
    // A constant has no spread.
    const std::vector<float> flat(1000, 42.0f);
    EXPECT_EQ(MeasureSky(flat.data(), flat.size()).location, 42);
    EXPECT_EQ(MeasureSky(flat.data(), flat.size()).scale, 0);
}

}  // namespace
}  // namespace orva
