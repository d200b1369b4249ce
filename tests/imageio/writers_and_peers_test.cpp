// What every writer and reader shares: round trips, memory budgets, atomic writes, and files
// another program writes read the way that program reads them, and it reads ours as written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imageio/formats.h"
#include "raw/dng_write.h"
#include "shell/settings.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// The record with the low bytes a format does not keep cleared (a grey record's red plane in
// all three).
ImageRecord Kept(const ImageRecord& rec, uint16_t mask) {
    ImageRecord out = MakeRecord(rec.width, rec.height, 0);
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < out.plane(c).size(); ++i)
            out.plane(c)[i] = rec.plane(rec.single_plane ? 0 : c)[i] & mask;
    return out;
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
    ImageRecord grey = MakeRecord(5, 4, 6);
    grey.single_plane = 1;
    grey.green.Release();
    grey.blue.Release();
    const ImageRecord records[] = {MakeRecord(20001, 150, 2), MakeRecord(70000, 2, 4),
                                   std::move(grey)};
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
        // The reader's memory budget covers its six bytes a pixel, and no more is asked.
        ASSERT_TRUE(
            WriteImageFile(dir.Path(w.name), w.format, MakeRecord(5, 4, 8), w.options).ok());
        const Bytes file = ReadAll(dir.Path(w.name));
        EXPECT_EQ(RefusalStatus(w.format, file, nullptr, 5 * 4 * 6 - 1), IoStatus::OutOfMemory);
        EXPECT_EQ(RefusalStatus(w.format, file, nullptr, 5 * 4 * 6), IoStatus::Ok);
        fs::remove(dir.Path(w.name));
        EXPECT_EQ(
            WriteImageFile(dir.Path("no/such/folder/x"), w.format, records[0], w.options).status,
            IoStatus::CannotOpen);
        EXPECT_EQ(WriteImageFile(dir.Path(w.name), w.format, ImageRecord{}, w.options).status,
                  IoStatus::Unsupported);
        EXPECT_TRUE(fs::is_empty(dir.dir()));
    }
}

constexpr rlim_t kLimit = 512;

// Runs `write` while no file may grow beyond kLimit; with SIGXFSZ ignored a write past the
// limit fails with EFBIG, as a write on a full disk fails. Nothing is reported meanwhile.
bool WriteUnderSizeLimit(const std::function<bool(const std::string&)>& write,
                         const std::string& path) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{kLimit, old.rlim_max};
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    const bool limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    const bool written = write(path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_TRUE(limited);
    return written;
}

struct SinkWriter {
    const char* name;  // the file's name, which gives its kind
    std::function<bool(const std::string&)> write;
};

const ImageRecord& Picture() {
    static const ImageRecord rec = MakeRecord(120, 80, 7);
    return rec;
}

// One writer of each way a file is made: through the sink's buffer, by libtiff writing the
// sink's temporary file by name, in two steps through an intermediate file, and a text file.
const SinkWriter kSinkWriters[] = {
    {"a.png", [](const std::string& p) { return WritePng(p, Picture()).ok(); }},
    {"a.dng", [](const std::string& p) { return WriteDng(p, SampleMosaic(120, 80)).ok(); }},
    {"a.jpg", [](const std::string& p) { return WriteJpegExif(p, Picture()).ok(); }},
    {"a.ovg", [](const std::string& p) { return SaveSettingsFile(p, Settings{}); }},
};

const std::vector<uint8_t> kOld = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

