// Combining frames, normalisation, selection, report and header worked by hand; then
// calibrated stacks end to end on synthetic FITS frames, mono and Bayer, against the sky they
// were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/text.h"
#include "raw/raw_fixtures.h"
#include "stack/combine.h"
#include "stack/header.h"
#include "stack/normalise.h"
#include "stack/pipeline.h"
#include "stack/report.h"
#include "stack/sky_fixtures.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

double Combine(std::vector<double> v, Rejection r, double kl = 3, double kh = 3, int it = 3,
               std::vector<double> w = {}) {
    if (w.empty()) w.assign(v.size(), 1.0);
    return CombineValues(v, w, CombineParams{r, kl, kh, it});
}

TEST(Combine, RejectionRulesOnHandWorkedSets) {
    const double nan = std::nan("");
    // Ten values of 100 and one of 1000: sd 258.7 about a median of 100, so 1000 lies 3.48
    // deviations out; without it nothing more changes.
    std::vector<double> v(10, 100.0);
    v.push_back(1000);
    EXPECT_NEAR(Combine(v, Rejection::None), 2000.0 / 11, 1e-9);
    EXPECT_DOUBLE_EQ(Combine(v, Rejection::Sigma), 100);
    EXPECT_NEAR(Combine(v, Rejection::Sigma, 3, 4), 2000.0 / 11, 1e-9);  // 3.5 < 4: kept
    // The winsorized deviation is not inflated by the outlier: it goes even at kappa 4.
    EXPECT_DOUBLE_EQ(Combine(v, Rejection::Winsor, 3, 4), 100);
    // Min/max drops one of each end.
    EXPECT_DOUBLE_EQ(Combine({1, 2, 3, 4, 100}, Rejection::MinMax), 3);
    EXPECT_DOUBLE_EQ(Combine({5, 5, 5}, Rejection::MinMax), 5);
    // NaN takes no part; none at all gives NaN; weights weigh.
    EXPECT_DOUBLE_EQ(Combine({nan, 10, 20}, Rejection::None), 15);
    EXPECT_TRUE(std::isnan(Combine({nan, nan}, Rejection::Sigma)));
    EXPECT_DOUBLE_EQ(Combine({10, 20}, Rejection::None, 3, 3, 3, {3, 1}), 12.5);
    // Two values cannot be clipped.
    EXPECT_DOUBLE_EQ(Combine({0, 1000}, Rejection::Sigma), 500);

    Rejection r{};
    EXPECT_FALSE(ParseRejection("mean", r));  // the known words are matched in the shell
}

TEST(Combine, RowsGiveWhatEachPlaceGivesAlone) {
    // The row path clips many places side by side after sorting them with a network; it
    // must agree with the one-place rule for any number of frames, holes, outliers, weights
    // and a width that is no multiple of the places done at once.
    std::mt19937 rng(4);
    std::normal_distribution<float> sky(1000, 20);
    for (const Rejection r : {Rejection::Sigma, Rejection::Winsor})
        for (const int frames : {1, 2, 3, 5, 8, 13, 20, 33}) {
            SCOPED_TRACE(frames);
            constexpr int kWidth = 29;
            std::vector<std::vector<float>> rows(frames, std::vector<float>(kWidth));
            std::vector<double> weights;
            for (int i = 0; i < frames; ++i) {
                weights.push_back(1.0 + i % 3);
                for (int x = 0; x < kWidth; ++x)
                    rows[i][x] = (x + i) % 7 == 0    ? std::nanf("")
                                 : (x * i) % 11 == 3 ? 40000.0f
                                                     : sky(rng);
            }
            std::vector<const float*> ptrs;
            for (const auto& row : rows) ptrs.push_back(row.data());
            const CombineParams params{r, 2.5, 3.0, 4};
            std::vector<float> out(kWidth);
            CombineRow(ptrs, weights, kWidth, params, out.data());
            for (int x = 0; x < kWidth; ++x) {
                std::vector<double> v, w = weights;
                for (int i = 0; i < frames; ++i) v.push_back(rows[i][x]);
                const double alone = CombineValues(v, w, params);
                if (std::isnan(alone))
                    EXPECT_TRUE(std::isnan(out[x])) << x;
                else
                    EXPECT_NEAR(out[x], alone, 1e-3) << x;
            }
        }
}

