// Resize, crop, rotation, mirrors and distortion against values worked out by hand.
#include "ops/geometry.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ops/default_kernels.h"
#include "ops/dispatcher.h"
#include "shell/commands.h"
#include "shell/geometry_commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

// A record of w x h whose three planes hold f(x, y) (x column, y stored row, bottom first),
// green and blue offset by 1 and 2 so that mixed-up planes show.
ImageRecord Picture(int w, int h, const std::function<int(int, int)>& f) {
    ImageRecord r;
    r.width = w;
    r.height = h;
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(r.plane(c).Allocate(static_cast<std::size_t>(w) * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                r.plane(c)[static_cast<std::size_t>(y) * w + x] =
                    static_cast<uint16_t>(f(x, y) + c);
    }
    return r;
}

// Red rows from the top of the picture down.
std::vector<std::vector<int>> TopDown(const ImageRecord& r) {
    std::vector<std::vector<int>> rows;
    for (int y = r.height - 1; y >= 0; --y) {
        rows.emplace_back();
        for (int x = 0; x < r.width; ++x) rows.back().push_back(Sample(r, 0, x, y));
    }
    return rows;
}

using Rows = std::vector<std::vector<int>>;

TEST(ResizeRatio, CommonFactorsGoOnceThenHalvingBelow4097AndChoiceTwoComparesThem) {
    const struct {
        int t, s, want_t, want_s;
    } cases[] = {
        {3000, 4999, 1500, 2499},  // 4999 is prime: nothing in common, then one halving
        {200, 100, 20, 10},        // 2 once, then 5 once
        {10000, 1, 10000, 1},      // halving never takes a side to 0: the ratio stays defined
    };
    for (const auto& c : cases) {
        int t = c.t, s = c.s;
        ReduceRatio(t, s);
        EXPECT_EQ(t, c.want_t) << c.t << "/" << c.s;
        EXPECT_EQ(s, c.want_s) << c.t << "/" << c.s;
    }
    EXPECT_EQ(ScaledLength(9999, 2500, 2499), 10003);  // not 10000
    EXPECT_EQ(ScaledLength(1, 1, 3), 1);               // a picture never shrinks to nothing
    using enum ResizeMethod;
    EXPECT_EQ(ResizeMethodOf(2, 200, 100, 200, 100), Lanczos);
    EXPECT_EQ(ResizeMethodOf(2, 200, 100, 50, 100), Bilinear);
    EXPECT_EQ(ResizeMethodOf(0, 200, 100, 50, 100), Nearest);
    EXPECT_EQ(ResizeMethodOf(3, 50, 100, 50, 100), Lanczos);
}

TEST(ResizeLanczos, SameSizeSharpensASpotByTheTable) {
    ImageRecord r = Picture(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 30000 : 20000; });
    ASSERT_TRUE(ResizeLanczos(r, 5, 5, 5, 5));
    ASSERT_EQ(r.width, 5);
    EXPECT_EQ(Sample(r, 0, 2, 2), 34510);  // 20000 + 10000 x 1.451045
    EXPECT_EQ(Sample(r, 0, 1, 1), 18872);  // 20000 - 10000 x 0.112761
    // A bright spot on black: the ring below zero is clamped, the top is clamped too.
    r = Picture(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 65535 : 0; });
    ASSERT_TRUE(ResizeLanczos(r, 3, 3, 3, 3));
    EXPECT_EQ(Sample(r, 0, 1, 1), 65535);
    EXPECT_EQ(Sample(r, 0, 0, 0), 0);
}

