#include "view/print_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/scripted_ui.h"

namespace orva {
namespace {

TEST(PrintLayout, TwoHundredRowsMakeOneFullBandAndA72RowBandAtTheTop) {
    const PrintPlacement placement{2.0, 5, 7};
    const auto bands = PrintBands(10, 200, placement);
    ASSERT_EQ(bands.size(), 2u);
    // Memory rows 0..127: the bottom of the picture, one device pixel taller than 2 x 128.
    EXPECT_EQ(bands[0].source, (PrintRect{0, 0, 10, 128}));
    EXPECT_EQ(bands[0].dest, (PrintRect{5, 151, 20, 257}));  // y = 2 * (200 - 128) + 7
    // Memory rows 128..199 sit in bitmap rows 56..127 and go to the top of the placement.
    EXPECT_EQ(bands[1].first_row, 128);
    EXPECT_EQ(bands[1].source, (PrintRect{0, 56, 10, 72}));
    EXPECT_EQ(bands[1].dest, (PrintRect{5, 7, 20, 144}));
    // Exactly one band of rows is copied as the last band.
    const auto one = PrintBands(3, 128, PrintPlacement{1.5, 0, 0});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].source, (PrintRect{0, 0, 3, 128}));
    EXPECT_EQ(one[0].dest, (PrintRect{0, 0, 4, 192}));
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

}  // namespace
}  // namespace orva
