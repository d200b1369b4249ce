#include "view/zoom_scroll.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeImage;

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
    EXPECT_EQ(StepZoom(ws, 0, 0), 0);
    EXPECT_EQ(ws.at(0).zoom, 8);
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

TEST(Scroll, ExtentsLimitsAndClamping) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 1000, 600, Zero);
    struct Case {
        int zoom;
        int limit_x, limit_y;  // size less the visible extent (768 x 456 at 100 %)
    };
    for (const Case c : {Case{100, 232, 144}, Case{200, 616, 372}, Case{75, 0, 0}}) {
        rec.zoom = c.zoom;
        rec.scroll_x = rec.scroll_y = 5000;
        ClampScroll(rec, 800, 512);
        EXPECT_EQ(rec.scroll_x, c.limit_x) << c.zoom;
        EXPECT_EQ(rec.scroll_y, c.limit_y) << c.zoom;
    }
    rec.zoom = 100;
    rec.scroll_x = -5;
    ClampScroll(rec, 800, 512);
    EXPECT_EQ(rec.scroll_x, 0);
    ScrollTo(rec, Axis::Horizontal, 5000, 800, 512);
    EXPECT_EQ(rec.scroll_x, 232);
    // A picture narrower than the extent is pinned at 0 and its bar sits at 0.
    ImageRecord& narrow = MakeImage(ws, 1, 100, 100, Zero);
    narrow.scroll_x = 40;
    ClampScroll(narrow, 800, 512);
    EXPECT_EQ(narrow.scroll_x, 0);
    EXPECT_EQ(ScrollBarPosition(narrow, Axis::Horizontal, 800, 512), 0);
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

TEST(Scroll, LinePageTrackingAndBarPosition) {
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
}

TEST(Scroll, WheelZoomKeepsThePointUnderThePointer) {
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
    // Zooming out near the top left does not go above or left of the picture.
    rec.scroll_x = rec.scroll_y = 0;
    ASSERT_TRUE(ZoomKeepingPoint(ws, 0, 0, 400, 200));
    EXPECT_EQ(std::pair(rec.scroll_x, rec.scroll_y), std::pair(0, 0));
    rec.zoom = 8;
    EXPECT_FALSE(ZoomKeepingPoint(ws, 0, 0, 400, 200));
}

TEST(Scroll, ClickZoomMovesTheClickedPointToTheCentre) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 2000, 2000, Zero);
    ws.current = 0;
    rec.refresh = 0;
    ASSERT_TRUE(ZoomAtPoint(ws, 0, 1, 700, 400, 800, 512));
    EXPECT_EQ(rec.zoom, 150);
    EXPECT_EQ(rec.scroll_x, 444);  // 700 - (768 / 2) · 100 / 150
    EXPECT_EQ(rec.scroll_y, 248);  // 400 - (456 / 2) · 100 / 150
    // Near the top left the origin is raised to 0.
    rec.scroll_x = rec.scroll_y = 0;
    ASSERT_TRUE(ZoomAtPoint(ws, 0, 1, 10, 10, 800, 512));
    EXPECT_EQ(std::pair(rec.scroll_x, rec.scroll_y), std::pair(0, 0));
    // At the end of the ladder nothing moves.
    rec.zoom = 3200;
    rec.scroll_x = 7;
    EXPECT_FALSE(ZoomAtPoint(ws, 0, 1, 500, 300, 800, 512));
    EXPECT_EQ(rec.scroll_x, 7);
}

}  // namespace
}  // namespace orva
