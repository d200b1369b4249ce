#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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

// File offset of the little-endian entry of `tag` in the first directory.
std::size_t EntryAt(const Bytes& b, uint16_t tag) {
    const std::size_t ifd = b[4] | b[5] << 8 | b[6] << 16 | static_cast<std::size_t>(b[7]) << 24;
    const std::size_t count = b[ifd] | b[ifd + 1] << 8;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + 12 * i;
        if ((b[e] | b[e + 1] << 8) == tag) return e;
    }
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

Bytes Samples16(const std::vector<uint16_t>& v, bool big) {
    Bytes b(2 * v.size());
    for (std::size_t i = 0; i < v.size(); ++i) Put16(b, 2 * i, v[i], big);
    return b;
}

// Files of the older eight-entry layout carry Orientation but neither RowsPerStrip nor
// StripByteCounts; the bits table is at 8 and the strip offset copy at 14.
Bytes OldLayout() {
    Bytes old(128, 0);
    const uint8_t head[] = {'I', 'I', 42, 0, 18, 0, 0, 0, 16, 0, 16, 0, 16, 0, 128, 0, 0, 0, 8, 0};
    std::copy(std::begin(head), std::end(head), old.begin());
    const uint32_t entries[8][4] = {{256, 3, 1, 1}, {257, 3, 1, 2}, {258, 3, 3, 8},
                                    {259, 3, 1, 1}, {262, 3, 1, 2}, {273, 4, 1, 128},
                                    {274, 3, 1, 1}, {277, 3, 1, 3}};
    for (std::size_t i = 0; i < 8; ++i) {
        Put16(old, 20 + 12 * i, entries[i][0], false);
        Put16(old, 22 + 12 * i, entries[i][1], false);
        Put32(old, 24 + 12 * i, entries[i][2], false);
        Put32(old, 28 + 12 * i, entries[i][3], false);
    }
    const Bytes px = Samples16({1, 2, 3, 4, 5, 6}, false);
    old.insert(old.end(), px.begin(), px.end());
    return old;
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
    const Rgb W = Grey(255 << 8), K = Grey(0);
    const PixelCase cases[] = {
        // clang-format off
        {"8-bit RGB, top row first",
         MakeTiff(false, Plain(2, 2, {8, 8, 8}, 2, 12), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 2,
         {C8(7, 8, 9), C8(10, 11, 12), C8(1, 2, 3), C8(4, 5, 6)}},
        {"16-bit RGB, II", MakeTiff(false, f16, Samples16(v16, false)), 2, v16_expect},
        {"16-bit RGB, MM", MakeTiff(true, f16, Samples16(v16, true)), 2, v16_expect},
        {"older eight-entry layout", OldLayout(), 1, {Rgb{4, 5, 6}, Rgb{1, 2, 3}}},
        {"strips one after another", MakeTiff(false, strips, {1, 1, 1, 2, 2, 2, 3, 3, 3}), 1,
         {C8(3, 3, 3), C8(2, 2, 2), C8(1, 1, 1)}},
        // One 16-bit sample per pixel: not 5-5-5 colour, but grey.
        {"16-bit grey",
         MakeTiff(false, Plain(3, 1, {16}, 1, 6), Samples16({0x0102, 0xFFFF, 0x8001}, false)), 3,
         {Grey(0x0102), Grey(0xFFFF), Grey(0x8001)}},
        {"16-bit grey, white zero",
         MakeTiff(true, Plain(3, 1, {16}, 0, 6), Samples16({0, 0x1234, 0xFFFF}, true)), 3,
         {Grey(0xFFFF), Grey(0xEDCB), Grey(0)}},
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
        {"empty", {}, IoStatus::NotThisFormat, ""},
        {"mixed byte order mark", {'I', 'M', 42, 0, 8, 0, 0, 0}, IoStatus::NotThisFormat, ""},
        {"short header", {'I', 'I', 42, 0, 8}, IoStatus::Damaged, ""},
        {"directory outside", far_directory, IoStatus::Damaged,
         "first directory lies outside the file"},
        {"directory too long", long_directory, IoStatus::Damaged,
         "directory runs past the end of the file"},
        {"cut", Bytes(file.begin(), file.begin() + 40), IoStatus::Damaged, ""},
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

// What a file made by another program holds, as libtiff reports it.
struct TiffKind {
    int compression = 0, photometric = 0, bits = 0, samples = 0, planar = 0;
    bool tiled = false, big_endian = false, several_strips = false, big_tiff = false;
    bool operator==(const TiffKind&) const = default;
};

TiffKind KindOf(const std::string& path) {
    TIFFSetWarningHandler(nullptr);
    TiffKind k;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return k;
    uint16_t v = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &v);
    k.compression = v;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &v);
    k.photometric = v;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &v);
    k.bits = v;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &v);
    k.samples = v;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &v);
    k.planar = v;
    k.tiled = TIFFIsTiled(tif) != 0;
    k.big_endian = TIFFIsBigEndian(tif) != 0;
    k.big_tiff = TIFFIsBigTIFF(tif) != 0;
    k.several_strips = !k.tiled && TIFFNumberOfStrips(tif) > 1;
    TIFFClose(tif);
    return k;
}

