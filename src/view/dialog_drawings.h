// What the operation dialogs paint beyond their tone graphs: the sharpen and restoration
// filter profiles, the hue strip and the colour swatches, in dialog client pixels with y
// growing downwards. Every function tolerates settings outside their ranges (a settings file
// is loaded unchecked). The widgets only draw what these return.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "view/plot.h"

namespace orva {

// ---- Sharpen dialog ----

// The sharpen filter profile in dialog client coordinates: 201 points for the distances
// -10 to +10 in tenths, one pixel apart from x = 210, plotted upward from y = 110 with height
// 100 / (((d / radius)^2)^(blunting / 20) + 1) (blunting in tenths).
std::vector<PlotPoint> SharpenProfile(int radius, int blunting);

// ---- Restoration dialog ----

// The painted profile of the spread function: for screen offsets p = -100..100 the point
// (130 + p, 250 - 100 / (((p / spread)^2)^(blunting / 20) + 1)), spread and blunting in
// tenths, truncated to whole pixels.
std::vector<PlotPoint> RestoreProfile(int spread, int blunting);

// The axes: the horizontal axis (30, 250)-(230, 250), the vertical axis (130, 150)-(130,
// 250) and 21 ticks 10 pixels apart under the horizontal one, as line end points.
std::vector<std::array<PlotPoint, 2>> RestoreAxes();

// ---- Saturation and hue dialog ----

inline constexpr int kHueStripLeft = 40;
inline constexpr int kHueStripWidth = 192;
inline constexpr int kHueStripTop = 140, kHueStripBottom = 155;
inline constexpr int kHueResultTop = 160, kHueResultBottom = 175;

// Colour of strip column 0..191: red to green, green to blue, blue to red in runs of 64.
Rgb HueStripColour(int column);

// Where column `column` of the strip lands in the lower strip for the hue setting (0..360,
// 180 = no change): shifted right by (180 - hue) x 64 / 120 pixels, wrapped within the strip.
int HueResultX(int column, int hue);

// ---- Colour change dialogs ----

inline constexpr PlotPoint kSourceSwatchTopLeft{180, 140}, kSourceSwatchBottomRight{240, 180};
inline constexpr PlotPoint kTargetSwatchTopLeft{180, 300}, kTargetSwatchBottomRight{240, 340};

// The swatch of an RGB colour of 8-bit levels (clamped to 0..255).
Rgb RgbSwatch(const std::array<int, 3>& rgb);

// The swatch of an HSV colour in dialog units (hue degrees 0..359, saturation and value
// 0..255), converted with the colour change's own HSV model.
Rgb HsvSwatch(const std::array<int, 3>& hsv);

}  // namespace orva
