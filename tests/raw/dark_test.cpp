// Dark frames: the master's combination rules, the three defect treatments, and building a
// master from RAW and FITS files.
#include "raw/dark.h"

#include <gtest/gtest.h>

#include "raw/decoders/libraw_decoder.h"
#include "raw/raw_fixtures.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::TempDir;

TEST(DarkMaster, CombinationRulesOnValuesWholeFramesAndFitsPlanes) {
    const struct {
        std::vector<uint16_t> values;
        uint16_t master;
    } cases[] = {
        // Two and three frames are seen through the frame combinations below.
        {{777}, 777},
        {{100, 100, 104, 900}, 101},
        {{0, 65535, 65535, 65535}, 65535},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CombineDarkValues(c.values.data(), static_cast<int>(c.values.size())), c.master)
            << c.values.size() << " values, first " << c.values[0];
    }
    RawDark a{1, 1, {10, 20, 30, 40}}, b{1, 1, {14, 20, 31, 0}};
    const RawDark m = CombineRawDarks({&a, &b});
    EXPECT_EQ(m.samples, (std::vector<uint16_t>{12, 20, 30, 20}));
    RawDark small{1, 1, {1, 2}};
    EXPECT_TRUE(CombineRawDarks({&a, &small}).empty());  // inconsistent frames give nothing

    FitsDark f1{1, 1, {-5}, {7}, {100}}, f2{1, 1, {-6}, {7}, {102}}, f3{1, 1, {-5}, {9}, {400}};
    const FitsDark fm = CombineFitsDarks({&f1, &f2, &f3});
    EXPECT_EQ(fm.red, (std::vector<int32_t>{-6}));  // (-5 - 6) / 2 rounded down
    EXPECT_EQ(fm.green, (std::vector<int32_t>{7}));
    EXPECT_EQ(fm.blue, (std::vector<int32_t>{101}));
}

// A single-channel mosaic (channel 0) of w x h with the value v everywhere.
std::vector<std::array<uint16_t, 4>> Filled(int w, int h, uint16_t v) {
    return std::vector<std::array<uint16_t, 4>>(static_cast<std::size_t>(w) * h, {v, 0, 0, 0});
}

RawDark DarkOf(const std::vector<std::array<uint16_t, 4>>& px, int w, int h) {
    RawDark d{w, h, {}};
    for (const auto& p : px) d.samples.insert(d.samples.end(), p.begin(), p.end());
    return d;
}

uint16_t (*Data(std::vector<std::array<uint16_t, 4>>& v))[4] {
    return reinterpret_cast<uint16_t(*)[4]>(v.data());
}

TEST(DarkSubtract, LeaveOrZeroBelowTheDarkAndADarkOfAnotherSizeIsNotApplied) {
    for (const int handling : {kDefectLeave, kDefectZero}) {
        auto img = Filled(2, 1, 300);
        img[1][0] = 50;
        auto dk = Filled(2, 1, 100);
        dk[1][0] = 60;
        SubtractRawDark(Data(img), 2, 1, DarkOf(dk, 2, 1), handling, 0);
        EXPECT_EQ(img[0][0], 200);
        EXPECT_EQ(img[1][0], handling == kDefectZero ? 0 : 50);
    }
    // Another size, and one larger in one direction only with the same sample count.
    auto img = Filled(3, 3, 500);
    const auto before = img;
    for (const auto& [w, h] : {std::pair{4, 4}, {9, 1}}) {
        SubtractRawDark(Data(img), 3, 3, DarkOf(Filled(w, h, 100), w, h), kDefectZero, 0);
        EXPECT_EQ(img, before) << w << "x" << h;
    }
}

TEST(DarkSubtract, AverageReplacesDefectsAndSamplesWithinTheLevelByTheirNeighbours) {
    // 5 x 5 at 1000 over a dark of 100; the centre is 50 over a dark of 60.
    auto img = Filled(5, 5, 1000);
    auto dk = Filled(5, 5, 100);
    img[12][0] = 50;
    dk[12][0] = 60;
    img[2][0] = 1200;  // a neighbour farther from the mean than the others, left out
    SubtractRawDark(Data(img), 5, 5, DarkOf(dk, 5, 5), kDefectAverage, 0);
    EXPECT_EQ(img[12][0], 900);
    EXPECT_EQ(img[2][0], 1100);
    EXPECT_EQ(img[11][0], 900);
    // Level 256: 300 over 100 is subtracted (200) and, being below 100 + 256, replaced; at
    // level 0 it stays.
    dk[12][0] = 100;
    for (const int level : {256, 0}) {
        img = Filled(5, 5, 1000);
        img[12][0] = 300;
        SubtractRawDark(Data(img), 5, 5, DarkOf(dk, 5, 5), kDefectAverage, level);
        EXPECT_EQ(img[12][0], level ? 900 : 200);
    }
}

