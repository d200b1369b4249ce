// Registration inside the calibrated stack: the shift search to a fraction of a pixel, the
// resampler on exact cases and holes, and lights that rotate (a few degrees, a meridian flip) put
// back onto the first light by their stars.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "stack/pipeline.h"
#include "stack/resample.h"
#include "stack/shift_search.h"
#include "stack/sky_fixtures.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

using testing::AddStar;
using testing::RandomSky;
using testing::SkyStar;

// Star fields with sky noise, hot pixels at fixed sensor places, and a sky that changed
// between the frames.
namespace shift {

constexpr int kW = 320, kH = 240;

// Stars at fixed sky places, seen shifted by (sx, sy).
std::vector<float> Frame(double sx, double sy, double sky, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 12);
    std::vector<float> f(kW * kH);
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<float>(sky + noise(rng));
    for (SkyStar s : RandomSky(kW, kH, 60, 99, 0, 0)) {
        s.x += sx;
        s.y += sy;
        AddStar(f.data(), kW, kH, s);
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

}  // namespace shift

TEST(ResamplePlane, ExactWherePixelsMapOntoPixels) {
    constexpr int w = 7, h = 5;
    std::vector<float> in(w * h), out(w * h);
    for (int i = 0; i < w * h; ++i) in[static_cast<std::size_t>(i)] = float(i * i % 97);
    auto at = [&](int x, int y) { return out[static_cast<std::size_t>(y * w + x)]; };

    ResamplePlane(in.data(), w, h, 1, 0, 0, 0, out.data());
    EXPECT_EQ(out, in);

    ResamplePlane(in.data(), w, h, 1, 0, 2, -1, out.data());  // out(x, y) = in(x + 2, y - 1)
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x + 2 < w && y >= 1)
                EXPECT_EQ(at(x, y), in[static_cast<std::size_t>((y - 1) * w + x + 2)]);
            else
                EXPECT_TRUE(std::isnan(at(x, y))) << x << "," << y;
        }

    // Half a turn about the centre: out(x, y) = in(w - 1 - x, h - 1 - y).
    ResamplePlane(in.data(), w, h, -1, 0, w - 1, h - 1, out.data());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(at(x, y), in[static_cast<std::size_t>((h - 1 - y) * w + (w - 1 - x))]);
    // A missing sample is left out of its neighbours' sums instead of spreading NaN.
    for (int i = 0; i < w * h; ++i) in[std::size_t(i)] = float(100 + 3 * (i % w) + 2 * (i / w));
    in[static_cast<std::size_t>(2 * w + 3)] = std::numeric_limits<float>::quiet_NaN();
    ResamplePlane(in.data(), w, h, 1, 0, 0.5, 0, out.data());
    EXPECT_NEAR(at(3, 2), 100 + 3 * 3.5 + 2 * 2, 3);
}

// A sky of stars seen through lights that turn about a point and drift.
constexpr int kW = 360, kH = 260;

struct Pose {
    double degrees, tx, ty;  // sky (x, y) appears at R(x, y) + (tx, ty) on the light
};

void Project(const Pose& p, double x, double y, double& ox, double& oy) {
    const double r = p.degrees * 3.14159265358979323846 / 180;
    ox = std::cos(r) * x - std::sin(r) * y + p.tx;
    oy = std::sin(r) * x + std::cos(r) * y + p.ty;
}

std::string WriteLight(const testing::TempDir& dir, const std::string& name,
                       const std::vector<SkyStar>& sky, const Pose& pose, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 8);
    LinearImage img;
    img.width = kW;
    img.height = kH;
    img.planes = 1;
    img.data.assign(kW * kH, 0);
    for (std::size_t i = 0; i < img.data.size(); ++i) img.data[i] = float(1000 + noise(rng));
    for (SkyStar s : sky) {
        Project(pose, s.x, s.y, s.x, s.y);
        AddStar(img.data.data(), kW, kH, s);
    }
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteFitsLinear(path, img, true, {}).ok());
    return path;
}

