#include "view/histogram.h"

#include <algorithm>
#include <cstddef>
#include <functional>

#include "common/text.h"
#include "shell/messages.h"
#include "view/readout.h"
#include "workspace/workspace.h"

namespace orva {

namespace {

// Plot frame of the histogram view.
constexpr int kHistLeft = 20, kHistRight = 280, kHistTop = 20, kHistBase = 180;
constexpr int kHistHeight = 160;  // pixels for a count equal to the scale
constexpr int kHistClipY = 19;    // counts above the scale are drawn here

// Cross-section view: horizontal profile on (10..170, 150), vertical profile on (175, 10..170).
constexpr int kProfilePoints = 160;
constexpr int kHProfileLeft = 10, kHProfileBase = 150;
constexpr int kVProfileAxis = 175, kVProfileBottom = 170;
constexpr int kProfileShift = 9;  // value / 512: the full 16-bit range spans 128 pixels

// Text block.
constexpr int kTextX = 8, kReadoutY = 198, kMaxY = 214, kMinY = 230;

const Plane& ChannelPlane(const ImageRecord& rec, int c) {
    return rec.single_plane == 1 ? rec.red : rec.plane(c);
}

// True when every plane the record's drawings read holds the whole picture.
bool PlanesComplete(const ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    if (n == 0 || rec.red.size() < n) return false;
    return rec.single_plane == 1 || (rec.green.size() >= n && rec.blue.size() >= n);
}

int SampleAt(const ImageRecord& rec, int c, int x, int row) {
    return ChannelPlane(rec,
                        c)[static_cast<std::size_t>(row) * static_cast<std::size_t>(rec.width) +
                           static_cast<std::size_t>(x)];
}

struct Channel {
    int plane;
    Rgb colour;
};

std::vector<Channel> DrawnChannels(const ImageRecord& rec) {
    if (rec.single_plane == 1) return {{0, kGrey}};
    return {{0, kRed}, {1, kGreen}, {2, kBlue}};
}

PlotLine Solid(int x1, int y1, int x2, int y2) {
    return {{x1, y1}, {x2, y2}, kBlack, PenStyle::Solid};
}
PlotLine Dotted(int x1, int y1, int x2, int y2) {
    return {{x1, y1}, {x2, y2}, kBlack, PenStyle::Dotted};
}

// A downward triangle over the histogram axis marking a level.
PlotPolyline LevelMarker(int level, Rgb colour) {
    const int x = kHistLeft + 1 + level / 256;
    return {{{x - 5, 10}, {x + 5, 10}, {x, kHistTop}, {x - 5, 10}}, colour};
}

void AppendTexts(Plot& plot, std::vector<PlotText> texts) {
    for (auto& t : texts) plot.texts.push_back(std::move(t));
}

}  // namespace

int HistogramScale(const ImageRecord& rec) {
    std::array<uint32_t, 256> tallest{};
    for (std::size_t i = 0; i < 256; ++i)
        tallest[i] = std::max({rec.histogram[0][i], rec.histogram[1][i], rec.histogram[2][i]});
    std::partial_sort(tallest.begin(), tallest.begin() + 4, tallest.end(), std::greater<>());
    const long long top4 =
        static_cast<long long>(tallest[0]) + tallest[1] + tallest[2] + tallest[3];
    return static_cast<int>(2 * top4 / 7);
}

std::string LevelLine(bool maximum, const std::array<int, 3>& v, int divisor) {
    const int d = std::max(divisor, 1);
    if (d >= 66) {
        return Format(maximum ? msg::kMaxLineDecimal : msg::kMinLineDecimal, v[0] / d,
                      v[0] % d * 10 / d, v[1] / d, v[1] % d * 10 / d, v[2] / d, v[2] % d * 10 / d);
    }
    if (d >= 7)
        return Format(maximum ? msg::kMaxLine4 : msg::kMinLine4, v[0] / d, v[1] / d, v[2] / d);
    return Format(maximum ? msg::kMaxLine5 : msg::kMinLine5, v[0] / d, v[1] / d, v[2] / d);
}

PlotPoint InspectedPoint(const ImageRecord& rec, int view_mode, int mouse_x, int mouse_y) {
    if (rec.width < 1 || rec.height < 1) return {0, 0};
    if (view_mode == 1 && rec.point_a_x >= 0) {
        // Point A may come from an image that has since been cropped or resized: keep it
        // inside the picture so the profiles never read outside the planes.
        return {std::clamp(rec.point_a_x, 0, rec.width - 1),
                std::clamp(rec.point_a_y, 0, rec.height - 1)};
    }
    // Off the picture (the grey beyond its edges, or before the mouse has come in) there is
    // no pixel, as in the main window's read-out.
    PlotPoint p;
    if (!WindowToImage(rec, mouse_x, mouse_y, p.x, p.y)) return {-1, -1};
    return p;
}

std::vector<PlotText> InspectionTextBlock(const ImageRecord& rec, PlotPoint pixel, int divisor) {
    std::vector<PlotText> texts;
    texts.push_back({{kTextX, kReadoutY},
                     pixel.x < 0 || pixel.y < 0
                         ? std::string()
                         : FormatPointReadout(rec, pixel.x, pixel.y, divisor, false, 0, 0),
                     kBlack,
                     kWhite});
    texts.push_back({{kTextX, kMaxY}, LevelLine(true, rec.max_level, divisor), kBlack, kWhite});
    texts.push_back({{kTextX, kMinY}, LevelLine(false, rec.min_level, divisor), kBlack, kWhite});
    return texts;
}

Plot HistogramPlot(const ImageRecord& rec, PlotPoint pixel, int divisor) {
    Plot plot;
    const int scale = HistogramScale(rec);
    if (scale < 1 || !PlanesComplete(rec)) return plot;
    plot.lines.push_back(Solid(kHistLeft, kHistBase, kHistRight, kHistBase));
    plot.lines.push_back(Solid(kHistLeft, kHistTop, kHistLeft, kHistBase));
    for (int x = 37; x - 21 <= 256; x += 16) {
        const int level = x - 21;
        if (level % 64 == 0) {
            plot.lines.push_back(Dotted(x, kHistTop, x, kHistBase));
            plot.texts.push_back({{x - 9, 182}, Format("%d", level), kBlack, kWhite});
        } else {
            plot.lines.push_back(Dotted(x, kHistBase - 3, x, kHistBase));
        }
    }
    const auto channels = DrawnChannels(rec);
    for (const auto& ch : channels) {
        PlotPolyline curve{{}, ch.colour};
        curve.points.reserve(256);
        const auto& bins = rec.histogram[static_cast<std::size_t>(ch.plane)];
        for (int i = 0; i < 256; ++i) {
            const long long count = bins[static_cast<std::size_t>(i)];
            const int y = count > scale
                              ? kHistClipY
                              : kHistBase - 1 - static_cast<int>(count * kHistHeight / scale);
            curve.points.push_back({kHistLeft + 1 + i, y});
        }
        plot.polylines.push_back(std::move(curve));
    }
    for (const auto& ch : channels) {
        const auto c = static_cast<std::size_t>(ch.plane);
        plot.polylines.push_back(LevelMarker(rec.min_level[c], ch.colour));
        plot.polylines.push_back(LevelMarker(rec.max_level[c], ch.colour));
    }
    AppendTexts(plot, InspectionTextBlock(rec, pixel, divisor));
    return plot;
}

Plot CrossSectionPlot(const ImageRecord& rec, PlotPoint pixel, int divisor) {
    Plot plot;
    if (!PlanesComplete(rec)) return plot;
    const int w = rec.width, h = rec.height;
    const int px = std::clamp(pixel.x, 0, w - 1), py = std::clamp(pixel.y, 0, h - 1);
    plot.lines.push_back(Solid(kHProfileLeft, kHProfileBase, 170, kHProfileBase));
    plot.lines.push_back(Solid(kVProfileAxis, 10, kVProfileAxis, kVProfileBottom));
    for (int t = 10; t <= 170; t += 20) {
        plot.lines.push_back(Solid(t, kHProfileBase - 4, t, kHProfileBase));
        plot.lines.push_back(Solid(kVProfileAxis, t, kVProfileAxis + 4, t));
    }
    for (int k = 1; k <= 4; ++k) {
        const int y = kHProfileBase - 32 * k;  // 118, 86, 54, 22
        plot.lines.push_back(Dotted(kHProfileLeft, y, 170, y));
    }
    for (int k = 1; k <= 4; ++k) {
        const int x = kVProfileAxis + 32 * k;  // 207, 239, 271, 303
        plot.lines.push_back(Dotted(x, 10, x, kVProfileBottom));
    }
    const long long pos_x = 10 + static_cast<long long>(px) * kProfilePoints / w;
    const long long pos_y = 10 + static_cast<long long>(h - py - 1) * kProfilePoints / h;
    plot.lines.push_back(Dotted(static_cast<int>(pos_x), 22, static_cast<int>(pos_x), 150));
    plot.lines.push_back(
        Dotted(kVProfileAxis, static_cast<int>(pos_y), 303, static_cast<int>(pos_y)));
    for (const auto& ch : DrawnChannels(rec)) {
        PlotPolyline across{{}, ch.colour};
        for (int i = 0; i < kProfilePoints; ++i) {
            const int x = static_cast<int>(static_cast<long long>(i) * w / kProfilePoints);
            across.points.push_back(
                {kHProfileLeft + i,
                 kHProfileBase - (SampleAt(rec, ch.plane, x, py) >> kProfileShift)});
        }
        plot.polylines.push_back(std::move(across));
        PlotPolyline down{{}, ch.colour};
        for (int j = 0; j < kProfilePoints; ++j) {
            const int row = static_cast<int>(static_cast<long long>(j) * h / kProfilePoints);
            down.points.push_back(
                {kVProfileAxis + (SampleAt(rec, ch.plane, px, row) >> kProfileShift),
                 kVProfileBottom - j});
        }
        plot.polylines.push_back(std::move(down));
    }
    AppendTexts(plot, InspectionTextBlock(rec, pixel, divisor));
    return plot;
}

Plot InspectionPlot(const ImageRecord& rec, int view_mode, int mouse_x, int mouse_y, int divisor) {
    if (rec.width < 1 || rec.height < 1) return {};
    const PlotPoint pixel = InspectedPoint(rec, view_mode, mouse_x, mouse_y);
    return view_mode == 1 ? CrossSectionPlot(rec, pixel, divisor)
                          : HistogramPlot(rec, pixel, divisor);
}

}  // namespace orva
