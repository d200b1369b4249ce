#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::HaveTool;
using testing::ReadAll;
using testing::Shell;
using testing::TempDir;

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint16_t, 3>;

void Le16At(Bytes& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Le32At(Bytes& b, std::size_t at, uint32_t v) {
    Le16At(b, at, v);
    Le16At(b, at + 2, v >> 16);
}

// An 8-bit colour as stored in the planes.
Rgb C(int r, int g, int b) {
    return {static_cast<uint16_t>(r << 8), static_cast<uint16_t>(g << 8),
            static_cast<uint16_t>(b << 8)};
}

// A file with a 40-byte info header. `palette` holds 0xRRGGBB entries as written (4 bytes
// each); the pixel data follows them unless `gap` bytes are put in between.
Bytes MakeBmp(int32_t w, int32_t h, int bits, uint32_t compression,
              const std::vector<uint32_t>& palette, const Bytes& pixels, uint32_t colours_used = 0,
              std::size_t gap = 0) {
    const std::size_t offset = 54 + 4 * palette.size() + gap;
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    Le32At(b, 2, static_cast<uint32_t>(offset + pixels.size()));
    Le32At(b, 10, static_cast<uint32_t>(offset));
    Le32At(b, 14, 40);
    Le32At(b, 18, static_cast<uint32_t>(w));
    Le32At(b, 22, static_cast<uint32_t>(h));
    Le16At(b, 26, 1);
    Le16At(b, 28, static_cast<uint32_t>(bits));
    Le32At(b, 30, compression);
    Le32At(b, 46, colours_used);
    for (std::size_t i = 0; i < palette.size(); ++i) Le32At(b, 54 + 4 * i, palette[i]);
    for (std::size_t i = 0; i < gap; ++i) b[54 + 4 * palette.size() + i] = 0xEE;
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A file with the 12-byte core header and `entry`-byte palette entries (3 in real files).
Bytes MakeCoreBmp(uint16_t w, uint16_t h, int bits, const std::vector<uint32_t>& palette,
                  const Bytes& pixels, std::size_t entry = 3) {
    const std::size_t offset = 26 + entry * palette.size();
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    Le32At(b, 10, static_cast<uint32_t>(offset));
    Le32At(b, 14, 12);
    Le16At(b, 18, w);
    Le16At(b, 20, h);
    Le16At(b, 22, 1);
    Le16At(b, 24, static_cast<uint32_t>(bits));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        b[26 + entry * i] = static_cast<uint8_t>(palette[i]);
        b[26 + entry * i + 1] = static_cast<uint8_t>(palette[i] >> 8);
        b[26 + entry * i + 2] = static_cast<uint8_t>(palette[i] >> 16);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// Palette whose entry i is (i * 10, i * 20, i * 30) in 8-bit units (modulo 256).
std::vector<uint32_t> Ramp(int n) {
    std::vector<uint32_t> p;
    for (int i = 0; i < n; ++i) {
        const uint32_t r = (i * 10) & 255, g = (i * 20) & 255, b = (i * 30) & 255;
        p.push_back(r << 16 | g << 8 | b);
    }
    return p;
}
Rgb RampColour(int i) {
    return C((i * 10) & 255, (i * 20) & 255, (i * 30) & 255);
}

// Pixel at column x of memory row y (bottom row is 0).
Rgb At(const DecodedImage& img, int x, int y) {
    const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                   static_cast<std::size_t>(x);
    return {img.red[i], img.green[i], img.blue[i]};
}

IoResult Decode(const Bytes& b, DecodedImage& img) {
    return DecodeImage(b, kFormatBmp, img);
}

TEST(BmpRead, OneBitUsesMostSignificantBitFirstAndIgnoresBitsPastTheWidth) {
    // Width 10: two bytes per row plus two pad bytes; bits 10..15 of each row are junk.
    const Bytes px = {0b10110000, 0b01111111, 0, 0,   // bottom row: 1011000001
                      0xFF,       0xC0,       0, 0};  // top row: all ones
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(10, 2, 1, 0, {0x102030, 0xA0B0C0}, px), img).ok());
    ASSERT_EQ(img.width, 10);
    ASSERT_EQ(img.height, 2);
    const int bottom[10] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(At(img, x, 0), bottom[x] ? C(0xA0, 0xB0, 0xC0) : C(0x10, 0x20, 0x30)) << x;
        EXPECT_EQ(At(img, x, 1), C(0xA0, 0xB0, 0xC0)) << x;
    }
}

