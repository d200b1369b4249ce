// Calibrated stacking with the defaults: normalisation before rejection, selection by FWHM,
// and the header of the result.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>

#include "common/text.h"
#include "stack/header.h"
#include "stack/pipeline.h"
#include "stack/sky_fixtures.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

constexpr int kW = 200, kH = 160;

// Stars at fixed sky places, all of width sigma (FWHM 2.35 sigma), at (x, y).
double Field(int x, int y, double sigma) {
    static std::map<double, std::vector<float>> planes;  // one per width
    std::vector<float>& p = planes[sigma];
    if (p.empty()) {
        p.resize(std::size_t(kW) * kH);
        for (testing::SkyStar s : testing::RandomSky(kW, kH, 40, 5, 14, 12)) {
            s.sigma = sigma;
            testing::AddStar(p.data(), kW, kH, s);
        }
    }
    return p[std::size_t(y) * kW + std::size_t(x)];
}

std::string Write(const testing::TempDir& dir, const std::string& name,
                  const std::vector<std::string>& cards, const std::function<double(int, int)>& f) {
    return testing::WriteLinear(dir.Path(name), kW, kH, f, cards);
}

bool Has(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

// Sixteen skies of other levels and spreads (a night that brightens, haze), a trail across
// one light: normalised first, the trail is rejected and the result keeps the reference's
// level; without, the spread of the levels hides the trail.
TEST(CalibratedStackDefaults, NormalisationBeforeRejection) {
    testing::TempDir dir;
    std::mt19937 rng(3);
    StackJob job;
    for (int i = 0; i < 16; ++i) {
        const double level = 1000 + 25 * i * (i % 2 == 0 ? 1 : -1), gain = 1 + 0.02 * (i % 5);
        std::normal_distribution<double> noise(0, 10 * gain);
        job.lights.push_back(Write(dir, Format("l%02d.fits", i), {}, [&](int x, int y) {
            const double trail = i == 5 && y == 70 ? 200 : 0;
            return level + gain * Field(x, y, 1.5) + trail + noise(rng);
        }));
    }
    job.registration = Registration::Shift;
    job.combine.rejection = Rejection::Winsor;
    auto trail_and_sky = [&](Normalisation n, double& trail, double& sky) {
        job.normalisation = n;
        StackOutcome out;
        std::string error;
        ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
        double t = 0, s = 0;
        int count = 0;
        for (int x = 20; x < kW - 20; ++x) {
            if (Field(x, 70, 1.5) > 1 || Field(x, 90, 1.5) > 1) continue;
            t += out.image.data[70 * kW + std::size_t(x)];
            s += out.image.data[90 * kW + std::size_t(x)];
            ++count;
        }
        trail = (t - s) / count;
        sky = s / count;
        EXPECT_TRUE(
            Has(out.history, std::string("normalised before rejection: ") + NormalisationName(n)));
    };
    double trail = 0, sky = 0;
    trail_and_sky(Normalisation::AdditiveScale, trail, sky);
    EXPECT_NEAR(sky, 1000, 1);
    EXPECT_LT(std::fabs(trail), 1);  // noise 10 / sqrt(15) over ~150 places, twice: ~0.3
    trail_and_sky(Normalisation::None, trail, sky);
    EXPECT_GT(trail, 8);  // +200 / 16 = 12.5 where the trail stays
}

// Lights of several seeings: the best kept, the others named; the header counts what went in.
TEST(CalibratedStackDefaults, SelectionReportAndHeader) {
    testing::TempDir dir;
    std::mt19937 rng(4);
    std::normal_distribution<double> noise(0, 8);
    const double sigma[4] = {1.4, 2.4, 1.5, 1.6};
    StackJob job;
    for (int i = 0; i < 4; ++i)
        job.lights.push_back(
            Write(dir, Format("l%d.fits", i),
                  {Format("%-8s= %20.1f", "EXPTIME", 300.0),
                   Format("%-8s= '2024-03-01T22:%02d:00'", "DATE-OBS", 10 + 6 * i),
                   Format("%-8s= %20d", "NCOMBINE", 1)},
                  [&](int x, int y) { return 500 + Field(x, y, sigma[i]) + noise(rng); }));
    job.darks.push_back(Write(dir, "dark.fits", {Format("%-8s= %20.1f", "EXPTIME", 60.0)},
                              [&](int, int) { return 20 + noise(rng); }));
    job.keep_best = 75;
    job.max_fwhm = 6.0;
    StackOutcome out;
    std::string error;
    ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
    ASSERT_EQ(out.lights.size(), 4u);
    EXPECT_FALSE(out.lights[1].used);
    EXPECT_EQ(out.lights[1].reason, "not among the best 75 % by FWHM");
    for (int i : {0, 2, 3}) {
        EXPECT_TRUE(out.lights[std::size_t(i)].used) << i;
        EXPECT_NEAR(out.lights[std::size_t(i)].fwhm, 2.3548 * sigma[i], 0.15) << i;
        EXPECT_GT(out.lights[std::size_t(i)].stars, 20) << i;
    }
    EXPECT_TRUE(Has(out.history, "left out l1.fits: not among the best 75 % by FWHM"));
    EXPECT_TRUE(Has(out.warnings, "dark.fits: dark of 60 s for lights of 300 s"));
    double v = 0;
    ASSERT_TRUE(CardNumber(out.image.cards, "NCOMBINE", v));
    EXPECT_EQ(v, 3);
    ASSERT_TRUE(CardNumber(out.image.cards, "LIVETIME", v));
    EXPECT_EQ(v, 900);
    // The used lights' dates reach the header (the keys' own rules are checked with it).
    EXPECT_EQ(CardText(out.image.cards, "DATE-END"), "2024-03-01T22:33:00");

    // Another reference: the others are registered on it and its header leads.
    job.reference = 2;
    ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
    EXPECT_TRUE(Has(out.history, "registered on l2.fits"));
    EXPECT_EQ(out.lights[2].weight, 1);
}

}  // namespace
}  // namespace orva
