#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
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

// ---- building files by hand ----

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
std::size_t EntryAt(const Bytes& b, uint16_t tag, bool required = true) {
    const std::size_t ifd = b[4] | b[5] << 8 | b[6] << 16 | static_cast<std::size_t>(b[7]) << 24;
    const std::size_t count = b[ifd] | b[ifd + 1] << 8;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + 12 * i;
        if ((b[e] | b[e + 1] << 8) == tag) return e;
    }
    if (required) ADD_FAILURE() << "no tag " << tag;
    return 0;
}

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
    // Two one-row strips, the second stored first (libtiff).
    std::vector<Field> swapped = Plain(1, 2, {8, 8, 8}, 2, 6);
    SetField(swapped, {273, kLong, {kData + 3, kData}});
    SetField(swapped, {278, kLong, {1}});
    SetField(swapped, {279, kLong, {3, 3}});
    // Planar: all red samples, then all green, then all blue.
    std::vector<Field> planar = Plain(2, 1, {16, 16, 16}, 2, 12);
    SetField(planar, {273, kLong, {kData, kData + 4, kData + 8}});
    SetField(planar, {279, kLong, {4, 4, 4}});
    SetField(planar, {284, kShort, {2}});
    // RGBA with unassociated alpha: the colour is kept as it is, even where alpha is 0.
    std::vector<Field> rgba = Plain(2, 1, {8, 8, 8, 8}, 2, 8);
    rgba.push_back({338, kShort, {2}});
    // 2-bit indices 3, 0, 1, 2; the map lists 4 reds, then 4 greens, then 4 blues.
    std::vector<Field> palette = Plain(4, 1, {2}, 3, 1);
    palette.push_back({320,
                       kShort,
                       {0x1111, 0x2222, 0x3333, 0xFFFF, 0x0102, 0x0304, 0x0506, 0x0708, 0xA000,
                        0xB000, 0xC000, 0xD000}});
    // A map holding only 8-bit values is scaled like 8-bit samples.
    std::vector<Field> palette8 = Plain(2, 1, {1}, 3, 1);
    palette8.push_back({320, kShort, {10, 255, 20, 0, 30, 128}});
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
        // 4 bits: 0, 15, 5, 10 (two pixels a byte, high nibble first), stretched to 8-bit levels.
        {"4-bit grey", MakeTiff(false, Plain(4, 1, {4}, 1, 2), {0x0F, 0x5A}), 4,
         {Grey(0), Grey(255 << 8), Grey(85 << 8), Grey(170 << 8)}},
        // 1 bit, white at zero; rows padded to whole bytes, so row 2 starts at byte 2.
        {"1-bit, white zero", MakeTiff(false, Plain(9, 2, {1}, 0, 4), {0x80, 0x00, 0x00, 0x80}), 9,
         {W, W, W, W, W, W, W, W, K, K, W, W, W, W, W, W, W, W}},
        {"strips out of order", MakeTiff(false, swapped, {7, 8, 9, 1, 2, 3}), 1,
         {C8(7, 8, 9), C8(1, 2, 3)}},
        {"separate planes",
         MakeTiff(true, planar, Samples16({0x1001, 0x1002, 0x2001, 0x2002, 0x3001, 0x3002}, true)),
         2, {Rgb{0x1001, 0x2001, 0x3001}, Rgb{0x1002, 0x2002, 0x3002}}},
        {"unassociated alpha ignored", MakeTiff(false, rgba, {10, 20, 30, 0, 40, 50, 60, 128}), 2,
         {C8(10, 20, 30), C8(40, 50, 60)}},
        {"palette, 16-bit map", MakeTiff(false, palette, {0b11000110}), 4,
         {Rgb{0xFFFF, 0x0708, 0xD000}, Rgb{0x1111, 0x0102, 0xA000}, Rgb{0x2222, 0x0304, 0xB000},
          Rgb{0x3333, 0x0506, 0xC000}}},
        {"palette, 8-bit map", MakeTiff(false, palette8, {0b01000000}), 2,
         {C8(10, 20, 30), C8(255, 0, 128)}},
        // Through libtiff's colour conversion at 8 bits: (255 - 51) each, no blue.
        {"CMYK",
         MakeTiff(false, Plain(3, 1, {8, 8, 8, 8}, 5, 12),
                  {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 51}),
         3, {C8(255, 255, 255), C8(0, 255, 255), C8(204, 204, 0)}},
        // clang-format on
    };
    for (const PixelCase& c : cases) ExpectDecodes(kFormatTiff, c);
}

