// The sensor mosaic for calibration: samples read back exactly with the black level removed
// (and kept below it), the colour pattern of Bayer and X-Trans files, the linear demosaic on
// hand-worked planes, its agreement with the decoder's own development on where colours lie,
// and files that must be refused.
#include "raw/decoders/raw_mosaic.h"

#include <gtest/gtest.h>

#include <span>

#include "raw/raw_file.h"
#include "raw/raw_fixtures.h"
#include "support/files.h"
#include "support/images.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeMosaic;
using testing::TempDir;
using testing::WithTag;

// The common X-Trans layout, row by row: 0 red, 1 green, 2 blue.
const std::vector<uint8_t> kXTrans = {
    1, 1, 0, 1, 1, 2,  //
    1, 1, 2, 1, 1, 0,  //
    2, 0, 1, 0, 2, 1,  //
    1, 1, 2, 1, 1, 0,  //
    1, 1, 0, 1, 1, 2,  //
    0, 2, 1, 2, 0, 1,  //
};

// An X-Trans DNG whose photosite (x, y) holds scene(colour, x, y).
DngMosaic MakeXTrans(int w, int h, const std::function<uint16_t(int, int, int)>& scene) {
    DngMosaic m = MakeMosaic(w, h, testing::kRggb, [&](int, int x, int y) {
        return scene(kXTrans[static_cast<std::size_t>((y % 6) * 6 + x % 6)], x, y);
    });
    m.pattern6 = kXTrans;
    return m;
}

RawMosaic Read(const DngMosaic& dng) {
    TempDir dir;
    const std::string path = testing::WriteFixture(dir.Path("t.dng"), dng);
    RawMosaic m;
    const IoResult r = ReadRawMosaic(path, UINT64_MAX, m);
    EXPECT_TRUE(r.ok()) << r.detail;
    return m;
}

// A mosaic built in memory with a 2x2 pattern (four entries) or a 6x6 one.
RawMosaic InMemory(int w, int h, std::span<const uint8_t> pattern,
                   const std::function<float(int, int, int)>& scene) {
    RawMosaic m;
    m.width = w;
    m.height = h;
    m.white = 4000;
    m.period = pattern.size() == 4 ? 2 : 6;
    for (int y = 0; y < m.period; ++y)
        for (int x = 0; x < m.period; ++x)
            m.cfa[static_cast<std::size_t>(y * 6 + x)] =
                pattern[static_cast<std::size_t>(y * m.period + x)];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.samples.push_back(scene(m.Colour(x, y), x, y));
    return m;
}

struct Planes {
    int w = 0;
    std::vector<float> r, g, b;
    std::array<float, 3> at(int x, int y) const {
        const auto i = static_cast<std::size_t>(y * w + x);
        return {r[i], g[i], b[i]};
    }
};

// The planes start at -1, so that what the demosaic leaves alone shows.
Planes Demosaic(const RawMosaic& m, bool white_balance = false) {
    const auto n = static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height);
    Planes p{m.width, std::vector<float>(n, -1.0f), std::vector<float>(n, -1.0f),
             std::vector<float>(n, -1.0f)};
    DemosaicLinear(m, white_balance, p.r.data(), p.g.data(), p.b.data());
    return p;
}

float Level(int colour) {
    return colour == 0 ? 1000.0f : colour == 1 ? 2000.0f : 1500.0f;
}

