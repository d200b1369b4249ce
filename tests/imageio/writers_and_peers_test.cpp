// What every writer and reader shares: writers round-trip and fail cleanly, files another
// program writes read the way that program reads them, and it reads ours as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;

// The record with the low bytes a format does not keep cleared (a grey record's red plane in
// all three).
ImageRecord Kept(const ImageRecord& rec, uint16_t mask) {
    ImageRecord out = MakeRecord(rec.width, rec.height, 0);
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < out.plane(c).size(); ++i)
            out.plane(c)[i] = rec.plane(rec.single_plane ? 0 : c)[i] & mask;
    return out;
}

ImageRecord GreyRecord(int w, int h, uint32_t seed) {
    ImageRecord rec = MakeRecord(w, h, seed);
    rec.single_plane = 1;
    rec.green.Release();
    rec.blue.Release();
    return rec;
}

struct WriterCase {
    const char* name;
    int format;
    WriteOptions options;
    uint16_t mask;  // the bits of a sample the file keeps
    bool grey;      // writes a grey record's red plane alone (the others are spread before)
};

// clang-format off
const WriterCase kWriters[] = {
    {"a.bmp", kFormatBmp, {}, 0xFF00, false},
    {"a.png", kFormatPng, {}, 0xFF00, true},
    {"a.tif", kFormatTiff, {}, 0xFFFF, true},
    {"a.fits", kFormatFits, {}, 0xFFFF, true},
    {"a.ppm", kFormatPnm, {.jpeg_exif = true, .ppm_ascii = false}, 0xFFFF, false},
    {"t.ppm", kFormatPnm, {.jpeg_exif = true, .ppm_ascii = true}, 0xFFFF, false},
};
// clang-format on

TEST(Writers, RoundTripWhatTheFormatKeepsAndFailCleanly) {
    TempDir dir;
    // Wide and tall enough that rows are formatted in several blocks and a TIFF width must
    // be written as LONG; and a grey record, which every writer must spread or mark.
    const ImageRecord records[] = {MakeRecord(20001, 150, 2), MakeRecord(70000, 2, 4),
                                   GreyRecord(5, 4, 6)};
    for (const WriterCase& w : kWriters) {
        SCOPED_TRACE(w.name);
        for (const ImageRecord& rec : records) {
            if (rec.single_plane && !w.grey) continue;
            SCOPED_TRACE(rec.width);
            ASSERT_TRUE(WriteImageFile(dir.Path(w.name), w.format, rec, w.options).ok());
            DecodedImage img;
            ASSERT_TRUE(ReadImageFile(dir.Path(w.name), w.format, img).ok());
            ExpectSamePlanes(img, Kept(rec, w.mask));
        }
        std::filesystem::remove(dir.Path(w.name));
        EXPECT_EQ(
            WriteImageFile(dir.Path("no/such/folder/x"), w.format, records[0], w.options).status,
            IoStatus::CannotOpen);
        EXPECT_EQ(WriteImageFile(dir.Path(w.name), w.format, ImageRecord{}, w.options).status,
                  IoStatus::Unsupported);
        EXPECT_TRUE(std::filesystem::is_empty(dir.dir()));
    }
}

// Replaces $SRC, $A, $B, $OUT and $PPM in a command by quoted paths of the folder.
std::string Expand(std::string text, const TempDir& dir, const std::string& out,
                   const std::string& ppm) {
    const std::pair<std::string, std::string> keys[] = {{"$SRC", dir.Path("source.ppm")},
                                                        {"$A", dir.Path("a.ppm")},
                                                        {"$B", dir.Path("b.ppm")},
                                                        {"$OUT", out},
                                                        {"$PPM", ppm}};
    for (const auto& [key, value] : keys)
        for (std::size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), "'" + value + "'");
    return "convert-im6.q16 " + text;
}

struct ForeignCase {
    const char* name;
    int format;
    const char* make;                       // writes $OUT
    int depth;                              // of ImageMagick's own reading
    std::vector<std::pair<int, int>> kind;  // (offset, byte) the file must hold
};

// A picture of 64 colours (four levels a channel), which GIF holds without quantising.
ImageRecord FewColours(int w, int h, uint32_t seed) {
    ImageRecord rec = MakeRecord(w, h, seed);
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < rec.plane(c).size(); ++i)
            rec.plane(c)[i] = static_cast<uint16_t>((rec.plane(c)[i] >> 14) * 85 * 257);
    return rec;
}

