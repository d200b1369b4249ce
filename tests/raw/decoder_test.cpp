// The LibRaw adapter on DNG files written by our own code: black and white levels, camera
// fields, and damaged or oversized files. (Where each filter order puts its colours is checked
// beside the mosaic reader; a dark frame reaching the development is run end to end by
// orva-cli's tests; the defect treatments are dark_test's.)
#include <gtest/gtest.h>

#include "raw/decoders/libraw_decoder.h"
#include "raw/raw_file.h"
#include "raw/raw_fixtures.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeMosaic;
using testing::TempDir;

// Development with everything that mixes neighbours or colours switched off.
RawDecodeRequest PlainRequest() {
    RawDecodeRequest r;
    r.develop.gamma = {1.0, 1.0, 1.0};
    r.develop.sharpness = 0;
    r.develop.false_colour = 0;
    r.develop.saturation = 0;
    r.develop.hue = 0;
    return r;
}

DecodedImage Decode(const DngMosaic& m, const RawDecodeRequest& request = PlainRequest()) {
    TempDir dir;
    const std::string path = testing::WriteFixture(dir.Path("t.dng"), m);
    DecodedImage img;
    const IoResult r = DecodeRawFile(path, request, img);
    EXPECT_TRUE(r.ok()) << r.detail;
    return img;
}

// Red 1000, green 2000, blue 1500 above a black of 256 on a 12-bit scale.
uint16_t Flat(int colour, int, int) {
    return static_cast<uint16_t>(256 + (colour == 0 ? 1000 : colour == 1 ? 2000 : 1500));
}

DngMosaic FlatMosaic() {
    DngMosaic m = MakeMosaic(32, 24, testing::kRggb, Flat);
    m.black = 256;
    m.white = 4095;
    return m;
}

std::vector<uint16_t> All(const DecodedImage& img) {
    std::vector<uint16_t> v(img.red.data(), img.red.data() + img.red.size());
    v.insert(v.end(), img.green.data(), img.green.data() + img.green.size());
    v.insert(v.end(), img.blue.data(), img.blue.data() + img.blue.size());
    return v;
}

TEST(RawDecoder, BlackAndWhiteLevelsScaleTheSamplesAndCameraFieldsReachTheRecord) {
    DngMosaic a = FlatMosaic();
    a.make = "Orvacam";
    a.model = "A very long model name that goes past thirty-one characters";
    a.date_time = "2023:11:05 22:14:09";
    a.exposure = 1.0 / 250;
    a.f_number = 5.6;
    a.iso = 1600;
    const DecodedImage img = Decode(a);
    EXPECT_EQ(img.camera_make, "Orvacam");
    EXPECT_EQ(img.camera_model.size(), 31u);
    EXPECT_EQ(img.date_time, "2023:11:05 22:14:09");
    EXPECT_EQ(img.exposure_time, 10u << 16 | 2500u);
    EXPECT_EQ(img.f_number, 56u << 16 | 10u);
    EXPECT_EQ(img.iso, 1600u);
    // The same fractions of the range between black and white give the same picture.
    DngMosaic b = FlatMosaic();
    for (uint16_t& s : b.samples) s += 1000;
    b.black += 1000;
    b.white += 1000;
    EXPECT_EQ(All(img), All(Decode(b)));
    // Values at or below black are no light at all.
    DngMosaic dark = FlatMosaic();
    dark.samples.assign(dark.samples.size(), 200);
    EXPECT_EQ(testing::At(Decode(dark), 10, 10), testing::Grey(0));

    EXPECT_EQ(PackExposure(1.0 / 8000), 1u << 16 | 8000u);  // 80000 does not fit 16 bits
    EXPECT_EQ(PackExposure(7200), 7200u << 16 | 1u);        // nor does 72000
    EXPECT_EQ(PackExposure(1e9), 65535u << 16 | 1u);
    EXPECT_EQ(PackExposure(0), 0u);
    EXPECT_EQ(PackAperture(0), 0u);
    EXPECT_EQ(CaptureTime(0), "");
}

TEST(RawDecoder, TruncatedDamagedAndOverBudgetFilesAreRefused) {
    TempDir dir;
    const std::string path = testing::WriteFixture(dir.Path("t.dng"), FlatMosaic());
    const std::vector<uint8_t> good = testing::ReadAll(path);
    const auto refused = [&](const std::vector<uint8_t>& bytes, uint64_t budget = UINT64_MAX) {
        RawDecodeRequest request;
        request.memory_budget = budget;
        DecodedImage img;
        const IoResult r = DecodeRawBytes(bytes, request, img);
        EXPECT_TRUE(img.red.empty());
        EXPECT_EQ(img.width, 0);
        EXPECT_FALSE(r.ok() || r.detail.empty());
        return r.status;
    };
    // The pixel data said to start 100 bytes before the end.
    refused(testing::WithTag(good, 0x0111, static_cast<uint32_t>(good.size() - 100)));
    EXPECT_EQ(refused(good, 4096), IoStatus::OutOfMemory);
}

TEST(RawDecoder, DevelopmentModeDarkControlAndHueFromSettings) {
    RawSettings raw;
    raw.algorithm = 0;
    raw.quality = 3;
    EXPECT_EQ(RawDevelopmentMode(raw), 0);  // quality ignored by the fast development
    raw.algorithm = 1;
    EXPECT_EQ(RawDevelopmentMode(raw), 4);
    raw.quality = 9;  // from an edited settings file
    EXPECT_EQ(RawDevelopmentMode(raw), 4);
    DarkSettings dark;
    dark.defect_handling = 1;
    dark.defect_level = 48;
    EXPECT_EQ(DarkControl(dark), 1 + 256 * 48);
    raw.hue = 0;
    EXPECT_EQ(RawDevelopParams(raw).hue, -36);
    raw.hue = 100;  // beyond the slider: held at +36, not +164
    EXPECT_EQ(RawDevelopParams(raw).hue, 36);
    raw.gamma = {0.0, 9.0, 2.5};
    EXPECT_EQ(RawDevelopParams(raw).gamma, (std::array<double, 3>{1.0, 4.0, 2.5}));
}

}  // namespace
}  // namespace orva
