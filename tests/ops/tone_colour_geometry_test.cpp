// Gamma, level and dynamic range against values worked out by hand from the tone model;
// HSV, grey, saturation and hue, and colour change on one-pixel pictures.
// Resize, crop, rotation, mirrors and distortion the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "ops/colour.h"
#include "ops/default_kernels.h"
#include "ops/dispatcher.h"
#include "ops/geometry.h"
#include "ops/tone.h"
#include "shell/commands.h"
#include "shell/geometry_commands.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::Sample;

// Maps the given samples through one curve and returns the results.
std::vector<int> Through(const ToneCurve& curve, std::vector<uint16_t> xs) {
    EXPECT_TRUE(ApplyToneCurve(xs.data(), static_cast<int>(xs.size()), 1, curve));
    return {xs.begin(), xs.end()};
}

std::vector<int> Level(const LevelParams& p, std::vector<uint16_t> xs) {
    EXPECT_TRUE(ApplyLevel(xs.data(), static_cast<int>(xs.size()), 1, p));
    return {xs.begin(), xs.end()};
}

ToneCurve Gamma(int mode, int in0, int out0, int in1, int out1, int in2, int out2) {
    return GammaCurve(mode, {in0, out0, in1, out1, in2, out2});
}

TEST(ToneCurve, KnotRepairMakesInputsStrictlyIncreasing) {
    ToneCurve k = FitToneCurve(1, 0, 0, 32768, 32768, 65280, 65280);
    EXPECT_EQ(k.x[0], 1);  // a first knot at 0 would leave no first segment
    k = FitToneCurve(0, 100, 0, 50, 0, 20, 0);
    EXPECT_EQ(std::tuple(k.x[0], k.x[1], k.x[2]), std::tuple(100, 101, 102));
    // Knots at and past the top are pushed back down below 65535.
    k = FitToneCurve(0, 65535, 0, 65535, 0, 70000, 0);
    EXPECT_EQ(std::tuple(k.x[0], k.x[1], k.x[2]), std::tuple(65533, 65534, 65535));
    // A last knot at the very top: the curve stays defined there (no chord beyond it).
    for (int mode : {0, 1}) {
        k = FitToneCurve(mode, 16384, 16384, 32768, 32768, 65535, 65535);
        EXPECT_EQ(EvaluateToneCurve(k, 65535), 65535) << mode;
        EXPECT_NEAR(EvaluateToneCurve(k, 49152), 49152, 1e-6) << mode;
    }
}

TEST(ToneCurve, DefaultInnerAndCoincidingPointsInBothModes) {
    // Straight: the first segment from X0 = 1 is the line (1,0)-(32768,32768), so 16384 goes
    // to 16383.49998; the flat last segment caps everything from 65280 up.
    EXPECT_EQ(Through(Gamma(0, 0, 0, 128, 128, 255, 255),
                      {0, 1, 16384, 32768, 50000, 65279, 65280, 65535}),
              (std::vector<int>{0, 0, 16383, 32768, 50000, 65279, 65280, 65280}));
    // Curve: the last segment has slope 1 up to (65535, 65535); the second is a quadratic
    // from (1, 0): 16384 -> 16383.625, 50000 -> 50000.124.
    EXPECT_EQ(Through(Gamma(1, 0, 0, 128, 128, 255, 255),
                      {0, 1, 16384, 32768, 50000, 65279, 65280, 65300, 65535}),
              (std::vector<int>{0, 0, 16384, 32768, 50000, 65279, 65280, 65300, 65535}));
    // Knots (16384, 8192), (32768, 40960), (49152, 57344).
    // Straight: line from the origin, two chords, line to the corner
    // (57344 -> 57344 + 8191 * 8192 / 16383 = 61439.75).
    EXPECT_EQ(
        Through(Gamma(0, 64, 32, 128, 160, 192, 224), {0, 8192, 16384, 24576, 32768, 57344, 65535}),
        (std::vector<int>{0, 4096, 8192, 24576, 40960, 61440, 65535}));
    // Curve: s0 = 0.5, s1 = s2 = 2, s3 = 0.49994; S1 = 1.5/32768 x^2 - 0.25 x gives 1024 at
    // 8192; the cubics pass the knots with slopes 1.25, 2 and 1.24997 (24576 -> 24064,
    // 40960 -> 50688.03); the last quadratic gives 62463.75 at 57344.
    EXPECT_EQ(Through(Gamma(1, 64, 32, 128, 160, 192, 224),
                      {0, 8192, 16384, 24576, 32768, 40960, 57344, 65535}),
              (std::vector<int>{0, 1024, 8192, 24064, 40960, 50688, 62464, 65535}));
    // (100,50), (100,150), (200,200): the middle input moves to 25601; straight segments
    // (0,0)-(25600,12800), (25600,12800)-(25601,38400), (25601,38400)-(51200,51200).
    EXPECT_EQ(Through(Gamma(0, 100, 50, 100, 150, 200, 200), {25598, 25600, 25601, 38400}),
              (std::vector<int>{12799, 12800, 38400, 44800}));
}

