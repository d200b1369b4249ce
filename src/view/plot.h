// Drawing lists: what a window draws, as plain data. The toolkit-free code decides every
// coordinate and colour; a widget draws the items one-to-one in list order, so tests can
// check the numbers without a display.
//
// Coordinates are window pixels with y growing downwards. A text's position is its top-left
// corner (the widget converts to its own baseline).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kGrey{128, 128, 128};

enum class PenStyle { Solid, Dotted };

struct PlotPoint {
    int x = 0, y = 0;
    bool operator==(const PlotPoint&) const = default;
};

// A one-pixel line between two end points (both drawn).
struct PlotLine {
    PlotPoint from, to;
    Rgb colour = kBlack;
    PenStyle style = PenStyle::Solid;
    bool operator==(const PlotLine&) const = default;
};

// Consecutive points joined by solid one-pixel lines.
struct PlotPolyline {
    std::vector<PlotPoint> points;
    Rgb colour = kBlack;
};

struct PlotText {
    PlotPoint at;
    std::string text;  // UTF-8
    Rgb colour = kBlack;
    std::optional<Rgb> background;  // opaque background behind the text when set
};

// Drawn in this order: lines, then polylines, then texts.
struct Plot {
    std::vector<PlotLine> lines;
    std::vector<PlotPolyline> polylines;
    std::vector<PlotText> texts;
    bool empty() const { return lines.empty() && polylines.empty() && texts.empty(); }
};

}  // namespace orva