TEST(BmpRead, FourBitTakesHighNibbleFirstAndIgnoresTheLastLowNibbleOfAnOddRow) {
    const Bytes px = {0x12, 0x3F, 0, 0};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(3, 1, 4, 0, Ramp(16), px), img).ok());
    EXPECT_EQ(At(img, 0, 0), RampColour(1));
    EXPECT_EQ(At(img, 1, 0), RampColour(2));
    EXPECT_EQ(At(img, 2, 0), RampColour(3));
}

TEST(BmpRead, EightBitWithSixteenUsedColoursFindsThePixelsThroughTheOffset) {
    // Only 16 entries are stored, then six stray bytes; the pixels start where the header says.
    const Bytes px = {0, 15, 0, 0,  // bottom row + pad
                      7, 9,  0, 0};
    const Bytes file = MakeBmp(2, 2, 8, 0, Ramp(16), px, 16, 6);
    DecodedImage img;
    ASSERT_TRUE(Decode(file, img).ok());
    EXPECT_EQ(At(img, 0, 0), RampColour(0));
    EXPECT_EQ(At(img, 1, 0), RampColour(15));
    EXPECT_EQ(At(img, 0, 1), RampColour(7));
    EXPECT_EQ(At(img, 1, 1), RampColour(9));
}

TEST(BmpRead, PaletteIsAlwaysTheFullTableWhateverTheUsedCount) {
    // The header claims 2 used colours, but index 200 still reads entry 200 of the table.
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(1, 1, 8, 0, Ramp(256), {200, 0, 0, 0}, 2), img).ok());
    EXPECT_EQ(At(img, 0, 0), RampColour(200));
}

TEST(BmpRead, TwentyFourBitWidthOneSkipsTheRowPad) {
    const Bytes px = {0x01, 0x02, 0x03, 0xAA,  // B G R pad
                      0x04, 0x05, 0x06, 0xBB};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(1, 2, 24, 0, {}, px), img).ok());
    EXPECT_EQ(At(img, 0, 0), C(0x03, 0x02, 0x01));
    EXPECT_EQ(At(img, 0, 1), C(0x06, 0x05, 0x04));
}

TEST(BmpRead, ThirtyTwoBitSkipsTheFourthByte) {
    const Bytes px = {0x10, 0x20, 0x30, 0x99, 0x40, 0x50, 0x60, 0x00};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(2, 1, 32, 0, {}, px), img).ok());
    EXPECT_EQ(At(img, 0, 0), C(0x30, 0x20, 0x10));
    EXPECT_EQ(At(img, 1, 0), C(0x60, 0x50, 0x40));
}

TEST(BmpRead, ThirtyTwoBitBitfieldsInTheUsualOrderAreReadOthersRefused) {
    // Masks for red, green, blue follow the 40-byte header; they take the place of a palette.
    const std::vector<uint32_t> bgra = {0x00FF0000, 0x0000FF00, 0x000000FF};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(1, 1, 32, 3, bgra, {1, 2, 3, 4}), img).ok());
    EXPECT_EQ(At(img, 0, 0), C(3, 2, 1));

    const std::vector<uint32_t> rgba = {0x000000FF, 0x0000FF00, 0x00FF0000};
    DecodedImage other;
    EXPECT_EQ(Decode(MakeBmp(1, 1, 32, 3, rgba, {1, 2, 3, 4}), other).status,
              IoStatus::Unsupported);
}

TEST(BmpRead, CoreHeaderHasSixteenBitSizesAndThreeBytePaletteEntries) {
    // Width 258 needs both bytes of the 16-bit field.
    Bytes px(258 * 3 + 2, 0);
    px[0] = 0x11;
    px[1] = 0x22;
    px[2] = 0x33;
    px[257 * 3] = 0x44;
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeCoreBmp(258, 1, 24, {}, px), img).ok());
    EXPECT_EQ(img.width, 258);
    EXPECT_EQ(img.height, 1);
    EXPECT_EQ(At(img, 0, 0), C(0x33, 0x22, 0x11));
    EXPECT_EQ(At(img, 257, 0), C(0, 0, 0x44));

    DecodedImage pal;
    ASSERT_TRUE(Decode(MakeCoreBmp(2, 1, 8, Ramp(256), {3, 255, 0, 0}), pal).ok());
    EXPECT_EQ(At(pal, 0, 0), RampColour(3));
    EXPECT_EQ(At(pal, 1, 0), RampColour(255));
}

