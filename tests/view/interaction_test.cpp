// Mouse clicks on the picture (sampling, area copy, zoom) and the zoom and scroll rules.
#include "view/interaction.h"

#include <gtest/gtest.h>

#include <utility>

#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"
#include "view/zoom_scroll.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

uint16_t Flat(int, int, int) {
    return 0x4000;
}

// The 3 x 3 block at columns 0..2 and memory rows 2..4 of a 5 x 5 picture holds red levels
// 90, 10, 80 / 20, 70, 30 / 60, 40, 65535 (high bytes, row 4 first); elsewhere 0.
uint16_t CornerBlock(int c, int x, int y) {
    static const int kLevels[3][3] = {{90, 10, 80}, {20, 70, 30}, {60, 40, -1}};
    if (x > 2 || y < 2) return 0;
    const int v = kLevels[4 - y][x];
    if (c != 0) return 0xfff0;  // green and blue: all at the 65280 cap
    return static_cast<uint16_t>(v < 0 ? 65535 : v << 8);
}

TEST(Sampling, CentreLevelAtTheCornerUsesTheBlockOneInside) {
    Harness h;
    AppContext& ctx = *h.ctx;
    MakeImage(ctx.ws, 0, 5, 5, CornerBlock);
    ctx.view.sampling_mode = kSampleCentre;
    ImageLeftButtonDown(ctx, 0, 0);  // window top left: column 0, memory row 4
    const SampledLevel& s = ctx.view.centre_level;
    EXPECT_EQ(std::pair(s.x, s.y), std::pair(1, 3));
    EXPECT_EQ(s.r, 35);                 // third and fourth smallest: 30 and 40
    EXPECT_EQ(s.g, 255);                // 65280 >> 8
    EXPECT_EQ(ctx.ws.at(0).zoom, 100);  // the click did not zoom

    // A picture two pixels wide repeats its edge samples.
    ImageRecord& tiny = MakeImage(ctx.ws, 1, 2, 1, Flat);
    int x = 5, y = 5;
    EXPECT_EQ(SampleBackgroundLevel(tiny, x, y)[1], 0x4000);
    EXPECT_EQ(std::pair(x, y), std::pair(1, 0));
}

TEST(Sampling, BackgroundPointsEndAtTheHundredthOrWithTheRightButton) {
    Harness h;
    AppContext& ctx = *h.ctx;
    MakeImage(ctx.ws, 0, 300, 300,
              [](int c, int x, int) { return static_cast<uint16_t>(1000 * (c + 1) + x); });
    int calls = 0, last_count = -1;
    ctx.view.finish_background_points = [&](AppContext&, ImageRecord& rec, int count) {
        ++calls;
        last_count = count;
        rec.red[0] = 7;
        return true;
    };
    ctx.view.sampling_mode = kSamplePoints;
    ImageLeftButtonDown(ctx, 10, 20);
    EXPECT_EQ(ctx.view.sampling_mode, kSamplePoints + 1);
    const BackgroundPoint& p = ctx.view.background_points[0];
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(10, 279));
    EXPECT_EQ(p.r, 1009);  // third and fourth smallest of 1009, 1010, 1011 (three each)
    for (int i = 1; i < 99; ++i) ImageLeftButtonDown(ctx, i, 5);
    EXPECT_TRUE(h.ui.boxes.empty());
    ImageLeftButtonDown(ctx, 99, 5);  // the 100th point ends the list at once
    EXPECT_EQ(ctx.view.sampling_mode, kSampleNone);
    ASSERT_EQ(h.ui.Texts("Message !"), std::vector<std::string>{"画像の背景選択終了！"});
    EXPECT_EQ(last_count, 100);
    const ImageRecord& rec = ctx.ws.at(0);
    EXPECT_EQ(rec.undo_red[0], 1000);  // the snapshot was taken before the correction
    EXPECT_EQ(rec.red[0], 7);

    // The right button ends a list early, without zooming out; without a correction hook
    // finishing only ends the list: no undo copy, no change.
    ctx.view.finish_background_points = nullptr;
    ctx.ws.at(0).undo_available = 0;
    ctx.view.sampling_mode = kSamplePoints + 2;
    ImageRightButtonDown(ctx, 0, 0);
    EXPECT_EQ(ctx.view.sampling_mode, kSampleNone);
    EXPECT_EQ(ctx.ws.at(0).zoom, 100);
    EXPECT_EQ(ctx.ws.at(0).undo_available, 0);
    EXPECT_EQ(h.ui.Texts("Message !").size(), 2u);
}

