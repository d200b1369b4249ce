// Small lights for the live stacking tests: one star field drifted from frame to frame.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "imageio/formats.h"
#include "support/files.h"
#include "support/scripted_ui.h"

namespace orva::testing {

constexpr int kW = 64, kH = 48;

// A 64 x 48 frame of the same stars drifted by (dx, dy), with noise; `stars` false gives
// an empty sky. Written under a dot name and renamed, as a camera program lands a file whole.
inline void WriteLight(const TempDir& dir, const std::string& name, double dx, double dy,
                       bool stars, unsigned seed) {
    const double kStars[9][3] = {{10, 8, 9000},  {30, 12, 6000}, {50, 9, 7000},
                                 {14, 26, 5000}, {36, 30, 8000}, {54, 24, 4000},
                                 {9, 40, 6500},  {28, 38, 5500}, {47, 39, 7500}};
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 10);
    LinearImage img;
    img.width = kW;
    img.height = kH;
    img.planes = 1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            double v = 1000 + noise(rng);
            for (const auto& s : kStars)
                if (stars) {
                    const double rx = x - s[0] - dx, ry = y - s[1] - dy;
                    v += s[2] * std::exp(-(rx * rx + ry * ry) / 3.0);
                }
            img.data.push_back(static_cast<float>(v));
        }
    img.cards = {"EXPTIME =                 30.0"};
    const std::string hidden = dir.Path("." + name);
    ASSERT_TRUE(WriteFitsLinear(hidden, img, true, {}).ok());
    std::filesystem::rename(hidden, dir.Path(name));
}

}  // namespace orva::testing
