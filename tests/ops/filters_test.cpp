// The filters against values worked out by hand on pictures of a few pixels, and the
// invariants of the wavelet transforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "ops/dispatcher.h"
#include "ops/noise_lines.h"
#include "ops/restore.h"
#include "ops/sharpen_edge.h"
#include "ops/wavelet.h"
#include "support/scripted_ui.h"
#include "support/threads.h"

namespace orva {
namespace {

using testing::MakeImage;
using testing::Sample;

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

TEST(EdgePlane, FlatAreasSmoothALineIsNotPulledByBrighterNeighboursAndTheThresholdPicksTheSide) {
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
    // The threshold decides the side. Rows 10000 / 30000 / 50000: centre 30000, span 40000,
    // three darker and three brighter.
    px = {10000, 10000, 10000, 30000, 30000, 30000, 50000, 50000, 50000};
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
    EXPECT_EQ(std::tuple(out[4], out[9 + 4], out[18 + 4]), std::tuple(13333, 6000, 0));
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
    EXPECT_EQ(EdgeColour({100}, {200}, {65535}, 1, {0, 50, 100, 50}),
              (std::vector<int>{100, 200, 65535}));
}

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

TEST(RestorePlane, SpreadFunctionOneIterationByHandUnchangedPicturesAndClampedOutput) {
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
    // Flat and point-spread pictures are unchanged; strong settings clamp only the output.
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

std::vector<uint16_t> Reduce(const std::vector<uint16_t>& in, int w, int h, NoiseParams p) {
    std::vector<uint16_t> out(in.size());
    EXPECT_TRUE(ReduceNoisePlane(in.data(), out.data(), w, h, p));
    return out;
}

// A 9 x 9 background of 1000 with one pixel 20000 above it in the middle.
std::vector<uint16_t> HotPixel() {
    std::vector<uint16_t> img(81, 1000);
    img[4 * 9 + 4] = 21000;
    return img;
}

TEST(NoiseReduction, FlatAreasAndOnePixelAreUnchangedEdgesRepeated) {
    const std::vector<uint16_t> flat(6 * 5, 4321);
    for (int level : {1, 5})
        for (int area : {3, 5}) EXPECT_EQ(Reduce(flat, 6, 5, {level, area, 0}), flat);
    const std::vector<uint16_t> white(4, 65535);
    EXPECT_EQ(Reduce(white, 2, 2, {1, 5, 0}), white);
    EXPECT_EQ(Reduce({12345}, 1, 1, {1, 5, 10}), std::vector<uint16_t>{12345});
    // One row [0, 65535, 0], 3 x 3 window, tolerance 0. The middle pixel sees itself above
    // and below (weight 640 each) and the zeros with weights 1, 2, 1 on each side:
    // 2 x 1280 x 65535 / 1288 = 130255, halved.
    EXPECT_EQ(Reduce({0, 65535, 0}, 3, 1, {1, 3, 0}), (std::vector<uint16_t>{88, 65127, 88}));
}

// The hot pixel's level, the settings, the column of its row looked at and the result there.
TEST(NoiseReduction, AroundAHotPixel) {
    const struct {
        uint16_t hot;
        NoiseParams p;
        int x, want;
    } rows[] = {
        {21000, {1, 5, 10}, 4, 1000},  // strength 5: the background
        // Right of it the hot pixel counts with weight 21 against 8064 of background:
        // 2 x (1000 x 8064 + 21000 x 21) / 8085 = 2103, halved.
        {21000, {1, 5, 10}, 5, 1051},
        {21000, {1, 5, 10}, 6, 1041},  // two to the right (weight 17), as diagonally
        // 12800 above the background is the limit at tolerance 10, where the weights are
        // all 64 x g: 2 x (1000 x 8064 + 13800 x 640) / 8704 = 3882, halved. One level
        // more and its weight drops to 637: 2 x (1000 x 8064 + 13801 x 637) / 8701 = 3874.
        {13800, {1, 5, 10}, 5, 1941},
        {13801, {1, 5, 10}, 5, 1937},
        {21000, {3, 5, 10}, 4, 11000},  // strength 3 (k = 3): (2 x mean + 2 x c) / 4
        {21000, {3, 5, 10}, 5, 1025},
        {21000, {0, 5, 10}, 4, 1000},  // levels below 1 are 1
        {21000, {1, 3, 10}, 6, 1000},  // the 3 x 3 window does not reach two pixels away
    };
    for (const auto& r : rows) {
        auto img = HotPixel();
        img[4 * 9 + 4] = r.hot;
        EXPECT_EQ(Reduce(img, 9, 9, r.p)[4 * 9 + std::size_t(r.x)], r.want)
            << r.hot << " level " << r.p.level << " at " << r.x;
    }
    // Levels above 5 and tolerances above 10 count as 5 and 10; an area other than 3 or 5
    // means 5, and 3 and below mean 3.
    const std::pair<NoiseParams, NoiseParams> same[] = {{{9, 5, 10}, {5, 5, 10}},
                                                        {{1, 5, 99}, {1, 5, 10}},
                                                        {{1, 4, 10}, {1, 5, 10}},
                                                        {{1, 1, 10}, {1, 3, 10}}};
    for (const auto& [given, as] : same)
        EXPECT_EQ(Reduce(HotPixel(), 9, 9, given), Reduce(HotPixel(), 9, 9, as)) << given.level;
}

TEST(NoiseReduction, RecordPlanesAreProcessedEachOnItsOwn) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 9, 9, [](int c, int x, int y) {
        return static_cast<uint16_t>(x == 4 && y == 4 && c == 1 ? 21000 : 1000 * (c + 1));
    });
    rec.single_plane = 1;  // grey pictures are processed in all three planes all the same
    ASSERT_TRUE(ReduceNoise(rec, {1, 5, 10}));
    // The hot green pixel takes its background.
    EXPECT_EQ(std::tuple(Sample(rec, 0, 4, 4), Sample(rec, 1, 4, 4), Sample(rec, 2, 4, 4)),
              std::tuple(1000, 2000, 3000));
}

// Rows of a record's red plane, bottom first, as the value of their first sample.
std::vector<int> RowIds(const ImageRecord& rec) {
    std::vector<int> ids;
    for (int y = 0; y < rec.height; ++y) ids.push_back(Sample(rec, 0, 0, y));
    return ids;
}

std::vector<int> Separate(int height, int first_row) {
    Workspace ws;
    const ImageRecord& src =
        MakeImage(ws, 0, 2, height, [](int c, int, int y) { return static_cast<uint16_t>(y + c); });
    ImageRecord dst;
    EXPECT_TRUE(SeparateLines(src, dst, first_row));
    EXPECT_EQ(std::pair(dst.width, dst.height), std::pair(2, height));
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(Sample(dst, 2, 1, y), Sample(dst, 0, 0, y) + 2);  // every plane, every column
    }
    return RowIds(dst);
}

