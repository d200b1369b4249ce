// Combining many frames: the rejection rules on hand-worked value sets, and a synthetic night
// of 20 frames with hot pixels, a satellite trail and noise.
#include "stack/combine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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
    EXPECT_TRUE(ParseRejection("winsor", r));
    EXPECT_EQ(r, Rejection::Winsor);
    EXPECT_TRUE(ParseRejection("median", r));
    EXPECT_EQ(r, Rejection::Median);
    EXPECT_FALSE(ParseRejection("mean", r));
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

TEST(Combine, TwentyFramesLoseTrailAndHotPixelsAndNoiseFallsWithTheirNumber) {
    constexpr int kW = 96, kH = 64, kFrames = 20;
    constexpr double kSigma = 200;
    auto truth = [](int x, int y) {
        const double star = 20000 * std::exp(-((x - 40) * (x - 40) + (y - 30) * (y - 30)) / 8.0);
        return 3000 + 10.0 * x + star;
    };
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, kSigma);
    std::vector<std::vector<float>> frames(kFrames, std::vector<float>(kW * kH));
    for (int f = 0; f < kFrames; ++f) {
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                double v = truth(x, y) + noise(rng);
                if ((x * 7 + y * 13 + f * 5) % 97 == 0) v = 65535;            // hot pixels
                if (f < 2 && std::abs(y - (x / 2 + 5 * f)) <= 1) v += 30000;  // trail
                frames[static_cast<std::size_t>(f)][static_cast<std::size_t>(y) * kW + x] =
                    static_cast<float>(v);
            }
        }
    }
    auto stack = [&](int count, Rejection r) {
        std::vector<const float*> rows(static_cast<std::size_t>(count));
        std::vector<double> weights(static_cast<std::size_t>(count), 1.0);
        std::vector<float> out(kW * kH);
        for (int y = 0; y < kH; ++y) {
            for (int f = 0; f < count; ++f)
                rows[static_cast<std::size_t>(f)] =
                    frames[static_cast<std::size_t>(f)].data() + static_cast<std::size_t>(y) * kW;
            CombineRow(rows, weights, kW, CombineParams{r, 3, 3, 3},
                       out.data() + static_cast<std::size_t>(y) * kW);
        }
        return out;
    };
    auto worst = [&](const std::vector<float>& s) {
        double m = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                m = std::max(m, std::abs(s[static_cast<std::size_t>(y) * kW + x] - truth(x, y)));
        return m;
    };
    // Plain averaging keeps a trace of the trail and the hot pixels; clipping removes them:
    // what is left is the noise of 18 to 20 frames (200 / sqrt(18) = 47), within 5 of its
    // deviations.
    EXPECT_GT(worst(stack(kFrames, Rejection::None)), 2000);
    EXPECT_LT(worst(stack(kFrames, Rejection::Sigma)), 5 * kSigma / std::sqrt(18.0));
    EXPECT_LT(worst(stack(kFrames, Rejection::Winsor)), 5 * kSigma / std::sqrt(18.0));

    // The noise estimate sees the frame's noise through the gradient and the star, and the
    // stack's noise falls like 1 / sqrt(frames) (within 15 %).
    const double single = EstimateNoise(frames[5].data(), kW, kH);
    EXPECT_NEAR(single, kSigma, 0.1 * kSigma);
    for (const int n : {4, 16}) {
        // Frames 4.. have no trail; the hot pixels are clipped.
        std::vector<std::vector<float>> keep(frames.begin() + 2, frames.begin() + 2 + n);
        frames.swap(keep);
        const auto s = stack(n, Rejection::Sigma);
        frames.swap(keep);
        std::vector<float> residual(s.size());
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                residual[static_cast<std::size_t>(y) * kW + x] =
                    static_cast<float>(s[static_cast<std::size_t>(y) * kW + x] - truth(x, y));
        const double measured = EstimateNoise(residual.data(), kW, kH);
        EXPECT_NEAR(measured, kSigma / std::sqrt(n), 0.15 * kSigma / std::sqrt(n)) << n;
    }
}

}  // namespace
}  // namespace orva
