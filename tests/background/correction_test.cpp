// Radial and image backgrounds (code 7) and the generator (code 50) on small pictures with
// hand-worked values.
#include "background/correction.h"

#include <gtest/gtest.h>

#include <tuple>

#include "background/generator.h"
#include "ops/dispatcher.h"
#include "shell/app_kernels.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::MakeImage;
using testing::Sample;

ParamBlock Radial(int mode, int centre_word, int edge_word, int curve = 200) {
    ParamBlock b;
    b[0] = mode;
    b[2] = b[4] = b[6] = centre_word;
    b[3] = b[5] = b[7] = edge_word;
    b[8] = curve;
    return b;
}

ParamBlock ImageMode(int mode, int shift, int slot) {
    ParamBlock b;
    b[0] = mode;
    b[2] = b[4] = b[6] = shift;
    b[8] = slot;
    return b;
}

bool Apply(uint32_t code, ImageRecord& rec, ParamBlock block, Workspace& ws) {
    return Dispatch(code, rec, block, ws, AppKernels());
}

TEST(RadialBackground, MultiplyKeepsTheCentreAndLiftsTheCorners) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 201, 101, [](int, int x, int) {
        return static_cast<uint16_t>(x == 100 ? 10000 : 1000);
    });
    ASSERT_TRUE(Apply(kOpBackground, rec, Radial(0, 100, 50), ws));
    // m = 13824 / 16 = 864: 10000 * 864 / 13824 = 625, x 16; 1000 * 864 / 1248 = 692, x 16.
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Sample(rec, c, 100, 50), 10000);
        EXPECT_EQ(Sample(rec, c, 0, 0), 692 * 16);
    }
}

TEST(RadialBackground, SubtractUsesTheAdjustedWords) {
    // Centre 100, edge 50, shift 30 arrive as 30 and -20: D stays 12,800 and the offset is
    // 30 * 256 + 1024.
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 201, 101, [](int, int, int) { return uint16_t{20000}; });
    ASSERT_TRUE(Apply(kOpBackground, rec, Radial(1, 30, -20), ws));
    EXPECT_EQ(Sample(rec, 1, 100, 50), 20000 - 13824 + 8704);
    EXPECT_EQ(Sample(rec, 1, 0, 0), 20000 - 1248 + 8704);
}

TEST(RadialBackground, SinglePlaneCorrectsOnlyRed) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 21, 11, [](int, int, int) { return uint16_t{1000}; });
    rec.single_plane = 1;
    ASSERT_TRUE(Apply(kOpBackground, rec, Radial(1, 30, -20), ws));
    EXPECT_NE(Sample(rec, 0, 0, 0), 1000);
    EXPECT_EQ(Sample(rec, 2, 0, 0), 1000);
}

TEST(RadialBackground, MultiplyWithTheCentreNotAboveTheEdgeNeverDividesByZero) {
    // Edge above centre would make the background 0 or negative somewhere; the multiply
    // correction raises the centre to edge + 1 instead, as the dialog does on OK.
    Workspace ws;
    auto ramp = [](int, int x, int) { return static_cast<uint16_t>(3000 + x); };
    ImageRecord& a = MakeImage(ws, 0, 31, 21, ramp);
    ImageRecord& b = MakeImage(ws, 1, 31, 21, ramp);
    ASSERT_TRUE(Apply(kOpBackground, a, Radial(0, 10, 200), ws));
    ASSERT_TRUE(Apply(kOpBackground, b, Radial(0, 201, 200), ws));
    for (int x = 0; x < 31; ++x) EXPECT_EQ(Sample(a, 0, x, 3), Sample(b, 0, x, 3));
    EXPECT_LT(Sample(a, 0, 0, 0), 65535);
}

TEST(ImageBackground, IdenticalBackgroundSubtractGives7679AndCompareGives32767) {
    Workspace ws;
    auto f = [](int c, int x, int y) { return static_cast<uint16_t>(c * 9000 + x * 300 + y); };
    ImageRecord& rec = MakeImage(ws, 0, 9, 7, f);
    MakeImage(ws, 1, 9, 7, f);
    ASSERT_TRUE(Apply(kOpBackground, rec, ImageMode(4, 30, 1), ws));
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) ASSERT_EQ(Sample(rec, c, x, y), 7679);
    ImageRecord& other = MakeImage(ws, 2, 9, 7, f);
    ASSERT_TRUE(Apply(kOpBackground, other, ImageMode(4, 128, 1), ws));
    EXPECT_EQ(Sample(other, 2, 8, 6), 32767);
}

TEST(ImageBackground, SmallerBackgroundRepeatsItsLastRowAndColumn) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 5, 4, [](int, int, int) { return uint16_t{0}; });
    MakeImage(ws, 1, 2, 2,
              [](int c, int x, int y) { return static_cast<uint16_t>(100 * c + 10 * y + x); });
    ASSERT_TRUE(Apply(kOpBackground, rec, ImageMode(5, 0, 1), ws));  // replace: b = sample + 1
    // The last column and the last row repeated.
    EXPECT_EQ(std::tuple(Sample(rec, 0, 0, 0), Sample(rec, 0, 4, 0), Sample(rec, 0, 0, 3)),
              std::tuple(1, 2, 11));
}

TEST(ImageBackground, MultiplyScalesByTheCentralMaximum) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 8, 8, [](int, int, int) { return uint16_t{4000}; });
    MakeImage(ws, 1, 8, 8,
              [](int, int x, int) { return static_cast<uint16_t>(x < 4 ? 1599 : 3199); });
    ASSERT_TRUE(Apply(kOpBackground, rec, ImageMode(3, 0, 1), ws));
    // Rows and columns 2..5, every fourth: only (2, 2) is looked at, so M = 1600 although
    // the right half is brighter. M / 16 = 100: 4000 * 100 / 1600 = 250 and
    // 4000 * 100 / 3200 = 125, each x 16.
    EXPECT_EQ(Sample(rec, 0, 0, 0), 4000);
    EXPECT_EQ(Sample(rec, 0, 7, 7), 2000);
}

