// JPEG: files the reader refuses, the JFIF and EXIF writers read back by peers, and the EXIF
// reader on structures built by hand in both byte orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/exif.h"
#include "imageio/formats.h"
#include "imageio/tiff_builder.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"
#include "workspace/workspace.h"

namespace orva {
namespace {

using namespace testing;

namespace fs = std::filesystem;

// Smooth colour ramps with a little texture, the kind of picture JPEG is made for.
ImageRecord Smooth(int w, int h, uint32_t seed) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    std::mt19937 rng(seed);
    for (int c = 0; c < 3; ++c) rec.plane(c).Allocate(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto i = static_cast<std::size_t>(y * w + x);
            const int noise = static_cast<int>(rng() % 9) - 4;
            rec.red[i] = static_cast<uint16_t>(std::clamp(255 * x / w + noise, 0, 255) << 8);
            rec.green[i] = static_cast<uint16_t>(std::clamp(255 * y / h + noise, 0, 255) << 8);
            rec.blue[i] = static_cast<uint16_t>(
                std::clamp(255 - 255 * (x + y) / (w + h) + noise, 0, 255) << 8 | 0x7F);
        }
    }
    return rec;
}

// Top-level segments before the scan: marker and offset of its FF.
struct Segment {
    uint8_t marker;
    std::size_t at, length;  // length as in the file (includes its two bytes)
};
std::vector<Segment> Segments(const Bytes& f) {
    std::vector<Segment> out;
    std::size_t p = 2;
    while (p + 4 <= f.size() && f[p] == 0xFF) {
        const std::size_t len = std::size_t{f[p + 2]} << 8 | f[p + 3];
        out.push_back({f[p + 1], p, len});
        if (f[p + 1] == 0xDA) break;
        p += 2 + len;
    }
    return out;
}
const Segment* Find(const std::vector<Segment>& segs, uint8_t marker) {
    for (const Segment& s : segs)
        if (s.marker == marker) return &s;
    return nullptr;
}

TEST(JpegRefuse, CutForeignInconsistentAndOverBudgetFiles) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    ASSERT_TRUE(WritePnm(dir.Path("s.ppm"), Smooth(64, 48, 2), false).ok());
    std::vector<Bytes> files;
    for (const char* options : {"", "-interlace Plane "}) {
        const std::string jpg = dir.Path("a.jpg"), src = "'" + dir.Path("s.ppm") + "' ";
        ASSERT_EQ(Shell("convert-im6.q16 " + src + options + "'" + jpg + "'"), 0);
        files.push_back(ReadAll(jpg));
    }
    const Bytes& f = files[0];
    // Cut-off files are damaged even when only the end marker is missing.
    std::string why;
    EXPECT_EQ(RefusalStatus(kFormatJpeg, Bytes(f.begin(), f.end() - 2), &why), IoStatus::Damaged);
    EXPECT_EQ(why, "JPEG file ends before its picture data does");

    const auto segs = Segments(f);
    const Segment* sof = Find(segs, 0xC0);
    ASSERT_NE(sof, nullptr);
    const auto patched = [&](std::initializer_list<std::pair<std::size_t, uint8_t>> bytes) {
        Bytes b = f;
        for (const auto& [at, v] : bytes) b[sof->at + at] = v;
        return b;
    };
    // An end marker in the middle of the entropy data: libjpeg would pad the rest and warn.
    const Segment* sos = Find(segs, 0xDA);
    ASSERT_NE(sos, nullptr);
    Bytes corrupt = f;
    const std::size_t middle = (sos->at + f.size()) / 2;
    corrupt[middle] = 0xFF;
    corrupt[middle + 1] = 0xD9;
    struct Case {
        const char* name;
        Bytes file;
        uint64_t budget;
        IoStatus status;
    };
    constexpr uint64_t kAll = UINT64_MAX, kPlanes = 64 * 48 * 6;
    // clang-format off
    const Case cases[] = {
        {"BMP",            {'B', 'M', 0, 0},                   kAll, IoStatus::NotThisFormat},
        {"65000 x 65000",  patched({{5, 0xFD}, {6, 0xE8}, {7, 0xFD}, {8, 0xE8}}), kAll, IoStatus::TooLarge},
        // Within the pixel limit, but not one bit for each of its 8 x 8 blocks.
        {"30000 x 30000",  patched({{5, 0x75}, {6, 0x30}, {7, 0x75}, {8, 0x30}}), kAll, IoStatus::Damaged},
        {"corrupt data",   corrupt,                            kAll, IoStatus::Damaged},
        {"12 bits",        patched({{4, 12}}),                 kAll, IoStatus::Unsupported},
        // The memory budget covers the planes and the decoder.
        {"under budget",   f,                                  kPlanes - 1, IoStatus::OutOfMemory},
        {"within budget",  f,                                  kPlanes + 200000, IoStatus::Ok},
        // A progressive file keeps all its coefficients while it is read: a budget that holds
        // the planes but not those is refused, not exceeded.
        {"progressive",    files[1],                           kPlanes, IoStatus::OutOfMemory},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RefusalStatus(kFormatJpeg, c.file, nullptr, c.budget), c.status);
    }
}