TEST(RawMosaic, SamplesReadBackExactlyLessTheBlackLevelInEveryPattern) {
    std::vector<DngMosaic> cases;
    for (const auto& order : {testing::kRggb, testing::kBggr, testing::kGrbg, testing::kGbrg}) {
        // Every photosite a different value, some below the black level of 256.
        cases.push_back(MakeMosaic(26, 22, order, [](int c, int x, int y) {
            return static_cast<uint16_t>(200 + 37 * x + 101 * y + c);
        }));
        cases.back().black = 256;
    }
    // Black level grids taken off photosite by photosite: 2x2 (one level per pattern cell,
    // both greens apart) and 4x4 (a pattern on top of the channels).
    for (const std::vector<double>& grid :
         {std::vector<double>{256, 260, 264, 268},
          {300, 301, 302, 303, 310, 311, 312, 313, 320, 321, 322, 323, 330, 331, 332, 333}}) {
        cases.push_back(MakeMosaic(24, 24, testing::kGrbg, [](int c, int x, int y) {
            return static_cast<uint16_t>(1000 + 13 * x + 7 * y + c);
        }));
        cases.back().black_repeat = grid.size() == 4 ? 2 : 4;
        cases.back().black_grid = grid;
    }
    cases.push_back(MakeXTrans(30, 24, [](int c, int x, int y) {
        return static_cast<uint16_t>(static_cast<int>(Level(c)) + x + 20 * y);
    }));
    cases.back().as_shot_neutral = {0.5, 1.0, 0.8};  // red recorded at half strength
    for (DngMosaic& dng : cases) {
        dng.white = 4095;
        const RawMosaic m = Read(dng);
        const bool xtrans = !dng.pattern6.empty();
        const int n = dng.black_repeat;
        const auto black = [&](int x, int y) {
            return dng.black_grid.empty()
                       ? static_cast<double>(dng.black)
                       : dng.black_grid[static_cast<std::size_t>((y % n) * n + x % n)];
        };
        ASSERT_EQ(m.period, xtrans ? 6 : 2);
        ASSERT_EQ(std::pair(m.width, m.height), std::pair(dng.width, dng.height));
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) {
                const auto i = static_cast<std::size_t>(y * m.width + x);
                EXPECT_EQ(m.Colour(x, y),
                          xtrans ? kXTrans[static_cast<std::size_t>((y % 6) * 6 + x % 6)]
                                 : dng.pattern[static_cast<std::size_t>((y % 2) * 2 + x % 2)]);
                EXPECT_EQ(m.At(x, y), static_cast<float>(dng.samples[i] - black(x, y)))
                    << n << ": " << x << "," << y;
            }
        EXPECT_EQ(m.white, static_cast<float>(4095 - black(0, 0)));
        EXPECT_TRUE(dng.black != 256 || m.At(0, 0) < 0.0f);  // below black stays below zero
    }
    // As-shot neutral gives the white balance multipliers; reading applies none of it.
    const RawMosaic balanced = Read(cases.back());
    EXPECT_NEAR(balanced.wb[0], 2.0f, 1e-4f);
    EXPECT_EQ(balanced.wb[1], 1.0f);
    EXPECT_NEAR(balanced.wb[2], 1.25f, 1e-4f);
}

TEST(RawMosaic, DamagedFilesAreRefusedAndLeaveTheResultAlone) {
    TempDir dir;
    DngMosaic dng = MakeMosaic(64, 48, testing::kRggb,
                               [](int c, int, int) { return static_cast<uint16_t>(Level(c)); });
    dng.white = 4095;
    const testing::Bytes whole =
        testing::ReadAll(testing::WriteFixture(dir.Path("whole.dng"), dng));
    RawMosaic kept;
    kept.width = 3;
    kept.samples = {1, 2, 3};
    const auto refused = [&](const testing::Bytes& bytes, uint64_t budget = UINT64_MAX) {
        RawMosaic m = kept;
        const IoStatus status = ReadRawMosaicBytes(bytes, budget, m).status;
        EXPECT_EQ(m.width, 3);
        EXPECT_EQ(m.samples, kept.samples);
        return status;
    };
    // A directory whose samples start too near the end.
    const auto late = static_cast<uint32_t>(whole.size() - 100);
    EXPECT_EQ(refused(WithTag(whole, 273, late)), IoStatus::Damaged);
    // Sizes beyond the memory budget are refused before the data is read.
    EXPECT_EQ(refused(whole, 64 * 48), IoStatus::OutOfMemory);
    RawMosaic missing;
    EXPECT_EQ(ReadRawMosaic(dir.Path("none.dng"), UINT64_MAX, missing).status,
              IoStatus::CannotOpen);
    // A linear RAW has no mosaic to give.
    DngMosaic linear = dng;
    linear.linear = true;
    linear.samples.assign(dng.samples.size() * 3, 1000);
    EXPECT_EQ(refused(testing::ReadAll(testing::WriteFixture(dir.Path("lin.dng"), linear))),
              IoStatus::Unsupported);
}

TEST(DemosaicLinear, HandWorkedCorners) {
    // RGGB, 4x4, sample = 10 * (index in the row-major order) + 10.
    const RawMosaic m = InMemory(4, 4, testing::kRggb, [](int, int x, int y) {
        return static_cast<float>(10 * (y * 4 + x) + 10);
    });
    const Planes p = Demosaic(m);
    // (0,0) red 10; green from (1,0) 20 and (0,1) 50; blue from (1,1) 60.
    EXPECT_EQ(p.at(0, 0), (std::array<float, 3>{10, 35, 60}));
    // (1,0) green 20; red from (0,0) 10 and (2,0) 30; blue from (1,1) 60 only.
    EXPECT_EQ(p.at(1, 0), (std::array<float, 3>{20, 20, 60}));
    // (1,1) blue 60; red the four corners 10, 30, 90, 110; green the four sides 20, 50, 70, 100.
    EXPECT_EQ(p.at(1, 1), (std::array<float, 3>{60, 60, 60}));
    // (3,3) blue 160; red (2,2) 110; green (3,2) 120 and (2,3) 150.
    EXPECT_EQ(p.at(3, 3), (std::array<float, 3>{110, 135, 160}));
}

