#include "composite/point_align.h"

#include <gtest/gtest.h>

#include <utility>

#include "composite/canvas_combine.h"
#include "composite/stack_fixtures.h"
#include "ops/geometry.h"
#include "ops/param_block.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

using testing::Flat;
using testing::Picture;
using testing::Sample;

TEST(CompositePoints, PointAngleFollowsTheQuadrantsEqualDistancesAndDirectionsOnlyTranslate) {
    EXPECT_DOUBLE_EQ(PointAngle({0, 0}, {10, 0}), 0.0);
    EXPECT_NEAR(PointAngle({0, 0}, {-10, 10}), 135000.0, 1e-6);
    EXPECT_DOUBLE_EQ(PointAngle({0, 0}, {0, 5}), 90000.0);
    EXPECT_DOUBLE_EQ(PointAngle({0, 0}, {0, -5}), -90000.0);
    const ImageRecord a = Flat(40, 30, 1000), b = Flat(40, 30, 2000);
    // A at (10, 10) and (13, 8) from the top, B 100 further right and down in both.
    const std::vector<PointImage> images{{&a, 100, PackPoint(10, 10), PackPoint(110, 110)},
                                         {&b, 100, PackPoint(13, 8), PackPoint(113, 108)}};
    std::vector<ImageRecord> copies;
    std::vector<StackSource> s;
    ASSERT_TRUE(AlignByPoints(images, copies, s));
    EXPECT_EQ(s[1].x, -3);  // (10 + 110 + 1) / 2 - (13 + 113 + 1) / 2
    // Stored rows 19 and -81 against 21 and -79: midpoints -30 and -28, halved toward zero.
    EXPECT_EQ(s[1].y, -2);
}

TEST(CompositePoints, AHalfScalePictureIsEnlargedTwice) {
    const ImageRecord a = Flat(200, 100, 1000), b = Flat(80, 60, 2000);
    const std::vector<PointImage> images{{&a, 100, PackPoint(10, 10), PackPoint(110, 10)},
                                         {&b, 100, PackPoint(5, 5), PackPoint(55, 5)}};
    std::vector<ImageRecord> copies;
    std::vector<StackSource> s;
    ASSERT_TRUE(AlignByPoints(images, copies, s));
    EXPECT_EQ(copies[1].width, 160);
    EXPECT_EQ(b.width, 80);  // the source itself is untouched
    // Midpoint x: (10 + 110 + 1) / 2 = 60 against (10 + 110 + 1) / 2 after scaling.
    EXPECT_EQ(s[1].x, 0);
}

TEST(CompositePoints, CoincidingReferencePointsOrAnAbsurdScaleDoNotScale) {
    const ImageRecord a = Flat(50, 50, 1000), b = Flat(50, 50, 2000);
    // The second pair would have image 2 grow 8,000 times to match the reference's distance.
    for (const auto& [ref_b, other_b] : {std::pair{PackPoint(10, 10), PackPoint(40, 30)},
                                         std::pair{PackPoint(8000, 10), PackPoint(13, 10)}}) {
        const std::vector<PointImage> images{{&a, 100, PackPoint(10, 10), ref_b},
                                             {&b, 100, PackPoint(12, 10), other_b}};
        std::vector<ImageRecord> copies;
        std::vector<StackSource> s;
        ASSERT_TRUE(AlignByPoints(images, copies, s));
        EXPECT_EQ(std::pair(copies[1].width, copies[1].height), std::pair(50, 50));
    }
}

// The brightest red sample of a source in canvas coordinates.
std::pair<int, int> Brightest(const StackSource& s) {
    int best = -1, bx = 0, by = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.at(0, x, y) > best) {
                best = s.at(0, x, y);
                bx = x;
                by = y;
            }
    return {bx + s.x, by + s.y};
}

