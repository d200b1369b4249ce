// Registration by stars on synthetic skies: Gaussian stars integrated over each pixel at
// known places, on a sloping sky with noise and hot pixels. Moving frames are rendered from
// the same sky with a known transform, so the expected answer is exact.
#include "stack/stars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "stack/sky_fixtures.h"
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
    for (std::size_t i = 0; i < stars.size(); ++i) {
        const Star& s = stars[i];
        if (i > 0) {
            EXPECT_GE(stars[i - 1].flux, s.flux);
        }
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
    std::vector<Star> mirrored = ref;
    for (Star& s : mirrored) s.x = kW - 1 - s.x;  // the same sky seen in a mirror
    bad.push_back(mirrored);
    std::vector<Star> flipped = ref;  // mirrored and turned, which is no rotation either
    for (Star& s : flipped) s.y = kH - 1 - s.y;
    bad.push_back(flipped);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        StarMatch m;
        std::string error;
        EXPECT_FALSE(MatchStars(ref, bad[i], m, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(m.matched, 0);
    }
    // The unmirrored list itself matches with the identity.
    StarMatch m;
    ASSERT_TRUE(MatchStars(ref, ref, m, nullptr));
    EXPECT_EQ(m.matched, int(ref.size()));
    EXPECT_NEAR(m.transform.a, 1, 1e-12);
    EXPECT_NEAR(m.transform.tx, 0, 1e-9);
}

}  // namespace
}  // namespace orva