struct PeerCase {
    const char* name;
    const char* make;  // command writing $OUT from $SRC ("IM" stands for ImageMagick)
    const char* read;  // command writing the tool's own PPM/PGM of $OUT to $PPM
    TiffKind kind;
    int tolerance;  // largest difference allowed per sample (lossy colour conversions)
};

std::string Expand(std::string text, const std::string& src, const std::string& out,
                   const std::string& ppm) {
    for (const auto& [key, value] :
         {std::pair{std::string("$SRC"), src}, {"$OUT", out}, {"$PPM", ppm}}) {
        for (std::size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), "'" + value + "'");
    }
    if (text.starts_with("IM ")) text.replace(0, 2, "convert-im6.q16");
    return text;
}

TEST(TiffPeer, FilesWrittenByImageMagickAndVipsReadLikeTheirOwnPpm) {
    REQUIRE_TOOL("convert-im6.q16");
    REQUIRE_TOOL("vips");
    TempDir dir;
    // Odd sizes, so that strips, tiles and bit-packed rows end part-way.
    const ImageRecord rec = MakeRecord(37, 23, 7);
    const std::string src = dir.Path("source.ppm");
    ASSERT_TRUE(WritePnm(src, rec, false).ok());

    const char* im8 = "IM $OUT -depth 8 PPM:$PPM";
    const char* im16 = "IM $OUT -depth 16 PPM:$PPM";
    const char* grey8 = "IM $OUT -depth 8 PGM:$PPM";
    const char* grey16 = "IM $OUT -depth 16 PGM:$PPM";
    const char* vips = "vips copy $OUT $PPM";
    // Kind: compression, photometric, bits, samples, planar, tiled, big-endian, several
    // strips, BigTIFF.
    const PeerCase cases[] = {
        // clang-format off
        {"plain16", "IM $SRC -depth 16 -compress None $OUT", im16, {1, 2, 16, 3, 1}, 0},
        {"plain8", "IM $SRC -depth 8 -compress None $OUT", im8, {1, 2, 8, 3, 1}, 0},
        {"lzw16", "IM $SRC -depth 16 -compress LZW $OUT", im16, {5, 2, 16, 3, 1}, 0},
        {"deflate16_predictor", "IM $SRC -depth 16 -compress Zip -define tiff:predictor=2 $OUT",
         im16, {8, 2, 16, 3, 1}, 0},
        {"packbits8", "IM $SRC -depth 8 -compress RLE $OUT", im8, {32773, 2, 8, 3, 1}, 0},
        {"jpeg_rgb", "IM $SRC -depth 8 -compress JPEG $OUT", im8, {7, 2, 8, 3, 1}, 256},
        {"jpeg_ycbcr", "IM $SRC -depth 8 -compress JPEG -colorspace YCbCr $OUT", im8,
         {7, 6, 8, 3, 1}, 256},
        {"palette8", "IM $SRC -colors 40 -type Palette -depth 8 $OUT", im16, {1, 3, 8, 1, 1}, 0},
        {"palette4", "IM $SRC -colors 12 -type Palette $OUT", im16, {1, 3, 4, 1, 1}, 0},
        {"grey8", "IM $SRC -colorspace Gray -depth 8 $OUT", grey8, {1, 1, 8, 1, 1}, 0},
        {"grey16_lzw", "IM $SRC -colorspace Gray -depth 16 -compress LZW $OUT", grey16,
         {5, 1, 16, 1, 1}, 0},
        {"grey8_white_zero",
         "IM $SRC -colorspace Gray -depth 8 -define quantum:polarity=min-is-white $OUT", grey8,
         {1, 0, 8, 1, 1}, 0},
        {"bilevel_g4", "IM $SRC -type Bilevel -compress Group4 $OUT", grey8, {4, 0, 1, 1, 1}, 0},
        {"tiled16_deflate", "IM $SRC -depth 16 -compress Zip -define tiff:tile-geometry=16x16 $OUT",
         im16, {8, 2, 16, 3, 1, true}, 0},
        {"big_endian16", "IM $SRC -depth 16 -define tiff:endian=msb -compress None $OUT", im16,
         {1, 2, 16, 3, 1, false, true}, 0},
        {"big_endian16_lzw", "IM $SRC -depth 16 -define tiff:endian=msb -compress LZW $OUT", im16,
         {5, 2, 16, 3, 1, false, true}, 0},
        {"strips16_lzw", "IM $SRC -depth 16 -compress LZW -define tiff:rows-per-strip=3 $OUT", im16,
         {5, 2, 16, 3, 1, false, false, true}, 0},
        {"separate16", "IM $SRC -depth 16 -interlace Plane $OUT", im16, {1, 2, 16, 3, 2}, 0},
        {"rgba16", "IM $SRC -depth 16 -alpha set -channel A -evaluate set 40% +channel $OUT", im16,
         {1, 2, 16, 4, 1}, 0},
        {"cmyk8", "IM $SRC -colorspace CMYK -depth 8 $OUT", im8, {1, 5, 8, 4, 1}, 3 * 256},
        {"vips_tiled16_deflate",
         "vips tiffsave $SRC $OUT --tile --tile-width 32 --tile-height 32 --compression deflate "
         "--predictor horizontal",
         vips, {8, 2, 16, 3, 1, true}, 0},
        {"vips_bigtiff16_lzw", "vips tiffsave $SRC $OUT --bigtiff --compression lzw", vips,
         {5, 2, 16, 3, 1, false, false, false, true}, 0},
        // clang-format on
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = dir.Path(std::string(c.name) + ".tif");
        const std::string ppm = dir.Path(std::string(c.name) + ".ppm");
        ASSERT_EQ(Shell(Expand(c.make, src, out, ppm)), 0);
        ASSERT_EQ(Shell(Expand(c.read, src, out, ppm)), 0);

        // Make sure the file is of the kind this case is meant to cover (several strips
        // count as one where the case does not ask for them).
        TiffKind k = KindOf(out);
        k.several_strips = k.several_strips && c.kind.several_strips;
        EXPECT_TRUE(k == c.kind);

        const DecodedImage ours = ExpectReadsLikePeer(out, kFormatTiff, ppm, 37, 23, c.tolerance);

        if (c.kind.bits == 16 && c.kind.compression != 1) {
            // Compressed 16-bit files keep their low bytes.
            int low_bytes = 0;
            for (std::size_t i = 0; i < ours.red.size(); ++i)
                low_bytes += (ours.red[i] & 0xFF) != 0;
            EXPECT_GT(low_bytes, 0);
        }
    }
}

