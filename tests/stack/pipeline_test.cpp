// Calibrated stacking end to end on synthetic FITS frames: masters, calibration, registration
// and combination against the sky the frames were made from.
#include "stack/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva {
namespace {

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
        EXPECT_EQ(out.dx[static_cast<std::size_t>(i)], -shifts[i][0]) << i;
        EXPECT_EQ(out.dy[static_cast<std::size_t>(i)], -shifts[i][1]) << i;
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
    EXPECT_TRUE(std::any_of(out.history.begin(), out.history.end(), [](const std::string& l) {
        return l.find("too few to register by stars") != std::string::npos;
    }));
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

}  // namespace
}  // namespace orva
