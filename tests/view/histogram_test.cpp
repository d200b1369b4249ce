// The inspection histogram and cross-section, and the gamma and level dialogs' tone graphs and
// preview histograms, checked against values worked out by hand.
#include "view/histogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "ops/dispatcher.h"
#include "ops/tone.h"
#include "shell/tone_commands.h"
#include "support/scripted_ui.h"
#include "view/tone_graph.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

// The bin is the high byte of each channel: not rounded, not scaled, the top one reached.
uint16_t Constant(int c, int, int) {
    return static_cast<uint16_t>(c == 0 ? 0x12FF : c == 1 ? 0x0100 : 0xFFFF);
}

TEST(Histogram, SamplesEveryColumnBelowOneHundredAndEverySecondUpToTwoHundred) {
    auto ws = std::make_unique<Workspace>();
    struct Case {
        int width, samples;
    };
    for (const Case c : {Case{99, 99}, Case{100, 50}, Case{199, 100}}) {
        ImageRecord& r = MakeImage(*ws, 0, c.width, 1, Constant);
        ComputeHistogram(r);
        EXPECT_EQ(r.histogram_samples, c.samples) << c.width;
        EXPECT_EQ(r.histogram[0][0x12], static_cast<uint32_t>(c.samples)) << c.width;
        EXPECT_EQ(r.histogram[1][1], static_cast<uint32_t>(c.samples)) << c.width;
        EXPECT_EQ(r.histogram[2][255], static_cast<uint32_t>(c.samples)) << c.width;
        EXPECT_EQ(r.histogram_peak, c.samples) << c.width;
    }
    // Rows follow the same rule: 150 rows are sampled at rows 0, 2, ..., 148.
    ImageRecord& tall = MakeImage(*ws, 0, 1, 150, [](int, int, int y) {
        return static_cast<uint16_t>(y % 2 == 0 ? 0 : 0xFF00);
    });
    ComputeHistogram(tall);
    EXPECT_EQ(tall.histogram[1][0], 75u);
    EXPECT_EQ(tall.histogram[1][255], 0u);
}