TEST(BmpRead, CoreHeaderWithFourBytePaletteEntriesIsRecognisedByItsPixelOffset) {
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeCoreBmp(2, 1, 1, {0x010203, 0x040506}, {0x40, 0, 0, 0}, 4), img).ok());
    EXPECT_EQ(At(img, 0, 0), C(1, 2, 3));
    EXPECT_EQ(At(img, 1, 0), C(4, 5, 6));
}

TEST(BmpRead, NegativeHeightIsATopDownFile) {
    const Bytes px = {0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(1, -2, 24, 0, {}, px), img).ok());
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(At(img, 0, 1), C(0x03, 0x02, 0x01));  // first file row is the top
    EXPECT_EQ(At(img, 0, 0), C(0x06, 0x05, 0x04));
}

// ---- run-length files ----

TEST(BmpRle8, RunsEndOfLineDeltaAndAbsoluteRunWithFiller) {
    const Bytes stream = {
        3, 1,              // row 0: three pixels of 1
        0, 0,              // end of line: row 0 column 3 is never written
        0, 3, 2, 3, 4, 0,  // row 1: absolute 2 3 4 and a filler byte
        0, 2, 0, 1,        // delta: one row up, same column (3, 2)
        1, 5,              // one pixel of 5 at (3, 2)
        0, 1,              // end of bitmap
        9, 9,              // ignored
    };
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(4, 3, 8, 1, Ramp(256), stream), img).ok());
    const int expect[3][4] = {{1, 1, 1, 0}, {2, 3, 4, 0}, {0, 0, 0, 5}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(img, x, y), RampColour(expect[y][x])) << x << "," << y;
}

TEST(BmpRle8, EndOfLineAfterAFullRowDoesNotSkipARowAndLongRunsWrap) {
    const Bytes stream = {4, 1, 0, 0,  // full row, then end of line
                          6, 2,        // runs on into the next row
                          0, 1};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(4, 3, 8, 1, Ramp(256), stream), img).ok());
    const int expect[3][4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {2, 2, 0, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(img, x, y), RampColour(expect[y][x])) << x << "," << y;
}

TEST(BmpRle8, PixelsInTheRowPadAreDroppedAndRunsPastThePaddedRowWrap) {
    // Width 3: a file row holds four pixels, the last of them padding.
    const Bytes stream = {4, 1, 0, 0,  // a full padded row, as some writers encode it
                          6, 2,        // three pixels, one dropped, then on into row 2
                          0, 1};
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(3, 3, 8, 1, Ramp(256), stream), img).ok());
    const int expect[3][3] = {{1, 1, 1}, {2, 2, 2}, {2, 2, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(At(img, x, y), RampColour(expect[y][x])) << x << "," << y;
}

TEST(BmpRle4, RunsAlternateNibblesAndAbsoluteRunsArePaddedToWords) {
    const Bytes stream = {
        3, 0x12,                       // 1 2 1
        0, 5,    0x34, 0x56, 0x70, 0,  // absolute 3 4 5 6 7: three bytes and a filler
        0, 0,                          // end of line
        0, 3,    0xAB, 0xC0,           // absolute A B C: two bytes, no filler
        2, 0xDE,                       // D E
        0, 1,
    };
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(8, 2, 4, 2, Ramp(16), stream), img).ok());
    const int expect[2][8] = {{1, 2, 1, 3, 4, 5, 6, 7}, {10, 11, 12, 13, 14, 0, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(img, x, y), RampColour(expect[y][x])) << x << "," << y;
}

TEST(BmpRle8, TopDownFileIsTurnedUpright) {
    DecodedImage img;
    ASSERT_TRUE(Decode(MakeBmp(1, -2, 8, 1, Ramp(256), {1, 7, 0, 0, 1, 8, 0, 1}), img).ok());
    EXPECT_EQ(At(img, 0, 1), RampColour(7));
    EXPECT_EQ(At(img, 0, 0), RampColour(8));
}