TEST(Normalisation, MapsWorkedByHand) {
    // Reference sky 1000 spread 20; the light's sky 1300 spread 40.
    const SkyStats ref{1000, 20}, light{1300, 40};
    struct Row {
        Normalisation mode;
        double gain, offset;
    } rows[] = {
        {Normalisation::None, 1, 0},
        {Normalisation::Additive, 1, -300},                 // v - 1300 + 1000
        {Normalisation::Multiplicative, 1000.0 / 1300, 0},  // v * 1000 / 1300
        {Normalisation::AdditiveScale, 0.5, 350},           // (v - 1300) * 20 / 40 + 1000
    };
    for (const Row& r : rows) {
        const LinearMap m = NormalisationMap(r.mode, ref, light);
        EXPECT_DOUBLE_EQ(m.gain, r.gain) << NormalisationName(r.mode);
        EXPECT_DOUBLE_EQ(m.offset, r.offset) << NormalisationName(r.mode);
        // The light's sky lands on the reference's (but for none).
        if (r.mode != Normalisation::None) {
            EXPECT_NEAR(m.gain * light.location + m.offset, ref.location, 1e-9);
        }
        EXPECT_TRUE(NormalisationMap(r.mode, ref, ref).identity()) << NormalisationName(r.mode);
    }
    // No scale or no positive level to divide by: no scaling rather than a blow-up.
    EXPECT_DOUBLE_EQ(NormalisationMap(Normalisation::AdditiveScale, ref, {1300, 0}).gain, 1);
    EXPECT_DOUBLE_EQ(NormalisationMap(Normalisation::Multiplicative, ref, {-5, 3}).gain, 1);
}

TEST(Normalisation, SkyIgnoresStarsTrailsAndMissingData) {
    // Normal noise of 25 about 800, a tenth of the places far brighter (stars, a trail), a
    // few missing: the location stays the sky and the scale the noise.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 25);
    std::vector<float> v(200000);
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i] = static_cast<float>(800 + noise(rng));
        if (i % 10 == 3) v[i] += 5000;
        if (i % 997 == 0) v[i] = std::nanf("");
    }
    for (const std::size_t step : {1, 3}) {  // every value, or every third: much the same
        const SkyStats s = MeasureSky(v.data(), v.size(), step);
        EXPECT_NEAR(s.location, 800, 2) << step;
        EXPECT_NEAR(s.scale, 25, 1.5) << step;
    }
    // A constant has no spread.
    const std::vector<float> flat(1000, 42.0f);
    EXPECT_EQ(MeasureSky(flat.data(), flat.size()).location, 42);
    EXPECT_EQ(MeasureSky(flat.data(), flat.size()).scale, 0);
}

LightQuality Light(const std::string& path, int stars, double fwhm) {
    LightQuality q;
    q.path = path;
    q.stars = stars;
    q.fwhm = fwhm;
    return q;
}

std::string Used(const std::vector<LightQuality>& lights) {
    std::string s;
    for (const LightQuality& q : lights) s += q.used ? 'u' : '-';
    return s;
}

TEST(LightSelection, KeepBestAndMaxFwhm) {
    const std::vector<LightQuality> base = {Light("a", 40, 3.1), Light("b", 50, 4.0),
                                            Light("c", 45, 3.1), Light("d", 0, 0),
                                            Light("e", 60, 3.5)};
    struct Row {
        double keep, max_fwhm;
        const char* used;
    } rows[] = {
        {100, 0, "uuuuu"},    // nothing asked: all stay, even without stars
        {60, 0, "u-u-u"},     // 3 of 5: 3.1 (45 stars) and 3.1 (40 stars) tie, then 3.5
        {40, 0, "u-u--"},     // 2 of 5
        {20, 0, "--u--"},     // ties by star count: c (45) before a (40)
        {1, 0, "--u--"},      // at least one light
        {100, 3.5, "u-u-u"},  // above 3.5 and without stars: out
        {50, 3.6, "u-u--"},   // the limit first (3 left), then the best half of them: 2
    };
    for (const Row& r : rows) {
        std::vector<LightQuality> lights = base;
        SelectLights(lights, r.keep, r.max_fwhm);
        EXPECT_EQ(Used(lights), r.used) << r.keep << " " << r.max_fwhm;
        for (const LightQuality& q : lights) EXPECT_EQ(q.used, q.reason.empty()) << q.path;
    }
    std::vector<LightQuality> lights = base;
    SelectLights(lights, 100, 3.5);
    EXPECT_EQ(lights[1].reason, "FWHM 4.00 px above the limit of 3.50 px");
    EXPECT_EQ(lights[3].reason, "no stars to measure the FWHM");
    lights = base;
    SelectLights(lights, 60, 0);
    EXPECT_EQ(lights[1].reason, "not among the best 60 % by FWHM");
}