mode_t Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Per writer: a write cut short keeps the old file and leaves nothing; a replace keeps the
// permission bits; a link (to an existing or a missing file) is written through.
TEST(AtomicWrite, FailedWritesKeepTheOldFileReplacesKeepTheModeLinksAreFollowed) {
    for (const SinkWriter& w : kSinkWriters) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        const std::string target = dir.Path(w.name);
        ASSERT_TRUE(w.write(target));
        const std::vector<uint8_t> fresh = ReadAll(target);
        ASSERT_GT(fresh.size(), kLimit);  // the limit cuts every writer short
        WriteAll(target, kOld);
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        EXPECT_FALSE(WriteUnderSizeLimit(w.write, target));
        EXPECT_EQ(ReadAll(target), kOld);
        EXPECT_EQ(Names(dir.dir()), std::vector<std::string>{w.name});
        ASSERT_TRUE(w.write(target));
        EXPECT_EQ(ReadAll(target), fresh);
        EXPECT_EQ(Mode(target), 0640u);

        fs::create_directory(dir.Path("sub"));
        for (const std::string& to : {"../" + std::string(w.name), std::string("missing")}) {
            fs::create_symlink(to, dir.Path("sub/link"));
            ASSERT_TRUE(w.write(dir.Path("sub/link")));
            EXPECT_TRUE(fs::is_symlink(dir.Path("sub/link")));
            EXPECT_EQ(ReadAll(dir.Path("sub/" + to)), fresh);
            fs::remove(dir.Path("sub/link"));
        }
        EXPECT_EQ(Mode(target), 0640u);
        EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{w.name, "sub"}));
        EXPECT_EQ(Names(dir.Path("sub")), std::vector<std::string>{"missing"});
    }
}

TEST(AtomicWrite, AFolderOrPipeIsNotReplaced) {
    TempDir dir;
    fs::create_directory(dir.Path("folder"));
    ASSERT_EQ(mkfifo(dir.Path("pipe").c_str(), 0600), 0);
    for (const char* name : {"folder", "pipe"})
        EXPECT_EQ(WritePng(dir.Path(name), Picture()).status, IoStatus::WriteFailed) << name;
    EXPECT_TRUE(fs::is_directory(dir.Path("folder")));
    EXPECT_TRUE(fs::is_fifo(dir.Path("pipe")));
    EXPECT_EQ(Names(dir.dir()), (std::vector<std::string>{"folder", "pipe"}));
}

// Replaces $SRC, $A, $B, $OUT and $PPM in a command by quoted paths of the folder, and a
// leading "IM" by ImageMagick's program.
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
    if (text.starts_with("IM ")) text.replace(0, 2, "convert-im6.q16");
    return text;
}

// A file another program writes ($OUT), that program's own reading of it ($PPM), and what
// makes sure the file is of the kind the case covers: bytes at offsets, or what
// `identify -format` prints of it.
struct ForeignCase {
    const char* name;
    int format;
    const char* make;
    const char* read;
    std::vector<std::pair<int, int>> kind;
    const char* probe = nullptr;
    const char* expect = nullptr;
};

// A picture of 64 colours (four levels a channel), which GIF holds without quantising.
ImageRecord FewColours(int w, int h, uint32_t seed) {
    ImageRecord rec = MakeRecord(w, h, seed);
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < rec.plane(c).size(); ++i)
            rec.plane(c)[i] = static_cast<uint16_t>((rec.plane(c)[i] >> 14) * 85 * 257);
    return rec;
}

