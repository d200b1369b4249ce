// Star detection and matching on synthetic skies rendered with known transforms; the shift
// search, the resampler, and turned lights registered inside the calibrated stack.
#include "stack/stars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "stack/pipeline.h"
#include "stack/resample.h"
#include "stack/shift_search.h"
#include "stack/sky_fixtures.h"
#include "support/scripted_ui.h"
#include "support/threads.h"

namespace orva {
namespace {

using testing::AddStar;
using testing::RandomSky;
using testing::SkyStar;

struct Field {
    int w = 0, h = 0;
    std::vector<float> px;
};

// A sky of 1000 rising by 0.3 per column and 0.2 per row, with Gaussian noise of `noise`.
Field Render(int w, int h, const std::vector<SkyStar>& stars, double noise, uint32_t seed) {
    Field f{w, h, std::vector<float>(std::size_t(w) * std::size_t(h))};
    std::mt19937 rng(seed);
    std::normal_distribution<double> n(0, noise);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f.px[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                static_cast<float>(1000 + 0.3 * x + 0.2 * y + (noise > 0 ? n(rng) : 0));
    for (const SkyStar& s : stars) AddStar(f.px.data(), w, h, s);
    return f;
}

const SkyStar* Nearest(const std::vector<SkyStar>& sky, double x, double y, double within) {
    const SkyStar* best = nullptr;
    for (const SkyStar& s : sky) {
        if (std::hypot(s.x - x, s.y - y) <= within &&
            (!best || std::hypot(s.x - x, s.y - y) < std::hypot(best->x - x, best->y - y)))
            best = &s;
    }
    return best;
}

TEST(StarDetection, FindsPlacedStarsToHundredthsAndSkipsHotPixels) {
    constexpr int kW = 400, kH = 300;
    const auto sky = RandomSky(kW, kH, 60, 11);
    Field f = Render(kW, kH, sky, 5.0, 1);
    // Lone hot pixels as bright as the brightest stars, and one hot pair.
    std::vector<std::pair<int, int>> hot;
    std::mt19937 rng(5);
    while (hot.size() < 25) {
        const int x = 5 + int(rng() % (kW - 10)), y = 5 + int(rng() % (kH - 10));
        if (Nearest(sky, x, y, 12)) continue;
        hot.emplace_back(x, y);
        f.px[std::size_t(y) * kW + std::size_t(x)] = 40000;
    }
    f.px[std::size_t(hot[0].second) * kW + std::size_t(hot[0].first) + 1] = 40000;

    const auto stars = DetectStars(f.px.data(), kW, kH);
    int clean = 0;
    EXPECT_TRUE(std::is_sorted(stars.begin(), stars.end(),
                               [](const Star& a, const Star& b) { return a.flux > b.flux; }));
    for (const Star& s : stars) {
        const SkyStar* t = Nearest(sky, s.x, s.y, 1.0);
        ASSERT_NE(t, nullptr) << "nothing placed near " << s.x << "," << s.y;
        // Peak at least 100 noise deviations: the centre must be right to 0.05 px.
        const double peak = t->flux / (2 * std::numbers::pi * t->sigma * t->sigma);
        if (peak >= 500) {
            ++clean;
            EXPECT_NEAR(s.x, t->x, 0.05);
            EXPECT_NEAR(s.y, t->y, 0.05);
            EXPECT_NEAR(s.fwhm, 2.3548 * t->sigma, 0.25 * t->sigma);
        }
    }
    int bright = 0;
    for (const SkyStar& t : sky) {
        if (t.flux / (2 * std::numbers::pi * t.sigma * t.sigma) < 500) continue;
        ++bright;
        bool found = false;
        for (const Star& s : stars) found = found || std::hypot(s.x - t.x, s.y - t.y) < 0.5;
        EXPECT_TRUE(found) << "missed the star at " << t.x << "," << t.y;
    }
    EXPECT_EQ(clean, bright);
    EXPECT_GT(bright, 20);
}

TEST(StarDetection, NoiseAloneGivesNothingAndResultsDoNotDependOnThreads) {
    const Field empty = Render(300, 200, {}, 8.0, 3);
    EXPECT_TRUE(DetectStars(empty.px.data(), 300, 200).empty());
    // A strong vignette: the sky falls by 3000 (375 deviations) from the centre to the corners,
    // more curved than the sky cells follow.
    Field vignette = Render(300, 200, {}, 8.0, 4);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            vignette.px[std::size_t(y) * 300 + std::size_t(x)] += static_cast<float>(
                3000 *
                (1 - ((x - 150.0) * (x - 150.0) + (y - 100.0) * (y - 100.0)) / 180.0 / 180.0));
    EXPECT_TRUE(DetectStars(vignette.px.data(), 300, 200).empty());
    const std::vector<float> no_data(300 * 200, std::nanf(""));
    EXPECT_TRUE(DetectStars(no_data.data(), 300, 200).empty());

    const Field f = Render(700, 500, RandomSky(700, 500, 120, 4), 6.0, 9);
    const auto one = testing::ExpectSameForAnyThreadCount([&] {
        std::vector<double> found;
        for (const Star& s : DetectStars(f.px.data(), 700, 500, 80))
            found.insert(found.end(), {s.x, s.y, s.flux});
        return found;
    });
    ASSERT_EQ(one.size(), 3 * 80u);  // at most max_stars, and there are more
    EXPECT_TRUE(DetectStars(f.px.data(), 700, 500, 0).empty());
}

// One star on a small quiet sky, changed by `spoil`; whether it is found, and where. Rows
// with a faint noise (so that the sky has a spread to measure) check the star's FWHM to 2 %
// and its roundness (minor / major axis) to 0.03 too.
struct SingleCase {
    const char* name;
    SkyStar star;
    void (*spoil)(Field&);
    bool found;
    double tolerance;  // of the centre, when found
};

void NoChange(Field&) {}
void FaintNoise(Field& f) {
    std::mt19937 rng(2);
    std::normal_distribution<double> n(0, 1);
    for (float& v : f.px) v += static_cast<float>(n(rng));
}
void HoleInStar(Field& f) {
    f.px[std::size_t(32) * std::size_t(f.w) + 33] = std::nanf("");
}
void HoleFarAway(Field& f) {
    f.px[std::size_t(5) * std::size_t(f.w) + 5] = std::nanf("");
}
// Clips everything above 20000 (a saturated, flat-topped star).
void Saturate(Field& f) {
    for (float& v : f.px) v = std::min(v, 20000.0f);
}
// A saturated star that bled along its column: a long flat streak.
void Bleed(Field& f) {
    Saturate(f);
    for (int y = 20; y < 45; ++y) f.px[std::size_t(y) * std::size_t(f.w) + 32] = 20000;
}

TEST(StarDetection, SingleStarCases) {
    const SingleCase cases[] = {
        {"plain", {32.3, 31.8, 50000, 1.5}, NoChange, true, 0.02},
        {"wide", {31.6, 32.45, 200000, 3.5}, NoChange, true, 0.03},
        {"narrow but a star", {32.25, 32.1, 20000, 0.6}, NoChange, true, 0.05},
        {"touching the left edge", {3.0, 32.0, 50000, 1.5}, NoChange, false, 0},
        {"touching the bottom edge", {32.0, 61.5, 50000, 1.5}, NoChange, false, 0},
        {"missing data inside", {32.4, 32.2, 50000, 1.5}, HoleInStar, false, 0},
        {"missing data elsewhere", {32.4, 32.2, 50000, 1.5}, HoleFarAway, true, 0.02},
        {"saturated round top", {32.5, 32.2, 2000000, 1.8}, Saturate, true, 0.1},
        {"saturated and bled", {32.0, 32.2, 2000000, 1.8}, Bleed, false, 0},
        {"shape 1.5627", {31.3, 32.6, 50000, 1.5627}, FaintNoise, true, 0.05},
        {"shape 1", {31.3, 32.6, 50000, 1.0}, FaintNoise, true, 0.05},
        {"shape 2.5", {31.3, 32.6, 50000, 2.5}, FaintNoise, true, 0.05},
        {"shape 2 x 1", {31.3, 32.6, 50000, 2.0, 1.0}, FaintNoise, true, 0.05},
        {"shape 1.2 x 1.8", {31.3, 32.6, 50000, 1.2, 1.8}, FaintNoise, true, 0.05},
    };
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Field f = Render(64, 64, {c.star}, 0.0, 0);
        c.spoil(f);
        const auto stars = DetectStars(f.px.data(), f.w, f.h);
        if (!c.found) {
            EXPECT_TRUE(stars.empty()) << stars[0].x << "," << stars[0].y << " " << stars[0].fwhm;
            continue;
        }
        ASSERT_EQ(stars.size(), 1u);
        EXPECT_NEAR(stars[0].x, c.star.x, c.tolerance);
        EXPECT_NEAR(stars[0].y, c.star.y, c.tolerance);
        if (c.spoil == FaintNoise) {
            const double sx = c.star.sigma, sy = c.star.sigma_y > 0 ? c.star.sigma_y : sx;
            const double fwhm = 2.3548 * std::sqrt(0.5 * (sx * sx + sy * sy));
            EXPECT_NEAR(stars[0].fwhm, fwhm, 0.02 * fwhm);
            EXPECT_NEAR(stars[0].roundness, std::min(sx, sy) / std::max(sx, sy), 0.03);
        }
    }
}

// Rotation by `degrees` and scaling about the frame centre, then a shift: moving -> reference.
Similarity About(double cx, double cy, double degrees, double scale, double sx, double sy) {
    const double r = degrees * std::numbers::pi / 180;
    Similarity t{scale * std::cos(r), scale * std::sin(r), 0, 0};
    double x, y;
    t.Map(cx, cy, x, y);
    t.tx = cx - x + sx;
    t.ty = cy - y + sy;
    return t;
}

// A moving field showing the sky through `truth`, on a night of worse seeing (stars 20%
// wider) with each star's brightness off by up to 30%, so that the brightest stars of the
// reference and the moving lists are not quite the same ones.
Field RenderMoving(const std::vector<SkyStar>& sky, int w, int h, const Similarity& truth) {
    const Similarity back = truth.Inverse();
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> twinkle(0.7, 1.3);
    std::vector<SkyStar> moved;
    for (const SkyStar& s : sky) {
        SkyStar m = s;
        back.Map(s.x, s.y, m.x, m.y);
        m.sigma = 1.2 * s.sigma * back.Scale();
        m.flux = s.flux * twinkle(rng);
        moved.push_back(m);
    }
    return Render(w, h, moved, 6.0, 22);
}

struct TransformCase {
    const char* name;
    double degrees, scale, sx, sy;
};

TEST(StarMatching, RecoversKnownTransformsAndFailsWithAMessageOnTooFewUnrelatedOrMirrored) {
    constexpr int kW = 900, kH = 640;
    const auto sky = RandomSky(kW, kH, 160, 17);
    const Field ref_field = Render(kW, kH, sky, 6.0, 21);
    const auto ref = DetectStars(ref_field.px.data(), kW, kH);
    ASSERT_GT(ref.size(), 100u);
    const TransformCase cases[] = {
        {"shift only", 0, 1, 23.4, -11.7},
        {"1.5 degrees and shift", 1.5, 1, -8.2, 5.9},
        {"37 degrees", 37, 1, 0, 0},
        {"meridian flip", 180, 1, 3.3, -2.1},
        {"scale 1.01", 0.4, 1.01, 1.5, 2.5},
        {"-120 degrees, scale 0.9", -120, 0.9, 10, 4},
        {"a third of the frame off", 2, 1, 300, -150},
    };
    for (const TransformCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Similarity truth = About(kW / 2.0, kH / 2.0, c.degrees, c.scale, c.sx, c.sy);
        const Field moving = RenderMoving(sky, kW, kH, truth);
        const auto mov = DetectStars(moving.px.data(), kW, kH);
        StarMatch m;
        std::string error;
        ASSERT_TRUE(MatchStars(ref, mov, m, &error)) << error;
        EXPECT_GE(m.matched, c.sx > 100 ? 30 : 60);
        EXPECT_LT(m.rms, 0.2);
        EXPECT_NEAR(m.transform.Scale(), c.scale, 1e-3);
        // Everywhere in the frame the found transform lands within 0.05 px of the truth.
        for (const auto& [x, y] : {std::pair{0.0, 0.0},
                                   {kW - 1.0, 0.0},
                                   {0.0, kH - 1.0},
                                   {kW - 1.0, kH - 1.0},
                                   {kW / 2.0, kH / 2.0}}) {
            double fx, fy, tx, ty;
            m.transform.Map(x, y, fx, fy);
            truth.Map(x, y, tx, ty);
            EXPECT_LT(std::hypot(fx - tx, fy - ty), 0.05) << "at " << x << "," << y;
        }
    }

    std::vector<std::vector<Star>> bad;
    bad.emplace_back(ref.begin(), ref.begin() + 5);  // too few
    const Field other = Render(kW, kH, RandomSky(kW, kH, 160, 99), 6.0, 23);
    bad.push_back(DetectStars(other.px.data(), kW, kH));  // another part of the sky
    bad.push_back(ref);
    for (Star& s : bad.back()) s.x = kW - 1 - s.x;  // the same sky seen in a mirror
    bad.push_back(ref);  // mirrored and turned, which is no rotation either
    for (Star& s : bad.back()) s.y = kH - 1 - s.y;
    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        StarMatch m;
        std::string error;
        EXPECT_FALSE(MatchStars(ref, bad[i], m, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(m.matched, 0);
    }
}

namespace registration {

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
        // Exactly zero along an axis without a shift, and only there.
        EXPECT_EQ(std::pair(d.dx == 0.0, d.dy == 0.0), std::pair(r.sx == 0, r.sy == 0))
            << r.sx << "," << r.sy;
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
        const std::string name = "light" + std::to_string(i) + ".fits";
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

}  // namespace registration

}  // namespace
}  // namespace orva
