#include "view/print_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/scripted_ui.h"

namespace orva {
namespace {

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

}  // namespace
}  // namespace orva
