// Wavelet sub-band processing and wavelet enlargement: hand-worked values on pictures of a
// few pixels, and the invariants of the transforms (unit gains change nothing, analysis
// followed by synthesis is the identity, the Daubechies filters are orthonormal).
#include "ops/wavelet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "support/scripted_ui.h"

namespace orva {
namespace {

WaveletGains Gains(std::initializer_list<double> six) {
    WaveletGains g{};
    std::copy(six.begin(), six.end(), g.begin());
    return g;
}

const WaveletGains kUnit = Gains({1, 1, 1, 1, 1, 1});
const WaveletGains kMedium = Gains({1.0, 1.2, 1.5, 2.0, 3.0, 5.0});  // the "中" preset

std::vector<uint16_t> Random(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, 65535);
    std::vector<uint16_t> v(n);
    for (auto& s : v) s = static_cast<uint16_t>(d(rng));
    return v;
}

std::vector<int> Subband(std::vector<uint16_t> px, int width, const WaveletGains& g) {
    const int height = static_cast<int>(px.size()) / width;
    EXPECT_TRUE(WaveletPlane(px.data(), width, height, g));
    return {px.begin(), px.end()};
}

std::vector<int> Enlarge(const std::vector<uint16_t>& px, int width, int order,
                         const WaveletGains& g) {
    const int height = static_cast<int>(px.size()) / width;
    Plane out;
    EXPECT_TRUE(WaveletEnlarge(px.data(), width, height, order, g, out));
    EXPECT_EQ(out.size(), px.size() * 4);
    return {out.data(), out.data() + out.size()};
}

TEST(WaveletPyramid, PaddingAndPredictionWeights) {
    EXPECT_EQ(WaveletPaddedSide(31), 32);
    EXPECT_EQ(WaveletPaddedSide(32), 64);  // always a row and a column more
    // Coarse 2 x 2 (rows of K) predicting a fine 4 x 4: corners copy, edges 0.76 / 0.24,
    // inside 0.54 / 0.17 / 0.17 / 0.12 with the most on the nearest coarse sample.
    const double coarse[] = {100, 200, 300, 500};
    std::vector<double> fine(16, 0.0);
    WaveletAddPrediction(coarse, 2, 2, fine.data(), 1.0);
    const double expected[] = {100, 124, 176, 200,  // row 0: edge
                               148, 199, 246, 272,  // row 1: nearer to coarse row 0
                               252, 288, 367, 428,  // row 2: nearer to coarse row 1
                               300, 348, 452, 500};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(fine[std::size_t(i)], expected[i], 1e-9) << i;
    // A single coarse sample predicts four equal ones.
    const double one[] = {7};
    double four[] = {1, 2, 3, 4};
    WaveletAddPrediction(one, 1, 1, four, 1.0);
    EXPECT_EQ((std::vector<double>(four, four + 4)), (std::vector<double>{8, 9, 10, 11}));
}

TEST(WaveletPlane, UnitGainsGiveThePlaneBackAndFlatPicturesStayFlat) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {31, 31}, {32, 32}, {33, 17}, {70, 41}}) {
        const auto px = Random(std::size_t(w) * std::size_t(h), unsigned(w * 100 + h));
        EXPECT_EQ(Subband(px, w, kUnit), (std::vector<int>(px.begin(), px.end()))) << w << "x" << h;
    }
    EXPECT_EQ(Subband({12345}, 1, kMedium), std::vector<int>{12345});
    EXPECT_EQ(Subband(std::vector<uint16_t>(40 * 3, 777), 40, Gains({0, 9, 9, 9, 9, 9})),
              std::vector<int>(40 * 3, 777));
}

// One row 0 4000 8000 40000, padded to 32 x 32 by repeating 40000 and the row. Level 1 holds
// the 2 x 2 means 2000, 24000, 40000, ... With gain 0 on "1(H)" and 1 elsewhere, level 1 is
// rebuilt as it was and level 0 becomes its prediction: on the edge row the corner copies
// 2000, then 0.76 x 2000 + 0.24 x 24000 = 7280, 0.24 x 2000 + 0.76 x 24000 = 18720,
// 0.76 x 24000 + 0.24 x 40000 = 27840.
TEST(WaveletPlane, ZeroGainOnTheFinestBandLeavesThePredictionAndResultsAreClamped) {
    EXPECT_EQ(Subband({0, 4000, 8000, 40000}, 4, Gains({1, 1, 1, 1, 1, 0})),
              (std::vector<int>{2000, 7280, 18720, 27840}));
    std::vector<uint16_t> step(16 * 4);
    for (int i = 0; i < 64; ++i) step[std::size_t(i)] = (i % 16) < 8 ? 1000 : 64000;
    const auto out = Subband(step, 16, Gains({1, 1, 1, 1, 1, 50}));
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), 0);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 65535);
    // Gains of 50.0 on every band push values far beyond any integer type.
    EXPECT_NO_FATAL_FAILURE(Subband(Random(50 * 30, 9), 50, Gains({50, 50, 50, 50, 50, 50})));
}