TEST(LevelMapping, EqualInputLimitsTheTopEndLimitsBrightnessGammaAndContrast) {
    // Collapsed input range: every sample, even 0, goes to the output maximum.
    LevelParams p;
    p.input_min = p.input_max = 100;
    p.output_max = 200;
    EXPECT_EQ(Level(p, {0, 25600, 65535}), (std::vector<int>{51200, 51200, 51200}));
    // Default settings: the identity below 65280 (no sample may lose a step to rounding;
    // 32667 and 32715 once did), and anything above 65280 is capped there.
    std::vector<uint16_t> all(65536);
    for (std::size_t x = 0; x < all.size(); ++x) all[x] = static_cast<uint16_t>(x);
    const std::vector<int> mapped = Level(LevelParams{}, all);
    for (int x = 0; x < 65536; ++x) ASSERT_EQ(mapped[x], std::min(x, 65280)) << x;
    p = LevelParams{};
    p.input_max = 128;  // d = 32768
    EXPECT_EQ(Level(p, {16384, 40000}), (std::vector<int>{32640, 65280}));
    p.brightness = 64;  // n = x + 16384
    EXPECT_EQ(Level(p, {0, 16384}), (std::vector<int>{32640, 65280}));
    p.brightness = 0;
    p.output_min = 128;  // 32768 + 32512 p
    EXPECT_EQ(Level(p, {0, 16384}), (std::vector<int>{32768, 49024}));
    // Gamma 200: exponent 0.5.
    LevelParams g;
    g.gamma = 200;
    EXPECT_EQ(Level(g, {16320}), std::vector<int>{32640});
    // Contrast +50: inputs 127..128 (t = 127); -50: outputs 127..128.
    LevelParams c;
    c.contrast = 50;
    EXPECT_EQ(Level(c, {32512, 32640, 32768, 0}), (std::vector<int>{0, 32640, 65280, 0}));
    c.contrast = -50;
    EXPECT_EQ(Level(c, {0, 32640, 65535}), (std::vector<int>{32512, 32640, 32768}));
    // Settings from outside their ranges are clamped: gamma 0 is 0.01 (exponent 100).
    LevelParams wild;
    wild.gamma = 0;
    wild.output_max = 1000;
    wild.contrast = 500;  // +100: the input range collapses, everything to the maximum
    EXPECT_EQ(Level(wild, {0, 65535}), (std::vector<int>{65280, 65280}));
}

TEST(DynamicRange, StepBetweenTwoBlocksUnchangedCasesAndOddSizes) {
    // 5 x 1 grey picture: columns 0..3 black, column 4 at 8192; the second block repeats
    // column 4, so the mean image is {0, 8192}. Radius 8 (r = 2), tone difference 32
    // (T = 8192, S = 8). Pixel 4 sees M = 4360.78, D = 3831.22, factor 1.24141.
    Workspace ws;
    ImageRecord& rec =
        MakeImage(ws, 0, 5, 1, [](int, int x, int) -> uint16_t { return x == 4 ? 8192 : 0; });
    ASSERT_TRUE(DynamicRange(rec, {8, 32, 5}));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Sample(rec, c, 0, 0), 0);
        EXPECT_EQ(Sample(rec, c, 4, 0), 10170);
    }
    auto noise = [](int c, int x, int y) -> uint16_t {
        return static_cast<uint16_t>((x * 7919 + y * 104729 + c * 31337) % 65536);
    };
    // Tone difference 0 changes nothing.
    ImageRecord& a = MakeImage(ws, 0, 7, 5, noise);
    std::vector<uint16_t> before(a.green.data(), a.green.data() + 35);
    ASSERT_TRUE(DynamicRange(a, {8, 0, 10}));
    EXPECT_EQ(std::vector<uint16_t>(a.green.data(), a.green.data() + 35), before);
    // A flat picture has no local contrast, whatever the size and settings (out-of-range
    // ones clamped).
    for (int w : {1, 5}) {
        for (int radius : {0, 1000}) {
            ImageRecord& f = MakeImage(ws, 1, w, 3, [](int c, int, int) -> uint16_t {
                return static_cast<uint16_t>(1000 + c * 20000);
            });
            ASSERT_TRUE(DynamicRange(f, {radius, 200, 0}));
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(Sample(f, c, w - 1, 2), 1000 + c * 20000) << w << " " << radius;
        }
    }
    // Every small size, with the smallest and the largest radius: the block edges and the
    // kernel border stay inside the planes.
    for (int w = 1; w <= 9; ++w) {
        for (int h = 1; h <= 6; ++h) {
            for (int radius : {4, 32}) {
                ImageRecord& n = MakeImage(ws, 3, w, h, noise);
                ASSERT_TRUE(DynamicRange(n, {radius, 64, 10}));
                EXPECT_EQ(n.width * n.height, w * h);
            }
        }
    }
    // A grey picture is read from its red plane alone; all three results follow it.
    ImageRecord& g =
        MakeImage(ws, 2, 2, 2, [](int c, int, int) -> uint16_t { return c == 0 ? 5000 : 0; });
    g.single_plane = 1;
    ASSERT_TRUE(DynamicRange(g, {8, 32, 5}));
    EXPECT_EQ(std::tuple(Sample(g, 1, 1, 1), Sample(g, 2, 0, 0)), std::tuple(5000, 5000));
}