TEST(DarkSubtract, NeighboursAreTheSameChannelAndSampled) {
    // Bayer-like: channel 0 only on even columns; odd columns carry channel 1. A defect at
    // (2, 2) averages the channel 0 samples of its diamond that are non-zero: (0, 2), (4, 2),
    // (2, 0), (2, 4) and the four at odd rows... of which only even columns count.
    std::vector<std::array<uint16_t, 4>> img(25), dk(25);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            auto& p = img[static_cast<std::size_t>(y) * 5 + x];
            p = x % 2 == 0 ? std::array<uint16_t, 4>{static_cast<uint16_t>(500 + 10 * y), 0, 0, 0}
                           : std::array<uint16_t, 4>{0, 700, 0, 0};
        }
    img[12][0] = 5;
    dk[12][0] = 50;
    SubtractRawDark(Data(img), 5, 5, DarkOf(dk, 5, 5), kDefectAverage, 0);
    // Channel 0 neighbours: (2,0)=500, (1..3,1) -> only (2,1)=510, (0,2)=(4,2)=520,
    // (2,3)=530, (2,4)=540: mean 520, largest and smallest equally far -> drop 500.
    EXPECT_EQ(img[12][0], (510 + 520 + 520 + 530 + 540) / 5);
    EXPECT_EQ(img[13][1], 700);  // the other channel untouched
}

std::string WriteDark(const TempDir& dir, const std::string& name, int w, int h, uint16_t v) {
    DngMosaic m = testing::MakeMosaic(w, h, testing::kRggb, [v](int, int, int) { return v; });
    m.white = 4095;
    return testing::WriteFixture(dir.Path(name), m);
}

// A one-plane 16-bit FITS dark: every sample v except sample 5 (hot).
std::string WriteFitsDark(const TempDir& dir, const std::string& name, int w, int h, uint16_t v,
                          uint16_t hot) {
    const auto at = [=](int x, int y) { return y * w + x == 5 ? hot : v; };
    return testing::WriteLinear(dir.Path(name), w, h, at, {}, false);
}

TEST(DarkFiles, TwoRawDarksAverageAndMixedSizesOrFormatsLeaveNoMaster) {
    TempDir dir;
    DarkStore store;
    store.files = {WriteDark(dir, "a.dng", 32, 24, 400), "", WriteDark(dir, "b.dng", 32, 24, 800),
                   ""};
    DarkBuildResult r = BuildDarkMaster(store, UINT64_MAX);
    EXPECT_EQ(r.error, DarkError::None);
    EXPECT_EQ(r.loaded, 2);
    ASSERT_TRUE(store.has_raw());
    RawDark a, b;
    ASSERT_TRUE(ReadRawDark(store.files[0], UINT64_MAX, a).ok());
    ASSERT_TRUE(ReadRawDark(store.files[2], UINT64_MAX, b).ok());
    EXPECT_EQ(store.raw_master.samples, CombineRawDarks({&a, &b}).samples);
    EXPECT_EQ(store.fits(), nullptr);

    const std::string wrong_size = WriteDark(dir, "c.dng", 32, 26, 400);
    const std::string fits = WriteFitsDark(dir, "f.fits", 32, 24, 9, 9);
    const struct {
        std::string second;
        DarkError error;
    } cases[] = {{wrong_size, DarkError::MixedSizes},
                 {fits, DarkError::MixedFormats},
                 {dir.Path("missing.dng"), DarkError::Unreadable}};
    for (const auto& c : cases) {
        store.files = {store.files[0], c.second, "", ""};
        r = BuildDarkMaster(store, UINT64_MAX);
        EXPECT_EQ(r.error, c.error) << c.second;
        EXPECT_EQ(store.format, -1);
        EXPECT_FALSE(store.has_raw());
    }
}

TEST(DarkFiles, FitsDarksAverageInPhysicalValues) {
    TempDir dir;
    DarkStore store;
    // Stored as BZERO 32768 + (v - 32768): the dark's values are the samples themselves.
    store.files = {WriteFitsDark(dir, "d1.fits", 4, 3, 100, 300),
                   WriteFitsDark(dir, "d2.fits", 4, 3, 104, 304), "", ""};
    ASSERT_EQ(BuildDarkMaster(store, UINT64_MAX).error, DarkError::None);
    const FitsDark* dark = store.fits();
    ASSERT_NE(dark, nullptr);
    std::vector<int32_t> expect(12, 102);
    expect[5] = 302;
    EXPECT_EQ(dark->red, expect);
    EXPECT_EQ(dark->blue, expect);
}

}  // namespace
}  // namespace orva