TEST(Peers, FilesWrittenByImageMagickReadLikeItsOwnPpm) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    // Odd width so that every BMP kind has padded rows.
    ASSERT_TRUE(WritePnm(dir.Path("source.ppm"), MakeRecord(29, 13, 1), false).ok());
    ASSERT_TRUE(WritePnm(dir.Path("a.ppm"), FewColours(29, 13, 2), false).ok());
    // The second picture differs from the first in a small patch only.
    ImageRecord second = FewColours(29, 13, 2);
    for (int y = 5; y < 8; ++y)
        for (int x = 10; x < 14; ++x) second.red[y * 29 + x] = second.green[y * 29 + x] = 0;
    ASSERT_TRUE(WritePnm(dir.Path("b.ppm"), second, false).ok());
    // BMP: info header size at 14, bits at 28 (24 in the core header), compression at 30.
    // PNG: bit depth at 24, colour type at 25, interlace at 28.
    const ForeignCase cases[] = {
        // clang-format off
        {"bmp3_24", kFormatBmp, "$SRC -type TrueColor BMP3:$OUT", 8, {{14, 40}, {28, 24}, {30, 0}}},
        {"bmp3_8", kFormatBmp, "$SRC -type Palette -compress None BMP3:$OUT", 8, {{14, 40}, {28, 8}, {30, 0}}},
        {"bmp3_rle8", kFormatBmp, "$SRC -type Palette -compress RLE BMP3:$OUT", 8, {{14, 40}, {28, 8}, {30, 1}}},
        {"bmp3_4", kFormatBmp, "$SRC -colors 16 -type Palette -compress None BMP3:$OUT", 8, {{14, 40}, {28, 4}, {30, 0}}},
        {"bmp3_1", kFormatBmp, "$SRC -monochrome -type Palette -compress None BMP3:$OUT", 8, {{14, 40}, {28, 1}, {30, 0}}},
        {"bmp_24", kFormatBmp, "$SRC -type TrueColor BMP:$OUT", 8, {{14, 124}, {28, 24}, {30, 0}}},
        {"bmp_32", kFormatBmp, "$SRC -alpha on BMP:$OUT", 8, {{14, 124}, {28, 32}, {30, 3}}},
        {"bmp2_24", kFormatBmp, "$SRC -type TrueColor BMP2:$OUT", 8, {{14, 12}, {24, 24}}},
        {"bmp2_8", kFormatBmp, "$SRC -type Palette BMP2:$OUT", 8, {{14, 12}, {24, 8}}},
        {"bmp2_4", kFormatBmp, "$SRC -colors 16 -type Palette BMP2:$OUT", 8, {{14, 12}, {24, 4}}},
        {"bmp2_1", kFormatBmp, "$SRC -monochrome -type Palette BMP2:$OUT", 8, {{14, 12}, {24, 1}}},
        {"rgb8", kFormatPng, "$SRC -depth 8 PNG24:$OUT", 8, {{24, 8}, {25, 2}, {28, 0}}},
        {"rgb16", kFormatPng, "$SRC -depth 16 PNG48:$OUT", 16, {{24, 16}, {25, 2}, {28, 0}}},
        {"palette", kFormatPng, "$SRC -colors 50 PNG8:$OUT", 8, {{24, 8}, {25, 3}, {28, 0}}},
        {"grey8", kFormatPng, "$SRC -colorspace Gray -depth 8 -define png:color-type=0 PNG:$OUT", 8, {{24, 8}, {25, 0}}},
        {"grey16", kFormatPng, "$SRC -colorspace Gray -depth 16 -define png:color-type=0 PNG:$OUT", 16, {{24, 16}, {25, 0}}},
        {"mono", kFormatPng, "$SRC -monochrome -define png:bit-depth=1 -define png:color-type=0 PNG:$OUT", 8, {{24, 1}, {25, 0}}},
        {"rgb8_laced", kFormatPng, "$SRC -depth 8 -interlace PNG PNG24:$OUT", 8, {{24, 8}, {28, 1}}},
        {"rgb16_laced", kFormatPng, "$SRC -depth 16 -interlace PNG PNG48:$OUT", 16, {{24, 16}, {28, 1}}},
        {"gif", kFormatGif, "$SRC -colors 200 GIF:$OUT", 8, {}},
        {"gif_interlaced", kFormatGif, "$SRC -colors 64 -interlace GIF GIF:$OUT", 8, {}},
        {"gif_animated", kFormatGif, "$SRC $A -colors 100 -loop 0 GIF:$OUT", 8, {}},
        // The second image covers only the changed patch.
        {"gif_optimised", kFormatGif, "$A $B -layers Optimize GIF:$OUT", 8, {}},
        // clang-format on
    };
    for (const ForeignCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.Path(c.name), ppm = dir.Path(std::string(c.name) + ".ppm");
        ASSERT_EQ(Shell(Expand(c.make, dir, file, ppm)), 0);
        ASSERT_EQ(Shell(Expand("'" + file + "[0]' -depth " + std::to_string(c.depth) + " PPM:$PPM",
                               dir, file, ppm)),
                  0);
        // Make sure the file is of the kind this case is meant to cover.
        const Bytes f = ReadAll(file);
        ASSERT_GT(f.size(), 34u);
        for (const auto& [at, value] : c.kind) EXPECT_EQ(f[at], value) << "byte " << at;

        ExpectReadsLikePeer(file, c.format, ppm, 29, 13);
    }
    EXPECT_EQ(Capture("identify-im6.q16 -format '%w,%h;' '" + dir.Path("gif_optimised") + "'"),
              "29,13;4,3;");
}

