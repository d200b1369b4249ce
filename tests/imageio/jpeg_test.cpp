#include <gtest/gtest.h>

#include <algorithm>
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

ImageRecord ToRecord(DecodedImage&& img) {
    ImageRecord rec;
    StoreDecoded(rec, std::move(img), "");
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
Bytes Payloads(const Bytes& f, uint8_t marker) {
    Bytes out;
    for (const Segment& s : Segments(f))
        if (s.marker == marker)
            out.insert(out.end(), f.begin() + s.at + 4, f.begin() + s.at + 2 + s.length);
    return out;
}

IoResult DecodeFile(const std::string& path, DecodedImage& img) {
    return ReadImageFile(path, kFormatJpeg, img);
}

void ExpectCamera(const DecodedImage& img, const char* make, const char* model, const char* date,
                  uint32_t exposure, uint32_t f_number, uint32_t iso) {
    EXPECT_EQ(img.camera_make, make);
    EXPECT_EQ(img.camera_model, model);
    EXPECT_EQ(img.date_time, date);
    EXPECT_EQ(img.exposure_time, exposure);
    EXPECT_EQ(img.f_number, f_number);
    EXPECT_EQ(img.iso, iso);
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

    // Quantisation tables of quality 75.
    const Bytes tables = Payloads(f, 0xDB);
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
    ASSERT_TRUE(DecodeFile(dir.Path("g.jpg"), img).ok());
    for (std::size_t i = 0; i < img.red.size(); ++i) {
        ASSERT_LE(std::abs(img.red[i] - img.green[i]), 512) << i;
        ASSERT_LE(std::abs(img.red[i] - img.blue[i]), 512) << i;
        ASSERT_LE(std::abs((img.red[i] >> 8) - (rec.red[i] >> 8)), 24) << i;
    }
}

// exiftool's view of a file: tag -> printed value (and "Warning" when it has one).
std::map<std::string, std::string> ExifTool(const TempDir& dir, const std::string& file) {
    const std::string out = dir.Path("exiftool.txt");
    EXPECT_EQ(std::system(("exiftool -S -Make -Model -ModifyDate -DateTimeOriginal -CreateDate "
                           "-ExposureTime -FNumber -ISO -Warning '" +
                           file + "' > '" + out + "' 2>&1")
                              .c_str()),
              0);
    std::map<std::string, std::string> tags;
    const Bytes text = ReadAll(out);
    std::istringstream in(std::string(text.begin(), text.end()));
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos) tags[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return tags;
}

TEST(JpegExif, WithoutACameraBlockTheFilledTemplateAndAnEmptyApp1ReplaceTheJfifHeader) {
    REQUIRE_TOOL("exiftool");
    TempDir dir;
    ImageRecord rec = Smooth(40, 30, 7);
    rec.camera_make = "FUJIFILM";
    rec.camera_model = "X-T5";
    rec.date_time = "2024:03:04 05:06:07";
    rec.exposure_time = 1u << 16 | 125;
    rec.f_number = 28u << 16 | 10;
    rec.iso = 640;
    const std::string path = dir.Path("t.jpg");
    ASSERT_TRUE(WriteImageFile(path, kFormatJpeg, rec, {.jpeg_exif = true}).ok());
    ASSERT_TRUE(WriteJpegJfif(dir.Path("plain.jpg"), rec).ok());
    EXPECT_FALSE(fs::exists(dir.Path("exif_tmp.JPG")));

    const Bytes f = ReadAll(path);
    const Bytes jfif = ReadAll(dir.Path("plain.jpg"));
    const auto block = BuildExifTemplate("FUJIFILM", "X-T5", "2024:03:04 05:06:07", 1u << 16 | 125,
                                         28u << 16 | 10, 640);
    ASSERT_GT(f.size(), 784u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), f.begin()));
    const Bytes empty_app1 = {0xFF, 0xE1, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(empty_app1.begin(), empty_app1.end(), f.begin() + 768));
    const std::size_t body = 4 + (std::size_t{jfif[4]} << 8 | jfif[5]);
    EXPECT_EQ(Bytes(f.begin() + 784, f.end()),
              Bytes(jfif.begin() + static_cast<long>(body), jfif.end()));

    DecodedImage img;
    ASSERT_TRUE(DecodeFile(path, img).ok());
    ExpectCamera(img, "FUJIFILM", "X-T5", "2024:03:04 05:06:07", 1u << 16 | 125, 28u << 16 | 10,
                 640);
    EXPECT_EQ(img.exif, Bytes(f.begin(), f.begin() + 784));  // the template and the empty APP1

    const auto tags = ExifTool(dir, path);
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
    ASSERT_TRUE(DecodeFile(camera, img).ok());
    // exiftool writes 5.6 as 28/5.
    ExpectCamera(img, "Canon", "Canon EOS R5", "2024:05:06 07:08:09", 1u << 16 | 250, 28u << 16 | 5,
                 800);
    const std::size_t block_end = cam_segs[1].at + 2 + cam_segs[1].length;
    EXPECT_EQ(img.exif, Bytes(cam.begin(), cam.begin() + static_cast<long>(block_end)));

    const ImageRecord loaded = ToRecord(std::move(img));
    const std::string saved = dir.Path("saved.jpg");
    ASSERT_TRUE(WriteImageFile(saved, kFormatJpeg, loaded, {.jpeg_exif = true}).ok());
    const Bytes out = ReadAll(saved);
    ASSERT_GT(out.size(), block_end);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(block_end)), loaded.exif);
    const auto segs = Segments(out);
    EXPECT_EQ(Find(segs, 0xE0), nullptr);  // no JFIF header
    EXPECT_NE(Find(segs, 0xDB), nullptr);  // our tables and scan follow
    EXPECT_FALSE(fs::exists(dir.Path("exif_tmp.JPG")));

    const auto tags = ExifTool(dir, saved);
    EXPECT_EQ(tags.at("Make"), "Canon");
    EXPECT_EQ(tags.at("Model"), "Canon EOS R5");
    EXPECT_EQ(tags.at("FNumber"), "5.6");
    EXPECT_EQ(tags.at("ISO"), "800");
    DecodedImage again;
    ASSERT_TRUE(DecodeFile(saved, again).ok());
    EXPECT_EQ(again.camera_model, "Canon EOS R5");
    EXPECT_EQ(again.exif, loaded.exif);
}

