// The shift search to a fraction of a pixel on rendered star fields with sky noise, hot
// pixels at fixed sensor places, and a sky that changed between the frames.
#include "stack/shift_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace orva {
namespace {

constexpr int kW = 320, kH = 240;

// Stars of FWHM ~3.7 px at fixed sky places, seen shifted by (sx, sy).
std::vector<float> Frame(double sx, double sy, double sky, uint32_t seed) {
    std::mt19937 place(99), rng(seed);
    std::uniform_real_distribution<double> ux(0, kW), uy(0, kH), flux(2000, 40000);
    std::normal_distribution<double> noise(0, 12);
    std::vector<float> f(kW * kH);
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<float>(sky + noise(rng));
    for (int s = 0; s < 60; ++s) {
        const double x = ux(place) + sx, y = uy(place) + sy, a = flux(place) / (2 * M_PI * 2.44);
        for (int py = std::max(0, int(y) - 10); py < std::min(kH, int(y) + 11); ++py)
            for (int px = std::max(0, int(x) - 10); px < std::min(kW, int(x) + 11); ++px)
                f[std::size_t(py) * kW + std::size_t(px)] += static_cast<float>(
                    a * std::exp(-((px - x) * (px - x) + (py - y) * (py - y)) / (2 * 2.44)));
    }
    for (int k = 0; k < 40; ++k) f[std::size_t(k * 1931 % (kW * kH))] += 30000;  // hot pixels
    return f;
}

TEST(ShiftSearch, FindsFractionalShiftsAndLeavesAlignedFramesAtExactlyZero) {
    const std::vector<float> ref = Frame(0, 0, 1000, 1);
    struct Row {
        double sx, sy;
        int range;
    } rows[] = {{0, 0, 32},        {0, 0, 4},    {2.3, -1.6, 8},
                {-7.5, 12.25, 32}, {0.4, 0, 32}, {3, -5, 32}};
    for (const Row& r : rows) {
        // Another night's sky level and other noise.
        const std::vector<float> light = Frame(r.sx, r.sy, 1250, 7);
        const Shift d = FindShift(ref.data(), light.data(), kW, kH, r.range);
        if (r.sx == 0) {
            EXPECT_EQ(d.dx, 0.0) << r.sx << "," << r.sy;
        }
        if (r.sy == 0) {
            EXPECT_EQ(d.dy, 0.0) << r.sx << "," << r.sy;
        }
        EXPECT_NEAR(d.dx, -r.sx, 0.1) << r.sx << "," << r.sy;
        EXPECT_NEAR(d.dy, -r.sy, 0.1) << r.sx << "," << r.sy;
    }
}

}  // namespace
}  // namespace orva