TEST(Daubechies, FiltersAreOrthonormal) {
    EXPECT_NEAR(DaubechiesFilter(1)[0], 0.707106781187, 1e-12);
    EXPECT_NEAR(DaubechiesFilter(2)[0], 0.482962913145, 1e-12);
    EXPECT_NEAR(DaubechiesFilter(2)[3], -0.129409522551, 1e-12);
    EXPECT_EQ(DaubechiesFilter(0).size(), 2u);    // orders below 1 use the Haar filter
    EXPECT_EQ(DaubechiesFilter(11).size(), 20u);  // above 10, order 10
    for (int order = 1; order <= kDaubechiesMaxOrder; ++order) {
        const auto h = DaubechiesFilter(order);
        ASSERT_EQ(h.size(), std::size_t(2 * order));
        double sum = 0, alternating = 0;
        for (std::size_t j = 0; j < h.size(); ++j) {
            sum += h[j];
            alternating += j % 2 == 0 ? h[j] : -h[j];
        }
        EXPECT_NEAR(sum, std::sqrt(2.0), 1e-14) << order;
        EXPECT_NEAR(alternating, 0.0, 1e-14) << order;
        for (std::size_t shift = 0; shift < h.size(); shift += 2) {
            double dot = 0;
            for (std::size_t j = 0; j + shift < h.size(); ++j) dot += h[j] * h[j + shift];
            EXPECT_NEAR(dot, shift == 0 ? 1.0 : 0.0, 1e-14) << order << " shift " << shift;
        }
    }
}

TEST(WaveletEnlarge, LevelsFollowTheCoarsestBandAndHaarRepeatsEverySampleTwice) {
    EXPECT_EQ(WaveletEnlargeLevels(kUnit), 0);
    EXPECT_EQ(WaveletEnlargeLevels(Gains({1, 1, 1, 1, 1, 2})), 1);
    EXPECT_EQ(WaveletEnlargeLevels(Gains({1, 1, 1, 0.5, 1, 2})), 3);
    EXPECT_EQ(WaveletEnlargeLevels(kMedium), 5);
    EXPECT_EQ(Enlarge({1000, 3000, 5, 65535}, 2, 1, kUnit),
              (std::vector<int>{1000, 1000, 3000, 3000, 1000, 1000, 3000, 3000,  //
                                5, 5, 65535, 65535, 5, 5, 65535, 65535}));
}

TEST(WaveletEnlarge, DoublingKeepsTheLevelAndTheFinestGainActsOnTheFinestDetail) {
    for (int order : {1, 2, 5, 10}) {
        EXPECT_EQ(Enlarge(std::vector<uint16_t>(5 * 3, 20000), 5, order, kUnit),
                  std::vector<int>(10 * 6, 20000))
            << order;
        // A flat picture has no detail for the gains to act on.
        EXPECT_EQ(Enlarge(std::vector<uint16_t>(7 * 9, 100), 7, order, kMedium),
                  std::vector<int>(14 * 18, 100))
            << order;
    }
    // A ramp stays in register: away from the ends, where the periodic extension wraps,
    // each pair of outputs lies around its input to within a fraction of a step (the 4-tap
    // filter: x[2k] = c[k] - 0.317 step, x[2k + 1] = c[k] + 0.183 step).
    std::vector<uint16_t> ramp(16);
    for (int x = 0; x < 16; ++x) ramp[std::size_t(x)] = static_cast<uint16_t>(10000 + 1000 * x);
    const auto four = Enlarge(ramp, 16, 2, kUnit);
    EXPECT_EQ(four[16], 18000 - 317);
    EXPECT_EQ(four[17], 18000 + 183);
    // A checkerboard is all finest detail: gain 0 on "1(H)" flattens it to its mean.
    std::vector<uint16_t> board(8 * 8);
    for (int i = 0; i < 64; ++i) board[std::size_t(i)] = ((i / 8 + i % 8) % 2) ? 30000 : 10000;
    for (int v : Enlarge(board, 8, 1, Gains({1, 1, 1, 1, 1, 0}))) EXPECT_EQ(v, 20000);
    // Gains beyond the range clamp instead of wrapping.
    const auto strong = Enlarge(board, 8, 3, Gains({1, 1, 1, 1, 1, 50}));
    EXPECT_EQ(*std::min_element(strong.begin(), strong.end()), 0);
    EXPECT_EQ(*std::max_element(strong.begin(), strong.end()), 65535);
}

}  // namespace
}  // namespace orva