TEST(BmpRle8, RunsAndDeltasPastTheEndStopAtThePlanes) {
    // ASan turns any write outside the planes into a failure.
    DecodedImage run;
    ASSERT_TRUE(Decode(MakeBmp(2, 1, 8, 1, Ramp(256), {255, 3, 0, 5, 1, 2, 3, 4, 5, 0}), run).ok());
    EXPECT_EQ(At(run, 0, 0), RampColour(3));
    EXPECT_EQ(At(run, 1, 0), RampColour(3));

    DecodedImage delta;
    ASSERT_TRUE(
        Decode(MakeBmp(2, 2, 8, 1, Ramp(256), {1, 4, 0, 2, 255, 255, 5, 6, 0, 2, 1, 0, 7, 7}),
               delta)
            .ok());
    EXPECT_EQ(At(delta, 0, 0), RampColour(4));
    EXPECT_EQ(At(delta, 1, 0), RampColour(0));
    EXPECT_EQ(At(delta, 1, 1), RampColour(0));

    DecodedImage rle4;
    ASSERT_TRUE(
        Decode(MakeBmp(3, 1, 4, 2, Ramp(16), {200, 0x9A, 0, 9, 1, 2, 3, 4, 5, 0}), rle4).ok());
    EXPECT_EQ(At(rle4, 2, 0), RampColour(9));
}

