#include <gtest/gtest.h>

#include <vector>

#include "ops/noise_lines.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeImage;
using testing::Sample;

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
    EXPECT_EQ(Sample(rec, 0, 4, 4), 1000);
    EXPECT_EQ(Sample(rec, 1, 4, 4), 2000);  // the hot green pixel takes its background
    EXPECT_EQ(Sample(rec, 2, 4, 4), 3000);
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

}  // namespace
}  // namespace orva