TEST(LightReport, CsvHasAHeaderAndOneRowPerLightNameFirst) {
    std::vector<LightQuality> lights = {Light("n1.fits", 12, 3.25),
                                        Light("odd,\"name\".fits", 0, 0)};
    lights[0].roundness = 0.9;
    lights[0].sky = 812.5;
    lights[0].noise = 11;
    lights[0].dx = -1.5;
    lights[0].dy = 0.25;
    lights[0].rotation = 1.2;
    lights[0].weight = 1;
    lights[1].used = false;
    lights[1].reason = "only 2 stars agree, 6 needed";
    EXPECT_EQ(ReportCsv(lights),
              "file,stars,fwhm_px,roundness,sky,noise,dx_px,dy_px,rotation_deg,weight,status,"
              "reason\n"
              "n1.fits,12,3.250,0.900,812.500,11.000,-1.500,0.250,1.2000,1.0000,used,\n"
              "\"odd,\"\"name\"\".fits\",0,0.000,0.000,0.000,0.000,0.000,0.000,0.0000,0.0000,"
              "rejected,\"only 2 stars agree, 6 needed\"\n");
    EXPECT_EQ(ReportSummary(lights),
              "1 of 2 light(s) used, 1 left out; FWHM of those used "
              "3.25 px median (3.25 to 3.25)");
}

// The number a card holds; NaN when there is none.
double Number(const std::vector<std::string>& cards, const char* key) {
    double v = 0;
    return CardNumber(cards, key, v) ? v : std::nan("");
}

std::string Card(const std::vector<std::string>& cards, const std::string& key) {
    std::string found;
    for (const std::string& c : cards)
        if (c.compare(0, key.size(), key) == 0 && c[key.size()] == ' ') {
            EXPECT_TRUE(found.empty()) << key << " twice";
            found = c;
        }
    return found;
}

TEST(StackedHeader, CountsExposureTimeSpanAndFitsDates) {
    const std::vector<std::string> reference = {
        "EXPTIME =                300.0 / s", "DATE-OBS= '2024-03-01T22:10:00'",
        "NCOMBINE=                    1", "OBJECT  = 'M 42'"};
    // Out of order: the earliest start and the end of the last-starting light count.
    const std::vector<LightTime> used = {{300, "2024-03-01T23:59:30"},
                                         {300, "2024-03-01T22:10:00"},
                                         {120.5, "2024-03-01T23:59:59.5"}};
    const auto cards = StackedCards(reference, used);
    EXPECT_NE(Card(cards, "EXPTIME").find("300.0"), std::string::npos);  // per exposure, kept
    EXPECT_NE(Card(cards, "OBJECT").find("M 42"), std::string::npos);
    EXPECT_EQ(Number(cards, "NCOMBINE"), 3);
    EXPECT_EQ(Number(cards, "STACKCNT"), 3);
    EXPECT_EQ(Number(cards, "LIVETIME"), 720.5);
    EXPECT_EQ(CardText(cards, "DATE-OBS"), "2024-03-01T22:10:00");
    // 23:59:59.5 + 120.5 s crosses midnight.
    EXPECT_EQ(CardText(cards, "DATE-END"), "2024-03-02T00:02:00");

    // Without dates or with an unknown exposure: no dates, no LIVETIME, counts still.
    const auto plain = StackedCards({"OBJECT  = 'x'"}, {{0, ""}, {60, ""}});
    EXPECT_TRUE(std::isnan(Number(plain, "LIVETIME")));
    EXPECT_TRUE(CardText(plain, "DATE-OBS").empty());
    EXPECT_EQ(Number(plain, "NCOMBINE"), 2);
    struct Row {
        const char* text;
        bool ok;
        double seconds;
    } rows[] = {
        {"1970-01-01", true, 0},
        {"2000-02-29T12:00:00", true, 951825600},
        {"2024-03-01T22:10:00.250", true, 1709331000.25},
        {"2024-13-01", false, 0},
        {"2024-03-01 22:10:00", false, 0},
        {"2024-03-01T22:10", false, 0},
    };
    for (const Row& r : rows) {
        double s = -1;
        EXPECT_EQ(ParseFitsDate(r.text, s), r.ok) << r.text;
        if (r.ok) {
            EXPECT_DOUBLE_EQ(s, r.seconds) << r.text;
        }
    }
    EXPECT_EQ(FormatFitsDate(951825600), "2000-02-29T12:00:00");
    EXPECT_EQ(FormatFitsDate(1709331000.25), "2024-03-01T22:10:00.250");
    EXPECT_EQ(FormatFitsDate(-1), "1969-12-31T23:59:59");
}

