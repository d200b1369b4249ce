// Frame selection, the per-light report and the stacked header's keys, worked by hand.
#include "stack/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stack/header.h"

namespace orva {
namespace {

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