TEST(JpegWrite, ImageMagickReadsOurJfifFileCloseToTheSourceWithTheQuality75Tables) {
    REQUIRE_TOOL("convert-im6.q16");
    TempDir dir;
    const ImageRecord rec = Smooth(61, 45, 3);
    const std::string ours = dir.Path("ours.jpg");
    ASSERT_TRUE(WriteImageFile(ours, kFormatJpeg, rec, {.jpeg_exif = false}).ok());
    const Bytes f = ReadAll(ours);
    const auto segs = Segments(f);
    ASSERT_GE(segs.size(), 3u);
    EXPECT_EQ(segs[0].marker, 0xE0);
    EXPECT_EQ(0, std::memcmp(&f[segs[0].at + 4], "JFIF", 5));
    EXPECT_NE(Find(segs, 0xC0), nullptr);  // baseline

    Bytes tables;  // the payloads of every DQT segment
    for (const Segment& s : segs)
        if (s.marker == 0xDB) tables.insert(tables.end(), &f[s.at + 4], &f[s.at + 2 + s.length]);
    ASSERT_EQ(tables.size(), 2u * 65);
    // DC steps: luminance 16 and chrominance 17 at half scale, rounded.
    EXPECT_EQ(std::pair(tables[1], tables[66]), std::pair(uint8_t{8}, uint8_t{9}));

    ASSERT_EQ(Shell("convert-im6.q16 '" + ours + "' -depth 8 PPM:'" + dir.Path("back.ppm") + "'"),
              0);
    DecodedImage back;
    ASSERT_TRUE(ReadImageFile(dir.Path("back.ppm"), kFormatPnm, back).ok());
    ASSERT_EQ(std::pair(back.width, back.height), std::pair(61, 45));
    double sum = 0;
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
        const Plane& b = c == 0 ? back.red : c == 1 ? back.green : back.blue;
        for (std::size_t i = 0; i < b.size(); ++i) {
            const int d = std::abs((b[i] >> 8) - (rec.plane(c)[i] >> 8));
            sum += d;
            worst = std::max(worst, d);
        }
    }
    EXPECT_LT(sum / (3.0 * 61 * 45), 4.0);
    EXPECT_LT(worst, 64);
}

TEST(JpegWrite, SinglePlaneRecordsWriteTheRedPlaneAsGrey) {
    TempDir dir;
    ImageRecord rec = Smooth(16, 16, 4);
    rec.single_plane = 1;
    rec.green.Release();
    rec.blue.Release();
    ASSERT_TRUE(WriteJpegJfif(dir.Path("g.jpg"), rec).ok());
    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(dir.Path("g.jpg"), kFormatJpeg, img).ok());
    for (std::size_t i = 0; i < img.red.size(); ++i) {
        ASSERT_LE(std::abs(img.red[i] - img.green[i]), 512) << i;
        ASSERT_LE(std::abs(img.red[i] - img.blue[i]), 512) << i;
        ASSERT_LE(std::abs((img.red[i] >> 8) - (rec.red[i] >> 8)), 24) << i;
    }
}