TEST(Peers, ImageMagickAndVipsReadOurFilesAsWritten) {
    REQUIRE_TOOL("convert-im6.q16");
    REQUIRE_TOOL("vips");
    TempDir dir;
    // ImageMagick's default policy refuses pictures wider than 16000 pixels.
    std::ofstream(dir.Path("policy.xml"))
        << "<policymap><policy domain=\"resource\" name=\"width\" value=\"100KP\"/>"
           "</policymap>\n";
    const std::string im = "MAGICK_CONFIGURE_PATH='" + dir.dir() + "' convert-im6.q16 ";
    struct Case {
        const char* name;
        int format;
        ImageRecord rec;
        std::string read;  // a command reading $OUT into a 16-bit $PPM
        uint16_t mask;
    };
    // Random samples: no two rows alike, so a flipped or shifted picture cannot pass. FITS
    // planes come to ImageMagick as grey frames.
    Case cases[] = {
        {"a.png", kFormatPng, MakeRecord(37, 19, 9), im + "$OUT -depth 8 PPM:$PPM", 0xFF00},
        {"a.tif", kFormatTiff, MakeRecord(37, 23, 6), im + "$OUT -depth 16 PPM:$PPM", 0xFFFF},
        {"w.tif", kFormatTiff, MakeRecord(70000, 2, 6), im + "$OUT -depth 16 PPM:$PPM", 0xFFFF},
        {"v.tif", kFormatTiff, MakeRecord(37, 23, 6), "vips copy $OUT $PPM", 0xFFFF},
        {"w.tif", kFormatTiff, MakeRecord(70000, 2, 6), "vips copy $OUT $PPM", 0xFFFF},
        {"a.fits", kFormatFits, MakeRecord(13, 9, 6), im + "$OUT -combine -depth 16 PPM:$PPM",
         0xFFFF},
        {"g.fits", kFormatFits, GreyRecord(13, 9, 6), im + "$OUT -depth 16 PPM:$PPM", 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.read);
        SCOPED_TRACE(c.name);
        const std::string out = dir.Path(c.name), ppm = dir.Path("theirs.ppm");
        ASSERT_TRUE(WriteImageFile(out, c.format, c.rec).ok());
        std::string cmd = c.read;
        for (const auto& [key, value] : {std::pair{std::string("$OUT"), out}, {"$PPM", ppm}})
            cmd.replace(cmd.find(key), key.size(), "'" + value + "'");
        // Without a complaint on stderr either.
        ASSERT_EQ(std::system((cmd + " 2>'" + dir.Path("err.txt") + "'").c_str()), 0);
        EXPECT_TRUE(ReadAll(dir.Path("err.txt")).empty());
        DecodedImage theirs;
        ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
        ExpectSamePlanes(theirs, Kept(c.rec, c.mask));
    }
}

}  // namespace
}  // namespace orva
