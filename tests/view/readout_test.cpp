// What the windows draw besides the picture: the read-out line, the camera information and the
// toolbar strip.
#include "view/readout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/context.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"
#include "view/toolbar.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

// Every divisor form of the text, then the window's line following the mouse and the area.
TEST(Readout, EveryDivisorFormAndTheLineFollowingTheMouseAndTheArea) {
    Harness h;
    AppContext& ctx = *h.ctx;
    // Pixel (3, memory row 0) of a 4 x 2 picture holds R 12345, G 256, B 65535.
    ImageRecord& rec = MakeImage(ctx.ws, 0, 4, 2, [](int c, int x, int y) {
        if (x != 3 || y != 0) return uint16_t{0};
        return static_cast<uint16_t>(c == 0 ? 12345 : c == 1 ? 256 : 65535);
    });
    const auto text = [&](int d) { return FormatPointReadout(rec, 3, 0, d, false, 0, 0); };
    // One decimal from 66 up: v / d and (v mod d) · 10 / d; whole numbers four wide from 7
    // to 65, five wide below 7.
    // clang-format off
    const std::pair<int, const char*> cases[] = {
        {66, "(   3,   1) R:187.0 G:  3.8 B:992.9"}, {65, "(   3,   1) R: 189 G:   3 B:1008"},
        {7, "(   3,   1) R:1763 G:  36 B:9362"},    {6, "(   3,   1) R: 2057 G:   42 B:10922"},
    };
    // clang-format on
    for (const auto& [d, want] : cases) EXPECT_EQ(text(d), want) << d;
    // With an area, and with a divisor that a damaged settings file set to 0.
    EXPECT_EQ(FormatPointReadout(rec, 3, 0, 256, true, 10, 5),
              "(   3,   1) R: 48.2 G:  1.0 B:255.9  AREA(  10,   5)");
    EXPECT_EQ(FormatPointReadout(rec, 3, 0, 0, false, 0, 0), text(1));
    // Positions beyond the picture show the clamped edge pixel.
    EXPECT_EQ(FormatPointReadout(rec, 40, -3, 1, false, 0, 0), text(1));
    EXPECT_EQ(FormatPointReadout(ctx.ws.at(9), 0, 0, 256, false, 0, 0), "");

    rec.zoom = 200;
    ctx.ws.current = 0;
    ctx.shell.mouse_x = 7;  // 7 · 100 / 200 = column 3
    ctx.shell.mouse_y = 2;  // picture row 1 = memory row 0
    EXPECT_EQ(ReadoutLine(ctx), "(   3,   1) R: 48.2 G:  1.0 B:255.9");
    // Over the grey beyond the picture's right or bottom edge there is no pixel to report.
    struct Beyond {
        int x, y;
        bool shown;
    };
    for (const Beyond b :
         {Beyond{7, 3, true}, Beyond{8, 3, false}, Beyond{7, 4, false}, Beyond{-1, 2, false}}) {
        ctx.shell.mouse_x = b.x;
        ctx.shell.mouse_y = b.y;
        EXPECT_EQ(!ReadoutLine(ctx).empty(), b.shown) << b.x << "," << b.y;
    }
    // While an area is dragged beyond the edge, its size is still worth reading.
    ctx.shell.mouse_x = 5000;
    ctx.shell.area_copy_mode = 2;
    ctx.shell.area_corner_x[0] = 3;
    ctx.shell.area_corner_x[1] = 1;
    ctx.shell.area_corner_y[0] = 0;
    ctx.shell.area_corner_y[1] = 1;
    EXPECT_EQ(ReadoutLine(ctx), "(   3,   1) R: 48.2 G:  1.0 B:255.9  AREA(   2,   1)");
    ctx.ws.current = -1;
    EXPECT_EQ(ReadoutLine(ctx), "");
}

// Point A's cross is centred on its pixel at any zoom and scroll.
TEST(Markers, PointAIsCrossedWhereThePixelIsShown) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 20, 10, [](int, int, int) { return uint16_t{0}; });
    rec.zoom = 200;
    rec.scroll_x = 1;
    EXPECT_EQ(ImageToWindow(rec, 3, 2), (PlotPoint{5, 15}));  // (2 · 2 + 1, 7 · 2 + 1)
    EXPECT_TRUE(MarkerPlot(rec, ViewState{}).empty());
    rec.point_a_x = 3;
    rec.point_a_y = 2;
    const Plot plot = MarkerPlot(rec, ViewState{});
    ASSERT_EQ(plot.lines.size(), 2u);
    EXPECT_EQ(plot.lines[0], (PlotLine{{3, 15}, {7, 15}, Rgb{32, 255, 32}, PenStyle::Solid}));
}

TEST(Markers, CameraInformationLines) {
    ImageRecord rec;
    rec.camera_make = "Canon";
    rec.camera_model = "EOS 6D";
    rec.date_time = "2024:01:02 03:04:05";
    rec.iso = 1600;
    rec.exposure_time = 25u << 16 | 10u;
    rec.f_number = 28u << 16 | 10u;
    Plot plot = InfoOverlayPlot(rec);
    std::vector<std::string> lines;
    for (const auto& t : plot.texts) lines.push_back(t.text);
    EXPECT_EQ(lines, (std::vector<std::string>{"Canon", "EOS 6D", "2024:01:02 03:04:05", "ISO=1600",
                                               "Exposure=2.5 s", "F=2.8"}));
    rec.exposure_time = 1u << 16 | 250u;
    EXPECT_EQ(InfoOverlayPlot(rec).texts[4].text, "Exposure=1/250.0 s");
    // Unknown values leave their lines out, also a fraction with a zero half.
    rec.iso = 0;
    rec.exposure_time = 5u << 16;
    rec.f_number = 0;
    plot = InfoOverlayPlot(rec);
    ASSERT_EQ(plot.texts.size(), 3u);
    EXPECT_EQ(plot.texts[2].text, "2024:01:02 03:04:05");
}

std::string Icons(const ToolbarLayout& l) {
    std::string s;
    for (const auto& c : l.cells) s += std::string(ToolbarIconName(c.icon)) + " ";
    return s;
}

// Undo and redo keep their pictures whether or not they can run; the strip draws them faint.
// Batch mode shows only the prompt, or the running notice where the prompt was.
TEST(ToolbarStrip, SeventeenCellsWithUndoAndRedoAlwaysShownOrTheBatchPrompt) {
    const ToolbarLayout l = LayoutToolbarStrip({});
    ASSERT_EQ(l.cells.size(), 17u);
    EXPECT_EQ(Icons(l),
              "LOAD SAVE PRINTER BLACK UNDO REDO BLACK SANDS EDGE SIZE ROUND COMP GAMMA BW "
              "HIST SELECT UPDOWN ");
    ToolbarInput in;
    in.pressed[2] = 1;
    EXPECT_TRUE(LayoutToolbarStrip(in).cells[2].inverted);

    in.batch_mode = 2;
    const ToolbarLayout batch = LayoutToolbarStrip(in);
    EXPECT_TRUE(batch.cells.empty());
    ASSERT_EQ(batch.texts.size(), 1u);
    EXPECT_EQ(batch.texts[0].text, "バッチモード：ファイルをドラッグアンドドロップして下さい！");
    in.batch_text = "running";
    EXPECT_EQ(LayoutToolbarStrip(in).texts[0].text, "running");
}

}  // namespace
}  // namespace orva