// A typical camera structure: IFD0 at 8 with make, model, date and the Exif IFD pointer; the
// Exif IFD with exposure 1/250, F5.6 (56/10) and ISO 800.
Tiff CameraTiff(bool big) {
    Tiff t(big);
    const uint32_t ifd0 = t.Ifd({{271, kAscii, 6, Tiff::Ascii("Canon")},
                                 {272, kAscii, 13, Tiff::Ascii("Canon EOS 5D")},
                                 {282, kRational, 1, t.Rational(72, 1)},
                                 {306, kAscii, 20, Tiff::Ascii("2024:01:02 03:04:05")},
                                 {34665, kLong, 1, t.U32(0)}});
    const uint32_t exif = t.Ifd({{33434, kRational, 1, t.Rational(1, 250)},
                                 {33437, kRational, 1, t.Rational(56, 10)},
                                 {34855, kShort, 1, t.U16(800)}});
    t.Set32(Tiff::ValueField(ifd0, 4), exif);
    return t;
}

struct Fields {
    std::string make, model, date;
    uint32_t exposure = 0, f_number = 0, iso = 0;
};
const Fields kCamera{"Canon",        "Canon EOS 5D", "2024:01:02 03:04:05",
                     1u << 16 | 250, 56u << 16 | 10, 800};

void ExpectFields(const DecodedImage& img, const Fields& want) {
    EXPECT_EQ(img.camera_make, want.make);
    EXPECT_EQ(img.camera_model, want.model);
    EXPECT_EQ(img.date_time, want.date);
    EXPECT_EQ(img.exposure_time, want.exposure);
    EXPECT_EQ(img.f_number, want.f_number);
    EXPECT_EQ(img.iso, want.iso);
}

// IFD0 holding only the Exif IFD pointer, set to the given Exif IFD.
Bytes WithExifIfd(Tiff& t, uint32_t exif) {
    t.Set32(4, t.Ifd({{34665, kLong, 1, t.U32(exif)}}));
    return t.Jpeg();
}

// A camera structure followed by a segment with the given marker and length.
Bytes CameraThen(uint8_t marker, uint8_t length) {
    return CameraTiff(false).Jpeg({0xFF, marker, 0x00, length, 'x', 'm', 'p', '!'});
}