TEST(Histogram, EmptyAndOnePixelRecordsDrawNothing) {
    ImageRecord r;
    r.histogram[0][3] = 9;
    ComputeHistogram(r);
    EXPECT_EQ(r.histogram[0][3], 0u);
    EXPECT_TRUE(InspectionPlot(r, 1, 0, 0, 256).empty());
    // A one-pixel picture gives scale 0 and a blank window.
    auto ws = std::make_unique<Workspace>();
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

TEST(CrossSection, FollowsPointAKeptInsideThePictureAndItsProfiles) {
    auto ws = std::make_unique<Workspace>();
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

    // Point A left outside a picture since shrunk is kept inside it.
    r.point_a_x = 40;
    r.point_a_y = 17;
    EXPECT_EQ(InspectedPoint(r, 1, 0, 0), (PlotPoint{3, 1}));
    const Plot shrunk = InspectionPlot(r, 1, 0, 0, 16);
    ASSERT_EQ(shrunk.texts.size(), 3u);
    EXPECT_EQ(shrunk.texts[0].text, "(   3,   0) R:3072 G:2048 B:4095");
}

TEST(GammaDialog, ClickSelectsAPointWithinFourPixelsInBothDirections) {
    EXPECT_EQ(ToneGraphPoint(128, 128), (PlotPoint{138, 192}));
    // Only the edited set counts. Of two points on top of each other the middle one, which
    // can move both ways, is taken; otherwise the nearer of two candidates wins.
    // clang-format off
    struct Case { std::array<int, 6> points; PlotPoint at; int hit; };
    const Case cases[] = {
        {{0, 0, 128, 128, 255, 255}, {142, 196}, 1}, {{0, 0, 128, 128, 255, 255}, {143, 192}, -1},
        {{0, 0, 128, 128, 255, 255}, {138, 197}, -1}, {{0, 0, 64, 200, 255, 255}, {138, 192}, -1},
        {{0, 0, 0, 0, 255, 255}, {10, 320}, 1}, {{0, 0, 6, 6, 255, 255}, {11, 319}, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        GammaSettings g;
        g.channel_set = 2;
        g.points[2] = c.points;
        EXPECT_EQ(HitGammaPoint(g, c.at), c.hit);
    }
}

TEST(GammaDialog, DraggedAndTypedPointsStayBetweenTheirNeighbours) {
    GammaSettings g;
    g.channel_set = 1;
    g.points[1] = {20, 10, 128, 128, 200, 240};
    DragGammaPoint(g, 1, {60, 250});  // levels (50, 70)
    EXPECT_EQ(g.points[1], (std::array<int, 6>{20, 10, 50, 70, 200, 240}));
    DragGammaPoint(g, 1, {400, 400});  // past the last point and below the graph
    EXPECT_EQ(g.points[1], (std::array<int, 6>{20, 10, 200, 0, 200, 240}));
    DragGammaPoint(g, 1, {0, -50});
    MoveGammaPoint(g, 0, 100, 300);  // typed: held by point 1 and the top of the range
    EXPECT_EQ(g.points[1], (std::array<int, 6>{20, 255, 20, 255, 200, 240}));
    MoveGammaPoint(g, 2, 3, 17);
    EXPECT_EQ(g.points[1], (std::array<int, 6>{20, 255, 20, 255, 20, 17}));
    // The other sets are untouched; "初期化" puts all four back.
    EXPECT_EQ(g.points[0], (std::array<int, 6>{0, 0, 128, 128, 255, 255}));
    g.points[3] = {1, 2, 3, 4, 5, 6};
    ResetGammaPoints(g);
    EXPECT_EQ(g, (GammaSettings{.curve_mode = 1, .channel_set = 1}));
}

TEST(GammaDialog, GraphShowsTheCurvesTheOperationWouldApply) {
    Harness h;
    GammaSettings& g = h.ctx->settings.gamma;
    g.curve_mode = 0;
    std::vector<ToneTrace> t = GammaTraces(g);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].level[128], 128);  // on the middle knot
    EXPECT_EQ(t[0].level[255], 255);  // straight mode is flat at 65280 from the last knot

    g.channel_set = 3;
    g.curve_mode = 1;
    g.points[1] = {0, 0, 100, 200, 255, 255};
    g.points[2] = {0, 60, 128, 128, 200, 200};
    g.points[3] = {30, 0, 60, 250, 250, 255};
    t = GammaTraces(g);
    ASSERT_EQ(t.size(), 3u);
    ParamBlock block;
    PutGammaWords(h.ctx->settings.gamma, block);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(t[c].colour, (std::array{kRed, kGreen, kBlue}[c]));
        const ToneCurve k = GammaParamsOf(block).curves[static_cast<std::size_t>(c)];
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(t[c].level[i], static_cast<int>(EvaluateToneCurve(k, 256.0 * i) / 256))
                << c << " " << i;
    }
}