// Each resize: the picture, the method, its ratio words and the red rows it gives, top down.
TEST(Resize, HandWorkedPictures) {
    const auto kOne = [](int, int) { return 7; };
    using Fn = bool (*)(ImageRecord&, int, int, int, int);
    struct {
        const char* name;
        ImageRecord picture;
        Fn method;
        int tw, sw, th, sh;
        Rows rows;
    } cases[] = {
        // A constant picture doubled keeps its level.
        {"lanczos doubling", Picture(3, 2, [](int, int) { return 4242; }), ResizeLanczos, 200, 100,
         200, 100, Rows(4, std::vector<int>(6, 4242))},
        {"nearest halving", Picture(4, 2, [](int x, int y) { return 10 * x + 100 * y; }),
         ResizeNearest, 2, 4, 1, 2, Rows{{0, 20}}},
        {"nearest 2 to 3", Picture(2, 1, [](int x, int) { return x + 1; }), ResizeNearest, 3, 2, 1,
         1, Rows{{1, 1, 2}}},
        // Halves of 128; the last pair clamps at the edge.
        {"bilinear doubling", Picture(2, 1, [](int x, int) { return x == 0 ? 100 : 300; }),
         ResizeBilinear, 4, 2, 1, 1, Rows{{100, 200, 300, 300}}},
        // 4 x 3 to 2 x 1: blocks [0,2) x [0,2) and [2,3) x [0,2) (the last index is the limit).
        {"bilinear blocks", Picture(4, 3, [](int x, int y) { return 100 * x + 1000 * y; }),
         ResizeBilinear, 2, 4, 1, 3, Rows{{550, 700}}},
        // Widening while reducing height strongly: empty blocks take the sample at their start.
        {"bilinear empty blocks", Picture(2, 3, [](int x, int y) { return 100 * x + 1000 * y; }),
         ResizeBilinear, 4, 2, 1, 3, Rows{{500, 500, 600, 600}}},
        // One pixel grows flat by every method, and stays when it would round to nothing.
        {"nearest one pixel", Picture(1, 1, kOne), ResizeNearest, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"bilinear one pixel", Picture(1, 1, kOne), ResizeBilinear, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"lanczos one pixel", Picture(1, 1, kOne), ResizeLanczos, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"bilinear to nothing", Picture(1, 1, kOne), ResizeBilinear, 1, 5, 1, 5, Rows{{7}}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.method(c.picture, c.tw, c.sw, c.th, c.sh));
        EXPECT_EQ(TopDown(c.picture), c.rows);
    }
}

// Picture 3 x 2: top row a b c, bottom row d e f.
ImageRecord Small() {
    return Picture(3, 2, [](int x, int y) { return (y == 1 ? 1 : 4) + x; });
}
constexpr int a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;

TEST(QuarterTurn, ThreeByTwoInEveryDirection) {
    ImageRecord r = Small();
    ASSERT_TRUE(QuarterTurn(r, 90000));
    ASSERT_EQ(std::pair(r.width, r.height), std::pair(2, 3));
    EXPECT_EQ(TopDown(r), (Rows{{c, f}, {b, e}, {a, d}}));
    r = Small();
    ASSERT_TRUE(QuarterTurn(r, -90000));
    EXPECT_EQ(TopDown(r), (Rows{{d, a}, {e, b}, {f, c}}));
    r = Small();
    ASSERT_TRUE(QuarterTurn(r, -180000));
    EXPECT_EQ(TopDown(r), (Rows{{f, e, d}, {c, b, a}}));
    EXPECT_EQ(Sample(r, 2, 0, 1), f + 2);  // blue turned along
    r = Small();
    ASSERT_TRUE(Mirror(r, 1));
    EXPECT_EQ(TopDown(r), (Rows{{c, b, a}, {f, e, d}}));
    r = Small();
    ASSERT_TRUE(Mirror(r, 2));
    EXPECT_EQ(TopDown(r), (Rows{{d, e, f}, {a, b, c}}));
}

TEST(RotateArbitrary, FortyFiveDegreesGivesTheBoundingBoxWithBlackCorners) {
    int w = 0, h = 0;
    RotatedSize(100, 50, 90000, w, h);  // with the short pi the box stays 50 x 100
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 100);
    ImageRecord r = Picture(100, 100, [](int, int) { return 1000; });
    ASSERT_TRUE(RotateArbitrary(r, 45000));
    ASSERT_EQ(r.width, 141);
    EXPECT_EQ(Sample(r, 0, 0, 0), 0);
    EXPECT_EQ(Sample(r, 0, 140, 140), 0);
    EXPECT_EQ(Sample(r, 0, 70, 70), 1000);
    // No black seam: the rightmost pixel of the middle row samples source (99.50, 0.50), on
    // the last column, and reads that column instead of turning black.
    for (int u = 70; u < 141; ++u) EXPECT_EQ(Sample(r, 0, u, 70), 1000) << u;
}

TEST(RotateArbitrary, SmallPicturesAngleZeroAndASmallTurnCounterClockwise) {
    ImageRecord r = Picture(1, 1, [](int, int) { return 5; });
    ASSERT_TRUE(RotateArbitrary(r, 45000));  // box trunc(1.414) = 1
    ASSERT_EQ(r.width, 1);
    EXPECT_EQ(Sample(r, 0, 0, 0), 5);
    r = Small();
    ASSERT_TRUE(RotateArbitrary(r, 0));
    EXPECT_EQ(TopDown(r), (Rows{{a, b, c}, {d, e, f}}));
    // 3 x 3 turned by 1 degree keeps its size (box 3.05 -> 3); the centre stays and the
    // picture turns counter-clockwise.
    r = Picture(3, 3, [](int x, int y) { return 1000 * y + 10 * x; });
    ASSERT_TRUE(RotateArbitrary(r, 1000));
    ASSERT_EQ(r.width, 3);
    EXPECT_EQ(Sample(r, 0, 1, 1), 1010);
    // (u, v) = (1, 2), the top middle: sx = 1 + sin(1 deg) = 1.01745, sy = 1 + cos(1 deg) =
    // 1.99985; x0 = 1, fx = 4; y0 = 1, fy = 255: ((1020 x 4 + 1010 x 252) x 1 + (2020 x 4 +
    // 2010 x 252) x 255) / 65536 = 2006 (content from a little to the right moved left).
    EXPECT_EQ(Sample(r, 0, 1, 2), 2006);
}

