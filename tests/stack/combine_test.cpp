// Combining many frames: the rejection rules on hand-worked value sets, and rows against
// each place alone; the normalisation of lights before rejection, worked by hand.
#include "stack/combine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "stack/normalise.h"

namespace orva {
namespace {

double Combine(std::vector<double> v, Rejection r, double kl = 3, double kh = 3, int it = 3,
               std::vector<double> w = {}) {
    if (w.empty()) w.assign(v.size(), 1.0);
    return CombineValues(v, w, CombineParams{r, kl, kh, it});
}

TEST(Combine, RejectionRulesOnHandWorkedSets) {
    const double nan = std::nan("");
    // Ten values of 100 and one of 1000: sd 258.7 about a median of 100, so 1000 lies 3.48
    // deviations out; without it nothing more changes.
    std::vector<double> v(10, 100.0);
    v.push_back(1000);
    EXPECT_NEAR(Combine(v, Rejection::None), 2000.0 / 11, 1e-9);
    EXPECT_DOUBLE_EQ(Combine(v, Rejection::Sigma), 100);
    EXPECT_NEAR(Combine(v, Rejection::Sigma, 3, 4), 2000.0 / 11, 1e-9);  // 3.5 < 4: kept
    // The winsorized deviation is not inflated by the outlier: it goes even at kappa 4.
    EXPECT_DOUBLE_EQ(Combine(v, Rejection::Winsor, 3, 4), 100);
    // Min/max drops one of each end.
    EXPECT_DOUBLE_EQ(Combine({1, 2, 3, 4, 100}, Rejection::MinMax), 3);
    EXPECT_DOUBLE_EQ(Combine({5, 5, 5}, Rejection::MinMax), 5);
    // NaN takes no part; none at all gives NaN; weights weigh.
    EXPECT_DOUBLE_EQ(Combine({nan, 10, 20}, Rejection::None), 15);
    EXPECT_TRUE(std::isnan(Combine({nan, nan}, Rejection::Sigma)));
    EXPECT_DOUBLE_EQ(Combine({10, 20}, Rejection::None, 3, 3, 3, {3, 1}), 12.5);
    // Two values cannot be clipped.
    EXPECT_DOUBLE_EQ(Combine({0, 1000}, Rejection::Sigma), 500);

    Rejection r{};
    EXPECT_FALSE(ParseRejection("mean", r));  // the known words are matched in the shell
}

TEST(Combine, RowsGiveWhatEachPlaceGivesAlone) {
    // The row path clips many places side by side after sorting them with a network; it
    // must agree with the one-place rule for any number of frames, holes, outliers, weights
    // and a width that is no multiple of the places done at once.
    std::mt19937 rng(4);
    std::normal_distribution<float> sky(1000, 20);
    for (const Rejection r : {Rejection::Sigma, Rejection::Winsor})
        for (const int frames : {1, 2, 3, 5, 8, 13, 20, 33}) {
            SCOPED_TRACE(frames);
            constexpr int kWidth = 29;
            std::vector<std::vector<float>> rows(frames, std::vector<float>(kWidth));
            std::vector<double> weights;
            for (int i = 0; i < frames; ++i) {
                weights.push_back(1.0 + i % 3);
                for (int x = 0; x < kWidth; ++x)
                    rows[i][x] = (x + i) % 7 == 0    ? std::nanf("")
                                 : (x * i) % 11 == 3 ? 40000.0f
                                                     : sky(rng);
            }
            std::vector<const float*> ptrs;
            for (const auto& row : rows) ptrs.push_back(row.data());
            const CombineParams params{r, 2.5, 3.0, 4};
            std::vector<float> out(kWidth);
            CombineRow(ptrs, weights, kWidth, params, out.data());
            for (int x = 0; x < kWidth; ++x) {
                std::vector<double> v, w = weights;
                for (int i = 0; i < frames; ++i) v.push_back(rows[i][x]);
                const double alone = CombineValues(v, w, params);
                if (std::isnan(alone))
                    EXPECT_TRUE(std::isnan(out[x])) << x;
                else
                    EXPECT_NEAR(out[x], alone, 1e-3) << x;
            }
        }
}

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