TEST(JpegWrite, FailuresAreReportedAndLeaveNothingBehind) {
    TempDir dir;
    const ImageRecord rec = Smooth(8, 8, 10);
    const std::string temp = dir.Path("exif_tmp.JPG");
    fs::create_directory(dir.Path("sub"));
    for (auto write : {WriteJpegJfif, WriteJpegExif}) {
        EXPECT_EQ(write(dir.Path("none/x.jpg"), rec).status, IoStatus::CannotOpen);
        // The target is a folder: the image cannot take its place.
        EXPECT_EQ(write(dir.Path("sub"), rec).status, IoStatus::WriteFailed);
        EXPECT_TRUE(fs::is_directory(dir.Path("sub")));
        EXPECT_FALSE(fs::exists(temp));
    }
    EXPECT_EQ(WriteJpegJfif(dir.Path("e.jpg"), ImageRecord{}).status, IoStatus::Unsupported);
    EXPECT_EQ(WriteJpegJfif(dir.Path("w.jpg"), Smooth(70000, 1, 6)).status,
              IoStatus::TooLarge);  // beyond what JPEG can describe
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.dir()), fs::directory_iterator()), 1);

    // A file of the user's under the name older versions used for their intermediate file is
    // left alone by a successful write and by a failed one.
    WriteAll(temp, {1, 2, 3});
    EXPECT_EQ(WriteJpegExif(dir.Path("sub"), rec).status, IoStatus::WriteFailed);
    ASSERT_TRUE(WriteJpegExif(dir.Path("ok.jpg"), rec).ok());
    EXPECT_EQ(fs::file_size(temp), 3u);
}

}  // namespace
}  // namespace orva
