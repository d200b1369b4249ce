// Sharpen/smooth and edge enhancement against values worked out by hand from the filter
// definitions on pictures of a few pixels.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "ops/dispatcher.h"
#include "ops/noise_lines.h"
#include "ops/restore.h"
#include "ops/sharpen_edge.h"
#include "ops/wavelet.h"
#include "support/threads.h"

namespace orva {
namespace {

std::vector<int> Sharpen(std::vector<uint16_t> row, const SharpenParams& p, int height = 1) {
    std::vector<uint16_t> scratch(row.size());
    const int width = static_cast<int>(row.size()) / height;
    EXPECT_TRUE(SharpenPlane(row.data(), scratch.data(), width, height, p));
    return {row.begin(), row.end()};
}

std::vector<int> Edge(std::vector<uint16_t> px, int width, const EdgeParams& p) {
    std::vector<uint16_t> scratch(px.size());
    EdgePlane(px.data(), scratch.data(), width, static_cast<int>(px.size()) / width, p);
    return {px.begin(), px.end()};
}

// Runs the colour filter on three planes of width x height; returns them one after another.
std::vector<int> EdgeColour(std::vector<uint16_t> r, std::vector<uint16_t> g,
                            std::vector<uint16_t> b, int width, const EdgeParams& p) {
    const int height = static_cast<int>(r.size()) / width;
    std::vector<uint16_t> s0(r.size()), s1(r.size()), s2(r.size());
    uint16_t* const planes[3] = {r.data(), g.data(), b.data()};
    uint16_t* const scratch[3] = {s0.data(), s1.data(), s2.data()};
    EdgeRgb(planes, scratch, width, height, p);
    std::vector<int> out(r.begin(), r.end());
    out.insert(out.end(), g.begin(), g.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

TEST(SharpenKernel, ExtentEndsWhereEveryWeightIsSmall) {
    // Radius 1, blunting 5.0: w = 1 / (r^5 + 1); row 2 holds 1/33 > 0.02, row 3 at most 1/244.
    const SharpenKernel k = MakeSharpenKernel(1, 50);
    EXPECT_EQ(k.extent, 2);
    // Raw 5 x 5 sum: 1 + 4/2 + 4/(2^2.5+1) + 4/33 + 8/(5^2.5+1) + 4/(8^2.5+1) = 3.884666.
    EXPECT_NEAR(k.at(0, 0), 1 / 3.884666, 1e-6);
    // Radius 3: the squared distance over 3, so row 3 gives 1/(3^2.5+1) = 0.060 and row 4
    // (16/3)^2.5 + 1 = 66.7, 0.015.
    EXPECT_EQ(MakeSharpenKernel(3, 50).extent, 3);
    // Out-of-range settings are brought into 1..10 and 10..50.
    EXPECT_EQ(MakeSharpenKernel(0, 90).extent, 2);
}

// A one-row picture 20000 20000 30000 with radius 1, blunting 5.0: the rows of the kernel
// fold onto the one picture row, giving column weights 0.530446, 0.215100, 0.019677, so the
// local means are 20196.77, 22347.77 and 27652.23.
TEST(SharpenPlane, RangeZeroOnlyEmphasisesALargeRangeBlendsTowardsTheMean) {
    EXPECT_EQ(Sharpen({20000, 20000, 30000}, {1, 0, 10, 10, 50}),
              (std::vector<int>{19804, 17653, 32348}));
    EXPECT_EQ(Sharpen({20000, 20000, 30000}, {1, 0, 10, 0, 50}),
              (std::vector<int>{20000, 20000, 30000}));
    // Emphasis 50 beyond the sample range clamps: means 1180.6 and 45913.4.
    EXPECT_EQ(Sharpen({0, 0, 60000}, {1, 0, 10, 50, 50}), (std::vector<int>{0, 0, 65535}));
    // k = 10 x radius 1: (m + c) / 2, truncated.
    EXPECT_EQ(Sharpen({20000, 20000, 30000}, {1, 65535, 10, 0, 50}),
              (std::vector<int>{20098, 21173, 28826}));
    // Range 2000: the first pixel (d = -196) smooths, the others lose the range first and
    // are emphasised by 1.5, truncating toward zero: -347 x 15 / 10 = -520, 348 x 1.5 = 522.
    EXPECT_EQ(Sharpen({20000, 20000, 30000}, {1, 2000, 10, 15, 50}),
              (std::vector<int>{20098, 19480, 30522}));
}

TEST(SharpenPlane, FlatAreasAndTinyPicturesStayPut) {
    // Whatever the rounding of the normalised weights, a flat area has itself as its mean.
    for (int level : {1, 3, 1000, 43621, 65535}) {
        const auto v = static_cast<uint16_t>(level);
        EXPECT_EQ(Sharpen({v, v, v, v}, {1, 2560, 10, 10, 50}, 2), std::vector<int>(4, level));
        EXPECT_EQ(Sharpen({v}, {10, 0, 50, 50, 10}), std::vector<int>{level});
    }
    EXPECT_TRUE(SharpenPlane(nullptr, nullptr, 0, 5, {}));
}

// Every banded plane kernel gives the same bytes on one random plane whatever the thread count.
TEST(PlaneKernels, ResultDoesNotDependOnThreadCount) {
    std::mt19937 rng(5);
    std::vector<uint16_t> px(131 * 97);
    for (auto& v : px) v = static_cast<uint16_t>(rng());
    using testing::ExpectSameForAnyThreadCount;
    ExpectSameForAnyThreadCount([&] { return Sharpen(px, {3, 1500, 7, 20, 35}, 97); });
    ExpectSameForAnyThreadCount([&] { return Edge(px, 131, {1000, 20, 40, 10}); });
    ExpectSameForAnyThreadCount([&] {
        std::vector<uint16_t> out(px.size()), restored = px, wavelet = px;
        ReduceNoisePlane(px.data(), out.data(), 131, 97, {2, 5, 3});
        RestorePlane(restored.data(), 131, 97, {});
        WaveletPlane(wavelet.data(), 131, 97, {1.0, 1.2, 1.5, 2.0, 3.0, 5.0});
        return std::tuple(out, restored, wavelet);
    });
}

TEST(EdgePlane, FlatNeighbourhoodsOnlySmoothAThinBrightLineIsNotPulledByBrighterNeighbours) {
    // Span 90 <= 2560: every target is 3 x 3090 / 9 = 1030 (the edges repeat themselves),
    // blended half and half with the centre.
    EXPECT_EQ(Edge({1000, 1090, 1000}, 3, {2560, 10, 50, 10}),
              (std::vector<int>{1015, 1060, 1015}));
    // A single pixel is its own neighbourhood.
    EXPECT_EQ(Edge({12345}, 1, {0, 50, 0, 50}), std::vector<int>{12345});
    // Column 1 of a 3 x 3 picture is a line at 40000 on 10000. The line pixel lies above the
    // threshold point (4000000 > 30000 x 50 + 1000000) with no brighter neighbour: blended
    // towards (nine-sample sum) / 9 = 20000. Its neighbours lie below it, have no darker
    // neighbour, and blend towards the same 20000 (sums with the clamped edge: 3 line + 6).
    std::vector<uint16_t> px(9, 10000);
    for (int y = 0; y < 3; ++y) px[static_cast<std::size_t>(y * 3 + 1)] = 40000;
    const auto out = Edge(px, 3, {2560, 20, 50, 10});
    EXPECT_EQ(out[4], 30000);
    // Left pixel: neighbourhood 10000 10000 40000 in each row: (20000 x 10 + 10000 x 10) / 20.
    EXPECT_EQ(out[3], 15000);
}

TEST(EdgePlane, ThresholdDecidesTheSide) {
    // Rows 10000 / 30000 / 50000: centre 30000, span 40000, three darker and three brighter.
    std::vector<uint16_t> px = {10000, 10000, 10000, 30000, 30000, 30000, 50000, 50000, 50000};
    // 50 %: 3000000 is not above 3000000, so the dark mean with emphasis 20:
    // (10000 x 20 + 30000 x 10) / 30 = 16666.
    EXPECT_EQ(Edge(px, 3, {2560, 20, 50, 10})[4], 16666);
    // 49 %: the bright mean: (50000 x 20 + 300000) / 30 = 43333.
    EXPECT_EQ(Edge(px, 3, {2560, 20, 49, 10})[4], 43333);
    // Two darker neighbours are not enough on the dark side: bottom row 10000 30000 30000
    // leaves dark count 1 for the centre; (sum 310000 + 10000) / 10 = 32000, blended
    // (32000 x 10 + 30000 x 10) / 20 = 31000.
    px[1] = px[2] = 30000;
    EXPECT_EQ(Edge(px, 3, {2560, 20, 60, 10})[4], 31000);
}

TEST(EdgeRgb, DecidesOnTheSumCountsEqualNeighboursAsBrightAndSmoothsUpToThreeTimesTheRange) {
    // Red rows 10000 / 20000 / 30000, green 6000 everywhere, blue 0: the centre's left and
    // right neighbours equal it and count as bright, so bright 5 and dark 3.
    std::vector<uint16_t> r = {10000, 10000, 10000, 20000, 20000, 20000, 30000, 30000, 30000};
    const std::vector<uint16_t> g(9, 6000), b(9, 0);
    // Threshold 50: L x 100 = 2600000 <= 20000 x 50 + 16000 x 100: dark side, dark mean
    // 10000 with emphasis 20: (200000 + 200000) / 30 = 13333; green stays 6000.
    auto out = EdgeColour(r, g, b, 3, {2560, 20, 50, 10});
    EXPECT_EQ(out[4], 13333);
    EXPECT_EQ(out[9 + 4], 6000);
    EXPECT_EQ(out[18 + 4], 0);
    // Threshold 49: bright side; five bright neighbours: mean (3 x 30000 + 2 x 20000) / 5 =
    // 26000, (520000 + 200000) / 30 = 24000. One plane alone counts only the three brighter
    // ones: (30000 x 20 + 200000) / 30 = 26666.
    out = EdgeColour(r, g, b, 3, {2560, 20, 49, 10});
    EXPECT_EQ(out[4], 24000);
    EXPECT_EQ(Edge(r, 3, {2560, 20, 49, 10})[4], 26666);
    // Span of L 7000: above the range 2560 but within 3 x 2560, so the colour filter
    // smooths: (3 x 37000 / 9 = 12333) x 10 + 17000 x 10, / 20 = 14666.
    const std::vector<uint16_t> step = {10000, 17000, 10000}, zero(3, 0);
    EXPECT_EQ(EdgeColour(step, zero, zero, 3, {2560, 10, 50, 10})[1], 14666);
    // A single pixel is unchanged.
    EXPECT_EQ(EdgeColour({100}, {200}, {65535}, 1, {0, 50, 100, 50}),
              (std::vector<int>{100, 200, 65535}));
}

}  // namespace
}  // namespace orva
