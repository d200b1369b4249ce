#include "view/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeImage;

// Workspaces are large; tests keep theirs on the heap.
std::unique_ptr<Workspace> NewWorkspace() {
    return std::make_unique<Workspace>();
}

uint16_t Constant(int, int, int) {
    return 0x1234;
}

TEST(Histogram, SamplesEveryColumnBelowOneHundredAndEverySecondUpToTwoHundred) {
    auto ws = NewWorkspace();
    struct Case {
        int width, samples;
    };
    for (const Case c : {Case{99, 99}, Case{100, 50}, Case{199, 100}}) {
        ImageRecord& r = MakeImage(*ws, 0, c.width, 1, Constant);
        ComputeHistogram(r);
        EXPECT_EQ(r.histogram_samples, c.samples) << c.width;
        EXPECT_EQ(r.histogram[0][0x12], static_cast<uint32_t>(c.samples)) << c.width;
        EXPECT_EQ(r.histogram_peak, c.samples) << c.width;
    }
    // Rows follow the same rule: 150 rows are sampled at rows 0, 2, ..., 148.
    ImageRecord& tall = MakeImage(*ws, 0, 1, 150, [](int, int, int y) {
        return static_cast<uint16_t>(y % 2 == 0 ? 0 : 0xFF00);
    });
    ComputeHistogram(tall);
    EXPECT_EQ(tall.histogram[1][0], 75u);
    EXPECT_EQ(tall.histogram[1][255], 0u);
    // The bin is the high byte of each channel.
    ImageRecord& r = MakeImage(*ws, 0, 1, 1, [](int c, int, int) {
        return static_cast<uint16_t>(c == 0 ? 0xFFFF : c == 1 ? 0x00FF : 0x0100);
    });
    ComputeHistogram(r);
    EXPECT_EQ(r.histogram[0][255], 1u);
    EXPECT_EQ(r.histogram[1][0], 1u);
    EXPECT_EQ(r.histogram[2][1], 1u);
}

TEST(Histogram, EmptyAndOnePixelRecordsDrawNothing) {
    ImageRecord r;
    r.histogram[0][3] = 9;
    ComputeHistogram(r);
    EXPECT_EQ(r.histogram[0][3], 0u);
    EXPECT_EQ(r.histogram_peak, 1);
    EXPECT_TRUE(InspectionPlot(r, 1, 0, 0, 256).empty());
    // A one-pixel picture gives scale 0 and a blank window.
    auto ws = NewWorkspace();
    ImageRecord& one = MakeImage(*ws, 0, 1, 1, Constant);
    ComputeHistogram(one);
    EXPECT_EQ(HistogramScale(one), 0);
    EXPECT_TRUE(InspectionPlot(one, 0, 0, 0, 256).empty());
}

// 4 x 2: red rises with the column, green with the memory row, blue is full.
uint16_t Profiles(int c, int x, int y) {
    if (c == 0) return static_cast<uint16_t>(x * 16384);
    if (c == 1) return static_cast<uint16_t>(y * 32768);
    return 65535;
}

TEST(CrossSection, FollowsPointAAndItsProfiles) {
    auto ws = NewWorkspace();
    ImageRecord& r = MakeImage(*ws, 0, 4, 2, Profiles);
    r.point_a_x = 3;
    r.point_a_y = 0;
    r.max_level = {49152, 32768, 65535};
    r.min_level = {0, 0, 65535};
    // The mouse is elsewhere; point A wins.
    EXPECT_EQ(InspectedPoint(r, 1, 0, 0), (PlotPoint{3, 0}));
    EXPECT_EQ(InspectedPoint(r, 0, 0, 0), (PlotPoint{0, 1}));
    const Plot p = InspectionPlot(r, 1, 0, 0, 256);

    ASSERT_EQ(p.polylines.size(), 6u);  // across and down for each of three channels
    EXPECT_EQ(p.polylines[0].points[40], (PlotPoint{50, 118}));  // column 1: 16384 / 512 = 32
    EXPECT_EQ(p.polylines[3].points[80], (PlotPoint{239, 90}));  // memory row 1, higher up
    ASSERT_EQ(p.texts.size(), 3u);
    EXPECT_EQ(p.texts[0].text, "(   3,   1) R:192.0 G:  0.0 B:255.9");
    EXPECT_EQ(p.texts[1].text, "MAX  R:192.0 G:128.0 B:255.9");
}

TEST(CrossSection, PointAOutsideAShrunkImageIsKeptInside) {
    auto ws = NewWorkspace();
    ImageRecord& r = MakeImage(*ws, 0, 4, 2, Profiles);
    r.point_a_x = 40;
    r.point_a_y = 17;
    EXPECT_EQ(InspectedPoint(r, 1, 0, 0), (PlotPoint{3, 1}));
    const Plot p = InspectionPlot(r, 1, 0, 0, 16);
    ASSERT_EQ(p.texts.size(), 3u);
    EXPECT_EQ(p.texts[0].text, "(   3,   0) R:3072 G:2048 B:4095");
}

}  // namespace
}  // namespace orva
