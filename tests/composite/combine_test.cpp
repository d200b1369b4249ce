// Combining aligned sources on the canvas (normalisation, averaging, noise removal, the
// simple and contrast methods), file grouping, alignment by clicked points and L+RGB.
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "composite/canvas_combine.h"
#include "composite/multi_file.h"
#include "composite/point_align.h"
#include "composite/stack_fixtures.h"
#include "ops/geometry.h"
#include "ops/param_block.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

using testing::Flat;
using testing::Picture;
using testing::Sample;

// Each source at the given canvas position.
std::vector<StackSource> At(const std::vector<const ImageRecord*>& recs,
                            const std::vector<std::pair<int, int>>& pos = {}) {
    std::vector<StackSource> s;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        s.push_back(SourceOf(*recs[i]));
        if (i < pos.size()) {
            s.back().x = pos[i].first;
            s.back().y = pos[i].second;
        }
    }
    return s;
}

ImageRecord Combine(int method, const std::vector<StackSource>& s, int w, int h,
                    NoiseOptions noise = {}, bool normalise = false) {
    ImageRecord out;
    EXPECT_TRUE(CombineSources(method, s, w, h, noise, normalise, out));
    return out;
}

// Offsets starting at zero and a canvas reaching every source are shown by the automatic
// stack's kernel test; the limit cuts added margins but never a picture.
TEST(CompositeCanvas, TheLimitCutsAddedMarginsButNeverAPicture) {
    ImageRecord a, big;
    a.width = a.height = 2000;
    big.width = 12000;
    big.height = 10;
    auto s = At({&a, &a}, {{0, 0}, {9500, 0}});
    int w = 0, h = 0;
    PlaceOnCanvas(s, w, h);
    EXPECT_EQ(w, 10000);
    auto wide = At({&big, &big}, {{0, 0}, {3, 0}});
    PlaceOnCanvas(wide, w, h);
    EXPECT_EQ(w, 12000);
}

TEST(CompositeNormalise,
     FactorsBringEveryPictureToTheDarkestMeanUnlessAChannelIsDarkOrNoneOverlap) {
    const ImageRecord a = Picture(4, 4, [](int, int, int c) { return 1000 * (c + 1); });
    const ImageRecord b = Picture(4, 4, [](int, int, int c) { return c == 2 ? 1500 : 2000; });
    const auto f = NormalisationFactors(At({&a, &b}));
    EXPECT_EQ(f[0], (std::array<int, 3>{16384, 16384, 16384 * 1500 / 3000}));
    EXPECT_EQ(f[1], (std::array<int, 3>{8192, 16384, 16384}));
    // Averaged after normalisation, both pictures contribute the same level.
    const ImageRecord avg = Combine(kCombineAverage, At({&a, &b}), 4, 4, {}, true);
    EXPECT_EQ(Sample(avg, 0, 1, 1), 1000);
    EXPECT_EQ(Sample(avg, 2, 1, 1), 1500);
    // A dark channel, or no region in common: no normalisation.
    const ImageRecord dark = Picture(4, 4, [](int, int, int c) { return c == 0 ? 0 : 500; });
    const ImageRecord grey = Flat(4, 4, 1000), dim = Flat(4, 4, 500);
    for (const auto& sources : {At({&dark, &grey}), At({&dim, &grey}, {{0, 0}, {4, 0}})})
        for (const auto& g : NormalisationFactors(sources))
            EXPECT_EQ(g, (std::array<int, 3>{16384, 16384, 16384}));
}

TEST(CompositeAverage, WeightsCoverageAndBlackSamples) {
    const ImageRecord a = Flat(2, 1, 1000);
    ImageRecord b = Flat(2, 1, 4000);
    b.red[1] = b.green[1] = b.blue[1] = 0;  // black: takes no part
    auto s = At({&a, &b});
    s[1].weight = 50;
    const ImageRecord out = Combine(kCombineAverage, s, 3, 1);
    EXPECT_EQ(Sample(out, 0, 0, 0), (100 * 1000 + 50 * 4000) / 150);
    EXPECT_EQ(Sample(out, 0, 1, 0), 1000);
    // Moving the second source to column 1 leaves column 2 to it alone.
    s[1].x = 1;
    const ImageRecord moved = Combine(kCombineAverage, s, 3, 1);
    EXPECT_EQ(Sample(moved, 1, 0, 0), 1000);
    EXPECT_EQ(Sample(moved, 1, 2, 0), 0);  // its black sample: nothing takes part
}

// 3 x 3 pictures of `base` with the centre set to `centre`: only the centre lies inside.
ImageRecord Dot(int base, int centre) {
    return Picture(3, 3, [=](int x, int y, int) { return x == 1 && y == 1 ? centre : base; });
}