TEST(ExifRead, Structures) {
    constexpr int kNoBlock = -1;
    struct Case {
        const char* name;
        Bytes file;
        int tail;  // bytes at the end of the file outside the kept block
        Fields want;
    };
    // IFD0 after the Exif IFD and some padding, with more than 255 entries (the count's high
    // byte is not zero).
    Tiff far(true);
    {
        const uint32_t exif = far.Ifd({{34855, kShort, 1, far.U16(3200)}});
        far.Pad(13);
        std::vector<Tiff::Field> fields{{271, kAscii, 5, Tiff::Ascii("SONY")}};
        for (uint16_t tag = 300; tag < 560; ++tag) fields.push_back({tag, kShort, 1, far.U16(7)});
        fields.push_back({34665, kLong, 1, far.U32(exif)});
        far.Set32(4, far.Ifd(fields));
    }
    // A make inside the value field, a model longer than 31 characters, a date with a NUL.
    Tiff texts(false);
    texts.Ifd({{271, kAscii, 3, Tiff::Ascii("LG")},
               {272, kAscii, 41, Tiff::Ascii(std::string(40, 'M'))},
               {306, kAscii, 20, Tiff::Ascii(std::string("2020:02:02\0garbage!", 19))}});
    // SOI, a JFIF APP0, then the camera's EXIF APP1 and the tables.
    Bytes jfif_first = CameraTiff(true).Jpeg();
    const Bytes jfif = {0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    jfif_first.insert(jfif_first.begin() + 2, jfif.begin(), jfif.end());
    Bytes app0 = CameraTiff(false).Jpeg();
    app0[3] = 0xE0;
    Tiff two_shorts(false), iso_long(true);
    const Bytes shorts = Tiff::Cat(two_shorts.U16(400), two_shorts.U16(1600));
    const Bytes iso_shorts = WithExifIfd(two_shorts, two_shorts.Ifd({{34855, kShort, 2, shorts}}));
    const Bytes iso_as_long =
        WithExifIfd(iso_long, iso_long.Ifd({{34855, kLong, 1, iso_long.U32(102400)}}));

    // clang-format off
    const Case cases[] = {
        {"Intel",                       CameraTiff(false).Jpeg(), 4, kCamera},
        {"IFD0 anywhere, 260 entries",  far.Jpeg(),               4, {"SONY", "", "", 0, 0, 3200}},
        {"texts cut at NUL and 31",     texts.Jpeg(),             4, {"LG", std::string(31, 'M'), "2020:02:02", 0, 0, 0}},
        {"ISO as two shorts",           iso_shorts,               4, {"", "", "", 0, 0, 400}},
        {"ISO as long",                 iso_as_long,              4, {"", "", "", 0, 0, 102400}},
        {"following APP1 kept",         CameraThen(0xE1, 6),      0, kCamera},
        {"following APP2 left",         CameraThen(0xE2, 6),      8, kCamera},
        // Motorola order, after a JFIF header.
        {"JFIF before EXIF",            jfif_first,               4, kCamera},
        {"APP0 instead of APP1",        app0,                     kNoBlock, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedImage img;  // with values of another file, which the read must not leave
        img.camera_make = "stale";
        img.exposure_time = 1;
        img.exif = {1, 2, 3};
        ReadExif(c.file, img);
        ExpectFields(img, c.want);
        if (c.tail == kNoBlock) {
            EXPECT_TRUE(img.exif.empty());
        } else {
            // The block runs from SOI through the EXIF segment (and a following APP1).
            ASSERT_EQ(img.exif.size(), c.file.size() - static_cast<std::size_t>(c.tail));
            EXPECT_TRUE(std::equal(img.exif.begin(), img.exif.end(), c.file.begin()));
        }
    }
}

TEST(ExifRead, RationalsAreReducedToFitSixteenBits) {
    struct Case {
        uint32_t n, d, packed;
    };
    // clang-format off
    const Case cases[] = {
        {1, 8000, 1u << 16 | 8000},
        {0, 0, 0},
        {1, 100000, 1u << 16 | 65535},    // nearest that fits
        {100000, 1, 65535u << 16 | 1},
        // 1389/250000 after reduction: the nearest fraction with 16-bit parts is 139/25018
        // (scaling both parts down instead would give 364/65535, further off).
        {5556, 1000000, 139u << 16 | 25018},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(PackRational(c.n, c.d), c.packed) << c.n << "/" << c.d;
}

constexpr std::size_t T = 12;  // TIFF offsets count from here

TEST(ExifTemplate, ReadsBackWithTextsCutToTheirRoom) {
    struct Case {
        std::string make, model, date;
        uint32_t exposure, f_number, iso;
        Fields want;
        uint8_t make_count;  // a little-endian LONG
    };
    // clang-format off
    const Case cases[] = {
        // Cut to their room; the ISO to the most a SHORT holds.
        {std::string(30, 'A'), std::string(20, 'B'), "2023:07:08 21:30:00 extra", 0, 0, 100000,
         {std::string(21, 'A'), std::string(15, 'B'), "2023:07:08 21:30:00", 0, 0, 65535}, 22},
        // Without camera data: empty texts (count 1, nothing to point at), 0/0 rationals.
        {"", "", "", 0, 0, 0, {}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make);
        const auto b = BuildExifTemplate(c.make, c.model, c.date, c.exposure, c.f_number, c.iso);
        DecodedImage img;
        img.camera_make = "x";
        ReadExif(b, img);
        ExpectFields(img, c.want);
        EXPECT_EQ(Bytes(b.begin() + T + 14, b.begin() + T + 18), (Bytes{c.make_count, 0, 0, 0}));
        EXPECT_EQ(b[T + 196], 72);  // the model did not run into the resolution
    }
    // A short make lies in the value field.
    const auto s = BuildExifTemplate("LG", "X", "", 0, 0, 0);
    EXPECT_EQ(Bytes(s.begin() + T + 18, s.begin() + T + 20), (Bytes{'L', 'G'}));
    EXPECT_EQ(s[T + 158], 0);
}

// exiftool's view of a file: tag -> printed value (and "Warning" when it has one).
std::map<std::string, std::string> ExifTool(const std::string& file) {
    std::istringstream in(
        Capture("exiftool -S -Make -Model -ModifyDate -DateTimeOriginal "
                "-CreateDate -ExposureTime -FNumber -ISO -Warning '" +
                file + "' 2>&1"));
    std::map<std::string, std::string> tags;
    for (std::string line; std::getline(in, line);)
        if (const auto colon = line.find(": "); colon != std::string::npos)
            tags[line.substr(0, colon)] = line.substr(colon + 2);
    return tags;
}

TEST(JpegExif, WithoutACameraBlockTheFilledTemplateAndAnEmptyApp1ReplaceTheJfifHeader) {
    REQUIRE_TOOL("exiftool");
    TempDir dir;
    const Fields fuji{"FUJIFILM",     "X-T5",         "2024:03:04 05:06:07",
                      1u << 16 | 125, 28u << 16 | 10, 640};
    ImageRecord rec = Smooth(40, 30, 7);
    rec.camera_make = fuji.make;
    rec.camera_model = fuji.model;
    rec.date_time = fuji.date;
    rec.exposure_time = fuji.exposure;
    rec.f_number = fuji.f_number;
    rec.iso = fuji.iso;
    const std::string path = dir.Path("t.jpg");
    ASSERT_TRUE(WriteImageFile(path, kFormatJpeg, rec, {.jpeg_exif = true}).ok());
    ASSERT_TRUE(WriteJpegJfif(dir.Path("plain.jpg"), rec).ok());

    const Bytes f = ReadAll(path);
    const Bytes jfif = ReadAll(dir.Path("plain.jpg"));
    const auto block =
        BuildExifTemplate(fuji.make, fuji.model, fuji.date, fuji.exposure, fuji.f_number, fuji.iso);
    ASSERT_GT(f.size(), 784u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), f.begin()));
    const Bytes empty_app1 = {0xFF, 0xE1, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(empty_app1.begin(), empty_app1.end(), f.begin() + 768));
    const std::size_t body = 4 + (std::size_t{jfif[4]} << 8 | jfif[5]);
    EXPECT_EQ(Bytes(f.begin() + 784, f.end()),
              Bytes(jfif.begin() + static_cast<long>(body), jfif.end()));

    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(path, kFormatJpeg, img).ok());
    ExpectFields(img, fuji);
    EXPECT_EQ(img.exif, Bytes(f.begin(), f.begin() + 784));  // the template and the empty APP1

    const auto tags = ExifTool(path);
    EXPECT_EQ(tags, (std::map<std::string, std::string>{{"Make", "FUJIFILM"},
                                                        {"Model", "X-T5"},
                                                        {"ModifyDate", "2024:03:04 05:06:07"},
                                                        {"DateTimeOriginal", "2024:03:04 05:06:07"},
                                                        {"CreateDate", "2024:03:04 05:06:07"},
                                                        {"ExposureTime", "1/125"},
                                                        {"FNumber", "2.8"},
                                                        {"ISO", "640"}}));  // and no warning
}

