#include "composite/align.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "composite/composite_settings.h"
#include "composite/stack_fixtures.h"
#include "ops/op_params.h"
#include "support/threads.h"

namespace orva {
namespace {

using testing::Picture;
using testing::StarField;

ComparePlane PlaneOf(int w, int h, std::vector<uint16_t> v) {
    ComparePlane p;
    p.width = w;
    p.height = h;
    p.samples = std::move(v);
    return p;
}

TEST(CompositeAlign, ComparisonAreaIsTheMiddleThreeQuartersOfLargePictures) {
    const CompareArea small = ComparisonArea(510, 6);
    EXPECT_EQ((std::array{small.x0, small.width, small.y0, small.height}),
              (std::array{0, 508, 0, 4}));
    // x: (3000 / 32) x 4 up to ((7 x 3000) / 32) x 4.
    const CompareArea large = ComparisonArea(3000, 2000);
    EXPECT_EQ((std::array{large.x0, large.width, large.y0, large.height}),
              (std::array{93 * 4, 656 * 4 - 93 * 4, 62 * 4, 437 * 4 - 62 * 4}));
}

TEST(CompositeAlign, ScoresTruncateEachStepTowardZero) {
    // Centre: A is black; B's differences -64, -128, -200, -63 give quotients -1, -2, -3 and 0
    // (truncated, not floored): row 14 / 2 / 2 = 3; the second row -10 gives 100 / 2 / 2 = 25.
    const ComparePlane a = PlaneOf(4, 2, std::vector<uint16_t>(8, 0));
    const ComparePlane b = PlaneOf(4, 2, {64, 128, 200, 63, 640, 0, 0, 0});
    EXPECT_EQ(DisplacementScore(kCompareCentre, true, a, b, 0, 0), 14);
    // Only one overlapping column is left: too little for a centred block.
    EXPECT_EQ(DisplacementScore(kCompareCentre, true, a, b, 3, 0), kNoMatch);

    // Corners on small overlaps average rows, then columns. Differences divided by 32:
    // -32 -> 1, -95 -> 4, -100 -> 9; row 14 / 3 = 4, total 4 / 2.
    const ComparePlane a3 = PlaneOf(3, 2, std::vector<uint16_t>(6, 0));
    const ComparePlane b3 = PlaneOf(3, 2, {32, 95, 100, 0, 0, 31});
    EXPECT_EQ(DisplacementScore(kCompareCorners, true, a3, b3, 0, 0), 2);
    EXPECT_EQ(DisplacementScore(kCompareCorners, true, a3, b3, 3, 0), kNoMatch);

    // Wider than 1024 and higher than 4 x 64: the corner strips and the centre block.
    const ComparePlane wide = PlaneOf(1100, 300, std::vector<uint16_t>(330000, 0));
    // Each term 4: per strip row 4096 / 256 / 4 = 4; per centre row 2048 / 256 / 4 = 2;
    // (64 x 4 + 128 x 2) / 64 / 2 = 4.
    const ComparePlane b64 = PlaneOf(1100, 300, std::vector<uint16_t>(330000, 64));
    EXPECT_EQ(DisplacementScore(kCompareCorners, false, wide, b64, 0, 0), 4);
    // Each term 1: strips give 1 per row, centre rows 512 / 256 / 4 = 0; 64 / 64 / 2 = 0,
    // where the mean of all terms would be 1.
    const ComparePlane b40 = PlaneOf(1100, 300, std::vector<uint16_t>(330000, 40));
    EXPECT_EQ(DisplacementScore(kCompareCorners, false, wide, b40, 0, 0), 0);
}

TEST(CompositeAlign, IdenticalPicturesAlignAtZeroUnlessAShiftIsRequired) {
    const StarField field(200, 160, 7);
    const ImageRecord a = field.Crop(160, 120, 10, 10);
    const std::vector<StackSource> two{SourceOf(a), SourceOf(a)};
    EXPECT_EQ(AlignSources(two, kCompareCentre, 3, 3, false)[1], (Displacement{0, 0}));
    const Displacement shifted = AlignSources(two, kCompareCentre, 3, 3, true)[1];
    EXPECT_NE(shifted, (Displacement{0, 0}));
    EXPECT_LE(std::abs(shifted.dx) + std::abs(shifted.dy), 2);
    const std::vector<StackSource> three{SourceOf(a), SourceOf(a), SourceOf(a)};
    const auto d = AlignSources(three, kCompareCentre, 3, 3, true);
    EXPECT_NE(d[2], d[1]);
    EXPECT_NE(d[2], (Displacement{0, 0}));
}

struct Offsets {
    int dx, dy, method, range;
};
class CompositeStarField : public ::testing::TestWithParam<Offsets> {};

TEST_P(CompositeStarField, KnownShiftsAreFoundExactly) {
    const Offsets o = GetParam();
    const StarField field(760, 640, 11);
    // B's sample (x - dx, y - dy) lies on A's (x, y): B is cut dx, dy further along.
    const ImageRecord a = field.Crop(640, 520, 40, 40);
    const ImageRecord b = field.Crop(640, 520, 40 + o.dx, 40 + o.dy);
    const ImageRecord c = field.Crop(640, 520, 40 - o.dy, 40 + o.dx);
    const auto d =
        AlignSources({SourceOf(a), SourceOf(b), SourceOf(c)}, o.method, o.range, o.range, true);
    EXPECT_EQ(d[0], (Displacement{0, 0}));
    EXPECT_EQ(d[1], (Displacement{o.dx, o.dy}));
    EXPECT_EQ(d[2], (Displacement{-o.dy, o.dx}));
}

INSTANTIATE_TEST_SUITE_P(Shifts, CompositeStarField,
                         ::testing::Values(Offsets{7, -3, kCompareCentre, 20},
                                           Offsets{-13, 9, kCompareCorners, 20},
                                           Offsets{2, 1, kCompareLarge, 4}));

TEST(CompositeAlign, ResultsDoNotDependOnTheThreadCount) {
    const StarField field(700, 600, 5);
    const ImageRecord a = field.Crop(600, 500, 40, 40);
    const ImageRecord b = field.Crop(600, 500, 45, 33);
    const ImageRecord c = field.Crop(600, 500, 31, 50);
    const std::vector<StackSource> s{SourceOf(a), SourceOf(b), SourceOf(c)};
    testing::ExpectSameForAnyThreadCount(
        [&] { return AlignSources(s, kCompareCorners, 20, 20, true); });
}

// What the commands and the batch pack is what the compositing kernels read, for every
// combination, and settings outside their fields are packed clamped.
TEST(CompareFlags, ThePackedWordReadsBackAsPacked) {
    for (int shift : {0, 1})
        for (int method : {0, 1, 2})
            for (int normalise : {0, 1}) {
                const CompareFlags f = CompareFlagsOf(CompareFlagsWord(shift, method, normalise));
                EXPECT_EQ(std::tuple(f.shift_one_pixel, f.compare_method, f.normalise),
                          std::tuple(shift == 1, method, normalise == 1));
                EXPECT_EQ(PointNormaliseOf(PointNormaliseWord(normalise)), normalise == 1);
            }
    EXPECT_EQ(CompareFlagsWord(7, 9, -2), 256 + 2);
    EXPECT_EQ(PointNormaliseWord(5), 3);
    const CompareFlags negative = CompareFlagsOf(-1);
    EXPECT_EQ(std::tuple(negative.shift_one_pixel, negative.compare_method, negative.normalise),
              std::tuple(false, 0, false));
}

}  // namespace
}  // namespace orva