constexpr int kW = 96, kH = 80;
constexpr double kBias = 500, kDarkCurrent = 120;

// The sky: a level of 2000 with a few stars; a frame drifted by (sx, sy) shows S(x - sx, y - sy).
double Sky(double x, double y) {
    double v = 2000;
    const double stars[4][3] = {{30, 25, 9000}, {62, 50, 6000}, {45, 60, 12000}, {70, 20, 4000}};
    for (const auto& s : stars)
        v += s[2] * std::exp(-((x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1])) / 3.0);
    return v;
}
// Hot pixels sit at fixed places of the sensor, in the lights and the darks alike.
double Hot(int x, int y) {
    return (x * 7 + y) % 53 == 0 ? 20000 : 0;
}
double Vignette(int x, int y) {
    const double r2 =
        ((x - kW / 2.0) * (x - kW / 2.0) + (y - kH / 2.0) * (y - kH / 2.0)) / (kW * kW / 4.0);
    return 1.0 - 0.35 * r2;
}

std::string FrameName(const char* stem, int i) {
    return stem + std::to_string(i) + ".fits";
}

std::string WriteFrame(const testing::TempDir& dir, const std::string& name,
                       const std::function<double(int, int)>& f) {
    return testing::WriteLinear(dir.Path(name), kW, kH, f, {"OBJECT  = 'synthetic'"});
}

