#include <gtest/gtest.h>

#include <string>

#include "common/parallel.h"
#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

Bytes B(const std::string& text, const Bytes& tail = {}) {
    Bytes b(text.begin(), text.end());
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

constexpr uint16_t kWhite = 65280;
const Rgb W = Grey(kWhite), K = Grey(0);

TEST(PnmRead, HandWorkedFiles) {
    const PixelCase cases[] = {
        // clang-format off
        // ASCII values scale by 65536 / (maxval + 1); 8-bit binary values by 256.
        {"P2 8 bit", B("P2\n3 1\n255\n255 0 128\n"), 3, {Grey(65280), Grey(0), Grey(32768)}},
        {"P5 8 bit", B("P5\n2 1\n255\n", {255, 1}), 2, {Grey(65280), Grey(256)}},
        {"P5 small maxval not stretched", B("P5\n1 1\n15\n", {15}), 1, {Grey(15 * 256)}},
        {"P3 16 bit", B("P3\n2 1\n65535\n65535 0 1 12345 54321 7\n"), 2,
         {Rgb{65535, 0, 1}, Rgb{12345, 54321, 7}}},
        // 16-bit binary values are kept even above maxval.
        {"P6 16 bit", B("P6\n2 1\n4095\n", {0x0F, 0xFF, 0, 1, 0x12, 0x34, 0, 0, 0, 0, 0, 9}), 2,
         {Rgb{4095, 1, 0x1234}, Rgb{0, 0, 9}}},
        {"rows run top first", B("P5\n2 2\n255\n", {1, 2, 3, 4}), 2,
         {Grey(768), Grey(1024), Grey(256), Grey(512)}},
        {"header comments", B("P2\n# size 9 9 follows\n2#x\n1\n# max 7\n255\n1 2\n"), 2,
         {Grey(256), Grey(512)}},
        // The first raster bytes are a line feed and a blank: neither may be taken as header.
        {"raster after one blank", B("P5 3 1 255 ", {'\n', ' ', 'A'}), 3,
         {Grey('\n' << 8), Grey(' ' << 8), Grey('A' << 8)}},
        {"comment glued to maxval", B("P5\n1 1\n255# note\n", {7}), 1, {Grey(7 << 8)}},
        // Above maxval held to maxval, negative to 0, digits read up to the first other byte.
        {"ASCII values held to range", B("P2\n5 1\n255\n300 -5 12abc +3 x\n"), 5,
         {Grey(65280), Grey(0), Grey(12 * 256), Grey(3 * 256), Grey(0)}},
        {"comments between values", B("P3\n1 2\n255\n# top\n1 2 3 # end of row\n4\t5\r\n6\n"), 1,
         {Rgb{1024, 1280, 1536}, Rgb{256, 512, 768}}},
        {"P1 one is black", B("P1\n# c\n3 2\n1 0 1\n011\n"), 3,
         {W, K, K, K, W, K}},
        // Two bytes a row for width 10, high bit first; padding bits ignored.
        {"P4 packed rows", B("P4\n10 2\n", {0b10000000, 0b01111111, 0, 0}), 10,
         {W, W, W, W, W, W, W, W, W, W, K, W, W, W, W, W, W, W, W, K}},
        // clang-format on
    };
    for (const PixelCase& c : cases) ExpectDecodes(kFormatPnm, c);
}

// A grey ASCII raster of a few MiB, with assorted separators, large enough to be parsed in
// several pieces.
std::string BigAsciiGrey(int w, int h, const std::string& tail) {
    std::string text = "P2\n" + std::to_string(w) + " " + std::to_string(h) + "\n65535\n";
    const char* separators[] = {" ", "\n", "\t", "\r\n", "   "};
    for (int i = 0; i < w * h; ++i) {
        text += std::to_string((int64_t{i} * 7919) % 65536);
        text += separators[i % 17 == 0 ? 1 + (i / 17) % 4 : 0];
    }
    return text + tail;
}

TEST(PnmRead, LargeAsciiRastersReadTheSameInPiecesOrWithComments) {
    const int w = 1001, h = 500;
    std::string short_one = BigAsciiGrey(w, h, "");
    short_one.resize(short_one.find_last_not_of(" \t\r\n") + 1);
    short_one.resize(short_one.find_last_of(" \t\r\n") + 1);  // drop the last value
    for (const int threads : {1, 2, 3}) {
        SetThreadCount(threads);
        // A comment anywhere sends the whole raster through the one-piece parser; values
        // beyond the picture are ignored.
        for (const char* tail : {"\n", "# done\n", "1 2 3 4\n"}) {
            SCOPED_TRACE(tail);
            const DecodedImage img = MustDecode(kFormatPnm, B(BigAsciiGrey(w, h, tail)));
            ASSERT_EQ(std::pair(img.width, img.height), std::pair(w, h));
            for (int i = 0; i < w * h; ++i) {
                const auto v = static_cast<uint16_t>((int64_t{i} * 7919) % 65536);
                if (At(img, i % w, h - 1 - i / w) != Grey(v)) FAIL() << "value " << i;
            }
        }
        EXPECT_EQ(RefusalStatus(kFormatPnm, B(short_one), nullptr), IoStatus::Damaged);
    }
    SetThreadCount(0);
}

TEST(PnmRefuse, DamagedAbsurdAndShortFiles) {
    const Refusal cases[] = {
        // clang-format off
        {"P7", B("P7\n1 1\n255\n"), IoStatus::NotThisFormat},
        {"maxval 65536", B("P6\n1 1\n65536\n", {1, 2, 3, 4, 5, 6}), IoStatus::Damaged},
        {"width of 23 digits", B("P5\n99999999999999999999999 1\n255\n", {1}), IoStatus::TooLarge},
        {"P6 short", B("P6\n2 1\n255\n", {1, 2, 3, 4, 5}), IoStatus::Damaged,
         "pixel data runs past the end of the file"},
        // Far too short for the values it promises: refused before allocating.
        {"P3 far too short", B("P3\n30000 30000\n255\n1 2 3\n"), IoStatus::Damaged},
        // Short by one value, with enough bytes to pass the first estimate.
        {"P3 a value short", B("P3\n2 1\n255\n1    2    3    4    5\n"), IoStatus::Damaged,
         "pixel values end early"},
        // Header numbers are digits alone: a sign or letters are not skipped.
        {"minus signs", B("P6 -2 -2\n255\n", Bytes(12, 1)), IoStatus::Damaged,
         "header number is not a whole number of digits"},
        {"letters after a number", B("P6\n10abc 1\n255\n", Bytes(30, 1)), IoStatus::Damaged,
         "header number is not a whole number of digits"},
        {"comment after a number", B("P5 2# two\n1 255\n", {1, 2}), IoStatus::Ok},
        {"maxval 0", B("P5\n1 1\n0\n", {0}), IoStatus::Damaged, "maximum value"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatPnm, c);
}

TEST(PnmWrite, ExactBytesOfBothForms) {
    TempDir dir;
    ImageRecord rec = MakeRecord(2, 2, 1);
    const uint16_t values[3][4] = {
        {0, 9, 10, 99}, {100, 999, 1000, 9999}, {10000, 65535, 12345, 7}};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 4; ++i) rec.plane(c)[static_cast<std::size_t>(i)] = values[c][i];

    ASSERT_TRUE(WritePnm(dir.Path("a.ppm"), rec, true).ok());
    const std::string text =
        "P3\n2 2\n65535\n"
        "10 1000 12345 99 9999 7 "   // top row = memory row 1
        "0 100 10000 9 999 65535 ";  // then memory row 0
    EXPECT_EQ(ReadAll(dir.Path("a.ppm")), B(text));

    ASSERT_TRUE(WritePnm(dir.Path("b.ppm"), rec, false).ok());
    EXPECT_EQ(
        ReadAll(dir.Path("b.ppm")),
        B("P6\n2 2\n65535\n", {0, 10, 0x03, 0xE8, 0x30, 0x39, 0, 99, 0x27, 0x0F, 0,    7,  //
                               0, 0,  0,    100,  0x27, 0x10, 0, 9,  0x03, 0xE7, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace orva