// Level takes each plane's colour set; dynamic range works on the current image alone, even
// in all-images mode.
TEST(ToneCommands, LevelTakesEachPlanesColourSetDynamicRangeOnlyTheCurrentImage) {
    Harness h;
    ImageRecord& a = MakeImage(h.ctx->ws, 0, 1, 1, [](int, int, int) -> uint16_t { return 16384; });
    LevelSettings& lv = h.ctx->settings.level;
    lv.channel_set = 3;
    lv.sets[0].output_max = 0;    // unused with a colour set chosen
    lv.sets[1].input_max = 128;   // red: 16384 -> 32640
    lv.sets[2].output_min = 255;  // green: everything 65280
    lv.sets[3].gamma = 200;       // blue: 65280 * sqrt(16384 / 65280) = 32703.94
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 318));
    EXPECT_EQ(std::tuple(Sample(a, 0, 0, 0), Sample(a, 1, 0, 0), Sample(a, 2, 0, 0)),
              std::tuple(32640, 65280, 32703));
    auto step = [](int, int x, int) -> uint16_t { return x == 4 ? 8192 : 0; };
    ImageRecord& current = MakeImage(h.ctx->ws, 0, 5, 1, step);
    ImageRecord& other = MakeImage(h.ctx->ws, 1, 5, 1, step);
    h.ctx->ws.current = 0;
    h.ctx->shell.all_images = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 315));
    EXPECT_EQ(h.ui.dialogs_run, (std::vector<std::string>{"LEVEL", "HDR"}));
    EXPECT_EQ(Sample(current, 0, 4, 0), 10170);
    EXPECT_EQ(Sample(other, 0, 4, 0), 8192);
}

using Rgb = std::array<uint16_t, 3>;

// Runs fn on three one-sample planes holding px and returns the pixel it leaves.
template <class Fn>
Rgb OnePixel(Rgb px, Fn fn) {
    uint16_t* planes[3] = {&px[0], &px[1], &px[2]};
    fn(planes);
    return px;
}

Rgb Gray(const Rgb& px, GreyParams params, bool single_plane = false) {
    return OnePixel(px, [&](uint16_t** p) { GreyPlanes(p, 1, 1, single_plane, params); });
}

// An 8-bit level on the sample scale, with optional low-byte noise.
uint16_t Level(int v, int low = 0) {
    return static_cast<uint16_t>(v * 256 + low);
}

