// The renderer, the display-only auto stretch it can draw through, and the print bands.
#include "view/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "support/scripted_ui.h"
#include "view/print_layout.h"
#include "view/stretch.h"

namespace orva {
namespace {

using testing::MakeImage;

// Runs the renderer and keeps a copy of every band.
struct Captured {
    Band band;
    std::vector<uint8_t> bytes;
};
std::vector<Captured> Render(const ImageRecord& rec, int cw = 800, int ch = 512) {
    RenderScratch scratch;
    std::vector<Captured> out;
    RenderImage(rec, cw, ch, scratch, [&](const Band& b) {
        out.push_back({b, std::vector<uint8_t>(b.data, b.data + b.stride * b.rows)});
    });
    return out;
}

// Blue, green, red of display pixel (c, r) of a single-band rendering.
std::array<int, 3> Pixel(const Captured& c, int col, int row) {
    const uint8_t* p = c.bytes.data() + c.band.stride * row + 3 * col;
    return {p[0], p[1], p[2]};
}

TEST(Render, ZoomHundredShowsTheTopMemoryRowFirstWithPaddedRowsAndWhiteBeyond) {
    Workspace ws;
    // Red 10·(x+1) + 100·y in the high byte, junk in the low byte.
    ImageRecord& rec = MakeImage(ws, 0, 3, 2, [](int c, int x, int y) {
        return static_cast<uint16_t>(((10 * (x + 1) + 100 * y + c) << 8) | 0x7f);
    });
    const auto bands = Render(rec);
    ASSERT_EQ(bands.size(), 1u);
    const Captured& b = bands[0];
    EXPECT_EQ(b.band.rows, 2);
    EXPECT_EQ(b.band.dest_width, 3);
    // Display row 0 is memory row 1; bytes are blue, green, red.
    EXPECT_EQ(Pixel(b, 2, 0), (std::array<int, 3>{132, 131, 130}));
    EXPECT_EQ(Pixel(b, 1, 1), (std::array<int, 3>{22, 21, 20}));
    for (int row = 0; row < 2; ++row)
        for (int k = 9; k < 12; ++k) EXPECT_EQ(b.bytes[12 * row + k], 255);

    // The single-plane flag shows the red plane in every channel.
    rec.single_plane = 1;
    EXPECT_EQ(Pixel(Render(rec)[0], 0, 0), (std::array<int, 3>{110, 110, 110}));

    rec.scroll_x = 2;  // unclamped: columns 3 and 4 lie past the right edge
    rec.scroll_y = 1;  // display row 1 would be memory row -1
    const Captured off = Render(rec)[0];
    EXPECT_EQ(Pixel(off, 0, 0), (std::array<int, 3>{30, 30, 30}));
    for (const auto& [col, row] : {std::pair{1, 0}, {2, 1}, {0, 1}})
        EXPECT_EQ(Pixel(off, col, row), (std::array<int, 3>{255, 255, 255})) << col << "," << row;
}

// Reductions average four samples: at 50 % each 2 x 2 block with the row above, repeating the
// top row and the last column at the edges; at 8 % only four samples of each area.
TEST(Render, ReductionsAverageFourSamplesAndRepeatTheEdges) {
    Workspace ws;
    // Red high byte 10·(x+1) + 40·y.
    ImageRecord& half = MakeImage(ws, 0, 4, 4, [](int c, int x, int y) {
        return static_cast<uint16_t>(c == 0 ? (10 * (x + 1) + 40 * y) << 8 : 0);
    });
    half.zoom = 50;
    const Captured b = Render(half)[0];
    ASSERT_EQ(b.band.width, 2);
    ASSERT_EQ(b.band.rows, 2);
    // Display row 0 is memory row 3, the top: the row above repeats it.
    EXPECT_EQ(Pixel(b, 0, 0)[2], 135);  // (130 + 140 + 130 + 140) / 4
    // Display row 1: source picture row 2 = memory row 1 with memory row 2 above it.
    EXPECT_EQ(Pixel(b, 1, 1)[2], 95);  // (70 + 80 + 110 + 120) / 4
    // At the right edge the neighbour repeats the last column instead of reading on into
    // the next row: display column 1 at scroll 1 is x = 3 of a 4-wide picture.
    ImageRecord& edge = MakeImage(
        ws, 1, 4, 2, [](int, int x, int) { return static_cast<uint16_t>(x == 3 ? 0xff00 : 0); });
    edge.zoom = 50;
    edge.scroll_x = 1;
    EXPECT_EQ(Pixel(Render(edge)[0], 1, 0)[2], 255);

    ImageRecord& rec = MakeImage(ws, 2, 50, 50, [](int, int x, int y) {
        return static_cast<uint16_t>(((x + y) % 200) << 8);
    });
    rec.zoom = 8;
    const Captured e = Render(rec)[0];
    ASSERT_EQ(e.band.width, 4);
    ASSERT_EQ(e.band.rows, 4);
    // Display (1, 1): column 12 and 13, memory rows 49 - 12 = 37 and 38.
    EXPECT_EQ(Pixel(e, 1, 1)[2], 50);  // (49 + 50 + 50 + 51) / 4
    // A bright sample elsewhere in the 12.5 x 12.5 area changes nothing.
    rec.red[static_cast<std::size_t>(36) * 50 + 14] = 65535;
    EXPECT_EQ(Pixel(Render(rec)[0], 1, 1)[2], 50);
}

TEST(Render, EnlargementIsNearestPixelIntoTheWindowSurface) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 4, 3, [](int c, int x, int y) {
        return static_cast<uint16_t>((c == 0 ? 20 * x + 60 * y : 0) << 8);
    });
    rec.zoom = 300;
    std::vector<uint32_t> pixels(20 * 12, 0x12345678u);
    Surface surface{pixels.data(), 20, 12, 20};
    RenderScratch scratch;
    RenderImage(rec, 800, 512, scratch, [&](const Band& b) {
        EXPECT_EQ(b.dest_width, 12);
        EXPECT_EQ(b.dest_height, 9);
        CopyBandToSurface(b, surface);
    });
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * 20 + x]; };
    // Window (5, 4) is display (1, 1): column 1, memory row 1.
    EXPECT_EQ(at(5, 4), 0xff000000u | (80u << 16));
    EXPECT_EQ(at(3, 3), at(5, 5));      // one image pixel covers 3 x 3 window pixels
    EXPECT_EQ(at(12, 0), 0x12345678u);  // beyond the display: untouched
}

