// Blur restoration against values worked out by hand from the spread function and the
// relaxed iteration on pictures of a few pixels.
#include "ops/restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace orva {
namespace {

std::vector<int> Restore(std::vector<uint16_t> px, int width, const RestoreParams& p) {
    const int height = static_cast<int>(px.size()) / width;
    EXPECT_TRUE(RestorePlane(px.data(), width, height, p));
    return {px.begin(), px.end()};
}

std::vector<uint16_t> Random(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, 65535);
    std::vector<uint16_t> v(n);
    for (auto& s : v) s = static_cast<uint16_t>(d(rng));
    return v;
}

TEST(RestorePlane, SpreadFunctionExtentNormalisationAndOneIterationByHand) {
    // Defaults (spread 1.0, blunting 2.0): w = 1 / (d^2 + 1); row 6 holds 1/37 > 0.02, row 7
    // at most 1/50, so e = 6, and the 13 x 13 weights add up to 12.546662 before scaling.
    const SpreadFunction f = MakeSpreadFunction(10, 20);
    EXPECT_EQ(f.extent, 6);
    EXPECT_NEAR(f.at(0, 0), 1 / 12.546662, 1e-7);
    // Spread 0.1 and blunting 5.0: the nearest neighbours weigh 1 / (10^2.5 + 1) = 0.003.
    const SpreadFunction point = MakeSpreadFunction(1, 50);
    EXPECT_EQ(point.extent, 0);
    EXPECT_EQ(point.at(0, 0), 1.0);
    // Out-of-range settings are brought into 1..100 and 10..50 (spread 0 would divide by 0).
    EXPECT_EQ(MakeSpreadFunction(0, 60).extent, 0);
    // Spread 0.5, blunting 5.0: raw weights 1 at the centre, a = 1 / (2^2.5 + 1) = 0.150221 at
    // distance 1 and b = 1/33 on the diagonals; row 2 starts at 1 / (8^2.5 + 1) < 0.02, so
    // e = 1. On a one-row picture the rows fold onto it: column weights
    // (1 + 2a) / S = 0.755151 and (a + 2b) / S = 0.122425 with S = 1 + 4a + 4b = 1.722097.
    // O = 0 10000 0: blur(O) = 1224.25 7551.51 1224.25, R = blur(O) - O,
    // X = O - 2R = -2448.49 14896.99 -2448.49.
    EXPECT_EQ(Restore({0, 10000, 0}, 3, {5, 50, 1, 0}), (std::vector<int>{0, 14897, 0}));
    // A second round from there: X = -1798.54 13597.07 -1798.54.
    EXPECT_EQ(Restore({0, 10000, 0}, 3, {5, 50, 2, 0}), (std::vector<int>{0, 13597, 0}));
    // Emphasis 1 after one round: 2 X - blur(X) = -4572.01 19144.02 -4572.01. The estimate
    // went below zero but was not clamped before the final step.
    EXPECT_EQ(Restore({0, 10000, 0}, 3, {5, 50, 1, 1}), (std::vector<int>{0, 19144, 0}));
    // The same picture in a column: the columns fold instead.
    EXPECT_EQ(Restore({0, 10000, 0}, 1, {5, 50, 1, 0}), (std::vector<int>{0, 14897, 0}));
}

TEST(RestorePlane, FlatAndPointSpreadPicturesAreUnchangedStrongSettingsClampOnlyTheOutput) {
    for (int it = 1; it <= 5; ++it) {
        for (int em = 0; em <= 3; ++em) {
            EXPECT_EQ(Restore(std::vector<uint16_t>(9 * 5, 4321), 9, {37, 20, it, em}),
                      std::vector<int>(9 * 5, 4321));
        }
    }
    // Spread 0.1 with blunting 5.0 is the single centre weight: nothing changes.
    const auto px = Random(23 * 11, 1);
    EXPECT_EQ(Restore(px, 23, {1, 50, 5, 3}), (std::vector<int>(px.begin(), px.end())));
    EXPECT_EQ(Restore({65535}, 1, {100, 10, 5, 3}), std::vector<int>{65535});
    std::vector<uint16_t> step(12 * 3);
    for (std::size_t i = 0; i < step.size(); ++i) step[i] = (i % 12) < 6 ? 2000 : 63000;
    const auto out = Restore(step, 12, {100, 10, 5, 3});
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), 0);
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 65535);
}

}  // namespace
}  // namespace orva