TEST(Hsv, BothWaysWithHalvedSamplesSectorsOf8192AndNoOverflow) {
    EXPECT_EQ(RgbToHsv(65535, 0, 0), (Hsv{0, 65535, 65534}));  // value of full white is 65534
    EXPECT_EQ(RgbToHsv(0, 65535, 0), (Hsv{16384, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(0, 0, 65535), (Hsv{32768, 65535, 65534}));
    EXPECT_EQ(RgbToHsv(1, 1, 1), (Hsv{0, 0, 0}));
    EXPECT_EQ(RgbToHsv(70000, -5, 0), RgbToHsv(65535, 0, 0));  // inputs clamped to samples
    // Halves (100, 50, 25): 25 x 8192 / 75 = 2730.7 -> 2730; 75 x 65535 / 100 -> 49151.
    EXPECT_EQ(RgbToHsv(200, 100, 50), (Hsv{2730, 49151, 200}));
    // A negative red-sector hue truncates toward zero (-2730, not -2731) before wrapping.
    EXPECT_EQ(RgbToHsv(200, 50, 100), (Hsv{46422, 49151, 200}));

    EXPECT_EQ(HsvToRgb(0, 65535, 65535), (Rgb{65535, 0, 0}));
    EXPECT_EQ(HsvToRgb(4096, 65535, 65535), (Rgb{65535, 32768, 0}));
    // Saturation 0 at full value: V x 65535 is past 32 bits and must still give white.
    EXPECT_EQ(HsvToRgb(0, 0, 65535), (Rgb{65535, 65535, 65535}));
    // Sector 2, f = 1000: p = 40000 x 32767 / 65535, t = 40000 x (65535 - 7192 x 4) / 65535.
    EXPECT_EQ(HsvToRgb(17384, 32768, 40000), (Rgb{19999, 40000, 22441}));
    // Hue is wrapped, saturation and value clamped.
    EXPECT_EQ(HsvToRgb(-49152, 70000, 70000), HsvToRgb(0, 65535, 65535));
    EXPECT_EQ(HsvDialogUnits(65535, 0, 0), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(HsvDialogUnits(200, 100, 50), (std::array<int, 3>{19, 191, 0}));
}

TEST(Grey, ModesAndWeights) {
    const GreyParams lum;  // mode 2, 299/587/114
    EXPECT_EQ(Gray({100, 300, 200}, {0, 299, 587, 114}), (Rgb{300, 300, 300}));
    EXPECT_EQ(Gray({100, 300, 200}, {1, 299, 587, 114}), (Rgb{100, 100, 100}));
    // (1000 x 299 + 2000 x 587 + 100 x 114) / 1000 = 1484, times 8.
    EXPECT_EQ(Gray({8000, 16000, 800}, lum), (Rgb{11872, 11872, 11872}));
    // Manual weights; all zero divides by one and gives black.
    EXPECT_EQ(Gray({8000, 16000, 800}, {3, 1, 0, 0}), (Rgb{8000, 8000, 8000}));
    EXPECT_EQ(Gray({65535, 65535, 65535}, {3, 0, 0, 0}), (Rgb{0, 0, 0}));
    // Full-range weights cannot overflow: 8191 x 65535 x 3 / (3 x 65535) = 8191.
    EXPECT_EQ(Gray({65535, 65535, 65535}, {3, 65535, 65535, 65535}), (Rgb{65528, 65528, 65528}));
    // Green and blue of a single-plane picture are not part of it.
    EXPECT_EQ(Gray({8007, 0, 65535}, {0, 1, 1, 1}, true), (Rgb{8007, 8007, 8007}));
}

TEST(SaturationHue, ChangeThatGoesWithTheHueAndHandWorkedPixels) {
    EXPECT_EQ(AdjustedSaturation(10, 30), 60);  // 10 + 30 x 100 / 60
    EXPECT_EQ(AdjustedSaturation(0, 90), 50);   // 0 - 150 + 200
    EXPECT_EQ(AdjustedSaturation(0, -120), 0);
    EXPECT_EQ(AdjustedSaturation(0, 180), 100);
    EXPECT_EQ(AdjustedSaturation(-100, 59), -2);  // 59 x 100 / 60 = 98
    const struct {
        Rgb px;
        int saturation, hue;
        Rgb want;
    } rows[] = {
        {{1000, 2000, 3000}, 0, 0, {1000, 2000, 3000}},
        {{1000, 2000, 3000}, 0, 120, {3000, 1000, 2000}},  // exact permutations at +-120
        {{1000, 2000, 3000}, 0, -120, {2000, 3000, 1000}},
        // Hue 60: R' = G' = 600, B' = 0, mean 400, saturation +100 doubles the distances.
        {{1200, 0, 0}, 0, 60, {800, 800, 0}},
        {{1200, 0, 0}, 0, -60, {800, 0, 800}},  // toward magenta
        {{3000, 2000, 1000}, 50, 0, {3500, 2000, 500}},
        // Mean 1666: blue 1000 - 666 x 33 / 100 truncates toward zero to 781.
        {{2000, 2000, 1000}, 33, 0, {2110, 2110, 781}},
        // Full-range samples are clamped, not wrapped; hue 180: (32767, 32767, 65535).
        {{65535, 0, 0}, 100, 0, {65535, 0, 0}},
        {{65535, 65535, 0}, 0, 180, {21845, 21845, 65535}},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) {
            SaturationHuePlanes(p, 1, 1, SaturationParams{r.saturation, r.hue});
        });
        EXPECT_EQ(out, r.want) << r.px[0] << " " << r.saturation << " " << r.hue;
    }
}

TEST(ColourChangeRgb, ToleranceBlendsAndClampedSettings) {
    const RgbChange exact{{10, 20, 30}, {200, 100, 50}, 0}, near{{10, 20, 30}, {200, 100, 50}, 9};
    const Rgb target{51200, 25600, 12800};
    const struct {
        Rgb px;
        RgbChange change;
        Rgb want;
    } rows[] = {
        {{Level(10, 5), Level(20), Level(30, 255)}, exact, target},  // low bytes do not matter
        // One level off in two channels is no match.
        {{Level(11), Level(21), Level(30)}, exact, {Level(11), Level(21), Level(30)}},
        // Differences 3 + 0 + 0 -> d = 1: (c + 8 x target x 256) / 9.
        {{Level(13), Level(20), Level(30)}, near, {45880, 23324, 12231}},
        {{Level(10), Level(21), Level(30)}, near, target},  // d = 0 is fully the target
        // d = T leaves the pixel; d > T is not touched.
        {{Level(37), Level(20), Level(30)}, near, {Level(37), Level(20), Level(30)}},
        {{Level(40), Level(20), Level(30)}, near, {Level(40), Level(20), Level(30)}},
        {{65535, 65535, 65535}, {{255, 255, 255}, {0, 0, 0}, 255}, {0, 0, 0}},
        // 65535 x 254 + 1 x 65280 stays within range of the arithmetic.
        {{65535, 65535, 65535}, {{255, 255, 255}, {255, 0, 255}, 1}, {65280, 0, 65280}},
        // Settings outside 0..255 are clamped: source 300 is 255, target -4 is 0.
        {{65535, 65535, 65535}, {{300, 300, 300}, {-4, -4, -4}, -1}, {0, 0, 0}},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) { ColourChangeRgb(p, 1, 1, r.change); });
        EXPECT_EQ(out, r.want) << r.px[0] << " " << r.change.tolerance;
    }
}

