#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/parallel.h"
#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::ReadAll;
using testing::TempDir;

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint16_t, 3>;

Bytes B(const std::string& text, const Bytes& tail = {}) {
    Bytes b(text.begin(), text.end());
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

Rgb At(const DecodedImage& img, int x, int y) {
    const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                   static_cast<std::size_t>(x);
    return {img.red[i], img.green[i], img.blue[i]};
}
Rgb Grey(uint16_t v) {
    return {v, v, v};
}

IoResult Decode(const Bytes& b, DecodedImage& img) {
    return DecodeImage(b, kFormatPnm, img);
}

TEST(PnmRead, ScalingsOfTheFourKinds) {
    DecodedImage img;
    // ASCII values scale by 65536 / (maxval + 1); 8-bit binary values by 256.
    ASSERT_TRUE(Decode(B("P2\n3 1\n255\n255 0 128\n"), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(65280));
    EXPECT_EQ(At(img, 1, 0), Grey(0));
    EXPECT_EQ(At(img, 2, 0), Grey(32768));

    ASSERT_TRUE(Decode(B("P2\n1 1\n4095\n4095\n"), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(65520));

    ASSERT_TRUE(Decode(B("P5\n2 1\n255\n", {255, 1}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(65280));
    EXPECT_EQ(At(img, 1, 0), Grey(256));

    // A small maxval does not stretch binary bytes.
    ASSERT_TRUE(Decode(B("P5\n1 1\n15\n", {15}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(15 * 256));

    ASSERT_TRUE(Decode(B("P3\n2 1\n65535\n65535 0 1 12345 54321 7\n"), img).ok());
    EXPECT_EQ(At(img, 0, 0), (Rgb{65535, 0, 1}));
    EXPECT_EQ(At(img, 1, 0), (Rgb{12345, 54321, 7}));

    ASSERT_TRUE(Decode(B("P6\n1 1\n255\n", {1, 2, 3}), img).ok());
    EXPECT_EQ(At(img, 0, 0), (Rgb{256, 512, 768}));
}

TEST(PnmRead, SixteenBitBinaryValuesAreKeptEvenAboveMaxval) {
    DecodedImage img;
    ASSERT_TRUE(
        Decode(B("P6\n2 1\n4095\n", {0x0F, 0xFF, 0x00, 0x01, 0x12, 0x34, 0, 0, 0, 0, 0, 9}), img)
            .ok());
    EXPECT_EQ(At(img, 0, 0), (Rgb{4095, 1, 0x1234}));
    EXPECT_EQ(At(img, 1, 0), (Rgb{0, 0, 9}));
    ASSERT_TRUE(Decode(B("P5 1 1 256\n", {0xAB, 0xCD}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(0xABCD));
}

TEST(PnmRead, FileRowsRunTopFirst) {
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P5\n2 2\n255\n", {1, 2, 3, 4}), img).ok());
    EXPECT_EQ(At(img, 0, 1), Grey(256));
    EXPECT_EQ(At(img, 1, 1), Grey(512));
    EXPECT_EQ(At(img, 0, 0), Grey(768));
    EXPECT_EQ(At(img, 1, 0), Grey(1024));
}

TEST(PnmRead, HeaderCommentsAndSeparators) {
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P2\n# size 9 9 follows\n2#x\n1\n# max 7\n255\n1 2\n"), img).ok());
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.height, 1);
    EXPECT_EQ(At(img, 1, 0), Grey(512));

    // Everything on one line, also for ASCII data.
    ASSERT_TRUE(Decode(B("P2 2 1 255 3 4"), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(768));
    EXPECT_EQ(At(img, 1, 0), Grey(1024));
}

TEST(PnmRead, BinaryRasterStartsAfterExactlyOneBlank) {
    // The first raster bytes are a line feed and a blank: neither may be taken as header.
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P5 3 1 255 ", {'\n', ' ', 'A'}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey('\n' << 8));
    EXPECT_EQ(At(img, 1, 0), Grey(' ' << 8));
    EXPECT_EQ(At(img, 2, 0), Grey('A' << 8));

    ASSERT_TRUE(Decode(B("P5\n1 1\n255\r", {'\n'}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey('\n' << 8));

    // A comment glued to the maxval runs to the end of its line.
    ASSERT_TRUE(Decode(B("P5\n1 1\n255# note\n", {7}), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(7 << 8));
}

TEST(PnmRead, AsciiValuesAreHeldToTheRangeAndTokensReadLikeNumbers) {
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P2\n5 1\n255\n300 -5 12abc +3 x\n"), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(65280));  // above maxval: held to maxval
    EXPECT_EQ(At(img, 1, 0), Grey(0));      // negative: held to 0
    EXPECT_EQ(At(img, 2, 0), Grey(12 * 256));
    EXPECT_EQ(At(img, 3, 0), Grey(3 * 256));
    EXPECT_EQ(At(img, 4, 0), Grey(0));  // no digits
    ASSERT_TRUE(Decode(B("P2\n1 1\n255\n99999999999999999999\n"), img).ok());
    EXPECT_EQ(At(img, 0, 0), Grey(65280));
}

TEST(PnmRead, CommentsBetweenAsciiValuesAreSkipped) {
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P3\n1 2\n255\n# top\n1 2 3 # end of row\n4\t5\r\n6\n"), img).ok());
    EXPECT_EQ(At(img, 0, 1), (Rgb{256, 512, 768}));
    EXPECT_EQ(At(img, 0, 0), (Rgb{1024, 1280, 1536}));
}

TEST(PnmRead, BitmapsGiveBlackForOneAndWhiteForZero) {
    constexpr uint16_t kWhite = 65280;
    DecodedImage img;
    ASSERT_TRUE(Decode(B("P1\n# c\n3 2\n1 0 1\n011\n"), img).ok());
    EXPECT_EQ(At(img, 0, 1), Grey(0));
    EXPECT_EQ(At(img, 1, 1), Grey(kWhite));
    EXPECT_EQ(At(img, 2, 1), Grey(0));
    EXPECT_EQ(At(img, 0, 0), Grey(kWhite));
    EXPECT_EQ(At(img, 1, 0), Grey(0));
    EXPECT_EQ(At(img, 2, 0), Grey(0));

    // Packed rows of two bytes for width 10, most significant bit first; padding bits ignored.
    ASSERT_TRUE(Decode(B("P4\n10 2\n", {0b10000000, 0b01111111, 0x00, 0x00}), img).ok());
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(At(img, x, 1), Grey(x == 0 || x == 9 ? 0 : kWhite)) << x;
        EXPECT_EQ(At(img, x, 0), Grey(kWhite)) << x;
    }
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

void ExpectBigAsciiGrey(const DecodedImage& img, int w, int h) {
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    for (int i = 0; i < w * h; ++i) {
        const auto v = static_cast<uint16_t>((int64_t{i} * 7919) % 65536);
        if (At(img, i % w, h - 1 - i / w) != Grey(v)) FAIL() << "value " << i;
    }
}

TEST(PnmRead, LargeAsciiRastersReadTheSameInPiecesOrWithComments) {
    const int w = 1001, h = 500;
    for (const int threads : {1, 2, 3}) {
        SetThreadCount(threads);
        DecodedImage plain, commented, trailing;
        ASSERT_TRUE(Decode(B(BigAsciiGrey(w, h, "\n")), plain).ok());
        ExpectBigAsciiGrey(plain, w, h);
        // A comment anywhere sends the whole raster through the one-piece parser.
        ASSERT_TRUE(Decode(B(BigAsciiGrey(w, h, "# done\n")), commented).ok());
        ExpectBigAsciiGrey(commented, w, h);
        // Values beyond the picture are ignored.
        ASSERT_TRUE(Decode(B(BigAsciiGrey(w, h, "1 2 3 4\n")), trailing).ok());
        ExpectBigAsciiGrey(trailing, w, h);
    }
    SetThreadCount(0);
}

IoStatus StatusOf(const Bytes& file, std::string* detail = nullptr) {
    return testing::RefusalStatus(kFormatPnm, file, detail);
}

TEST(PnmRefuse, MagicAndHeader) {
    EXPECT_EQ(StatusOf(B("")), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf(B("P7\n1 1\n255\n")), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf(B("Q6\n1 1\n255\n")), IoStatus::NotThisFormat);
    EXPECT_EQ(StatusOf(B("P6\n1 1\n")), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P6\n1 1\n0\n", {1, 2, 3})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P6\n1 1\n65536\n", {1, 2, 3, 4, 5, 6})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P5\n0 1\n255\n", {1})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P5\n2000000 1\n255\n", {1})), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(B("P5\n99999999999999999999999 1\n255\n", {1})), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(B("P5\n100000 100000\n255\n", {1})), IoStatus::TooLarge);
    EXPECT_EQ(StatusOf(B("P5\n1 1\n255x", {1})), IoStatus::Damaged);
}

TEST(PnmRefuse, ShortRasters) {
    std::string why;
    EXPECT_EQ(StatusOf(B("P6\n2 1\n255\n", {1, 2, 3, 4, 5}), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "pixel data runs past the end of the file");
    EXPECT_EQ(StatusOf(B("P5\n2 1\n256\n", {1, 2, 3})), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P4\n9 2\n", {1, 2, 3})), IoStatus::Damaged);
    // Far too short for the values it promises: refused before allocating.
    EXPECT_EQ(StatusOf(B("P3\n30000 30000\n255\n1 2 3\n")), IoStatus::Damaged);
    // Short by one value, and with enough bytes to pass the first estimate.
    EXPECT_EQ(StatusOf(B("P3\n2 1\n255\n1    2    3    4    5\n"), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "pixel values end early");
    EXPECT_EQ(StatusOf(B("P1\n3 1\n1 0 2\n")), IoStatus::Damaged);
    EXPECT_EQ(StatusOf(B("P1\n3 1\n1 0    \n")), IoStatus::Damaged);
}

TEST(PnmRefuse, LargeAsciiRasterShortByOneValue) {
    std::string text = BigAsciiGrey(1001, 500, "");
    text.resize(text.find_last_not_of(" \t\r\n") + 1);
    text.resize(text.find_last_of(" \t\r\n") + 1);  // drop the last value
    for (const int threads : {1, 2}) {
        SetThreadCount(threads);
        EXPECT_EQ(StatusOf(B(text)), IoStatus::Damaged);
    }
    SetThreadCount(0);
}

TEST(PnmRefuse, MemoryBudgetGivesOutOfMemory) {
    DecodedImage img;
    img.memory_budget = 6 * 4 - 1;
    EXPECT_EQ(Decode(B("P5 2 2 255\n", {1, 2, 3, 4}), img).status, IoStatus::OutOfMemory);
    img.memory_budget = 6 * 4;
    EXPECT_TRUE(Decode(B("P5 2 2 255\n", {1, 2, 3, 4}), img).ok());
}

// ---- writing ----

ImageRecord MakeRecord(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) {
        rec.plane(c).Allocate(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        // Values of every decimal length.
        for (std::size_t i = 0; i < rec.plane(c).size(); ++i)
            rec.plane(c)[i] = static_cast<uint16_t>(rng() >> (rng() % 17));
    }
    return rec;
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

void ExpectSamePlanes(const ImageRecord& rec, const DecodedImage& img) {
    ASSERT_EQ(img.width, rec.width);
    ASSERT_EQ(img.height, rec.height);
    for (int c = 0; c < 3; ++c) {
        const Plane& back = c == 0 ? img.red : c == 1 ? img.green : img.blue;
        for (std::size_t i = 0; i < back.size(); ++i)
            if (back[i] != rec.plane(c)[i]) FAIL() << "channel " << c << " sample " << i;
    }
}

TEST(PnmWrite, BinaryAndAsciiRoundTripsGiveIdenticalPlanes) {
    TempDir dir;
    // Wide enough that the text is formatted in several blocks.
    const ImageRecord rec = MakeRecord(20001, 60, 2);
    for (const bool ascii : {false, true}) {
        SCOPED_TRACE(ascii ? "P3" : "P6");
        const std::string path = dir.Path(ascii ? "t3.ppm" : "t6.ppm");
        ASSERT_TRUE(WriteImageFile(path, kFormatPnm, rec,
                                   WriteOptions{.jpeg_exif = true, .ppm_ascii = ascii})
                        .ok());
        DecodedImage img;
        ASSERT_TRUE(ReadImageFile(path, kFormatPnm, img).ok());
        ExpectSamePlanes(rec, img);
    }
}

TEST(PnmWrite, OutputDoesNotDependOnTheThreadCount) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(301, 211, 3);
    SetThreadCount(1);
    ASSERT_TRUE(WritePnm(dir.Path("one.ppm"), rec, true).ok());
    SetThreadCount(3);
    ASSERT_TRUE(WritePnm(dir.Path("three.ppm"), rec, true).ok());
    SetThreadCount(0);
    EXPECT_EQ(ReadAll(dir.Path("one.ppm")), ReadAll(dir.Path("three.ppm")));
}

TEST(PnmWrite, UnwritablePathIsReported) {
    TempDir dir;
    const ImageRecord rec = MakeRecord(2, 2, 4);
    EXPECT_EQ(WritePnm(dir.Path("missing/x.ppm"), rec, false).status, IoStatus::CannotOpen);
    EXPECT_EQ(WritePnm(dir.Path("e.ppm"), ImageRecord{}, true).status, IoStatus::Unsupported);
    EXPECT_FALSE(fs::exists(dir.Path("e.ppm")));
}

}  // namespace
}  // namespace orva