TEST(CalibratedStack, FlatSkyFromVignettedShiftedFramesWithBiasAndDarkAndCancelAnywhere) {
    testing::TempDir dir;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 15);
    StackJob job;
    const int shifts[6][2] = {{0, 0}, {3, -2}, {-4, 1}, {2, 5}, {-1, -3}, {5, 4}};
    for (int i = 0; i < 6; ++i) {
        const int sx = shifts[i][0], sy = shifts[i][1];
        job.lights.push_back(WriteFrame(dir, FrameName("light", i), [&](int x, int y) {
            return Sky(x - sx, y - sy) * Vignette(x, y) + kBias + kDarkCurrent + Hot(x, y) +
                   noise(rng);
        }));
    }
    for (int i = 0; i < 5; ++i) {
        job.bias.push_back(
            WriteFrame(dir, FrameName("bias", i), [&](int, int) { return kBias + noise(rng); }));
        job.darks.push_back(WriteFrame(dir, FrameName("dark", i), [&](int x, int y) {
            return kBias + kDarkCurrent + Hot(x, y) + noise(rng);
        }));
        job.flats.push_back(WriteFrame(dir, FrameName("flat", i), [&](int x, int y) {
            return 20000 * Vignette(x, y) + kBias + noise(rng);
        }));
    }
    job.search_range = 8;
    // The sky's spread is too uncertain on frames this small to scale the stars by it.
    job.normalisation = Normalisation::None;
    job.band_rows = 7;  // bands that do not divide the height
    job.weight_by_noise = true;
    // Asked to stop while the first light is prepared, or in the combination: an error, no
    // picture, and no temporary frame left in the spool folder (lights are spooled, none held
    // in memory). Never asked, the same job makes its picture below.
    const std::string spool = dir.Path("spool");
    std::filesystem::create_directory(spool);
    job.temp_folder = spool;
    job.memory_for_frames = 0;
    const struct {
        const char* stop_at;      // the progress line after which the flag is set
        std::size_t lights_seen;  // lights measured before the stop
    } stops[] = {{"registering 1/6", 1}, {"combining plane 1 row 0/80", 6}};
    for (const auto& row : stops) {
        bool stop = false;
        job.progress = [&](const std::string& line, int) { stop = stop || line == row.stop_at; };
        job.cancelled = [&] { return stop; };
        StackOutcome out;
        std::string error;
        EXPECT_FALSE(RunCalibratedStack(job, out, &error)) << row.stop_at;
        EXPECT_EQ(error, "cancelled");
        EXPECT_TRUE(out.image.data.empty());
        EXPECT_EQ(out.image.width, 0);
        std::size_t seen = 0;
        for (const LightQuality& q : out.lights) seen += q.path.empty() ? 0 : 1;
        EXPECT_EQ(seen, row.lights_seen) << row.stop_at;
        EXPECT_TRUE(std::filesystem::is_empty(spool)) << row.stop_at;
    }
    job.cancelled = [] { return false; };
    std::vector<std::string> told, warned;
    job.warn = [&](const std::string& s) { warned.push_back(s); };
    std::vector<int> percents;
    job.progress = [&](const std::string& s, int percent) {
        told.push_back(s);
        percents.push_back(percent);
    };
    StackOutcome out;
    std::string error;
    ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(std::tuple(out.dx[std::size_t(i)], out.dy[std::size_t(i)]),
                  std::tuple(-shifts[i][0], -shifts[i][1]))
            << i;
        // The light's 15 with the master dark's 15 / sqrt(5), lifted where the flat is dim.
        EXPECT_GT(out.noise[static_cast<std::size_t>(i)], 15) << i;
        EXPECT_LT(out.noise[static_cast<std::size_t>(i)], 25) << i;
    }
    // Inside the part every frame covers, the stack is the sky at the flat's median level:
    // vignetting, bias, dark current and hot pixels gone, noise down to about
    // 15 * 1.2 / sqrt(6) = 7.
    std::vector<double> v;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) v.push_back(Vignette(x, y));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    const double level = v[v.size() / 2];
    double worst = 0;
    for (int y = 6; y < kH - 6; ++y)
        for (int x = 6; x < kW - 6; ++x)
            worst = std::max(worst, std::abs(out.image.data[static_cast<std::size_t>(y) * kW + x] -
                                             level * Sky(x, y)));
    EXPECT_LT(worst, 60);
    ASSERT_EQ(out.image.cards.size(), 3u);
    EXPECT_EQ(out.image.cards[0], std::string("OBJECT  = 'synthetic'").append(59, ' '));
    EXPECT_EQ(out.image.cards[1].substr(0, 30), "NCOMBINE=                    6");
    ASSERT_GE(out.history.size(), 4u);
    EXPECT_NE(out.history[1].find("5 bias, 5 dark, 5 flat"), std::string::npos);
    // Four stars are too few to register by: the shift search instead, said in a warning (to
    // the caller as well) and in HISTORY.
    EXPECT_FALSE(out.registered_by_stars);
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned, out.warnings);
    EXPECT_EQ(warned[0].rfind("light0.fits: ", 0), 0u);
    EXPECT_NE(warned[0].find(" star(s), too few to register by stars; registered by shift"),
              std::string::npos);
    EXPECT_TRUE(Has(out.history, "too few to register by stars"));
    for (const auto& line : out.history) EXPECT_LE(line.size(), 72u) << line;
    EXPECT_NE(told[told.size() - 2].find("combining"), std::string::npos);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);

    // Frames that do not match are refused with the file named.
    job.flats.push_back(
        testing::WriteLinear(dir.Path("small.fits"), 10, 10, [](int, int) { return 1; }));
    EXPECT_FALSE(RunCalibratedStack(job, out, &error));
    EXPECT_NE(error.find("small.fits"), std::string::npos);
}

namespace defaults {

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
    for (int i : {0, 2, 3}) {
        EXPECT_TRUE(out.lights[std::size_t(i)].used) << i;
        EXPECT_NEAR(out.lights[std::size_t(i)].fwhm, 2.3548 * sigma[i], 0.15) << i;
        EXPECT_GT(out.lights[std::size_t(i)].stars, 20) << i;
    }
    EXPECT_TRUE(Has(out.history, "left out l1.fits: not among the best 75 % by FWHM"));
    EXPECT_TRUE(Has(out.warnings, "dark.fits: dark of 60 s for lights of 300 s"));
    EXPECT_EQ(Number(out.image.cards, "NCOMBINE"), 3);
    EXPECT_EQ(Number(out.image.cards, "LIVETIME"), 900);
    // The used lights' dates reach the header (the keys' own rules are checked with it).
    EXPECT_EQ(CardText(out.image.cards, "DATE-END"), "2024-03-01T22:33:00");