TEST(ColourChangeHsv, HandWorkedPixels) {
    const Rgb magenta{65535, 0, 65535}, green{0, 65535, 0}, red{65535, 0, 0};
    const struct {
        const char* name;
        Rgb px;
        HsvChange change;
        Rgb want;
    } rows[] = {
        // Tolerance 0: red to green, HSV (16384, 65280, 65280) back to RGB; blue stays.
        {"red to green", red, {{0, 255, 255}, {120, 255, 255}, 0}, {254, 65280, 254}},
        {"blue stays", {0, 0, 65535}, {{0, 255, 255}, {120, 255, 255}, 0}, {0, 0, 65535}},
        // Hue 47787 (just under 350 degrees) shifted by +2731 (20 degrees): wraps to 10.
        {"350 to 10", {60000, 0, 10000}, {{350, 255, 255}, {10, 255, 255}, 4}, {60000, 10005, 0}},
        // Source 200, target 10: the source hue is moved below zero to take the short way;
        // magenta (300) is 100 degrees away, green 180: both stay whatever the tolerance.
        {"short way round", magenta, {{200, 255, 255}, {10, 255, 255}, 255}, magenta},
        {"other side", green, {{300, 255, 255}, {10, 255, 255}, 255}, green},
        // Source saturation and value 128, target 64: both halve. Red (0, 65535, 65534)
        // becomes (0, (8192 x 65535 / 32768) x 2, (8192 x 65534 / 32768) x 2).
        {"halved", red, {{0, 128, 128}, {0, 64, 64}, 10}, HsvToRgb(0, 32766, 32766)},
        // A source saturation of 1 (256) or less takes the target's as it stands.
        {"fixed", red, {{0, 1, 1}, {0, 64, 64}, 10}, HsvToRgb(0, 64 * 256, 64 * 256)},
    };
    for (const auto& r : rows) {
        const Rgb out = OnePixel(r.px, [&](uint16_t** p) { ColourChangeHsv(p, 1, 1, r.change); });
        EXPECT_EQ(out, r.want) << r.name;
    }
}

