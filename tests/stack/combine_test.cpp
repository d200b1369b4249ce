// Combining many frames: the rejection rules on hand-worked value sets, and rows against
// each place alone; the normalisation of lights before rejection; frame selection, the
// per-light report and the stacked header's keys; all worked by hand.
#include "stack/combine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "stack/header.h"
#include "stack/normalise.h"
#include "stack/report.h"

namespace orva {
namespace {

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
        // The reference itself is never changed.
        EXPECT_TRUE(NormalisationMap(r.mode, ref, ref).identity()) << NormalisationName(r.mode);
    }
    // A light of one sky spread 60 above its sky lands 30 above the reference's.
    const LinearMap m = NormalisationMap(Normalisation::AdditiveScale, ref, light);
    EXPECT_DOUBLE_EQ(m.gain * 1360 + m.offset, 1030);
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
    const SkyStats s = MeasureSky(v.data(), v.size(), 1);
    EXPECT_NEAR(s.location, 800, 2);
    EXPECT_NEAR(s.scale, 25, 1.5);
    // Sampled every third value: much the same.
    const SkyStats t = MeasureSky(v.data(), v.size(), 3);
    EXPECT_NEAR(t.location, 800, 2);
    EXPECT_NEAR(t.scale, 25, 1.5);
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
    double v = 0;
    ASSERT_TRUE(CardNumber(cards, "NCOMBINE", v));
    EXPECT_EQ(v, 3);
    ASSERT_TRUE(CardNumber(cards, "STACKCNT", v));
    EXPECT_EQ(v, 3);
    ASSERT_TRUE(CardNumber(cards, "LIVETIME", v));
    EXPECT_EQ(v, 720.5);
    EXPECT_EQ(CardText(cards, "DATE-OBS"), "2024-03-01T22:10:00");
    // 23:59:59.5 + 120.5 s crosses midnight.
    EXPECT_EQ(CardText(cards, "DATE-END"), "2024-03-02T00:02:00");

    // Without dates or with an unknown exposure: no dates, no LIVETIME, counts still.
    const auto plain = StackedCards({"OBJECT  = 'x'"}, {{0, ""}, {60, ""}});
    EXPECT_FALSE(CardNumber(plain, "LIVETIME", v));
    EXPECT_TRUE(CardText(plain, "DATE-OBS").empty());
    EXPECT_TRUE(CardNumber(plain, "NCOMBINE", v));
    EXPECT_EQ(v, 2);
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

}  // namespace
}  // namespace orva