TEST(JpegExif, ACameraFileKeepsItsApp1SegmentsByteForByte) {
    REQUIRE_TOOL("convert-im6.q16");
    REQUIRE_TOOL("exiftool");
    TempDir dir;
    const ImageRecord rec = Smooth(48, 32, 9);
    ASSERT_TRUE(WritePnm(dir.Path("s.ppm"), rec, false).ok());
    const std::string camera = dir.Path("camera.jpg");
    ASSERT_EQ(Shell("convert-im6.q16 '" + dir.Path("s.ppm") + "' '" + camera + "'"), 0);
    // As a camera writes it: no JFIF header, EXIF right after SOI (exiftool writes it in
    // Motorola order), then XMP in a second APP1.
    ASSERT_EQ(Shell("exiftool -overwrite_original -JFIF:all= -Make=Canon "
                    "'-Model=Canon EOS R5' '-ModifyDate=2024:05:06 07:08:09' "
                    "'-DateTimeOriginal=2024:05:06 07:08:09' -ExposureTime=1/250 -FNumber=5.6 "
                    "-ISO=800 -XMP-dc:Creator=Someone '" +
                    camera + "'"),
              0);
    const Bytes cam = ReadAll(camera);
    const auto cam_segs = Segments(cam);
    ASSERT_GE(cam_segs.size(), 2u);
    ASSERT_EQ(cam_segs[0].marker, 0xE1);
    ASSERT_EQ(cam_segs[1].marker, 0xE1);
    ASSERT_EQ(cam[12], 'M');

    DecodedImage img;
    ASSERT_TRUE(ReadImageFile(camera, kFormatJpeg, img).ok());
    // exiftool writes 5.6 as 28/5.
    ExpectFields(
        img, {"Canon", "Canon EOS R5", "2024:05:06 07:08:09", 1u << 16 | 250, 28u << 16 | 5, 800});
    const std::size_t block_end = cam_segs[1].at + 2 + cam_segs[1].length;
    EXPECT_EQ(img.exif, Bytes(cam.begin(), cam.begin() + static_cast<long>(block_end)));

    ImageRecord loaded;
    StoreDecoded(loaded, std::move(img), "");
    const std::string saved = dir.Path("saved.jpg");
    ASSERT_TRUE(WriteImageFile(saved, kFormatJpeg, loaded, {.jpeg_exif = true}).ok());
    const Bytes out = ReadAll(saved);
    ASSERT_GT(out.size(), block_end);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(block_end)), loaded.exif);
    const auto segs = Segments(out);
    EXPECT_EQ(Find(segs, 0xE0), nullptr);  // no JFIF header
    EXPECT_NE(Find(segs, 0xDB), nullptr);  // our tables and scan follow

    const auto tags = ExifTool(saved);
    EXPECT_EQ(tags.at("Model"), "Canon EOS R5");
    EXPECT_EQ(tags.count("Warning"), 0u);
}