TEST(ImageBackground, AMissingBackgroundChangesNothing) {
    Workspace ws;
    ImageRecord& rec = MakeImage(ws, 0, 4, 4, [](int, int, int) { return uint16_t{77}; });
    for (int slot : {-1, 7, 300}) {
        ASSERT_TRUE(Apply(kOpBackground, rec, ImageMode(4, 30, slot), ws));
        EXPECT_EQ(Sample(rec, 0, 1, 1), 77);
    }
}

TEST(Generator, StagesOnHandWorkedPlanes) {
    // Trimmed smoothing: the corner has four neighbours, sum 1 + 2 + 4 + 100 less 1 and 100.
    Plane in, out;
    ASSERT_TRUE(in.Allocate(9) && out.Allocate(9));
    const uint16_t values[9] = {1, 2, 3, 4, 100, 6, 7, 8, 9};
    std::copy(values, values + 9, in.data());
    TrimmedSmooth(in.view(3, 3), out.view(3, 3));
    EXPECT_EQ(out[0], (1 + 2 + 4 + 100 - 1 - 100) / 2);
    EXPECT_EQ(out[4], (1 + 2 + 3 + 4 + 100 + 6 + 7 + 8 + 9 - 1 - 100) / 7);
    // Averaging with radius 1: the corner averages the four positions inside.
    BoxAverage(in.view(3, 3), 1, out.view(3, 3));
    EXPECT_EQ(out[0], (1 + 2 + 4 + 100) / 4);
    EXPECT_EQ(out[5], (2 + 3 + 100 + 6 + 8 + 9) / 6);
}

TEST(Generator, DetectionTakesTheMeanOfTheThirdAndFourthSmallest) {
    // 9 x 9 plane, area 8 (step 2): at (4, 4) the places are columns and rows 0, 2, 4, 6, 8,
    // of which 2, 4, 6 lie inside 1..7, so nine places count.
    Plane in, out;
    ASSERT_TRUE(in.Allocate(81) && out.Allocate(81));
    for (int i = 0; i < 81; ++i) in[static_cast<std::size_t>(i)] = 5000;
    PlaneView v = in.view(9, 9);
    v.at(2, 2) = 100;
    v.at(4, 2) = 200;
    v.at(6, 2) = 300;
    v.at(2, 4) = 400;
    v.at(3, 3) = 1;  // not a place
    DetectBackground(v, 8, 0, out.view(9, 9));
    EXPECT_EQ(out.view(9, 9).at(4, 4), (300 + 400) / 2);
    v.at(2, 2) = 0;  // excluded below the threshold: 200, 300, 400, 5000 remain
    DetectBackground(v, 8, 0, out.view(9, 9));
    EXPECT_EQ(out.view(9, 9).at(4, 4), (400 + 5000) / 2);
    DetectBackground(v, 8, -1, out.view(9, 9));  // zeros count when nothing is excluded
    EXPECT_EQ(out.view(9, 9).at(4, 4), (300 + 400) / 2);
}

TEST(Generator, ZerosOfABlackBorderNeverCount) {
    Workspace ws;
    auto sky = [](int, int x, int y) {
        return static_cast<uint16_t>(x < 4 || y < 4 || x >= 36 || y >= 28 ? 0 : 1000);
    };
    MakeImage(ws, 0, 40, 32, sky);
    ParamBlock b{{{0, 16, 4, 1}}};  // area 16, step 4, luminance 0 excluded
    ASSERT_TRUE(Apply(kOpMakeBackground, ws.at(1), b, ws));
    const ImageRecord& bg = ws.at(1);
    ASSERT_EQ(bg.pixels(), 40u * 32u);
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 40; ++x) ASSERT_EQ(Sample(bg, c, x, y), 1000) << x << "," << y;
    b[3] = 0;  // the border's zeros now pull the background down
    ASSERT_TRUE(Apply(kOpMakeBackground, ws.at(2), b, ws));
    EXPECT_LT(Sample(ws.at(2), 0, 0, 0), 1000);
}

TEST(Generator, WordsAreLimitedAndTinyPicturesAreTheirOwnBackground) {
    Workspace ws;
    MakeImage(ws, 0, 4, 9, [](int c, int x, int y) { return static_cast<uint16_t>(c + x + y); });
    ParamBlock live{{{0, 600, 1, 7}}};
    ASSERT_TRUE(Dispatch(kOpMakeBackground, ws.at(1), live, ws, AppKernels()));
    EXPECT_EQ(std::tuple(live[1], live[2], live[3]), std::tuple(256, 2, 1));
    EXPECT_EQ(Sample(ws.at(1), 2, 3, 8), 2 + 3 + 8);
}

TEST(Generator, OddSizesCopyTheRowAndColumnBefore) {
    Plane src, out;
    ASSERT_TRUE(src.Allocate(11 * 9));
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 37 % 5000);
    ASSERT_TRUE(GenerateBackground(src.view(11, 9), GeneratorParams{16, 2, -1}, out));
    const ConstPlaneView v = out.view(11, 9);
    for (int y = 0; y < 9; ++y) EXPECT_EQ(v.at(10, y), v.at(9, y));
    for (int x = 0; x < 11; ++x) EXPECT_EQ(v.at(x, 8), v.at(x, 7));
}

}  // namespace
}  // namespace orva
