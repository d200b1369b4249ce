// The display-only auto stretch: the levels it picks from a channel's median and spread, and
// the renderer using its table without touching the planes.
#include "view/stretch.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shell/command_ids.h"
#include "shell/commands.h"
#include "support/scripted_ui.h"
#include "view/render.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;

TEST(Stretch, SkyLandsAtAQuarterAndTheClipSitsBelowItsSpread) {
    Workspace ws;
    // Red: a sky at 4000 spread evenly over +-100 (median 4000, MAD 50) with a few stars;
    // green: flat 9000; blue: black.
    ImageRecord& rec = MakeImage(ws, 0, 201, 60, [](int c, int x, int y) -> uint16_t {
        if (c == 1) return 9000;
        if (c == 2) return 0;
        return (x == 7 && y == 9) ? 60000 : static_cast<uint16_t>(3900 + x);
    });
    const auto s = AutoStretch(rec);
    EXPECT_NEAR(s[0].shadows, (4000 - 2.8 * 1.4826 * 50) / 65535.0, 1e-9);
    StretchTable t;
    FillStretchTable(s, t);
    EXPECT_EQ(t[0][4000], 64);  // a quarter of 255
    EXPECT_EQ(t[0][static_cast<std::size_t>(std::floor(s[0].shadows * 65535))], 0);
    EXPECT_EQ(t[0][65535], 255);
    for (std::size_t v = 1; v < 65536; ++v) ASSERT_GE(t[0][v], t[0][v - 1]) << v;
    // A flat channel has no spread to clip by: its level goes to a quarter.
    EXPECT_EQ(s[1].shadows, 0);
    EXPECT_EQ(t[1][9000], 64);
    // A black channel stays linear.
    EXPECT_EQ(s[2].midtones, 0.5);
    EXPECT_EQ(t[2][32768], 128);

    rec.single_plane = 1;
    const auto grey = AutoStretch(rec);
    EXPECT_EQ(grey[1].midtones, grey[0].midtones);
    EXPECT_EQ(grey[2].shadows, grey[0].shadows);
}

TEST(Stretch, RendererUsesTheTableAndLeavesThePlanes) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 40, 30, [](int c, int x, int y) {
        return static_cast<uint16_t>(300 * x + 1000 * y + 7 * c);
    });
    const std::vector<uint16_t> red(rec.red.data(), rec.red.data() + rec.pixels());
    for (const int zoom : {100, 50, 200}) {
        SCOPED_TRACE(zoom);
        rec.zoom = zoom;
        auto render = [&](RenderScratch& scratch) {
            std::vector<uint8_t> bytes;
            RenderImage(rec, 800, 512, scratch, [&](const Band& b) {
                bytes.insert(bytes.end(), b.data, b.data + b.stride * b.rows);
            });
            return bytes;
        };
        RenderScratch plain, identity, stretched;
        // A table holding the high byte draws what no table draws.
        for (auto& t : identity.stretch) {
            t.resize(65536);
            for (std::size_t v = 0; v < 65536; ++v) t[v] = static_cast<uint8_t>(v >> 8);
        }
        EXPECT_EQ(render(identity), render(plain));
        UpdateStretch(true, rec, stretched.stretch);
        const auto bytes = render(stretched);
        EXPECT_NE(bytes, render(plain));
        if (zoom == 100) {  // the top-left screen pixel is the last memory row's first sample
            const std::size_t top = static_cast<std::size_t>(rec.height - 1) * rec.width;
            EXPECT_EQ(bytes[2], stretched.stretch[0][rec.red[top]]);
            EXPECT_EQ(bytes[0], stretched.stretch[2][rec.blue[top]]);
        }
        UpdateStretch(false, rec, stretched.stretch);
        EXPECT_EQ(render(stretched), render(plain));
    }
    EXPECT_TRUE(std::equal(red.begin(), red.end(), rec.red.data()));
}

TEST(Stretch, CommandAndKeyToggleTheDisplayOnly) {
    Harness h;
    MakeImage(h.ctx->ws, 0, 4, 4, [](int, int, int) { return uint16_t{100}; });
    const int repaints = h.ui.repaints;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, kCmdAutoStretch));
    EXPECT_EQ(h.ctx->view.auto_stretch, 1);
    HandleKey(*h.ctx, Key::T);
    EXPECT_EQ(h.ctx->view.auto_stretch, 0);
    EXPECT_EQ(h.ui.repaints, repaints + 2);
    EXPECT_EQ(h.ctx->ws.at(0).changed, 0);
}

}  // namespace
}  // namespace orva