TEST(BmpRle8, StreamEndingEarlyKeepsWhatWasDecodedAndLeavesTheRestAtEntryZero) {
    DecodedImage img;
    // A run, then an absolute run of five cut after two bytes.
    ASSERT_TRUE(Decode(MakeBmp(4, 2, 8, 1, Ramp(256), {2, 9, 0, 5, 6, 7}), img).ok());
    const int expect[2][4] = {{9, 9, 6, 7}, {0, 0, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(img, x, y), RampColour(expect[y][x])) << x << "," << y;

    DecodedImage dangling;  // a count byte without its value, a delta without its offsets
    EXPECT_TRUE(Decode(MakeBmp(2, 1, 8, 1, Ramp(256), {1, 3, 5}), dangling).ok());
    EXPECT_EQ(At(dangling, 0, 0), RampColour(3));
    EXPECT_TRUE(Decode(MakeBmp(2, 1, 8, 1, Ramp(256), {0, 2, 1}), dangling).ok());
}

// ---- refused files ----

IoStatus StatusOf(const Bytes& file, std::string* detail = nullptr) {
    return testing::RefusalStatus(kFormatBmp, file, detail);
}

TEST(BmpRefuse, SignatureAndHeaderMustBeThere) {
    EXPECT_EQ(StatusOf({}), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf({'B', 'X', 0, 0}), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf({'B', 'M'}), IoStatus::Damaged);

    Bytes file = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    Le32At(file, 14, 1000);  // info header longer than the file
    EXPECT_EQ(StatusOf(file), IoStatus::Damaged);
    Le32At(file, 14, 5);
    EXPECT_EQ(StatusOf(file), IoStatus::Damaged);
    const Bytes whole = MakeBmp(1, 1, 24, 0, {}, {});
    EXPECT_EQ(StatusOf(Bytes(whole.begin(), whole.begin() + 40)), IoStatus::Damaged);
}

TEST(BmpRefuse, PixelOffsetAndPixelDataMustLieInTheFile) {
    Bytes file = MakeBmp(2, 2, 24, 0, {}, Bytes(16, 7));
    std::string why;
    Le32At(file, 10, static_cast<uint32_t>(file.size() + 1));
    EXPECT_EQ(StatusOf(file, &why), IoStatus::Damaged);
    EXPECT_EQ(why, "pixel data offset outside the file");

    // The pad of the last row may be missing, a byte of its pixels may not.
    const Bytes full = MakeBmp(2, 2, 24, 0, {}, Bytes(16, 7));
    EXPECT_EQ(StatusOf(Bytes(full.begin(), full.end() - 2)), IoStatus::Ok);
    EXPECT_EQ(StatusOf(Bytes(full.begin(), full.end() - 3), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "pixel data runs past the end of the file");

    // A palette cut short by the end of the file.
    const Bytes pal = MakeBmp(1, 1, 8, 0, Ramp(256), {0, 0, 0, 0});
    EXPECT_EQ(StatusOf(Bytes(pal.begin(), pal.begin() + 300)), IoStatus::Damaged);
}

TEST(BmpRefuse, AbsurdSizes) {
    EXPECT_EQ(StatusOf(MakeBmp(0, 1, 24, 0, {}, {0, 0, 0, 0})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(MakeBmp(1, 0, 24, 0, {}, {0, 0, 0, 0})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(MakeBmp(-5, 1, 24, 0, {}, {0, 0, 0, 0})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(MakeBmp(0x7FFFFFFF, 1, 24, 0, {}, {0, 0, 0, 0})), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(MakeBmp(1, INT32_MIN, 24, 0, {}, {0, 0, 0, 0})), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(MakeBmp(100000, 100000, 24, 0, {}, {0, 0, 0, 0})), IoStatus::TooLarge);
    // Within the limits but far beyond the file: refused before any memory is taken.
    EXPECT_EQ(StatusOf(MakeBmp(30000, 30000, 8, 0, Ramp(256), {0, 0, 0, 0})), IoStatus::Damaged);
}

TEST(BmpRefuse, KindsThatAreNotRead) {
    std::string why;
    EXPECT_EQ(StatusOf(MakeBmp(1, 1, 16, 0, {}, {0, 0, 0, 0}), &why), IoStatus::Unsupported);
    EXPECT_EQ(why, "16-bit BMP files are not supported");
    EXPECT_EQ(StatusOf(MakeBmp(1, 1, 2, 0, Ramp(4), {0, 0, 0, 0})), IoStatus::Unsupported);
    EXPECT_EQ(StatusOf(MakeBmp(1, 1, 24, 4, {}, {0, 0, 0, 0})), IoStatus::Unsupported);
}

TEST(BmpRefuse, MemoryBudgetGivesOutOfMemory) {
    const Bytes file = MakeBmp(100, 100, 8, 0, Ramp(256), Bytes(100 * 100, 1));
    DecodedImage img;
    img.memory_budget = 100 * 100 * 6 - 1;
    EXPECT_EQ(Decode(file, img).status, IoStatus::OutOfMemory);
    EXPECT_TRUE(img.red.empty());
    img.memory_budget = 100 * 100 * 6;
    EXPECT_TRUE(Decode(file, img).ok());
}

// ---- writing ----

ImageRecord MakeRecord(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        rec.plane(c).Allocate(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::size_t i = 0; i < rec.plane(c).size(); ++i)
            rec.plane(c)[i] = static_cast<uint16_t>(rng());
    }
    return rec;
}

TEST(BmpWrite, HeaderRowsAndHighBytes) {
    TempDir dir;
    ImageRecord rec = MakeRecord(1, 2, 1);
    rec.red[0] = 0x12FF;
    rec.green[0] = 0x3400;
    rec.blue[0] = 0x56AB;
    rec.red[1] = 0xFFFF;
    rec.green[1] = 0x00FF;
    rec.blue[1] = 0x8001;
    ASSERT_TRUE(WriteBmp(dir.Path("a.bmp"), rec).ok());
    const Bytes f = ReadAll(dir.Path("a.bmp"));
    const Bytes expect = {
        'B',
        'M',
        62,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        54,
        0,
        0,
        0,  // file header
        40,
        0,
        0,
        0,
        1,
        0,
        0,
        0,
        2,
        0,
        0,
        0,
        1,
        0,
        24,
        0,
        0,
        0,
        0,
        0,  // size, planes,
            // bits
        8,
        0,
        0,
        0,
        128,
        0,
        0,
        0,
        128,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0x56,
        0x34,
        0x12,
        0,  // bottom row: B G R high bytes and one pad byte
        0x80,
        0x00,
        0xFF,
        0,
    };
    EXPECT_EQ(f, expect);
}

TEST(BmpWrite, RoundTripKeepsHighBytesOverSeveralBlocks) {
    // Wide enough that the rows are formatted in more than one block.
    TempDir dir;
    const ImageRecord rec = MakeRecord(20001, 150, 2);
    ASSERT_TRUE(WriteImageFile(dir.Path("b.bmp"), kFormatBmp, rec).ok());
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(dir.Path("b.bmp"), kFormatBmp, img).ok());
    ASSERT_EQ(img.width, 20001);
    ASSERT_EQ(img.height, 150);
    for (int c = 0; c < 3; ++c) {
        const Plane& back = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        for (std::size_t i = 0; i < back.size(); ++i) {
            if (back[i] != (rec.plane(c)[i] & 0xFF00)) FAIL() << "channel " << c << " sample " << i;
        }
    }
}

TEST(BmpWrite, UnwritablePathIsReportedAndNothingIsLeft) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(2, 2, 3);
    EXPECT_EQ(WriteBmp(dir.Path("no/such/folder/x.bmp"), rec).status, IoStatus::CannotOpen);
    EXPECT_EQ(WriteBmp(dir.Path("e.bmp"), ImageRecord{}).status, IoStatus::Unsupported);
    EXPECT_FALSE(fs::exists(dir.Path("e.bmp")));
}

// ---- files made by another program ----

struct ConvertKind {
    const char* name;
    const char* options;
    const char* prefix;
    uint32_t header_size;
    int bits;
    uint32_t compression;
};

TEST(BmpPeer, FilesWrittenByImageMagickReadLikeItsOwnPpm) {
    ASSERT_TRUE(HaveTool("convert-im6.q16"))
        << "convert-im6.q16 (ImageMagick) is missing; scripts/install-deps "
           "installs it and this test needs it";
    TempDir dir;
    // Odd width so that every kind has padded rows.
    ImageRecord rec = MakeRecord(13, 9, 4);
    const std::string source = dir.Path("source.ppm");
    ASSERT_TRUE(WritePnm(source, rec, false).ok());

    const ConvertKind kinds[] = {
        {"bmp3_24", "-type TrueColor", "BMP3", 40, 24, 0},
        {"bmp3_8", "-type Palette -compress None", "BMP3", 40, 8, 0},
        {"bmp3_rle8", "-type Palette -compress RLE", "BMP3", 40, 8, 1},
        {"bmp3_4", "-colors 16 -type Palette -compress None", "BMP3", 40, 4, 0},
        {"bmp3_1", "-monochrome -type Palette -compress None", "BMP3", 40, 1, 0},
        {"bmp_24", "-type TrueColor", "BMP", 124, 24, 0},
        {"bmp_32", "-alpha on", "BMP", 124, 32, 3},
        {"bmp2_24", "-type TrueColor", "BMP2", 12, 24, 0},
        {"bmp2_8", "-type Palette", "BMP2", 12, 8, 0},
        {"bmp2_4", "-colors 16 -type Palette", "BMP2", 12, 4, 0},
        {"bmp2_1", "-monochrome -type Palette", "BMP2", 12, 1, 0},
    };
    for (const ConvertKind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string bmp = dir.Path(std::string(k.name) + ".bmp");
        const std::string ppm = dir.Path(std::string(k.name) + ".ppm");
        ASSERT_EQ(Shell("convert-im6.q16 '" + source + "' " + k.options + " " + k.prefix + ":'" +
                        bmp + "'"),
                  0);
        ASSERT_EQ(Shell("convert-im6.q16 '" + bmp + "' -depth 8 PPM:'" + ppm + "'"), 0);

        // Make sure the file is of the kind this case is meant to cover.
        const Bytes f = ReadAll(bmp);
        ASSERT_GE(f.size(), 34u);
        const uint32_t header_size = f[14] | f[15] << 8;
        ASSERT_EQ(header_size, k.header_size);
        ASSERT_EQ(header_size == 12 ? (f[24] | f[25] << 8) : (f[28] | f[29] << 8), k.bits);
        if (header_size != 12) {
            ASSERT_EQ(f[30], k.compression);
        }

        DecodedImage ours, theirs;
        ASSERT_TRUE(ReadImageFile(bmp, kFormatBmp, ours).ok());
        ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
        ASSERT_EQ(ours.width, 13);
        ASSERT_EQ(ours.height, 9);
        ASSERT_EQ(theirs.width, 13);
        ASSERT_EQ(theirs.height, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(At(ours, x, y), At(theirs, x, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace orva