namespace geometry {

// A record of w x h whose three planes hold f(x, y) (x column, y stored row, bottom first),
// green and blue offset by 1 and 2 so that mixed-up planes show.
ImageRecord Picture(int w, int h, const std::function<int(int, int)>& f) {
    ImageRecord r;
    r.width = w;
    r.height = h;
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(r.plane(c).Allocate(static_cast<std::size_t>(w) * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                r.plane(c)[static_cast<std::size_t>(y) * w + x] =
                    static_cast<uint16_t>(f(x, y) + c);
    }
    return r;
}

// Red rows from the top of the picture down.
std::vector<std::vector<int>> TopDown(const ImageRecord& r) {
    std::vector<std::vector<int>> rows;
    for (int y = r.height - 1; y >= 0; --y) {
        rows.emplace_back();
        for (int x = 0; x < r.width; ++x) rows.back().push_back(Sample(r, 0, x, y));
    }
    return rows;
}

using Rows = std::vector<std::vector<int>>;

TEST(ResizeRatio, CommonFactorsGoOnceThenHalvingBelow4097AndChoiceTwoComparesThem) {
    const struct {
        int t, s, want_t, want_s;
    } cases[] = {
        {3000, 4999, 1500, 2499},  // 4999 is prime: nothing in common, then one halving
        {200, 100, 20, 10},        // 2 once, then 5 once
        {10000, 1, 10000, 1},      // halving never takes a side to 0: the ratio stays defined
    };
    for (const auto& c : cases) {
        int t = c.t, s = c.s;
        ReduceRatio(t, s);
        EXPECT_EQ(t, c.want_t) << c.t << "/" << c.s;
        EXPECT_EQ(s, c.want_s) << c.t << "/" << c.s;
    }
    EXPECT_EQ(ScaledLength(9999, 2500, 2499), 10003);  // not 10000
    EXPECT_EQ(ScaledLength(1, 1, 3), 1);               // a picture never shrinks to nothing
    using enum ResizeMethod;
    EXPECT_EQ(ResizeMethodOf(2, 200, 100, 200, 100), Lanczos);
    EXPECT_EQ(ResizeMethodOf(2, 200, 100, 50, 100), Bilinear);
    EXPECT_EQ(ResizeMethodOf(0, 200, 100, 50, 100), Nearest);
    EXPECT_EQ(ResizeMethodOf(3, 50, 100, 50, 100), Lanczos);
}

TEST(ResizeLanczos, SameSizeSharpensASpotByTheTable) {
    ImageRecord r = Picture(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 30000 : 20000; });
    ASSERT_TRUE(ResizeLanczos(r, 5, 5, 5, 5));
    ASSERT_EQ(r.width, 5);
    EXPECT_EQ(Sample(r, 0, 2, 2), 34510);  // 20000 + 10000 x 1.451045
    EXPECT_EQ(Sample(r, 0, 1, 1), 18872);  // 20000 - 10000 x 0.112761
    // A bright spot on black: the ring below zero is clamped, the top is clamped too.
    r = Picture(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 65535 : 0; });
    ASSERT_TRUE(ResizeLanczos(r, 3, 3, 3, 3));
    EXPECT_EQ(Sample(r, 0, 1, 1), 65535);
    EXPECT_EQ(Sample(r, 0, 0, 0), 0);
}

// Each resize: the picture, the method, its ratio words and the red rows it gives, top down.
TEST(Resize, HandWorkedPictures) {
    const auto kOne = [](int, int) { return 7; };
    using Fn = bool (*)(ImageRecord&, int, int, int, int);
    struct {
        const char* name;
        ImageRecord picture;
        Fn method;
        int tw, sw, th, sh;
        Rows rows;
    } cases[] = {
        // A constant picture doubled keeps its level.
        {"lanczos doubling", Picture(3, 2, [](int, int) { return 4242; }), ResizeLanczos, 200, 100,
         200, 100, Rows(4, std::vector<int>(6, 4242))},
        {"nearest halving", Picture(4, 2, [](int x, int y) { return 10 * x + 100 * y; }),
         ResizeNearest, 2, 4, 1, 2, Rows{{0, 20}}},
        {"nearest 2 to 3", Picture(2, 1, [](int x, int) { return x + 1; }), ResizeNearest, 3, 2, 1,
         1, Rows{{1, 1, 2}}},
        // Halves of 128; the last pair clamps at the edge.
        {"bilinear doubling", Picture(2, 1, [](int x, int) { return x == 0 ? 100 : 300; }),
         ResizeBilinear, 4, 2, 1, 1, Rows{{100, 200, 300, 300}}},
        // 4 x 3 to 2 x 1: blocks [0,2) x [0,2) and [2,3) x [0,2) (the last index is the limit).
        {"bilinear blocks", Picture(4, 3, [](int x, int y) { return 100 * x + 1000 * y; }),
         ResizeBilinear, 2, 4, 1, 3, Rows{{550, 700}}},
        // Widening while reducing height strongly: empty blocks take the sample at their start.
        {"bilinear empty blocks", Picture(2, 3, [](int x, int y) { return 100 * x + 1000 * y; }),
         ResizeBilinear, 4, 2, 1, 3, Rows{{500, 500, 600, 600}}},
        // One pixel grows flat by every method, and stays when it would round to nothing.
        {"nearest one pixel", Picture(1, 1, kOne), ResizeNearest, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"bilinear one pixel", Picture(1, 1, kOne), ResizeBilinear, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"lanczos one pixel", Picture(1, 1, kOne), ResizeLanczos, 3, 1, 3, 1, Rows(3, {7, 7, 7})},
        {"bilinear to nothing", Picture(1, 1, kOne), ResizeBilinear, 1, 5, 1, 5, Rows{{7}}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.method(c.picture, c.tw, c.sw, c.th, c.sh));
        EXPECT_EQ(TopDown(c.picture), c.rows);
    }
}

