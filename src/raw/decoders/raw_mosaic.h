// A RAW file's sensor data as linear samples for calibrated stacking: bias, darks and flats
// are combined and applied photosite by photosite on the mosaic, and only the calibrated
// light is turned into three colour planes.
//
// Unlike the development path, nothing here scales to 16 bits, white-balances or clips: a
// sample is the photosite's value less its black level, as a float, so that noise around the
// black level averages out instead of being cut off at zero.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imageio/io_status.h"

namespace orva {

// One RAW file's sensor data: one value per photosite (width x height, rows from the top, the
// orientation recorded in the file not applied, as in the development path) and the colour of
// each photosite.
struct RawMosaic {
    int width = 0, height = 0;
    // width * height, black level subtracted, in raw units: nominally 0 .. white; noise and
    // per-channel black differences may take a sample slightly below 0.
    std::vector<float> samples;
    float white = 0;                   // saturation level in the same units
    std::array<float, 3> wb{1, 1, 1};  // as-shot multipliers for R, G, B, G = 1
    int period = 2;                    // 2 for a Bayer pattern, 6 for X-Trans
    std::array<uint8_t, 36> cfa{};     // colour of (x % period, y % period) at [y * 6 + x]
    // What the camera recorded, for the header of a stack: empty or 0 when unknown.
    std::string make, model;
    double exposure = 0;  // seconds
    double iso = 0;

    // Colour index 0 red, 1 green, 2 blue of photosite (x, y), x and y >= 0.
    int Colour(int x, int y) const {
        return cfa[static_cast<std::size_t>((y % period) * 6 + x % period)];
    }
    float At(int x, int y) const {
        return samples[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    }
    bool empty() const { return samples.empty(); }
};

// Reads a RAW file's mosaic. Files without a three-colour 2x2 or 6x6 colour filter pattern
// (linear DNG, monochrome, four-colour or rotated sensors) are refused as Unsupported; damaged
// files and files whose sizes exceed `memory_budget` are refused before anything large is
// taken. On failure `out` is left as it was.
IoResult ReadRawMosaicBytes(std::span<const uint8_t> bytes, uint64_t memory_budget, RawMosaic& out);
IoResult ReadRawMosaic(const std::string& path, uint64_t memory_budget, RawMosaic& out);

// Three linear planes (R, G, B; width * height each, rows from the top, allocated by the
// caller) from a calibrated mosaic. Each photosite keeps its own value for its colour; the
// other two colours are the mean of the same-colour photosites in the surrounding 3x3 (the
// 5x5 when the 3x3 holds none, 0 when neither does, as in a one-pixel mosaic). For a Bayer
// pattern this is bilinear interpolation. With `white_balance` the as-shot multipliers are
// applied. Values stay floats: nothing is clipped and negative values pass through.
// Identical results for any thread count. A mosaic whose samples do not match its size, or
// whose period is neither 2 nor 6, leaves the planes untouched.
void DemosaicLinear(const RawMosaic& m, bool white_balance, float* r, float* g, float* b);

}  // namespace orva