TEST(PreviewHistogram, SamplesEveryHundredthAndScalesFromTheFourTallestBinsLimitedTo64) {
    Harness h;
    // 250 x 201: every 3rd column (84 of them) of every 3rd row (67 of them).
    ImageRecord& rec = MakeImage(h.ctx->ws, 0, 250, 201, [](int c, int x, int) {
        return static_cast<uint16_t>(c == 0 ? x * 256 : 100 * 256 + 17);
    });
    const PreviewHistogram p =
        ComputePreviewHistogram(rec, false, [](int, uint16_t s) { return s; });
    ASSERT_EQ(p.channels, 3);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(p.counts[0][b], b < 250 && b % 3 == 0 ? 67 : 0) << b;
    EXPECT_EQ(p.counts[2][100], 84 * 67);

    PreviewHistogram q;
    q.channels = 3;
    q.counts[0][0] = 70;
    q.counts[1][1] = 7;
    q.counts[2][2] = 7;
    q.counts[0][3] = 7;
    q.counts[2][3] = 5;
    q.counts[1][4] = 3;
    ScalePreviewHistogram(q);  // S = 2 x (70 + 7 + 7 + 7) / 7 = 26
    EXPECT_EQ(q.heights[0][0], 64);
    EXPECT_EQ(q.heights[2][3], 64 * 5 / 26);
    EXPECT_EQ(q.heights[0][4], 0);

    // A one-pixel picture: the scale would be 2 x 1 / 7 = 0; the bin is drawn full height.
    ImageRecord& pixel = MakeImage(h.ctx->ws, 1, 1, 1, [](int, int, int) { return uint16_t{0}; });
    const PreviewHistogram one = GammaPreview(pixel, GammaSettings{});
    EXPECT_EQ(one.counts[0][0], 1);
    EXPECT_EQ(one.heights[0][0], 64);
    EXPECT_EQ(GammaPreview(ImageRecord{}, GammaSettings{}).channels, 0);
}

TEST(PreviewHistogram, GammaAndLevelPreviewsMapEachChannelWithItsSet) {
    Harness h;
    ImageRecord& rec = MakeImage(h.ctx->ws, 0, 4, 3, [](int c, int x, int) {
        return static_cast<uint16_t>(c == 0 ? 40000 + x : 5000);
    });
    rec.single_plane = 1;
    GammaSettings g;
    g.curve_mode = 0;
    g.points[0] = {0, 0, 128, 128, 255, 255};
    PreviewHistogram p = GammaPreview(rec, g);
    EXPECT_EQ(p.colours[0], kGrey);  // a grey picture under all colours, one channel
    // 40000..40003 through the straight line from (1, 0) to (32768, 32768) and on to
    // (65280, 65280): unchanged, bin 156.
    EXPECT_EQ(p.counts[0][156], 12);

    // Per channel, a grey picture becomes three: every channel reads the one plane.
    g.channel_set = 1;
    g.points[1] = {0, 255, 128, 255, 255, 255};  // flat at the top
    g.points[2] = {0, 0, 128, 0, 255, 0};        // flat at the bottom
    g.points[3] = {0, 0, 128, 128, 255, 255};
    p = GammaPreview(rec, g);
    ASSERT_EQ(p.channels, 3);
    EXPECT_EQ(p.counts[0][255], 12);
    EXPECT_EQ(p.counts[1][0], 12);
    EXPECT_EQ(p.counts[2][156], 12);

    LevelSettings lv;
    lv.sets[0].input_min = lv.sets[0].input_max = 100;  // everything to the output maximum
    lv.sets[0].output_max = 200;
    p = LevelPreview(rec, lv);
    EXPECT_EQ(p.channels, 1);
    EXPECT_EQ(p.counts[0][200], 12);
}

TEST(LevelDialog, CurvesFollowTheLevelMappingAndResetRestoresDefaults) {
    LevelSettings lv;
    lv.sets[0].gamma = 200;
    EXPECT_EQ(LevelTraces(lv).size(), 1u);
    lv.channel_set = 3;
    lv.sets[1].input_max = 100;
    lv.sets[3].output_max = 0;
    const std::vector<ToneTrace> t = LevelTraces(lv);
    ASSERT_EQ(t.size(), 3u);
    for (int c = 0; c < 3; ++c) {
        const LevelSet& v = lv.sets[static_cast<std::size_t>(c + 1)];
        const LevelParams p{v.input_min, v.input_max,  v.brightness, v.contrast,
                            v.gamma,     v.output_min, v.output_max};
        for (int i = 0; i < 256; ++i) {
            const int level = static_cast<int>(LevelMap(p, 256.0 * i) / 256.0);
            EXPECT_EQ(t[c].level[i], std::clamp(level, 0, 255)) << c << " " << i;
        }
    }
    ResetLevelSets(lv);
    EXPECT_EQ(lv, (LevelSettings{.channel_set = 3}));
}

}  // namespace
}  // namespace orva