TEST(TiffRefuse, DamagedAbsurdAndUnsupportedFiles) {
    const Bytes file = MakeTiff(false, Plain(1, 1, {8, 8, 8}, 2, 3), {1, 2, 3});
    Bytes far_directory = file;
    Put32(far_directory, 4, static_cast<uint32_t>(file.size() - 1), false);
    Bytes long_directory = file;
    Put16(long_directory, 12, 500, false);  // entry count: the directory is at 12
    // Bits table: three values do not fit the entry; its offset points past the end.
    Bytes far_bits = file;
    Put32(far_bits, EntryAt(far_bits, 258) + 8, static_cast<uint32_t>(file.size() - 2), false);
    std::vector<Field> f = Plain(1, 3, {8, 8, 8}, 2, 9);
    SetField(f, {273, kLong, {kData, kData + 3, kData + 6}});
    SetField(f, {278, kShort, {1}});
    Bytes far_offsets = MakeTiff(false, f, Bytes(9, 1));
    Put32(far_offsets, EntryAt(far_offsets, 273) + 8, 0xFFFFFFF0, false);
    // The pixels start so close to the end that one byte is missing.
    Bytes late_pixels = MakeTiff(false, Plain(2, 2, {16, 16, 16}, 2, 24), Bytes(24, 1));
    Put32(late_pixels, EntryAt(late_pixels, 273) + 8,
          static_cast<uint32_t>(late_pixels.size() - 23), false);
    // Through libtiff: a strip whose byte count runs past the end, and an uncompressed strip
    // too short for its rows.
    std::vector<Field> packed = Plain(4, 4, {8}, 1, 100000);
    SetField(packed, {259, kShort, {32773}});
    std::vector<Field> grey = Plain(4, 4, {8}, 1, 8);
    SetField(grey, {278, kShort, {2}});
    SetField(grey, {273, kLong, {kData, kData + 8}});
    SetField(grey, {279, kLong, {8, 7}});
    std::vector<Field> huge = Plain(1, 1, {8, 8, 8}, 2, 3);
    SetField(huge, {256, kLong, {(1u << 20) + 1}});
    std::vector<Field> huge_grey = huge;
    SetField(huge_grey, {277, kShort, {1}});
    SetField(huge_grey, {262, kShort, {1}});
    SetField(huge_grey, {258, kShort, {8}});
    std::vector<Field> floats = Plain(1, 1, {32}, 1, 4);
    floats.push_back({339, kShort, {3}});  // floating-point samples
    const Refusal cases[] = {
        // clang-format off
        {"mixed byte order mark", {'I', 'M', 42, 0, 8, 0, 0, 0}, IoStatus::NotThisFormat, ""},
        {"short header", {'I', 'I', 42, 0, 8}, IoStatus::Damaged, ""},
        {"directory outside", far_directory, IoStatus::Damaged,
         "first directory lies outside the file"},
        {"directory too long", long_directory, IoStatus::Damaged,
         "directory runs past the end of the file"},
        {"bits table outside", far_bits, IoStatus::Damaged,
         "bits-per-sample table lies outside the file"},
        {"strip offsets outside", far_offsets, IoStatus::Damaged,
         "strip offset table lies outside the file"},
        {"pixels past the end", late_pixels, IoStatus::Damaged,
         "pixel data runs past the end of the file"},
        {"strip past the end", MakeTiff(false, packed, Bytes(16, 1)), IoStatus::Damaged,
         "strip or tile lies outside the file"},
        {"strip short for its rows", MakeTiff(false, grey, Bytes(16, 1)), IoStatus::Damaged,
         "pixel data runs past the end of the file"},
        {"zero width", MakeTiff(false, Plain(0, 1, {8, 8, 8}, 2, 3), {1, 2, 3}), IoStatus::Damaged,
         ""},
        {"huge width", MakeTiff(false, huge, {1, 2, 3}), IoStatus::TooLarge, ""},
        {"huge width, libtiff", MakeTiff(false, huge_grey, {1, 2, 3}), IoStatus::TooLarge, ""},
        // Within the limits, far beyond the file, on both paths.
        {"far beyond the file", MakeTiff(false, Plain(30000, 30000, {8, 8, 8}, 2, 3), {1, 2, 3}),
         IoStatus::Damaged, ""},
        {"far beyond the file, libtiff",
         MakeTiff(false, Plain(30000, 30000, {16}, 1, 3), {1, 2, 3}), IoStatus::Damaged, ""},
        {"float samples", MakeTiff(false, floats, {0, 0, 0x80, 0x3F}), IoStatus::Unsupported,
         "32-bit samples"},
        // clang-format on
    };
    for (const Refusal& c : cases) ExpectRefusal(kFormatTiff, c);

    // A 16 x 16 picture in one tile of 32768 x 32768 (six gigabytes decoded).
    std::vector<Field> tiled = {{256, kShort, {16}},         {257, kShort, {16}},
                                {258, kShort, {16, 16, 16}}, {259, kShort, {8}},
                                {262, kShort, {2}},          {277, kShort, {3}},
                                {322, kShort, {32768}},      {323, kShort, {32768}},
                                {324, kLong, {kData}},       {325, kLong, {8}}};
    std::string why;
    const IoStatus s = RefusalStatus(kFormatTiff, MakeTiff(false, tiled, Bytes(8, 0)), &why);
    EXPECT_TRUE(s == IoStatus::TooLarge || s == IoStatus::Damaged) << why;

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