TEST(JpegWrite, FailuresAreReportedAndLeaveNothingBehind) {
    TempDir dir;
    const ImageRecord rec = Smooth(8, 8, 10);
    const std::string temp = dir.Path("exif_tmp.JPG");
    fs::create_directory(dir.Path("sub"));
    // A folder as the target is the shared atomic-write test's.
    for (auto write : {WriteJpegJfif, WriteJpegExif})
        EXPECT_EQ(write(dir.Path("none/x.jpg"), rec).status, IoStatus::CannotOpen);
    EXPECT_EQ(WriteJpegJfif(dir.Path("e.jpg"), ImageRecord{}).status, IoStatus::Unsupported);
    EXPECT_EQ(WriteJpegJfif(dir.Path("w.jpg"), Smooth(70000, 1, 6)).status,
              IoStatus::TooLarge);  // beyond what JPEG can describe
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.dir()), fs::directory_iterator()), 1);

    // A file of the user's under the name older versions used for their intermediate file is
    // left alone by a successful write and by a failed one.
    WriteAll(temp, {1, 2, 3});
    EXPECT_EQ(WriteJpegExif(dir.Path("sub"), rec).status, IoStatus::WriteFailed);
    EXPECT_TRUE(fs::is_directory(dir.Path("sub")));
    ASSERT_TRUE(WriteJpegExif(dir.Path("ok.jpg"), rec).ok());
    EXPECT_EQ(fs::file_size(temp), 3u);
}

}  // namespace
}  // namespace orva