TEST(LineSeparation, EachRowDoubledAndRowsNoPairReachesRepeatTheLastWritten) {
    EXPECT_EQ(Separate(4, 0), (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(Separate(4, 1), (std::vector<int>{1, 1, 3, 3}));
    EXPECT_EQ(Separate(5, 0), (std::vector<int>{0, 0, 2, 2, 2}));
    EXPECT_EQ(Separate(3, 1), (std::vector<int>{1, 1, 1}));
    // A single row has no pair at all: both results show that row.
    EXPECT_EQ(Separate(1, 1), (std::vector<int>{0}));
}

WaveletGains Gains(std::initializer_list<double> six) {
    WaveletGains g{};
    std::copy(six.begin(), six.end(), g.begin());
    return g;
}

const WaveletGains kUnit = Gains({1, 1, 1, 1, 1, 1});
const WaveletGains kMedium = Gains({1.0, 1.2, 1.5, 2.0, 3.0, 5.0});  // the "中" preset

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

// Every banded plane kernel gives the same bytes on one random plane whatever the thread count.
TEST(PlaneKernels, ResultDoesNotDependOnThreadCount) {
    const auto px = Random(131 * 97, 5);
    using testing::ExpectSameForAnyThreadCount;
    ExpectSameForAnyThreadCount([&] { return Sharpen(px, {3, 1500, 7, 20, 35}, 97); });
    ExpectSameForAnyThreadCount([&] { return Edge(px, 131, {1000, 20, 40, 10}); });
    ExpectSameForAnyThreadCount([&] { return Reduce(px, 131, 97, {2, 5, 3}); });
    ExpectSameForAnyThreadCount([&] { return Restore(px, 131, {}); });
    ExpectSameForAnyThreadCount([&] {
        std::vector<uint16_t> out = px;
        WaveletPlane(out.data(), 131, 97, kMedium);
        return out;
    });
}

}  // namespace
}  // namespace orva