TEST(AreaCopy, DragCopiesIntoANewSlotAndZeroWidthKeepsTheSelection) {
    Harness h;
    AppContext& ctx = *h.ctx;
    // Slot 1 held a bright picture whose statistics were shown, then was closed.
    ImageRecord& old = MakeImage(ctx.ws, 1, 4, 4, [](int, int, int) { return uint16_t{60000}; });
    ctx.ws.current = 1;
    ASSERT_TRUE(PrepareImagePaint(ctx));
    EXPECT_EQ(old.max_level[0], 60000);
    ClearSlot(ctx.ws, 1);
    MakeImage(ctx.ws, 0, 10, 8,
              [](int c, int x, int y) { return static_cast<uint16_t>(c * 1000 + 10 * y + x); });
    ctx.ws.current = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, 212));
    EXPECT_EQ(ctx.shell.area_copy_mode, 1);
    ImageLeftButtonDown(ctx, 2, 1);  // column 2, memory row 6
    EXPECT_EQ(ctx.shell.area_copy_mode, 2);
    ImageLeftButtonUp(ctx, 2, 5);  // same column: nothing happens
    EXPECT_EQ(ctx.shell.area_copy_mode, 2);
    EXPECT_FALSE(ctx.ws.at(1).occupied());

    ImageLeftButtonUp(ctx, 6, 5);  // column 6, memory row 2
    EXPECT_EQ(ctx.shell.area_copy_mode, 0);
    EXPECT_EQ(ctx.ws.current, 1);
    const ImageRecord& copy = ctx.ws.at(1);
    ASSERT_EQ(copy.width, 4);   // columns 2..5
    ASSERT_EQ(copy.height, 4);  // memory rows 2..5
    EXPECT_EQ(Sample(copy, 2, 3, 3), 2055);
    // The reused slot shows the copy's own statistics.
    ASSERT_TRUE(PrepareImagePaint(ctx));
    EXPECT_EQ(copy.max_level, (std::array<int, 3>{55, 1055, 2055}));
    EXPECT_EQ(copy.changed, 1);  // the rectangle exists in no file
}

TEST(ImageClicks, ZoomCommandsAndPaintPreparation) {
    Harness h;
    AppContext& ctx = *h.ctx;
    ImageRecord& rec = MakeImage(ctx.ws, 0, 2000, 1000, Flat);
    ctx.ws.current = 0;
    ImageLeftButtonDown(ctx, 700, 400);  // where it lands is the zoom rules' business
    const int repaints = h.ui.repaints;
    rec.refresh = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, 401));
    EXPECT_EQ(rec.zoom, 200);
    EXPECT_EQ(rec.refresh, 1);
    EXPECT_EQ(h.ui.repaints, repaints + 1);
    ASSERT_TRUE(ExecuteCommand(ctx, 402));

    // Paint: the origin is clamped; statistics follow the refresh flag, which stays set.
    rec.scroll_x = 5000;
    rec.refresh = 0;
    ASSERT_TRUE(PrepareImagePaint(ctx));
    EXPECT_EQ(rec.scroll_x, 2000 - 512);  // 768 window columns at 150 %
    EXPECT_EQ(rec.max_level[0], 0);
    rec.refresh = 1;
    PrepareImagePaint(ctx);
    EXPECT_EQ(rec.max_level[0], 0x4000);
    EXPECT_EQ(rec.refresh, 1);
    ctx.ws.current = -1;
    EXPECT_FALSE(PrepareImagePaint(ctx));
}