    // Another reference: the others are registered on it and its header leads.
    job.reference = 2;
    ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
    EXPECT_TRUE(Has(out.history, "registered on l2.fits"));
    EXPECT_EQ(out.lights[2].weight, 1);
}

}  // namespace defaults

namespace mosaic {

constexpr int kW = 24, kH = 16;  // an even height: turning the rows moves the pattern
constexpr double kScene[3] = {100, 200, 50}, kLamp[3] = {3000, 9000, 5000};
constexpr double kBias = 500, kDark = 30;

int ColourOf(char letter) {
    return letter == 'R' ? 0 : letter == 'G' ? 1 : 2;
}

struct Header {
    std::string bayer;  // BAYERPAT, none when empty
    int x_offset = 0, y_offset = 0;
    std::string row_order;  // ROWORDER, none when empty
};

// A one-plane frame whose stored sample (x, s) (s counted as stored) has the colour of
// `stored` (the 2x2 pattern from the first sample stored) and the value value(colour, x, s).
std::string WriteMosaic(const testing::TempDir& dir, const std::string& name, const Header& h,
                        const std::string& stored,
                        const std::function<double(int colour, int x, int s)>& value) {
    LinearImage img;
    img.width = kW;
    img.height = kH;
    img.planes = 1;
    for (int s = 0; s < kH; ++s)
        for (int x = 0; x < kW; ++x)
            img.data.push_back(static_cast<float>(
                value(ColourOf(stored[static_cast<std::size_t>((s % 2) * 2 + x % 2)]), x, s)));
    img.cards = {"OBJECT  = 'mosaic'"};
    if (!h.bayer.empty()) img.cards.push_back("BAYERPAT= '" + h.bayer + "'");
    if (h.x_offset != 0) img.cards.push_back("XBAYROFF= " + std::to_string(h.x_offset));
    if (h.y_offset != 0) img.cards.push_back("YBAYROFF= " + std::to_string(h.y_offset));
    if (!h.row_order.empty()) img.cards.push_back("ROWORDER= '" + h.row_order + "'");
    const std::string path = dir.Path(name);
    EXPECT_TRUE(WriteFitsLinear(path, img, false, {}).ok());
    return path;
}

// Vignetting of the optics: the left quarter dimmed, so that the flat's median is 1.
double Vignette(int x) {
    return x < kW / 4 ? 0.7 : 1.0;
}

TEST(FitsMosaicStack, EachPatternCalibratesDemosaicsAndStandsUp) {
    // Lights of a flat-coloured scene, twice as bright in the first six rows stored, with
    // bias, dark current and vignetting; flats lit by a coloured lamp. `stored` is the pattern
    // from the first sample stored, worked out by hand from the keys.
    struct Row {
        Header header;
        std::string stored;
    };
    const Row rows[] = {
        {{"RGGB", 0, 0, ""}, "RGGB"},          {{"BGGR", 0, 0, ""}, "BGGR"},
        {{"RGGB", 1, 0, ""}, "GRBG"},           // one column in: the pattern's second
        {{"rggb", 0, 1, ""}, "GBRG"},           // one row in; the name in any case
        {{"BGGR", 1, 1, "BOTTOM-UP"}, "RGGB"},  // both
        {{"GRBG", 0, 0, "TOP-DOWN"}, "GRBG"},   // the first row stored is the top
        {{"GBRG", 0, 3, "top-down"}, "RGGB"},   // an odd offset is one row
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header.bayer + " " + std::to_string(row.header.x_offset) + "," +
                     std::to_string(row.header.y_offset) + " " + row.header.row_order);
        testing::TempDir dir;
        const Header& h = row.header;
        StackJob job;
        // One light: the masters' combination is what is checked, not registration.
        job.lights.push_back(WriteMosaic(dir, "light.fits", h, row.stored, [](int c, int x, int s) {
            return kBias + kDark + kScene[c] * (s < 6 ? 2 : 1) * Vignette(x);
        }));
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i) + ".fits";
            job.bias.push_back(
                WriteMosaic(dir, "bias" + n, h, row.stored, [](int, int, int) { return kBias; }));
            job.darks.push_back(WriteMosaic(dir, "dark" + n, h, row.stored,
                                            [](int, int, int) { return kBias + kDark; }));
            job.flats.push_back(WriteMosaic(dir, "flat" + n, h, row.stored, [](int c, int x, int) {
                return kBias + kLamp[c] * Vignette(x);
            }));
        }
        StackOutcome out;
        std::string error;
        ASSERT_TRUE(RunCalibratedStack(job, out, &error)) << error;
        ASSERT_EQ(out.image.planes, 3);
        // Output rows run from the bottom: stored row s is row s of a bottom-up file and row
        // kH - 1 - s of a top-down one.
        const bool top_down = h.row_order == "TOP-DOWN" || h.row_order == "top-down";
        for (const auto& [s, brightness] : {std::pair{2, 2.0}, std::pair{10, 1.0}}) {
            const int y = top_down ? kH - 1 - s : s;
            for (int c = 0; c < 3; ++c)
                for (int x = 0; x < kW; ++x)
                    ASSERT_NEAR(out.image.plane(c)[static_cast<std::size_t>(y) * kW + x],
                                kScene[c] * brightness, 1e-3)
                        << "colour " << c << " at " << x << "," << y;
        }
        // The keys of the mosaic describe the frames, not the demosaiced result.
        ASSERT_FALSE(out.image.cards.empty());
        EXPECT_EQ(out.image.cards[0], "OBJECT  = 'mosaic'" + std::string(62, ' '));
        for (const std::string& card : out.image.cards)
            for (const char* key : {"BAYERPAT", "XBAYROFF", "YBAYROFF", "ROWORDER"})
                EXPECT_NE(card.rfind(key, 0), 0u) << card;
        EXPECT_TRUE(Has(out.history, "Bayer FITS"));
    }
}