// One case per format, each of a kind that takes its own way through a reader and that the
// hand-made files of each format's tests do not cover: the V5 BMP header, interlaced PNG, GIF
// frames smaller than the screen, interlaced GIF, compressed TIFF strips, a FITS header of another
// writer, subsampled JPEG.
TEST(Peers, FilesWrittenByImageMagickReadLikeItsOwnReading) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    // Odd sizes, so that BMP rows are padded and TIFF strips end part-way.
    ASSERT_TRUE(WritePnm(dir.Path("source.ppm"), MakeRecord(29, 13, 1), false).ok());
    ASSERT_TRUE(WritePnm(dir.Path("a.ppm"), FewColours(29, 13, 2), false).ok());
    // The second picture differs from the first in a small patch only.
    ImageRecord second = FewColours(29, 13, 2);
    for (int y = 5; y < 8; ++y)
        for (int x = 10; x < 14; ++x) second.red[y * 29 + x] = second.green[y * 29 + x] = 0;
    ASSERT_TRUE(WritePnm(dir.Path("b.ppm"), second, false).ok());
    const char* im8 = "IM $OUT[0] -depth 8 PPM:$PPM";
    const char* im16 = "IM $OUT[0] -depth 16 PPM:$PPM";
    // BMP: info header size at 14, bits at 28 (24 in the core header), compression at 30.
    // PNG: bit depth at 24, colour type at 25, interlace at 28. FITS: BITPIX ends at 109,
    // NAXIS at 189.
    const ForeignCase cases[] = {
        // clang-format off
        {"bmp_32", kFormatBmp, "IM $SRC -alpha on BMP:$OUT", im8, {{14, 124}, {28, 32}, {30, 3}}},
        {"rgb16_laced", kFormatPng, "IM $SRC -depth 16 -interlace PNG PNG48:$OUT", im16, {{24, 16}, {25, 2}, {28, 1}}},
        // The second image covers only the changed patch.
        {"gif_optimised", kFormatGif, "IM $A $B -layers Optimize GIF:$OUT", im8, {}, "%w,%h;", "29,13;4,3;"},
        // Thirteen rows reach all four passes.
        {"gif_laced", kFormatGif, "IM $A -interlace GIF GIF:$OUT", im8, {}, "%[interlace]", "GIF"},
        {"lzw16_strips", kFormatTiff, "IM $SRC -depth 16 -compress LZW -define tiff:rows-per-strip=3 TIFF:$OUT", im16, {}, "%C %[tiff:endian] %[tiff:photometric] %z %[channels]", "LZW lsb RGB 16 srgb"},
        {"fits16", kFormatFits, "IM $SRC -depth 16 FITS:$OUT", "IM $OUT -combine -depth 16 PPM:$PPM", {{108, '1'}, {109, '6'}, {189, '3'}}},
        {"jpeg420", kFormatJpeg, "IM $SRC -quality 90 -sampling-factor 2x2 JPEG:$OUT", im8, {}, "%[jpeg:sampling-factor] %[interlace]", "2x2,1x1,1x1 None"},
        // clang-format on
    };
    for (const ForeignCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.Path(c.name), ppm = dir.Path(std::string(c.name) + ".ppm");
        ASSERT_EQ(Shell(Expand(c.make, dir, file, ppm)), 0);
        ASSERT_EQ(Shell(Expand(c.read, dir, file, ppm)), 0);
        // Make sure the file is of the kind this case is meant to cover.
        const Bytes f = ReadAll(file);
        ASSERT_GT(f.size(), 200u);
        for (const auto& [at, value] : c.kind) EXPECT_EQ(f[at], value) << "byte " << at;
        if (c.probe != nullptr) {
            const std::string probe = std::string(c.probe) + "' '" + file + "'";
            EXPECT_EQ(Capture("identify-im6.q16 -format '" + probe), c.expect);
        }
        ExpectReadsLikePeer(file, c.format, ppm, 29, 13, 0);
    }
}

TEST(Peers, ImageMagickReadsOurFilesAsWritten) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    struct Case {
        const char* name;
        int format;
        ImageRecord rec;
        const char* read;  // a command reading $OUT into a 16-bit $PPM
        uint16_t mask;
    };
    // Random samples: no two rows alike, so a flipped or shifted picture cannot pass. FITS
    // planes come to ImageMagick as grey frames.
    const Case cases[] = {
        {"a.png", kFormatPng, MakeRecord(37, 19, 9), "IM $OUT -depth 8 PPM:$PPM", 0xFF00},
        {"a.tif", kFormatTiff, MakeRecord(37, 23, 6), "IM $OUT -depth 16 PPM:$PPM", 0xFFFF},
        {"a.fits", kFormatFits, MakeRecord(13, 9, 6), "IM $OUT -combine -depth 16 PPM:$PPM",
         0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = dir.Path(c.name), ppm = dir.Path("theirs.ppm");
        ASSERT_TRUE(WriteImageFile(out, c.format, c.rec).ok());
        // Without a complaint on stderr either.
        const std::string err = dir.Path("err.txt");
        ASSERT_EQ(std::system((Expand(c.read, dir, out, ppm) + " 2>'" + err + "'").c_str()), 0);
        EXPECT_TRUE(ReadAll(err).empty());
        DecodedImage theirs;
        ASSERT_TRUE(ReadImageFile(ppm, kFormatPnm, theirs).ok());
        ExpectSamePlanes(theirs, Kept(c.rec, c.mask));
    }
}

}  // namespace
}  // namespace orva