uint16_t Zero(int, int, int) {
    return 0;
}

TEST(ZoomLadder, StepsAndEnds) {
    // clang-format off
    struct Case { int zoom, in, next; };
    for (const Case c : {Case{100, 1, 150}, {100, 0, 75}, {400, 1, 800} /* no 600 */,
                         {3200, 1, 3200}, {8, 0, 8}})
        EXPECT_EQ(NextZoom(c.zoom, c.in), c.next) << c.zoom << " " << c.in;
    // clang-format on

    Workspace ws;
    MakeImage(ws, 0, 10, 10, Zero);
    MakeImage(ws, 3, 10, 10, Zero);
    ws.current = 0;
    ws.at(0).zoom = 8;
    EXPECT_EQ(StepZoom(ws, 0, 1), 1);
    EXPECT_EQ(ws.at(0).zoom, 12);
    EXPECT_EQ(ws.at(3).zoom, 100);  // one image only
    // All-images mode: every slot, occupied or not, takes the new zoom.
    EXPECT_EQ(StepZoom(ws, 1, 1), 1);
    EXPECT_EQ(ws.at(3).zoom, 16);
    EXPECT_EQ(ws.at(200).zoom, 16);
    ws.current = -1;
    EXPECT_EQ(StepZoom(ws, 0, 1), 0);
}

// The farthest the origin can go leaves the picture's last row and column at the edge of
// what the window shows: nothing past the picture is ever scrolled into view.
TEST(Scroll, FitToTheWindowStopsAtThePicturesEdges) {
    Workspace ws;
    struct Case {
        int width, height, zoom;
        int window_w, window_h;
        bool hbar, vbar;
        int limit_x, limit_y;
    };
    const Case cases[] = {
        // The star field of the report: 768 x 512 in a 800 x 464 window, only rows to scroll.
        {768, 512, 100, 800, 464, false, true, 0, 48},
        // Fits both ways: no bars, nothing to scroll.
        {300, 200, 100, 800, 464, false, false, 0, 0},
        // Wider only: the bar along the bottom takes its rows from the view.
        {1000, 400, 100, 800, 464, true, false, 200, 0},
        // The vertical bar makes an image that just fits across need a horizontal one too.
        {790, 1000, 100, 800, 464, true, true, 6, 552},
        // Zoomed in twice: image pixels per window pixel halve.
        {768, 512, 200, 800, 464, true, true, 376, 288},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::vector<int>{c.width, c.height, c.zoom}));
        ImageRecord& rec = MakeImage(ws, 0, c.width, c.height, Zero);
        rec.zoom = c.zoom;
        const ViewFit fit = FitViewToWindow(rec, c.window_w, c.window_h, 16);
        EXPECT_EQ(fit.horizontal_bar, c.hbar);
        EXPECT_EQ(fit.vertical_bar, c.vbar);
        EXPECT_EQ(ScrollLimit(rec, Axis::Horizontal, fit.client_width, fit.client_height),
                  c.limit_x);
        EXPECT_EQ(ScrollLimit(rec, Axis::Vertical, fit.client_width, fit.client_height), c.limit_y);
    }
}