TEST(Distortion, MovesCornerContentOutwardAndZeroChangesNothing) {
    // 4 x 4, r^3 = 8^1.5; amount 1 at (0, 0): s = 1 - 8 / 22.627 = 0.64645, source
    // (0.70711, 0.70711): fx = fy = 181, between 0 and 1000 across: 181000 x 256 / 65536.
    ImageRecord r = Picture(4, 4, [](int x, int) { return 1000 * x; });
    ASSERT_TRUE(CorrectDistortion(r, 1));
    EXPECT_EQ(Sample(r, 0, 0, 0), 707);
    EXPECT_EQ(Sample(r, 0, 2, 2), 2000);  // the centre stays
    r = Small();
    ASSERT_TRUE(CorrectDistortion(r, 0));
    EXPECT_EQ(TopDown(r), (Rows{{a, b, c}, {d, e, f}}));
    r = Small();
    ASSERT_TRUE(CorrectDistortion(r, 2000000000));  // absurd amounts stay inside the planes
    EXPECT_EQ(r.width, 3);
}

TEST(Geometry, ShortPlanesAreLeftAlone) {
    ImageRecord r = Small();
    r.blue.Release();
    EXPECT_TRUE(RotateArbitrary(r, 1000));
    EXPECT_TRUE(ResizeLanczos(r, 2, 1, 2, 1));
    EXPECT_TRUE(QuarterTurn(r, 90000));
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(3, 2));
}

// In all-images mode each image is resized by the ratio, not to the current one's size.
TEST(GeometryCommands, ResizeKeepsEachImagesOwnRatio) {
    Harness h;
    MakeImage(h.ctx->ws, 0, 4, 4, [](int, int, int) { return 300; });
    MakeImage(h.ctx->ws, 1, 8, 2, [](int, int, int) { return 300; });
    ResizeSettings& s = h.ctx->settings.resize;
    s.source_width = 8, s.source_height = 2, s.target_width = 4, s.target_height = 1;
    h.ctx->shell.all_images = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 304));
    EXPECT_EQ(std::pair(h.ctx->ws.at(0).width, h.ctx->ws.at(0).height), std::pair(2, 2));
    EXPECT_EQ(std::pair(h.ctx->ws.at(1).width, h.ctx->ws.at(1).height), std::pair(4, 1));
    EXPECT_TRUE(h.ui.Texts(msg::kTitleError).empty());
}

TEST(GeometryCommands, CropTakesTheAnchoredPartIntoANewSlot) {
    Harness h;
    // Picture 4 x 4, value 10 x column + row from the top.
    MakeImage(h.ctx->ws, 0, 4, 4, [](int, int x, int y) { return 10 * x + (3 - y); });
    h.ctx->ws.at(0).single_plane = 1;
    CropSettings& s = h.ctx->settings.crop;
    s.anchor = 0, s.width = 2, s.height = 2, s.output_mode = 1, s.magnification = 100;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(h.ctx->ws.current, 1);
    EXPECT_EQ(TopDown(h.ctx->ws.at(1)), (Rows{{0, 10}, {1, 11}}));
    EXPECT_EQ(h.ctx->ws.at(1).single_plane, 1);
    // Centre with a crop larger than the picture, doubled: the whole picture, 8 x 8.
    h.ctx->ws.current = 0;
    s.anchor = 4, s.width = 50, s.height = 50, s.magnification = 200;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(std::pair(h.ctx->ws.at(2).width, h.ctx->ws.at(2).height), std::pair(8, 8));
    EXPECT_TRUE(h.ui.Texts(msg::kTitleError).empty());
    h.ctx->ws.current = 0;
    s.output_mode = 1, s.magnification = 0;  // nothing left to show
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kBadSize});
    EXPECT_FALSE(h.ctx->ws.at(3).occupied());
    // Every slot taken: no dialog, the slot message.
    for (int i = 3; i < kSlotCount; ++i)
        MakeImage(h.ctx->ws, i, 1, 1, [](int, int, int) { return 1; });
    h.ctx->ws.current = 0;
    h.ui.dialogs_run.clear();
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_TRUE(h.ui.dialogs_run.empty());
    EXPECT_EQ(h.ui.Texts(msg::kTitleError).back(), msg::kNoSlotNew);
}

}  // namespace
}  // namespace orva