// Odd sizes: the last row and column differ. Negative samples pass as they are.
TEST(DemosaicLinear, FlatMosaicGivesFlatPlanesEverywhereWithOrWithoutWhiteBalance) {
    const auto flat = [](int c, int, int) { return c == 1 ? -8.0f : Level(c); };
    std::vector<RawMosaic> cases;
    for (const auto& order : {testing::kRggb, testing::kBggr, testing::kGrbg, testing::kGbrg})
        cases.push_back(InMemory(7, 5, order, flat));
    cases.push_back(InMemory(13, 11, kXTrans, flat));
    for (RawMosaic& m : cases) {
        m.wb = {2.0f, 1.0f, 0.5f};
        const Planes plain = Demosaic(m, false), balanced = Demosaic(m, true);
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) {
                SCOPED_TRACE(::testing::Message()
                             << "period " << m.period << " at " << x << "," << y);
                EXPECT_EQ(plain.at(x, y), (std::array<float, 3>{1000, -8, 1500}));
                EXPECT_EQ(balanced.at(x, y), (std::array<float, 3>{2000, -8, 750}));
            }
    }
}

TEST(DemosaicLinear, InconsistentMosaicLeavesThePlanesAlone) {
    RawMosaic short_of_samples = InMemory(6, 4, testing::kRggb, [](int, int, int) { return 5.0f; });
    short_of_samples.samples.pop_back();
    RawMosaic odd_period = InMemory(6, 4, testing::kRggb, [](int, int, int) { return 5.0f; });
    odd_period.period = 3;
    for (const RawMosaic* m : {&short_of_samples, &odd_period}) {
        const Planes p = Demosaic(*m);
        EXPECT_EQ(p.r, std::vector<float>(24, -1.0f));
        EXPECT_EQ(p.b, std::vector<float>(24, -1.0f));
    }
}

// Red bright in the top-left quarter, green in the top-right, blue in the bottom-left.
uint16_t Quarters(int c, int x, int y) {
    const int quarter = (y < 18 ? 0 : 2) + (x < 18 ? 0 : 1);
    return static_cast<uint16_t>(quarter == c ? 3000 : 300);
}

int Dominant(float r, float g, float b) {
    return r > g && r > b ? 0 : g > r && g > b ? 1 : b > r && b > g ? 2 : -1;
}

// Both of the decoder's developments (the fast one and LibRaw's bilinear) and ours put each
// colour in the same place, the top of the picture at the top.
void ExpectSamePlacement(DngMosaic dng) {
    dng.white = 4095;
    TempDir dir;
    const std::string path = testing::WriteFixture(dir.Path("q.dng"), dng);
    RawMosaic m;
    ASSERT_TRUE(ReadRawMosaic(path, UINT64_MAX, m).ok());
    const Planes p = Demosaic(m, true);
    for (const int mode : {0, 1}) {
        RawDecodeRequest request;
        request.mode = mode;
        DecodedImage developed;
        ASSERT_TRUE(DecodeRawFile(path, request, developed).ok());
        ASSERT_EQ(std::pair(developed.width, developed.height), std::pair(m.width, m.height));
        const int expect[3][2] = {{0, 0}, {1, 0}, {0, 1}};  // quarter of each colour
        for (int c = 0; c < 3; ++c)
            for (int y = 4; y < 14; ++y)
                for (int x = 4; x < 14; ++x) {
                    const int qx = x + 18 * expect[c][0], qy = y + 18 * expect[c][1];
                    const auto ours = p.at(qx, qy);
                    const auto theirs = testing::Top(developed, qx, qy);
                    EXPECT_EQ(Dominant(ours[0], ours[1], ours[2]), c) << qx << "," << qy;
                    EXPECT_EQ(Dominant(theirs[0], theirs[1], theirs[2]), c)
                        << "mode " << mode << " at " << qx << "," << qy;
                }
    }
}

TEST(RawMosaic, ColoursLieWhereTheDecodersDevelopmentPutsThem) {
    for (const auto& order : {testing::kRggb, testing::kBggr, testing::kGrbg, testing::kGbrg})
        ExpectSamePlacement(MakeMosaic(36, 36, order, Quarters));
    ExpectSamePlacement(MakeXTrans(36, 36, Quarters));
}

}  // namespace
}  // namespace orva
