// The four stages of the fast development on tiny mosaics with hand-worked values.
#include "raw/develop.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "common/parallel.h"

namespace orva {
namespace {

struct Mosaic {
    int width, height;
    std::vector<std::array<uint16_t, 4>> px;
    Mosaic(int w, int h) : width(w), height(h), px(static_cast<std::size_t>(w) * h) {}
    std::array<uint16_t, 4>& at(int x, int y) {
        return px[static_cast<std::size_t>(y) * width + x];
    }
    MosaicView view(int pattern) {
        return {reinterpret_cast<uint16_t(*)[4]>(px[0].data()), width, height, pattern};
    }
};

struct Planes {
    int width, height;
    Plane r, g, b;
    Planes(int w, int h) : width(w), height(h) {
        const auto n = static_cast<std::size_t>(w) * h;
        EXPECT_TRUE(r.Allocate(n, true) && g.Allocate(n, true) && b.Allocate(n, true));
    }
    PlaneView v(Plane& p) { return p.view(width, height); }
    // Colour of the pixel at (x, y from the top of the picture).
    std::array<int, 3> top(int x, int y) {
        const std::size_t i = static_cast<std::size_t>(height - 1 - y) * width + x;
        return {r[i], g[i], b[i]};
    }
};

TEST(RawToneCurve, BlackAndWhitePointsToeShoulderAndZero) {
    for (const int k : {0, 5, 32}) {
        for (const int v : {128, 180, 255}) {
            const double b = (k + 8) * 128.0, w = (v - 4) * 256.0;
            EXPECT_DOUBLE_EQ(CurveBeforePower(b, k, v), 1024.0) << k << " " << v;
            EXPECT_NEAR(CurveBeforePower(w, k, v), 63488.0, 1e-9) << k << " " << v;
        }
    }
    // b = 1024 for slider 0: the toe is 1024 x^2 / b^2; w = 31744 for white 128.
    EXPECT_DOUBLE_EQ(CurveBeforePower(512, 0, 128), 256.0);
    EXPECT_DOUBLE_EQ(CurveBeforePower(65535, 0, 128), 65536.0 - 2048.0 / (65536.0 - 31744.0));
    EXPECT_EQ(ToneCurveValue(0, 0, 128, 1.0), 0);  // not sampled stays 0
    EXPECT_EQ(ToneCurveValue(65535, 0, 128, 1.0 / 2.2), 65535);
    // The cubic joins both ends with the given slopes and rises all the way.
    const double b = 1024, w = 31744, eps = 1e-3;
    EXPECT_NEAR((CurveBeforePower(b + eps, 0, 128) - 1024.0) / eps, 2048.0 / b, 1e-3);
    EXPECT_NEAR((63488.0 - CurveBeforePower(w - eps, 0, 128)) / eps, 2048.0 / (65536.0 - w), 1e-3);
    double last = 0;
    for (int x = 1; x < 65536; x += 97) {
        const double y = CurveBeforePower(x, 0, 128);
        EXPECT_GT(y, last) << x;
        last = y;
    }
}

TEST(RawToneCurve, GammaPowerOnMosaicChannels) {
    Mosaic m(2, 1);
    m.at(0, 0) = {1024, 0, 2048, 7};
    m.at(1, 0) = {0, 63488, 0, 7};
    // Black slider 0 (b = 1024), white 252 (w = 63488) for every channel.
    DevelopToneCurve(m.view(kPatternBayer), {0, 0, 0}, {252, 252, 252}, {0.5, 1.0, 1.0});
    // 1024 before the power; 65535 * (1024 / 65535)^0.5 = 8191.5 -> 8191.
    EXPECT_EQ(m.at(0, 0)[0], 8191);
    EXPECT_EQ(m.at(0, 0)[1], 0);
    EXPECT_EQ(m.at(0, 0)[3], 7);  // the second green is not the stage's business
    EXPECT_EQ(m.at(1, 0)[1], 63488);
}

// Runs stage 3 on a luminance picture given directly (R = G = B = 12 Y gives Y back).
std::vector<int> Sharpen(int w, int h, const std::vector<int>& lum, int radius, int sharpness) {
    Planes p(w, h);
    for (std::size_t i = 0; i < lum.size(); ++i)
        p.r[i] = p.g[i] = p.b[i] = static_cast<uint16_t>(lum[i] * 4);
    Plane y, ys;
    const auto n = static_cast<std::size_t>(w) * h;
    EXPECT_TRUE(y.Allocate(n) && ys.Allocate(n));
    DevelopSharpen(p.v(p.r), p.v(p.g), p.v(p.b), y.view(w, h), ys.view(w, h), radius, sharpness);
    return std::vector<int>(ys.data(), ys.data() + n);
}

// One row per rule: the luminance picture, the neighbourhood (0: 3 x 3, 1: radius 2), the
// sharpness, and the value the sharpened luminance must have at one place.
TEST(RawSharpen, SmoothingAmplificationAndNeighbourhoods) {
    std::vector<int> bump(9, 100), spike(9, 100), top(9, 16383), ramp(25);
    bump[4] = 110;
    spike[4] = 1000;
    // Y = 10 x + y on 5 x 5.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) ramp[static_cast<std::size_t>(y) * 5 + x] = 10 * x + y;
    // (0, 2) in the first column has twelve neighbours: columns 1 (five rows) and 2 (three
    // rows) plus column 0 rows 0, 1, 3, 4.
    const int edge = (10 + 11 + 12 + 13 + 14) + (21 + 22 + 23) + (0 + 1 + 3 + 4);
    const struct {
        const char* name;
        const std::vector<int>& lum;
        int radius, sharpness;
        std::size_t at;
        int want;
    } cases[] = {
        // Sharpness 4: threshold 16. Centre: mean 100, d = 10 -> (110 + 100) / 2.
        {"small deviation smoothed", bump, 0, 4, 4, 105},
        // Corner: neighbours 100, 100, 110 -> mean 103, d = -3 -> (100 + 103) / 2.
        {"corner smoothed", bump, 0, 4, 0, 101},
        {"large deviation amplified", spike, 0, 4, 4, 1000 + ((900 - 16) * 4) / 2},
        // 100 + ((-300 + 16) * 4) / 2 is negative.
        {"negative result clamped", spike, 0, 4, 0, 0},
        {"sharpness 8 has no threshold", spike, 0, 8, 4, 1000 + 900 * 4},
        // The top of the luminance range (R = G = B = 65532) must not overflow on the way.
        {"sharpness 0 copies", top, 0, 0, 4, 16383},
        // Seven in-bounds neighbours summing to 77, mean 11; d = -11 is within the
        // threshold 28 of sharpness 1 -> (0 + 11) / 2.
        {"radius 2 corner", ramp, 1, 1, 0, 5},
        {"radius 2 edge", ramp, 1, 1, 10, (2 + edge / 12) / 2},
        // Three neighbours 10, 1, 11 -> mean 7.
        {"3 x 3 corner", ramp, 0, 1, 0, 3},
    };
    for (const auto& c : cases) {
        const int side = c.lum.size() == 9 ? 3 : 5;
        EXPECT_EQ(Sharpen(side, side, c.lum, c.radius, c.sharpness)[c.at], c.want) << c.name;
    }
}

std::array<int, 3> Colour(std::array<int, 3> rgb, int lum, int sharp, int f, int s, int h) {
    Planes p(1, 1);
    p.r[0] = static_cast<uint16_t>(rgb[0]);
    p.g[0] = static_cast<uint16_t>(rgb[1]);
    p.b[0] = static_cast<uint16_t>(rgb[2]);
    Plane y, ys;
    EXPECT_TRUE(y.Allocate(1) && ys.Allocate(1));
    y[0] = static_cast<uint16_t>(lum);
    ys[0] = static_cast<uint16_t>(sharp);
    DevelopColour(p.v(p.r), p.v(p.g), p.v(p.b), y.view(1, 1), ys.view(1, 1), f, s, h);
    return p.top(0, 0);
}

TEST(RawColour, HueSaturationAndLuminanceTransfer) {
    // Neutral settings return the demosaiced colour; zero luminance is black.
    EXPECT_EQ(Colour({1234, 40000, 7}, 3436, 3436, 0, 0, 0), (std::array<int, 3>{1234, 40000, 7}));
    EXPECT_EQ(Colour({60000, 60000, 60000}, 0, 900, 2, 3, 10), (std::array<int, 3>{0, 0, 0}));
    // h = 12: r' = 1080, g' = 120, b' = 0; k = 12, mean 400: 1216, 64, -80 -> 0.
    EXPECT_EQ(Colour({1200, 0, 0}, 100, 100, 0, 0, 12), (std::array<int, 3>{1216, 64, 0}));
    // h = -12 turns the other way: r' = 1080, g' = 0, b' = 120.
    EXPECT_EQ(Colour({1200, 0, 0}, 100, 100, 0, 0, -12), (std::array<int, 3>{1216, 0, 64}));
    // S = 3: k = 45, mean 600: deviations grow by 75 %.
    EXPECT_EQ(Colour({900, 600, 300}, 100, 100, 0, 3, 0), (std::array<int, 3>{1125, 600, 75}));
    // The sharpened luminance scales the colour: twice Ys, twice the colour.
    EXPECT_EQ(Colour({900, 600, 300}, 100, 200, 0, 0, 0), (std::array<int, 3>{1800, 1200, 600}));
    // Every stage truncates towards zero, a negative deviation too: h = -7 gives 29417.78,
    // 19419.9, 11173.3; mean 20003, k = 37: +5805.3, -360.1, -5445.2; times 997 / 1001.
    EXPECT_EQ(Colour({30001, 20003, 10007}, 1001, 997, 0, 2, -7),
              (std::array<int, 3>{35081, 18982, 5705}));
    // The luminance transfer truncates, and holds the result to the sample range.
    EXPECT_EQ(Colour({60000, 30000, 0}, 16383, 1, 0, 0, 0), (std::array<int, 3>{3, 1, 0}));
    EXPECT_EQ(Colour({65535, 65535, 65535}, 3, 16383, 0, 0, 0),
              (std::array<int, 3>{65535, 65535, 65535}));
    // A hue from an edited settings file far beyond the dialog's range acts as +-36.
    EXPECT_EQ(Colour({1200, 0, 0}, 100, 100, 0, 0, 500), Colour({1200, 0, 0}, 100, 100, 0, 0, 36));
}

// False-colour reduction at strength s gives each sample (v + s x the mean of its in-bounds
// neighbours) / (s + 1), channel by channel. The picture is tall enough for several bands:
// each row's smoothing must see the rows next to it before they were rewritten, whatever band
// they belong to and however many threads run.
TEST(RawColour, FalseColourReductionReadsTheNeighboursAsTheyWere) {
    const int w = 5, h = 70;
    const auto n = static_cast<std::size_t>(w) * h;
    std::mt19937 rng(3);
    std::vector<uint16_t> base(n * 3);
    for (auto& v : base) v = static_cast<uint16_t>(rng() % 60000);
    const auto at = [&](int c, int x, int y) {
        return int{base[c * n + static_cast<std::size_t>(y) * w + x]};
    };
    Plane y, ys;
    ASSERT_TRUE(y.Allocate(n) && ys.Allocate(n));
    for (std::size_t i = 0; i < n; ++i) y[i] = ys[i] = 1000;
    for (const auto& [threads, strength] : {std::pair{1, 1}, {2, 3}, {5, 3}}) {
        SetThreadCount(threads);
        Planes p(w, h);
        for (std::size_t i = 0; i < n; ++i)
            p.r[i] = base[i], p.g[i] = base[n + i], p.b[i] = base[2 * n + i];
        DevelopColour(p.v(p.r), p.v(p.g), p.v(p.b), y.view(w, h), ys.view(w, h), strength, 0, 0);
        for (int c = 0; c < 3; ++c)
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x) {
                    int sum = 0, count = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            if ((dx || dy) && row + dy >= 0 && row + dy < h && x + dx >= 0 &&
                                x + dx < w)
                                sum += at(c, x + dx, row + dy), ++count;
                    const Plane& out = c == 0 ? p.r : c == 1 ? p.g : p.b;
                    ASSERT_EQ(out[static_cast<std::size_t>(row) * w + x],
                              (at(c, x, row) + strength * sum / count) / (strength + 1))
                        << c << ": " << x << "," << row << " with " << threads << " threads";
                }
    }
    SetThreadCount(0);
}

// Each colour is the weighted mean of the sampled (non-zero) values of its 3 x 3 block
// within the picture: centre 8 (16 for the 6 x 6 pattern), sides 2, corners 1. The vector
// path works in single precision; it must give exactly what integer arithmetic gives, for
// extreme values, unsampled zeros and every weight sum, a single row or column too. The
// full-colour pattern is a plain copy, turned upside down like the others.
TEST(RawFastPaths, DemosaicAgreesWithIntegerArithmetic) {
    std::mt19937 rng(11);
    for (const auto& [w, h, pattern] : {std::tuple{41, 9, kPatternBayer},
                                        {41, 9, kPatternSixBySix},
                                        {4, 1, kPatternBayer},
                                        {1, 3, kPatternSixBySix},
                                        {3, 2, kPatternFull}}) {
        Mosaic m(w, h);
        for (auto& px : m.px)
            for (int c = 0; c < 3; ++c) {
                const unsigned roll = rng() % 4;
                px[static_cast<std::size_t>(c)] = roll == 0 ? 0
                                                  : roll == 1
                                                      ? 65535
                                                      : static_cast<uint16_t>(rng() % 65536);
            }
        Planes p(w, h);
        DevelopDemosaic(m.view(pattern), p.v(p.r), p.v(p.g), p.v(p.b));
        const int centre = pattern == kPatternSixBySix ? 16 : 8;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::array<int, 3> expect{};
                for (int c = 0; c < 3 && pattern == kPatternFull; ++c)  // a copy
                    expect[static_cast<std::size_t>(c)] = m.at(x, y)[static_cast<std::size_t>(c)];
                for (int c = 0; c < 3 && pattern != kPatternFull; ++c) {
                    int64_t sum = 0, weight = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int xx = x + dx, yy = y + dy;
                            if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                            const int v = m.at(xx, yy)[static_cast<std::size_t>(c)];
                            if (v == 0) continue;
                            const int wt = dx == 0 && dy == 0 ? centre : dx == 0 || dy == 0 ? 2 : 1;
                            sum += int64_t{wt} * v;
                            weight += wt;
                        }
                    expect[static_cast<std::size_t>(c)] =
                        weight > 0 ? static_cast<int>(sum / weight) : 0;
                }
                ASSERT_EQ(p.top(x, y), expect) << x << "," << y << " of " << w << "x" << h;
            }
        Plane r, g, b;  // the whole development runs on these shapes too
        ASSERT_TRUE(DevelopMosaic(m.view(pattern), DevelopParams{}, r, g, b));
    }
}

}  // namespace
}  // namespace orva