// More than 8188 display pixels across: one row per band, and nothing is lost.
TEST(Render, WidePicturesGoOneRowPerBand) {
    Workspace ws;
    ImageRecord& wide = MakeImage(ws, 1, 9000, 3, [](int, int, int) { return uint16_t{0}; });
    std::vector<Band> bands;
    RenderScratch scratch;
    RenderImage(wide, 9000, 512, scratch, [&](const Band& b) { bands.push_back(b); });
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[2].first_row, 2);
    EXPECT_EQ(bands[2].rows, 1);

    EXPECT_FALSE(RenderImage(ws.at(7), 800, 512, scratch, [](const Band&) { FAIL(); }));
}

TEST(Render, ChannelStatisticsUseTruncatedRowMeans) {
    Workspace ws;
    const uint16_t red[] = {1, 2, 3, 5};  // memory rows (1, 2) and (3, 5)
    ImageRecord& rec = MakeImage(ws, 0, 2, 2, [&](int c, int x, int y) {
        return static_cast<uint16_t>(c == 0 ? red[2 * y + x] : 100 + c);
    });
    ComputeChannelStats(rec);
    EXPECT_EQ(rec.mean_level[0], 2);  // (3/2 + 8/2) / 2 = (1 + 4) / 2
    EXPECT_EQ(rec.min_level[0], 1);
    rec.single_plane = 1;  // a grey picture: every channel is the red plane
    ComputeChannelStats(rec);
    EXPECT_EQ(rec.max_level[1], 5);
    ImageRecord empty;
    ComputeChannelStats(empty);
    EXPECT_EQ(empty.mean_level[2], 32768);
}

TEST(PrintLayout, BandBitmapHoldsMemoryRowsUpsideDownAsHighBytes) {
    auto ws = std::make_unique<Workspace>();
    ImageRecord& r = testing::MakeImage(*ws, 0, 2, 3, [](int c, int x, int y) {
        return static_cast<uint16_t>(((c + 1) * 10 + x + 4 * y) << 8 | 0xFF);
    });
    const auto bands = PrintBands(2, 3, PrintPlacement{1.0, 0, 0});
    ASSERT_EQ(bands.size(), 1u);
    const std::size_t stride = 8;  // 2 pixels x 3 bytes, padded
    std::vector<uint8_t> bitmap(stride * kPrintBandRows, 0xAA);
    FillPrintBand(r, bands[0], bitmap.data(), stride);
    auto at = [&](int row, int x, int c) {
        return bitmap[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(3 * x + c)];
    };
    EXPECT_EQ(at(127, 1, 2), 31);    // memory row 0 at the bottom of the bitmap
    EXPECT_EQ(at(125, 1, 1), 29);    // memory row 2
    EXPECT_EQ(at(124, 0, 0), 0xAA);  // above the picture: untouched
    r.single_plane = 1;
    FillPrintBand(r, bands[0], bitmap.data(), stride);
    EXPECT_EQ(at(126, 1, 2), 15);  // the red plane in every channel
}

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

}  // namespace
}  // namespace orva
