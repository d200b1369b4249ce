#include "view/interaction.h"

#include <gtest/gtest.h>

#include <utility>

#include "shell/commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"

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

    // The right button ends a list early; a zoom-out click outside sampling.
    ctx.view.sampling_mode = kSamplePoints + 3;
    ImageRightButtonDown(ctx, 0, 0);
    EXPECT_EQ(last_count, 3);
    EXPECT_EQ(ctx.ws.at(0).zoom, 100);
    ImageRightButtonDown(ctx, 0, 0);
    EXPECT_EQ(ctx.ws.at(0).zoom, 75);

    // Without a correction hook finishing only ends the list: no undo copy, no change.
    ctx.view.finish_background_points = nullptr;
    ctx.ws.at(0).undo_available = 0;
    ctx.view.sampling_mode = kSamplePoints + 2;
    ImageRightButtonDown(ctx, 0, 0);
    EXPECT_EQ(ctx.view.sampling_mode, kSampleNone);
    EXPECT_EQ(ctx.ws.at(0).undo_available, 0);
    EXPECT_EQ(h.ui.Texts("Message !").size(), 3u);
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
    MakeImage(ctx.ws, 4, 10, 10, Flat);
    ctx.ws.current = 0;
    ImageLeftButtonDown(ctx, 700, 400);  // where it lands is the zoom rules' business
    const int repaints = h.ui.repaints;
    rec.refresh = 0;
    ASSERT_TRUE(ExecuteCommand(ctx, 401));
    EXPECT_EQ(rec.zoom, 200);
    EXPECT_EQ(rec.refresh, 1);
    EXPECT_EQ(h.ui.repaints, repaints + 1);
    ASSERT_TRUE(ExecuteCommand(ctx, 402));
    EXPECT_EQ(ctx.ws.at(4).zoom, 100);  // the other image keeps its zoom

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

}  // namespace
}  // namespace orva