TEST(FitsMosaicStack, FramesThatDoNotFitTheLightsMosaicAreRefusedByName) {
    testing::TempDir dir;
    auto frame = [&](const std::string& name, const std::string& bayer) {
        return WriteMosaic(dir, name, {bayer, 0, 0, ""}, bayer.empty() ? "RGGB" : bayer,
                           [](int c, int, int) { return 1000 + kScene[c]; });
    };
    const std::string light = frame("light.fits", "RGGB"), light2 = frame("light2.fits", "RGGB");
    const std::string mono = frame("mono.fits", ""), other = frame("bggr.fits", "BGGR");
    const std::string raw = testing::WriteFixture(
        dir.Path("raw.dng"),
        testing::MakeMosaic(kW, kH, testing::kRggb, [](int, int, int) { return uint16_t{1000}; }));
    struct Row {
        std::vector<std::string> lights, darks, flats;
        std::string named, reason;
    };
    const Row rows[] = {
        {{light, light2}, {}, {mono}, "mono.fits", "without a colour mosaic"},
        {{light, light2}, {mono}, {}, "mono.fits", "without a colour mosaic"},
        {{light, mono}, {}, {}, "mono.fits", "without a colour mosaic"},
        {{mono, light}, {}, {}, "light.fits", "cannot join lights without one"},
        {{mono}, {light}, {}, "light.fits", "cannot join lights without one"},
        {{light, other}, {}, {}, "bggr.fits", "another colour pattern"},
        {{light}, {}, {other}, "bggr.fits", "another colour pattern"},
        {{frame("xtrans.fits", "GRBGBR")}, {}, {}, "xtrans.fits", "is not a Bayer pattern"},
        {{light}, {raw}, {}, "raw.dng", "RAW and FITS frames cannot be stacked together"},
    };
    for (const Row& row : rows) {
        StackJob job;
        job.lights = row.lights;
        job.darks = row.darks;
        job.flats = row.flats;
        StackOutcome out;
        std::string error;
        EXPECT_FALSE(RunCalibratedStack(job, out, &error)) << row.named;
        EXPECT_NE(error.find(row.named + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

}  // namespace mosaic

}  // namespace
}  // namespace orva
