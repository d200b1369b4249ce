#include <gtest/gtest.h>

#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

void Le16At(Bytes& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Le32At(Bytes& b, std::size_t at, uint32_t v) {
    Le16At(b, at, v);
    Le16At(b, at + 2, v >> 16);
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
    for (std::size_t i = 0; i < palette.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k)
            b[26 + entry * i + k] = static_cast<uint8_t>(palette[i] >> (8 * k));
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
    return C8((i * 10) & 255, (i * 20) & 255, (i * 30) & 255);
}

// Palette files: every pixel is the ramp colour of the index given, bottom row first.
struct PaletteCase {
    const char* name;
    Bytes file;
    int width;
    std::vector<int> expect;
};

TEST(BmpRead, PaletteAndRunLengthFiles) {
    const PaletteCase cases[] = {
        // clang-format off
        // Width 10: two bytes per row plus two pad bytes; bits 10..15 of each row are junk.
        {"1 bit, high bit first",
         MakeBmp(10, 2, 1, 0, Ramp(2), {0b10110000, 0b01111111, 0, 0, 0xFF, 0xC0, 0, 0}), 10,
         {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"4 bit, high nibble first, last low nibble ignored",
         MakeBmp(3, 1, 4, 0, Ramp(16), {0x12, 0x3F, 0, 0}), 3, {1, 2, 3}},
        // Only 16 entries stored, then six stray bytes: the pixels are found by the offset.
        {"8 bit, 16 used colours", MakeBmp(2, 2, 8, 0, Ramp(16), {0, 15, 0, 0, 7, 9, 0, 0}, 16, 6),
         2, {0, 15, 7, 9}},
        // Two used colours claimed, yet index 200 still reads entry 200 of the table.
        {"8 bit, full table whatever the used count",
         MakeBmp(1, 1, 8, 0, Ramp(256), {200, 0, 0, 0}, 2), 1, {200}},
        {"core header, 3-byte entries", MakeCoreBmp(2, 1, 8, Ramp(256), {3, 255, 0, 0}), 2,
         {3, 255}},
        {"core header, 4-byte entries found by the pixel offset",
         MakeCoreBmp(2, 1, 1, Ramp(2), {0x40, 0, 0, 0}, 4), 2, {0, 1}},
        // Run of 3, end of line (row 0 column 3 never written), absolute 2 3 4 with filler,
        // delta one row up, one pixel of 5, end of bitmap, ignored bytes.
        {"RLE8 runs, end of line, delta, absolute",
         MakeBmp(4, 3, 8, 1, Ramp(256),
                 {3, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 2, 0, 1, 1, 5, 0, 1, 9, 9}),
         4, {1, 1, 1, 0, 2, 3, 4, 0, 0, 0, 0, 5}},
        {"RLE8 end of line after a full row skips nothing; long runs wrap",
         MakeBmp(4, 3, 8, 1, Ramp(256), {4, 1, 0, 0, 6, 2, 0, 1}), 4,
         {1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 0, 0}},
        {"RLE4 alternating nibbles, absolute runs padded to words",
         MakeBmp(8, 2, 4, 2, Ramp(16),
                 {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 3, 0xAB, 0xC0, 2, 0xDE, 0, 1}),
         8, {1, 2, 1, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 0, 0, 0}},
        {"RLE8 top-down", MakeBmp(1, -2, 8, 1, Ramp(256), {1, 7, 0, 0, 1, 8, 0, 1}), 1, {8, 7}},
        // clang-format on
    };
    for (const PaletteCase& c : cases) {
        std::vector<Rgb> colours;
        for (const int i : c.expect) colours.push_back(RampColour(i));
        ExpectDecodes(kFormatBmp, {c.name, c.file, c.width, colours});
    }
}

TEST(BmpRead, DirectColourFiles) {
    // Width 258 needs both bytes of the core header's 16-bit field.
    Bytes wide(258 * 3 + 2, 0);
    wide[0] = 0x11;
    wide[1] = 0x22;
    wide[2] = 0x33;
    wide[257 * 3] = 0x44;
    std::vector<Rgb> wide_expect(258, C8(0, 0, 0));
    wide_expect[0] = C8(0x33, 0x22, 0x11);
    wide_expect[257] = C8(0, 0, 0x44);
    const std::vector<uint32_t> bgra = {0x00FF0000, 0x0000FF00, 0x000000FF};
    const PixelCase cases[] = {
        // clang-format off
        {"24 bit, width one, row pad skipped",
         MakeBmp(1, 2, 24, 0, {}, {1, 2, 3, 0xAA, 4, 5, 6, 0xBB}), 1, {C8(3, 2, 1), C8(6, 5, 4)}},
        {"32 bit, fourth byte skipped",
         MakeBmp(2, 1, 32, 0, {}, {0x10, 0x20, 0x30, 0x99, 0x40, 0x50, 0x60, 0}), 2,
         {C8(0x30, 0x20, 0x10), C8(0x60, 0x50, 0x40)}},
        {"32 bit bitfields in BGRA order", MakeBmp(1, 1, 32, 3, bgra, {1, 2, 3, 4}), 1,
         {C8(3, 2, 1)}},
        {"top-down", MakeBmp(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 1,
         {C8(6, 5, 4), C8(3, 2, 1)}},
        {"core header, 16-bit sizes", MakeCoreBmp(258, 1, 24, {}, wide), 258, wide_expect},
        // clang-format on
    };
    for (const PixelCase& c : cases) ExpectDecodes(kFormatBmp, c);
}

TEST(BmpRefuse, DamagedAbsurdAndUnsupportedFiles) {
    Bytes far_offset = MakeBmp(2, 2, 24, 0, {}, Bytes(16, 7));
    Le32At(far_offset, 10, static_cast<uint32_t>(far_offset.size() + 1));
    const Bytes full = MakeBmp(2, 2, 24, 0, {}, Bytes(16, 7));
    const Bytes px = {0, 0, 0, 0};
    Bytes in_header = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    Le32At(in_header, 10, 20);
    Bytes in_palette = MakeBmp(1, 1, 8, 0, Ramp(4), {1, 0, 0, 0}, 4);
    Le32At(in_palette, 10, 54 + 8);
    const Refusal cases[] = {
        // clang-format off
        {"wrong signature", {'B', 'X', 0, 0}, IoStatus::NotThisFormat},
        {"pixel offset outside the file", far_offset, IoStatus::Damaged,
         "pixel data offset outside the file"},
        // The pad of the last row may be missing, a byte of its pixels may not.
        {"last row without pad", Bytes(full.begin(), full.end() - 2), IoStatus::Ok},
        {"last row cut", Bytes(full.begin(), full.end() - 3), IoStatus::Damaged,
         "pixel data runs past the end of the file"},
        {"most negative height", MakeBmp(1, INT32_MIN, 24, 0, {}, px), IoStatus::TooLarge},
        // Within the limits but far beyond the file: refused before any memory is taken.
        {"far beyond the file", MakeBmp(30000, 30000, 8, 0, Ramp(256), px), IoStatus::Damaged},
        {"16 bit", MakeBmp(1, 1, 16, 0, {}, px), IoStatus::Unsupported,
         "16-bit BMP files are not supported"},
        {"pixel offset inside the header", in_header, IoStatus::Damaged, "inside the header"},
        {"pixel offset inside the palette", in_palette, IoStatus::Damaged, "inside the palette"},
        // Run-length data: the rows must all be there; only the end-of-bitmap code may miss.
        {"RLE8 cut after the first row", MakeBmp(4, 3, 8, 1, Ramp(256), {4, 1, 0, 0}),
         IoStatus::Damaged, "run-length data ends before the last row"},
        {"RLE4 cut inside an absolute run", MakeBmp(8, 2, 4, 2, Ramp(16), {0, 5, 0x34}),
         IoStatus::Damaged, "run-length data ends before the last row"},
        {"RLE8 every row but no end of bitmap",
         MakeBmp(4, 3, 8, 1, Ramp(256), {4, 1, 0, 0, 4, 2, 0, 0, 4, 3}), IoStatus::Ok},
        // Two bytes give at most 255 pixels.
        {"RLE8 30000 x 30000 in a few bytes", MakeBmp(30000, 30000, 8, 1, Ramp(256), {0, 0, 0, 1}),
         IoStatus::Damaged, "file too short for the image size"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatBmp, c);
}

TEST(BmpWrite, HeaderRowsAndHighBytes) {
    TempDir dir;
    ImageRecord rec = MakeRecord(1, 2, 1);
    const uint16_t values[3][2] = {{0x12FF, 0xFFFF}, {0x3400, 0x00FF}, {0x56AB, 0x8001}};
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < 2; ++i) rec.plane(c)[i] = values[c][i];
    ASSERT_TRUE(WriteBmp(dir.Path("a.bmp"), rec).ok());
    // clang-format off
    const Bytes expect = {
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,         // file header
        40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,       // size, planes, bits
        0, 0, 0, 0, 8, 0, 0, 0, 128, 0, 0, 0, 128, 0, 0, 0,     // raw size, resolution
        0, 0, 0, 0, 0, 0, 0, 0,
        0x56, 0x34, 0x12, 0, 0x80, 0x00, 0xFF, 0,  // bottom row first: B G R high bytes, pad
    };
    // clang-format on
    EXPECT_EQ(ReadAll(dir.Path("a.bmp")), expect);
}

}  // namespace
}  // namespace orva