TEST(StarRegistration, TurnedAndFlippedLightsLandOnTheFirst) {
    testing::TempDir dir;
    // Stars beyond the edges too, which turn into the picture or out of it.
    const std::vector<SkyStar> sky = RandomSky(kW, kH, 140, 11, 14, -60);
    const Pose poses[] = {
        {0, 0, 0}, {1.5, 4.3, -2.7}, {-3, -6.6, 9.2}, {180, kW - 1 + 2.5, kH - 1 - 1.5}};
    StackJob job;
    job.registration = Registration::Stars;
    job.combine.rejection = Rejection::None;
    for (std::size_t i = 0; i < std::size(poses); ++i) {
        std::string name = "light";
        name += std::to_string(i);
        name += ".fits";
        job.lights.push_back(WriteLight(dir, name, sky, poses[i], uint32_t(i + 1)));
    }
    // A light of another part of the sky matches nothing and is left out, with the reason.
    std::vector<SkyStar> elsewhere = sky;
    for (SkyStar& s : elsewhere) s.x = std::fmod(s.x * 7.31 + 50, kW + 120) - 60;
    job.lights.push_back(WriteLight(dir, "elsewhere.fits", elsewhere, {0, 0, 0}, 9));
    job.temp_folder = dir.dir();
    job.memory_for_frames = 0;  // through temporary files

    StackOutcome out;
    std::string error;
    ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
    ASSERT_EQ(out.left_out.size(), 1u);
    EXPECT_EQ(out.left_out[0].rfind("elsewhere.fits: ", 0), 0u) << out.left_out[0];

    // Every star seen on light k goes back to where the first light shows it, within 0.2 px.
    double worst = 0;
    for (std::size_t k = 1; k < std::size(poses); ++k) {
        const auto& t = out.placement[k];
        for (const SkyStar& s : sky) {
            double lx, ly;
            Project(poses[k], s.x, s.y, lx, ly);
            if (lx < 0 || ly < 0 || lx > kW - 1 || ly > kH - 1) continue;
            const double rx = t.a * lx - t.b * ly + t.tx, ry = t.b * lx + t.a * ly + t.ty;
            worst = std::max(worst, std::hypot(rx - s.x, ry - s.y));
        }
    }
    EXPECT_LT(worst, 0.2);

    // The stack of the four looks like the first light: a bright star stands where it was,
    // with about its flux, and the sky between stars stays at its level.
    const SkyStar* bright = nullptr;
    for (const SkyStar& s : sky)
        if (s.x > 40 && s.y > 40 && s.x < kW - 40 && s.y < kH - 40 &&
            (!bright || s.flux > bright->flux))
            bright = &s;
    ASSERT_NE(bright, nullptr);
    double sum = 0, sx = 0, sy = 0;
    for (int y = int(bright->y) - 8; y <= int(bright->y) + 8; ++y)
        for (int x = int(bright->x) - 8; x <= int(bright->x) + 8; ++x) {
            const double v = out.image.data[static_cast<std::size_t>(y * kW + x)] - 1000;
            sum += v;
            sx += v * x;
            sy += v * y;
        }
    EXPECT_NEAR(sx / sum, bright->x, 0.1);
    EXPECT_NEAR(sy / sum, bright->y, 0.1);
    EXPECT_NEAR(sum, bright->flux, 0.03 * sum);
    ASSERT_GE(out.history.size(), 7u);
    EXPECT_NE(out.history[5].find("registered by stars"), std::string::npos);
    EXPECT_EQ(out.history[6].rfind("left out elsewhere.fits", 0), 0u);

    // The first two prepared lights in memory and the others in files, or all in memory: the
    // same stack to the bit.
    for (const std::size_t frames : {std::size_t{2}, std::size(poses)}) {
        job.memory_for_frames = frames * kW * kH * sizeof(float);
        StackOutcome again;
        ASSERT_TRUE(RunCalibratedStack(job, again, &error)) << error;
        ASSERT_EQ(again.image.data.size(), out.image.data.size());
        EXPECT_EQ(std::memcmp(again.image.data.data(), out.image.data.data(),
                              out.image.data.size() * sizeof(float)),
                  0)
            << frames;
    }
}

}  // namespace
}  // namespace orva