// The sources in order, the noise word (level 5 x 256; 256 + level is move mode, which
// keeps the reference), -1 for no removal, and the centre's value in plane sources - 2.
TEST(CompositeNoise, HandWorkedDots) {
    const ImageRecord plain = Dot(25600, 25600), spot = Dot(25600, 51200);
    const ImageRecord near = Dot(25600, 26800), p1000 = Dot(1000, 1000), p9000 = Dot(1000, 9000);
    const ImageRecord p3000 = Dot(1000, 3000), p5000 = Dot(1000, 5000);
    const struct {
        const char* name;
        std::vector<const ImageRecord*> sources;
        int word, want;
    } rows[] = {
        {"two, no removal", {&plain, &spot}, -1, 38400},
        {"two keep the smoother", {&plain, &spot}, 5, 25600},
        {"the reference is the outlier: replaced", {&spot, &plain}, 5, 25600},
        {"move mode keeps the reference", {&spot, &plain}, 256 + 5, 51200},
        {"within the level nothing is replaced", {&plain, &near}, 5, 26200},
        {"three leave out the largest deviation", {&p9000, &p1000, &p1000}, 5, 1000},
        {"deviations 3000, 0, 3000: a tie leaves out the third", {&p1000, &p3000, &p5000}, 5, 2000},
        {"move mode: the others where they deviate, here the third",
         {&p1000, &p3000, &p5000},
         261,
         2000},
        {"three, move mode", {&p9000, &p1000, &p1000}, 261, 9000},
        {"three, no removal", {&p1000, &p1000, &p9000}, -1, 3666},
        {"four leave out the stray one", {&p1000, &p1000, &p1000, &p9000}, 5, 1000},
        {"four, move mode", {&p9000, &p1000, &p1000, &p1000}, 261, 9000},
        {"four, no removal", {&p1000, &p1000, &p1000, &p9000}, -1, 3000},
    };
    for (const auto& r : rows) {
        const NoiseOptions noise = r.word < 0 ? NoiseOptions{} : NoiseFromWord(r.word);
        const int plane = static_cast<int>(r.sources.size()) - 2;
        EXPECT_EQ(Sample(Combine(0, At(r.sources), 3, 3, noise), plane, 1, 1), r.want) << r.name;
    }
    // On the border noise removal does not act.
    const ImageRecord edge = Picture(3, 3, [](int x, int, int) { return x == 0 ? 51200 : 25600; });
    EXPECT_EQ(Sample(Combine(0, At({&plain, &edge}), 3, 3, NoiseFromWord(5)), 0, 0, 1), 38400);
}

TEST(CompositeNoise, SourcesOfDifferentSizesAreReadOnlyInsideThemselves) {
    const ImageRecord big = Flat(6, 5, 1000), small = Dot(1000, 9000);
    auto s = At({&big, &small, &big}, {{0, 0}, {2, 1}, {0, 0}});
    const ImageRecord out = Combine(0, s, 6, 5, NoiseFromWord(5));
    // The small one's centre is left out; the corner it does not cover is the big ones'.
    EXPECT_EQ(std::tuple(Sample(out, 0, 3, 2), Sample(out, 0, 5, 4)), std::tuple(1000, 1000));
}

TEST(CompositeSimple, AddMaximumAndMinimum) {
    const ImageRecord white = Flat(2, 2, 65535);
    EXPECT_EQ(Sample(Combine(kCombineAdd, At({&white, &white}), 2, 2), 0, 1, 1), 65535);
    const ImageRecord a = Flat(2, 2, 1000), b = Flat(2, 2, 3000);
    auto s = At({&a, &b});
    s[1].weight = 50;
    EXPECT_EQ(Sample(Combine(kCombineAdd, s, 2, 2), 1, 0, 0), 2500);
    ImageRecord black_edge = Flat(2, 2, 500);
    black_edge.red[0] = 0;
    const auto pair = At({&black_edge, &a});
    EXPECT_EQ(Sample(Combine(kCombineMinimum, pair, 2, 2), 0, 0, 0), 1000);
    EXPECT_EQ(Sample(Combine(kCombineMaximum, pair, 2, 2), 0, 1, 0), 1000);
    EXPECT_EQ(Sample(Combine(kCombineMaximum, At({&a}, {{1, 1}}), 2, 2), 0, 0, 0), 0);
}

TEST(CompositeContrast, SharperSourceGainsWeightAndBordersStayBlack) {
    const ImageRecord flat = Flat(5, 5, 1000);
    const ImageRecord sharp =
        Picture(5, 5, [](int x, int y, int) { return (x + y) % 2 == 0 ? 3000 : 1000; });
    const ImageRecord out = Combine(kCombineContrast, At({&flat, &sharp}), 5, 5);
    EXPECT_EQ(Sample(out, 0, 4, 2), 0);
    // The border pixels before it already clamped both weights to 2; at (1, 1) the sharp
    // source rises to 3 and the flat one stays at 2, at (2, 1) the sharp one reaches 4.
    EXPECT_EQ(Sample(out, 0, 1, 1), (2 * 1000 + 3 * 3000) / 5);
    EXPECT_EQ(Sample(out, 0, 2, 1), (2 * 1000 + 4 * 1000) / 6);
}

using Groups = std::vector<std::vector<int>>;

// One row per way of dealing the files out (numbered from 1, as users count them): one group up
// to four, then two, three and four groups, with the odd file going to the first groups.
TEST(CompositeMultiFile, GroupingTable) {
    const std::pair<int, Groups> cases[] = {
        {4, {{1, 2, 3, 4}}},
        {5, {{1, 3, 5}, {2, 3, 4}}},
        {7, {{1, 3, 5, 7}, {2, 4, 6}}},
        {9, {{1, 4, 7}, {2, 5, 8}, {3, 6, 9}}},
        {11, {{1, 4, 7, 10}, {2, 5, 8, 11}, {3, 6, 9}}},
        {15, {{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12}}},
    };
    for (const auto& [n, want] : cases) {
        Groups got = GroupFiles(n);
        for (auto& g : got)
            for (int& f : g) ++f;
        EXPECT_EQ(got, want) << n << " files";
    }
    EXPECT_TRUE(GroupFiles(0).empty());
    EXPECT_TRUE(GroupFiles(17).empty());
}

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
    EXPECT_EQ(std::tuple(Sample(out, 0, 0, 0), Sample(out, 2, 0, 0)), std::tuple(30000, 30000));
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