TEST(Scroll, LinePageTrackingBarPositionAndClamping) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 1000, 600, Zero);
    const auto scroll = [&](ScrollRequest r, int pos = 0) {
        return ApplyScroll(rec, Axis::Horizontal, r, pos, 800, 512);
    };
    // Each request from the position before; false: no redraw needed yet.
    // clang-format off
    struct Case { ScrollRequest request; int pos, scroll_x; };
    const Case cases[] = {
        {ScrollRequest::LineForward, 0, 8}, {ScrollRequest::LineBack, 0, 0},
        {ScrollRequest::PageForward, 0, 232},  // + 768 / 2, clamped
        {ScrollRequest::PageBack, 0, 0},
        {ScrollRequest::Track, 50, 116},  // (1000 - 768) · 50 / 100
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_FALSE(scroll(c.request, c.pos));
        EXPECT_EQ(rec.scroll_x, c.scroll_x);
    }
    EXPECT_EQ(ScrollBarPosition(rec, Axis::Horizontal, 800, 512), 50);
    EXPECT_TRUE(scroll(ScrollRequest::Other));  // end of scrolling: redraw
    EXPECT_EQ(rec.scroll_x, 116);

    ApplyScroll(rec, Axis::Vertical, ScrollRequest::Track, 100, 800, 512);
    EXPECT_EQ(rec.scroll_y, 144);  // 600 - 456
    EXPECT_EQ(ScrollBarPosition(rec, Axis::Vertical, 800, 512), 100);
    rec.zoom = 50;  // the whole picture fits: bars at 0
    EXPECT_EQ(ScrollBarPosition(rec, Axis::Vertical, 800, 512), 0);

    // Clamping stops at the limits the fit test pins: the size less the visible extent.
    rec.zoom = 100;
    rec.scroll_x = -5;
    rec.scroll_y = 5000;
    ClampScroll(rec, 800, 512);
    EXPECT_EQ(std::pair(rec.scroll_x, rec.scroll_y), std::pair(0, 144));
    ScrollTo(rec, Axis::Horizontal, 5000, 800, 512);
    EXPECT_EQ(rec.scroll_x, 232);
}

// A wheel zoom keeps the point under the pointer; a click zoom brings the clicked point to the
// centre. Neither goes above or left of the picture, nor moves at the ladder's ends.
TEST(Scroll, WheelZoomKeepsThePointAndClickZoomCentresIt) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 2000, 2000, Zero);
    ws.current = 0;
    rec.scroll_x = 300;
    rec.scroll_y = 100;
    rec.refresh = 0;
    // Window (400, 200) shows image (700, 300) at 100 %; at 150 % it must still.
    ASSERT_TRUE(ZoomKeepingPoint(ws, 0, 1, 400, 200));
    EXPECT_EQ(rec.zoom, 150);
    EXPECT_EQ(rec.refresh, 1);
    EXPECT_EQ(rec.scroll_x + 400 * 100 / 150, 700);
    EXPECT_EQ(rec.scroll_y + 200 * 100 / 150, 300);
    rec.scroll_x = rec.scroll_y = 0;
    ASSERT_TRUE(ZoomKeepingPoint(ws, 0, 0, 400, 200));
    EXPECT_EQ(std::pair(rec.scroll_x, rec.scroll_y), std::pair(0, 0));
    rec.zoom = 8;
    EXPECT_FALSE(ZoomKeepingPoint(ws, 0, 0, 400, 200));

    rec.zoom = 100;
    ASSERT_TRUE(ZoomAtPoint(ws, 0, 1, 700, 400, 800, 512));
    EXPECT_EQ(rec.zoom, 150);
    EXPECT_EQ(rec.scroll_x, 444);  // 700 - (768 / 2) · 100 / 150
    EXPECT_EQ(rec.scroll_y, 248);  // 400 - (456 / 2) · 100 / 150
    rec.scroll_x = rec.scroll_y = 0;
    ASSERT_TRUE(ZoomAtPoint(ws, 0, 1, 10, 10, 800, 512));
    EXPECT_EQ(std::pair(rec.scroll_x, rec.scroll_y), std::pair(0, 0));
    rec.zoom = 3200;
    rec.scroll_x = 7;
    EXPECT_FALSE(ZoomAtPoint(ws, 0, 1, 500, 300, 800, 512));
    EXPECT_EQ(rec.scroll_x, 7);
}

}  // namespace
}  // namespace orva