// Halves every strip or tile byte count of a little-endian file (SHORT or LONG counts).
void HalveByteCounts(Bytes& b) {
    for (const uint16_t tag : {uint16_t{279}, uint16_t{325}}) {
        const std::size_t ifd =
            b[4] | b[5] << 8 | b[6] << 16 | static_cast<std::size_t>(b[7]) << 24;
        const std::size_t n = b[ifd] | b[ifd + 1] << 8;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t e = ifd + 2 + 12 * i;
            if ((b[e] | b[e + 1] << 8) != tag) continue;
            const bool is_long = b[e + 2] == kLong;
            const std::size_t count = b[e + 4] | b[e + 5] << 8;
            const std::size_t size = is_long ? 4 : 2;
            std::size_t at = e + 8;
            if (count * size > 4) at = b[at] | b[at + 1] << 8 | b[at + 2] << 16;
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t v = at + k * size;
                const uint32_t value = is_long ? (b[v] | b[v + 1] << 8 | b[v + 2] << 16) / 2u
                                               : (b[v] | b[v + 1] << 8) / 2u;
                if (is_long)
                    Put32(b, v, value, false);
                else
                    Put16(b, v, value, false);
            }
        }
    }
}

TEST(TiffPeer, TruncatedAndCorruptedFilesFailCleanly) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    const ImageRecord rec = MakeRecord(40, 30, 8);
    const std::string src = dir.Path("source.ppm");
    ASSERT_TRUE(WritePnm(src, rec, false).ok());
    const char* options[] = {"-depth 16 -compress LZW",
                             "-depth 8 -compress JPEG",
                             "-depth 16 -compress Zip -define tiff:tile-geometry=16x16",
                             "-type Bilevel -compress Group4",
                             "-colors 20 -type Palette",
                             "-depth 8 -interlace Plane -compress RLE"};
    std::mt19937 rng(9);
    for (const char* o : options) {
        SCOPED_TRACE(o);
        const std::string out = dir.Path("x.tif");
        ASSERT_EQ(Shell("convert-im6.q16 '" + src + "' " + o + " '" + out + "'"), 0);
        const Bytes whole = ReadAll(out);
        ASSERT_GT(whole.size(), 100u);
        // The directory comes last in these files: cut, it or the data it points to is lost.
        for (const std::size_t keep : {std::size_t{7}, whole.size() / 2})
            EXPECT_NE(
                RefusalStatus(kFormatTiff, Bytes(whole.begin(), whole.begin() + keep), nullptr),
                IoStatus::Ok)
                << keep;
        // Compressed strips or tiles that end early. JPEG and fax decoders pad such data, and
        // libtiff recomputes the byte count of a single uncompressed strip, as its tolerance
        // allows; the others must refuse it.
        Bytes shortened = whole;
        HalveByteCounts(shortened);
        const IoStatus s = RefusalStatus(kFormatTiff, shortened, nullptr);
        const std::string kind = o;
        if (kind.ends_with("LZW") || kind.ends_with("RLE") || kind.find("Zip") != kind.npos) {
            EXPECT_NE(s, IoStatus::Ok);
        }
        // Flipped bytes anywhere: any result, as long as a failure leaves nothing behind
        // (RefusalStatus checks) and nothing is touched outside the buffers (the sanitizers check).
        for (int round = 0; round < 200; ++round) {
            Bytes bad = whole;
            for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
            (void)RefusalStatus(kFormatTiff, bad, nullptr);
        }
    }
}

}  // namespace
}  // namespace orva