TEST(CompositePoints, AHalfDegreeTurnIsTurnedBack) {
    // A bright spot at B, 1,000 columns from A: half a degree moves it by about 9 rows.
    ImageRecord a = Picture(1200, 120, [](int x, int y, int) {
        return std::abs(x - 1100) <= 1 && std::abs(y - 60) <= 1 ? 60000 : 1000;
    });
    ImageRecord b;
    ASSERT_TRUE(CopyImageRecord(b, a));
    const int w = b.width, h = b.height;
    ASSERT_TRUE(RotateArbitrary(b, 500));
    double ax = 0, ay = 0, bx = 0, by = 0;
    MapRotatedPoint(w, h, 500, 100, 60, ax, ay);
    MapRotatedPoint(w, h, 500, 1100, 60, bx, by);
    auto pack = [&](double x, double y) {
        return PackPoint(static_cast<int>(std::lround(x)),
                         b.height - 1 - static_cast<int>(std::lround(y)));
    };
    const std::vector<PointImage> images{
        {&a, 100, PackPoint(100, h - 1 - 60), PackPoint(1100, h - 1 - 60)},
        {&b, 100, pack(ax, ay), pack(bx, by)}};
    std::vector<ImageRecord> copies;
    std::vector<StackSource> s;
    ASSERT_TRUE(AlignByPoints(images, copies, s));
    EXPECT_NE(copies[1].width, b.width);  // turned
    const auto [x0, y0] = Brightest(s[0]);
    const auto [x1, y1] = Brightest(s[1]);
    EXPECT_LE(std::abs(x1 - x0), 2);
    EXPECT_LE(std::abs(y1 - y0), 2);
}

TEST(CompositeLrgb, LuminanceAsGreyOnBlackColourAndEachChannelFromItsOwnSource) {
    const ImageRecord lum = Flat(2, 1, 10000);
    ImageRecord colour = Picture(2, 1, [](int, int, int c) { return 1000 * (c + 1); });
    colour.red[0] = colour.green[0] = colour.blue[0] = 0;
    ImageRecord l30 = Flat(2, 1, 30000);
    std::vector<StackSource> s{SourceOf(l30), SourceOf(colour), SourceOf(colour), SourceOf(colour)};
    ImageRecord out;
    ASSERT_TRUE(CombineLrgb(s, true, 2, 1, out));
    // Yc 0 -> 1 with r = g = b = 1; h = 100 x 30000 / 200 = 15000; each 15000 / 1 x 2.
    EXPECT_EQ(Sample(out, 0, 0, 0), 30000);
    EXPECT_EQ(Sample(out, 2, 0, 0), 30000);
    s[0] = SourceOf(lum);
    ASSERT_TRUE(CombineLrgb(s, true, 2, 1, out));
    // Yc = (299 x 1000 + 587 x 2000 + 114 x 3000) / 1000 = 1815; h = 5000.
    EXPECT_EQ(Sample(out, 0, 1, 0), 5000 * 1000 / 1815 * 2);
    EXPECT_EQ(Sample(out, 2, 1, 0), 5000 * 3000 / 1815 * 2);
    // Half luminance weight mixes both brightnesses.
    s[0].weight = 50;
    ASSERT_TRUE(CombineLrgb(s, true, 2, 1, out));
    const int h = (50 * 1815 + 50 * 10000) / 200;
    EXPECT_EQ(Sample(out, 0, 1, 0), h * 1000 / 1815 * 2);
    // The colour pass takes each channel from its own source and weight.
    const ImageRecord r = Flat(2, 2, 1000), g = Flat(2, 2, 2000), b = Flat(2, 2, 3000);
    std::vector<StackSource> rgb{SourceOf(r, 50), SourceOf(g), SourceOf(b)};
    rgb[2].x = 1;
    ASSERT_TRUE(CombineLrgb(rgb, false, 3, 2, out));
    EXPECT_EQ(Sample(out, 0, 0, 0), 500);
    EXPECT_EQ(Sample(out, 2, 0, 0), 0);  // blue's source starts one column later
    EXPECT_EQ(Sample(out, 2, 2, 1), 3000);
}

}  // namespace
}  // namespace orva