// Picture 3 x 2: top row a b c, bottom row d e f.
ImageRecord Small() {
    return Picture(3, 2, [](int x, int y) { return (y == 1 ? 1 : 4) + x; });
}
constexpr int a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;

TEST(QuarterTurn, ThreeByTwoInEveryDirection) {
    const std::pair<std::function<bool(ImageRecord&)>, Rows> rows[] = {
        {[](ImageRecord& r) { return QuarterTurn(r, 90000); }, Rows{{c, f}, {b, e}, {a, d}}},
        {[](ImageRecord& r) { return QuarterTurn(r, -90000); }, Rows{{d, a}, {e, b}, {f, c}}},
        {[](ImageRecord& r) { return QuarterTurn(r, -180000); }, Rows{{f, e, d}, {c, b, a}}},
        {[](ImageRecord& r) { return Mirror(r, 1); }, Rows{{c, b, a}, {f, e, d}}},
        {[](ImageRecord& r) { return Mirror(r, 2); }, Rows{{d, e, f}, {a, b, c}}},
    };
    for (const auto& [turn, want] : rows) {
        ImageRecord r = Small();
        ASSERT_TRUE(turn(r));
        EXPECT_EQ(TopDown(r), want);  // the width and height follow from the rows
        EXPECT_EQ(Sample(r, 2, 0, r.height - 1), want[0][0] + 2);  // blue turned along
    }
}

TEST(RotateArbitrary, BoundingBoxBlackCornersSmallPicturesAndTheTurnsDirection) {
    int w = 0, h = 0;
    RotatedSize(100, 50, 90000, w, h);  // with the short pi the box stays 50 x 100
    EXPECT_EQ(std::pair(w, h), std::pair(50, 100));
    ImageRecord r = Picture(100, 100, [](int, int) { return 1000; });
    ASSERT_TRUE(RotateArbitrary(r, 45000));
    ASSERT_EQ(r.width, 141);
    EXPECT_EQ(std::tuple(Sample(r, 0, 0, 0), Sample(r, 0, 140, 140), Sample(r, 0, 70, 70)),
              std::tuple(0, 0, 1000));
    // No black seam: the rightmost pixel of the middle row samples source (99.50, 0.50), on
    // the last column, and reads that column instead of turning black.
    for (int u = 70; u < 141; ++u) EXPECT_EQ(Sample(r, 0, u, 70), 1000) << u;
    // A one-pixel picture, angle 0 and a small turn counter-clockwise.
    r = Picture(1, 1, [](int, int) { return 5; });
    ASSERT_TRUE(RotateArbitrary(r, 45000));  // box trunc(1.414) = 1
    ASSERT_EQ(r.width, 1);
    EXPECT_EQ(Sample(r, 0, 0, 0), 5);
    r = Small();
    ASSERT_TRUE(RotateArbitrary(r, 0));
    EXPECT_EQ(TopDown(r), (Rows{{a, b, c}, {d, e, f}}));
    // 3 x 3 turned by 1 degree keeps its size (box 3.05 -> 3); the centre stays and the
    // picture turns counter-clockwise.
    r = Picture(3, 3, [](int x, int y) { return 1000 * y + 10 * x; });
    ASSERT_TRUE(RotateArbitrary(r, 1000));
    ASSERT_EQ(r.width, 3);
    EXPECT_EQ(Sample(r, 0, 1, 1), 1010);
    // (u, v) = (1, 2), the top middle: sx = 1 + sin(1 deg) = 1.01745, sy = 1 + cos(1 deg) =
    // 1.99985; x0 = 1, fx = 4; y0 = 1, fy = 255: ((1020 x 4 + 1010 x 252) x 1 + (2020 x 4 +
    // 2010 x 252) x 255) / 65536 = 2006 (content from a little to the right moved left).
    EXPECT_EQ(Sample(r, 0, 1, 2), 2006);
}

