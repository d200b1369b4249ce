#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

namespace fs = std::filesystem;

constexpr uint16_t kByte = 1, kShort = 3, kLong = 4;

void Put16(Bytes& b, std::size_t at, uint32_t v, bool big) {
    b[at + (big ? 1 : 0)] = static_cast<uint8_t>(v);
    b[at + (big ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, uint32_t v, bool big) {
    Put16(b, at + (big ? 2 : 0), v & 0xFFFF, big);
    Put16(b, at + (big ? 0 : 2), v >> 16, big);
}

struct Field {
    uint16_t tag, type;
    std::vector<uint32_t> values;
};

// Where MakeTiff puts the data: right after the 8-byte header.
constexpr uint32_t kData = 8;

// A classic TIFF: the header, `data` from offset 8, the directory (fields sorted by tag),
// then the values that do not fit in their entries.
Bytes MakeTiff(bool big, std::vector<Field> fields, const Bytes& data) {
    std::sort(fields.begin(), fields.end(),
              [](const Field& a, const Field& b) { return a.tag < b.tag; });
    Bytes b(8 + data.size() + (data.size() & 1), 0);  // the directory starts on a word
    b[0] = b[1] = big ? 'M' : 'I';
    Put16(b, 2, 42, big);
    std::copy(data.begin(), data.end(), b.begin() + 8);
    const std::size_t ifd = b.size();
    Put32(b, 4, static_cast<uint32_t>(ifd), big);
    b.resize(ifd + 2 + 12 * fields.size() + 4, 0);
    Put16(b, ifd, static_cast<uint32_t>(fields.size()), big);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        const std::size_t e = ifd + 2 + 12 * i;
        const std::size_t size = f.type == kByte ? 1 : f.type == kShort ? 2 : 4;
        Put16(b, e, f.tag, big);
        Put16(b, e + 2, f.type, big);
        Put32(b, e + 4, static_cast<uint32_t>(f.values.size()), big);
        std::size_t at = e + 8;
        if (size * f.values.size() > 4) {
            at = b.size();
            Put32(b, e + 8, static_cast<uint32_t>(at), big);
            b.resize(at + size * f.values.size(), 0);
        }
        for (std::size_t k = 0; k < f.values.size(); ++k) {
            if (size == 1) b[at + k] = static_cast<uint8_t>(f.values[k]);
            if (size == 2) Put16(b, at + 2 * k, f.values[k], big);
            if (size == 4) Put32(b, at + 4 * k, f.values[k], big);
        }
    }
    return b;
}

// The fields of an uncompressed image in one strip at kData.
std::vector<Field> Plain(uint32_t w, uint32_t h, std::vector<uint32_t> bits, uint32_t photometric,
                         uint32_t data_bytes) {
    const auto samples = static_cast<uint32_t>(bits.size());
    return {{256, kShort, {w}},           {257, kShort, {h}},
            {258, kShort, bits},          {259, kShort, {1}},
            {262, kShort, {photometric}}, {273, kLong, {kData}},
            {277, kShort, {samples}},     {278, kLong, {h}},
            {279, kLong, {data_bytes}}};
}

void SetField(std::vector<Field>& fields, Field f) {
    for (Field& old : fields) {
        if (old.tag == f.tag) {
            old = std::move(f);
            return;
        }
    }
    fields.push_back(std::move(f));
}

// File offset of the little-endian entry of `tag` in the first directory (0 when there is
// none and none is `required`).
Bytes Samples16(const std::vector<uint16_t>& v, bool big) {
    Bytes b(2 * v.size());
    for (std::size_t i = 0; i < v.size(); ++i) Put16(b, 2 * i, v[i], big);
    return b;
}

// Hand-made files, read by our own reader (plain chunky RGB) or handed to libtiff.
TEST(TiffRead, HandWorkedFiles) {
    const std::vector<uint16_t> v16 = {0x0102, 0xFFFF, 0x8001, 0x1234, 0x0000, 0x00FF,
                                       0xABCD, 0x0001, 0x7FFF, 0x4321, 0xFF00, 0x0F0F};
    const std::vector<Rgb> v16_expect = {{0xABCD, 0x0001, 0x7FFF},
                                         {0x4321, 0xFF00, 0x0F0F},
                                         {0x0102, 0xFFFF, 0x8001},
                                         {0x1234, 0x0000, 0x00FF}};
    // BitsPerSample given once for all samples, sizes as LONG, the offset as SHORT.
    std::vector<Field> f16 = Plain(2, 2, {16}, 2, 24);
    SetField(f16, {256, kLong, {2}});
    SetField(f16, {273, kShort, {kData}});
    SetField(f16, {277, kShort, {3}});
    // Three strips of one row each, one after another.
    std::vector<Field> strips = Plain(1, 3, {8, 8, 8}, 2, 9);
    SetField(strips, {273, kLong, {kData, kData + 3, kData + 6}});
    SetField(strips, {278, kShort, {1}});
    SetField(strips, {279, kLong, {3, 3, 3}});
    // RGBA with unassociated alpha: the colour is kept as it is, even where alpha is 0.
    std::vector<Field> rgba = Plain(2, 1, {8, 8, 8, 8}, 2, 8);
    rgba.push_back({338, kShort, {2}});
    // 2-bit indices 3, 0, 1, 2; the map lists 4 reds, then 4 greens, then 4 blues.
    std::vector<Field> palette = Plain(4, 1, {2}, 3, 1);
    palette.push_back({320,
                       kShort,
                       {0x1111, 0x2222, 0x3333, 0xFFFF, 0x0102, 0x0304, 0x0506, 0x0708, 0xA000,
                        0xB000, 0xC000, 0xD000}});
    // The older layout carries Orientation but neither RowsPerStrip nor StripByteCounts.
    std::vector<Field> old = Plain(1, 2, {16, 16, 16}, 2, 12);
    std::erase_if(old, [](const Field& f) { return f.tag == 278 || f.tag == 279; });
    old.push_back({274, kShort, {1}});
    const Rgb W = Grey(255 << 8), K = Grey(0);
    const PixelCase cases[] = {
        // clang-format off
        {"8-bit RGB, top row first",
         MakeTiff(false, Plain(2, 2, {8, 8, 8}, 2, 12), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 2,
         {C8(7, 8, 9), C8(10, 11, 12), C8(1, 2, 3), C8(4, 5, 6)}},
        {"16-bit RGB, II", MakeTiff(false, f16, Samples16(v16, false)), 2, v16_expect},
        {"16-bit RGB, MM", MakeTiff(true, f16, Samples16(v16, true)), 2, v16_expect},
        {"older eight-entry layout", MakeTiff(false, old, Samples16({1, 2, 3, 4, 5, 6}, false)), 1, {Rgb{4, 5, 6}, Rgb{1, 2, 3}}},
        {"strips one after another", MakeTiff(false, strips, {1, 1, 1, 2, 2, 2, 3, 3, 3}), 1,
         {C8(3, 3, 3), C8(2, 2, 2), C8(1, 1, 1)}},
        // One 16-bit sample per pixel: not 5-5-5 colour, but grey.
        {"16-bit grey",
         MakeTiff(false, Plain(3, 1, {16}, 1, 6), Samples16({0x0102, 0xFFFF, 0x8001}, false)), 3,
         {Grey(0x0102), Grey(0xFFFF), Grey(0x8001)}},
        // 1 bit, white at zero; rows padded to whole bytes, so row 2 starts at byte 2.
        {"1-bit, white zero", MakeTiff(false, Plain(9, 2, {1}, 0, 4), {0x80, 0x00, 0x00, 0x80}), 9,
         {W, W, W, W, W, W, W, W, K, K, W, W, W, W, W, W, W, W}},
        {"unassociated alpha ignored", MakeTiff(false, rgba, {10, 20, 30, 0, 40, 50, 60, 128}), 2,
         {C8(10, 20, 30), C8(40, 50, 60)}},
        {"palette, 16-bit map", MakeTiff(false, palette, {0b11000110}), 4,
         {Rgb{0xFFFF, 0x0708, 0xD000}, Rgb{0x1111, 0x0102, 0xA000}, Rgb{0x2222, 0x0304, 0xB000},
          Rgb{0x3333, 0x0506, 0xC000}}},
        // clang-format on
    };
    for (const PixelCase& c : cases) ExpectDecodes(kFormatTiff, c);
}

TEST(TiffRefuse, DamagedAbsurdAndUnsupportedFiles) {
    const Bytes file = MakeTiff(false, Plain(1, 1, {8, 8, 8}, 2, 3), {1, 2, 3});
    Bytes far_directory = file;
    Put32(far_directory, 4, static_cast<uint32_t>(file.size() - 1), false);
    std::vector<Field> huge = Plain(1, 1, {8, 8, 8}, 2, 3);
    SetField(huge, {256, kLong, {(1u << 20) + 1}});
    std::vector<Field> floats = Plain(1, 1, {24}, 1, 3);
    floats.push_back({339, kShort, {3}});  // 24-bit floating-point samples
    const Refusal cases[] = {
        // clang-format off
        {"mixed byte order mark", {'I', 'M', 42, 0, 8, 0, 0, 0}, IoStatus::NotThisFormat, ""},
        {"directory outside", far_directory, IoStatus::Damaged,
         "first directory lies outside the file"},
        {"huge width", MakeTiff(false, huge, {1, 2, 3}), IoStatus::TooLarge, ""},
        // Within the limits, far beyond the file.
        {"far beyond the file", MakeTiff(false, Plain(30000, 30000, {8, 8, 8}, 2, 3), {1, 2, 3}),
         IoStatus::Damaged, ""},
        {"24-bit float samples", MakeTiff(false, floats, {0, 0x80, 0x3F}), IoStatus::Unsupported,
         "24-bit samples"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatTiff, c);

    // The memory budget, on both paths.
    const Bytes rgb_file = MakeTiff(false, Plain(10, 10, {8, 8, 8}, 2, 300), Bytes(300, 1));
    const Bytes grey_file = MakeTiff(false, Plain(10, 10, {8}, 1, 100), Bytes(100, 1));
    for (const Bytes* b : {&rgb_file, &grey_file}) {
        EXPECT_EQ(RefusalStatus(kFormatTiff, *b, nullptr, 599), IoStatus::OutOfMemory);
        EXPECT_EQ(RefusalStatus(kFormatTiff, *b, nullptr, 600), IoStatus::Ok);
    }
}

TEST(TiffWrite, HeaderAndPixelsOfATwoByOneImage) {
    TempDir dir;
    ImageRecord rec = MakeRecord(2, 1, 1);
    rec.red[0] = 0x0102;
    rec.green[0] = 0x0304;
    rec.blue[0] = 0x0506;
    rec.red[1] = 0xFFFF;
    rec.green[1] = 0x0000;
    rec.blue[1] = 0x8001;
    ASSERT_TRUE(WriteTiff(dir.Path("a.tif"), rec).ok());
    Bytes expect = {
        0x49, 0x49, 0x2A, 0x00, 0x12, 0x00, 0x00, 0x00,  // "II", 42, directory at 18
        0x10, 0x00, 0x10, 0x00, 0x10, 0x00,              // bits per sample: 16, 16, 16
        0x80, 0x00, 0x00, 0x00,                          // strip offset: 128
        0x08, 0x00,                                      // eight entries
        0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // width 2
        0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // height 1
        0x02, 0x01, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,  // bits at 8
        0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // uncompressed
        0x06, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // RGB
        0x11, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00,  // strip at 128
        0x15, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // 3 samples
        0x17, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00,  // 12 bytes
    };
    expect.resize(128, 0);  // next directory 0, then zeros up to the pixels
    const Bytes pixels = {0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x80};
    expect.insert(expect.end(), pixels.begin(), pixels.end());
    EXPECT_EQ(ReadAll(dir.Path("a.tif")), expect);
}

}  // namespace
}  // namespace orva
