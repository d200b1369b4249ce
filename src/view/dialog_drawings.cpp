#include "view/dialog_drawings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ops/colour.h"
#include "ops/op_settings.h"

namespace orva {

namespace {

uint8_t Byte(int64_t v) {
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

}  // namespace

// ---- Sharpen dialog ----

std::vector<PlotPoint> SharpenProfile(int radius, int blunting) {
    std::vector<PlotPoint> points;
    points.reserve(201);
    const double r = std::max(radius, 1);
    const double exponent = blunting / 20.0;  // blunting in tenths
    for (int i = 0; i <= 200; ++i) {
        const double d = (i - 100) / 10.0;
        const double q = (d / r) * (d / r);
        const double height = 100.0 / (std::pow(q, exponent) + 1.0);
        points.push_back({210 + i, 110 - static_cast<int>(height)});
    }
    return points;
}

// ---- Restoration dialog ----

std::vector<PlotPoint> RestoreProfile(int spread, int blunting) {
    // The settings clamp keeps the divisor and the exponent positive.
    const double s = kRestoreFields.spread.Clamp(spread);
    const double e = kRestoreFields.blunting.Clamp(blunting) / 20.0;
    std::vector<PlotPoint> points;
    points.reserve(201);
    for (int p = -100; p <= 100; ++p) {
        const double r = p / s;
        const double y = 250.0 - 100.0 / (std::pow(r * r, e) + 1.0);
        points.push_back({130 + p, static_cast<int>(y)});
    }
    return points;
}

std::vector<std::array<PlotPoint, 2>> RestoreAxes() {
    std::vector<std::array<PlotPoint, 2>> lines;
    lines.push_back({PlotPoint{30, 250}, PlotPoint{230, 250}});
    lines.push_back({PlotPoint{130, 150}, PlotPoint{130, 250}});
    for (int i = 0; i <= 20; ++i)
        lines.push_back({PlotPoint{30 + 10 * i, 250}, PlotPoint{30 + 10 * i, 254}});
    return lines;
}

// ---- Saturation and hue dialog ----

Rgb HueStripColour(int column) {
    const int c = ((column % kHueStripWidth) + kHueStripWidth) % kHueStripWidth;
    const int run = c / 64, t = c % 64;
    const uint8_t rise = Byte(255 * t / 64), fall = Byte(255 * (64 - t) / 64);
    switch (run) {
        case 0: return {fall, rise, 0};
        case 1: return {0, fall, rise};
        default: return {rise, 0, fall};
    }
}

int HueResultX(int column, int hue) {
    const int shift = (kColourFields.hue.def - kColourFields.hue.Clamp(hue)) * 64 / 120;
    const int wrapped = ((column + shift) % kHueStripWidth + kHueStripWidth) % kHueStripWidth;
    return kHueStripLeft + wrapped;
}

// ---- Colour change dialogs ----

Rgb RgbSwatch(const std::array<int, 3>& rgb) {
    return {Byte(rgb[0]), Byte(rgb[1]), Byte(rgb[2])};
}

Rgb HsvSwatch(const std::array<int, 3>& hsv) {
    const int hue = kColourFields.hue_degrees.Clamp(hsv[0]) * kHueSector / 60;
    const int s = kColourFields.level.Clamp(hsv[1]) * 256;
    const int v = kColourFields.level.Clamp(hsv[2]) * 256;
    const auto rgb = HsvToRgb(hue, s, v);
    return {Byte(rgb[0] >> 8), Byte(rgb[1] >> 8), Byte(rgb[2] >> 8)};
}

}  // namespace orva