TEST(Distortion, MovesCornerContentOutwardAndZeroChangesNothing) {
    // 4 x 4, r^3 = 8^1.5; amount 1 at (0, 0): s = 1 - 8 / 22.627 = 0.64645, source
    // (0.70711, 0.70711): fx = fy = 181, between 0 and 1000 across: 181000 x 256 / 65536.
    ImageRecord r = Picture(4, 4, [](int x, int) { return 1000 * x; });
    ASSERT_TRUE(CorrectDistortion(r, 1));
    EXPECT_EQ(Sample(r, 0, 0, 0), 707);
    EXPECT_EQ(Sample(r, 0, 2, 2), 2000);  // the centre stays
    r = Small();
    ASSERT_TRUE(CorrectDistortion(r, 0));
    EXPECT_EQ(TopDown(r), (Rows{{a, b, c}, {d, e, f}}));
    r = Small();
    ASSERT_TRUE(CorrectDistortion(r, 2000000000));  // absurd amounts stay inside the planes
    EXPECT_EQ(r.width, 3);
}

TEST(Geometry, ShortPlanesAreLeftAlone) {
    ImageRecord r = Small();
    r.blue.Release();
    EXPECT_TRUE(RotateArbitrary(r, 1000));
    EXPECT_TRUE(ResizeLanczos(r, 2, 1, 2, 1));
    EXPECT_TRUE(QuarterTurn(r, 90000));
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(3, 2));
}

// In all-images mode each image is resized by the ratio, not to the current one's size.
TEST(GeometryCommands, ResizeKeepsEachImagesOwnRatio) {
    Harness h;
    MakeImage(h.ctx->ws, 0, 4, 4, [](int, int, int) { return 300; });
    MakeImage(h.ctx->ws, 1, 8, 2, [](int, int, int) { return 300; });
    ResizeSettings& s = h.ctx->settings.resize;
    s.source_width = 8, s.source_height = 2, s.target_width = 4, s.target_height = 1;
    h.ctx->shell.all_images = 1;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 304));
    EXPECT_EQ(std::pair(h.ctx->ws.at(0).width, h.ctx->ws.at(0).height), std::pair(2, 2));
    EXPECT_EQ(std::pair(h.ctx->ws.at(1).width, h.ctx->ws.at(1).height), std::pair(4, 1));
    EXPECT_TRUE(h.ui.Texts(msg::kTitleError).empty());
}

TEST(GeometryCommands, CropTakesTheAnchoredPartIntoANewSlot) {
    Harness h;
    // Picture 4 x 4, value 10 x column + row from the top.
    MakeImage(h.ctx->ws, 0, 4, 4, [](int, int x, int y) { return 10 * x + (3 - y); });
    h.ctx->ws.at(0).single_plane = 1;
    CropSettings& s = h.ctx->settings.crop;
    s.anchor = 0, s.width = 2, s.height = 2, s.output_mode = 1, s.magnification = 100;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(h.ctx->ws.current, 1);
    EXPECT_EQ(TopDown(h.ctx->ws.at(1)), (Rows{{0, 10}, {1, 11}}));
    EXPECT_EQ(h.ctx->ws.at(1).single_plane, 1);
    // Centre with a crop larger than the picture, doubled: the whole picture, 8 x 8.
    h.ctx->ws.current = 0;
    s.anchor = 4, s.width = 50, s.height = 50, s.magnification = 200;
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(std::pair(h.ctx->ws.at(2).width, h.ctx->ws.at(2).height), std::pair(8, 8));
    EXPECT_TRUE(h.ui.Texts(msg::kTitleError).empty());
    h.ctx->ws.current = 0;
    s.output_mode = 1, s.magnification = 0;  // nothing left to show
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_EQ(h.ui.Texts(msg::kTitleError), std::vector<std::string>{msg::kBadSize});
    EXPECT_FALSE(h.ctx->ws.at(3).occupied());
    // Every slot taken: no dialog, the slot message.
    for (int i = 3; i < kSlotCount; ++i)
        MakeImage(h.ctx->ws, i, 1, 1, [](int, int, int) { return 1; });
    h.ctx->ws.current = 0;
    h.ui.dialogs_run.clear();
    ASSERT_TRUE(ExecuteCommand(*h.ctx, 213));
    EXPECT_TRUE(h.ui.dialogs_run.empty());
    EXPECT_EQ(h.ui.Texts(msg::kTitleError).back(), msg::kNoSlotNew);
}

}  // namespace geometry

}  // namespace
}  // namespace orva
