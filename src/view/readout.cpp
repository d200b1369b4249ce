#include "view/readout.h"

#include <algorithm>
#include <cstdlib>

#include "common/text.h"
#include "shell/context.h"

namespace orva {

namespace {

constexpr Rgb kMarkerGreen{32, 255, 32};
constexpr Rgb kMarkerRed{255, 32, 32};
constexpr Rgb kMarkerDarkRed{64, 0, 0};

void AddCross(Plot& plot, PlotPoint at, Rgb colour) {
    plot.lines.push_back({{at.x - 2, at.y}, {at.x + 2, at.y}, colour, PenStyle::Solid});
    plot.lines.push_back({{at.x, at.y - 2}, {at.x, at.y + 2}, colour, PenStyle::Solid});
}

void AddText(Plot& plot, int x, int y, std::string text) {
    plot.texts.push_back({{x, y}, std::move(text), kMarkerGreen, kBlack});
}

}  // namespace

std::string FormatPointReadout(const ImageRecord& rec, int x, int y, int divisor, bool with_area,
                               int area_width, int area_height) {
    if (!rec.occupied() || rec.red.empty()) return {};
    x = std::clamp(x, 0, rec.width - 1);
    y = std::clamp(y, 0, rec.height - 1);
    // The divisor comes from the settings (1..1024); a damaged value must not divide by zero.
    const int d = std::max(divisor, 1);
    const std::size_t k = static_cast<std::size_t>(y) * rec.width + x;
    const bool grey = rec.single_plane == 1 || rec.green.empty() || rec.blue.empty();
    const int r = rec.red[k];
    const int g = grey ? r : rec.green[k];
    const int b = grey ? r : rec.blue[k];
    const int row = rec.height - y - 1;
    std::string text;
    if (d >= 66) {
        text = Format("(%4d,%4d) R:%3d.%01d G:%3d.%01d B:%3d.%01d", x, row, r / d, r % d * 10 / d,
                      g / d, g % d * 10 / d, b / d, b % d * 10 / d);
    } else if (d >= 7) {
        text = Format("(%4d,%4d) R:%4d G:%4d B:%4d", x, row, r / d, g / d, b / d);
    } else {
        text = Format("(%4d,%4d) R:%5d G:%5d B:%5d", x, row, r / d, g / d, b / d);
    }
    if (with_area) text += Format("  AREA(%4d,%4d)", area_width, area_height);
    return text;
}

std::string ReadoutLine(const AppContext& ctx) {
    const ImageRecord* rec =
        Workspace::Valid(ctx.ws.current) ? &ctx.ws.at(ctx.ws.current) : nullptr;
    if (rec == nullptr || rec->width <= 0) return {};
    const ShellState& s = ctx.shell;
    // The grey beyond the picture's right and bottom edges has no pixel: the read-out stays
    // empty there rather than repeat the edge pixel, except while an area is being dragged.
    int x = 0, y = 0;
    const bool on_picture = WindowToImage(*rec, s.mouse_x, s.mouse_y, x, y);
    if (!on_picture && s.area_copy_mode != 2) return {};
    return FormatPointReadout(*rec, x, y, ctx.settings.display.readout_divisor,
                              s.area_copy_mode > 0,
                              std::abs(s.area_corner_x[0] - s.area_corner_x[1]),
                              std::abs(s.area_corner_y[0] - s.area_corner_y[1]));
}

PlotPoint ImageToWindow(const ImageRecord& rec, int x, int y) {
    const int zoom = rec.zoom > 0 ? rec.zoom : 100;
    const long long wx = static_cast<long long>(x - rec.scroll_x) * zoom / 100 + zoom / 200;
    const long long wy =
        static_cast<long long>(rec.height - rec.scroll_y - y - 1) * zoom / 100 + zoom / 200;
    return {static_cast<int>(wx), static_cast<int>(wy)};
}

Plot MarkerPlot(const ImageRecord& rec, const ViewState& view) {
    Plot plot;
    const int count = view.sampling_mode - kSamplePoints;
    if (view.sampling_mode >= kSamplePoints && count > 0) {
        for (int i = 0; i < std::min(count, kMaxBackgroundPoints); ++i) {
            const BackgroundPoint& p = view.background_points[static_cast<std::size_t>(i)];
            const bool red_sample = p.r > 40960 && p.g < 24576 && p.b < 24576;
            AddCross(plot, ImageToWindow(rec, p.x, p.y), red_sample ? kMarkerDarkRed : kMarkerRed);
        }
    }
    const auto point = [&](int x, int y, const char* letter) {
        if (x < 0) return;
        const PlotPoint at = ImageToWindow(rec, x, y);
        AddCross(plot, at, kMarkerGreen);
        AddText(plot, at.x + 5, at.y - 6, letter);
    };
    point(rec.point_a_x, rec.point_a_y, "A");
    point(rec.point_b_x, rec.point_b_y, "B");
    return plot;
}

Plot InfoOverlayPlot(const ImageRecord& rec) {
    Plot plot;
    if (!rec.camera_make.empty()) AddText(plot, 0, 0, rec.camera_make);
    if (!rec.camera_model.empty()) AddText(plot, 0, 16, rec.camera_model);
    if (!rec.date_time.empty()) AddText(plot, 0, 32, rec.date_time);
    if (rec.iso > 0) AddText(plot, 0, 48, Format("ISO=%d", static_cast<int>(rec.iso)));
    // Packed as numerator << 16 | denominator. A value with a zero half cannot be shown as a
    // fraction (it would divide by zero), so it counts as unknown.
    const double en = rec.exposure_time >> 16, ed = rec.exposure_time & 0xffffu;
    if (en > 0 && ed > 0) {
        AddText(
            plot, 0, 64,
            en >= ed ? Format("Exposure=%.1f s", en / ed) : Format("Exposure=1/%.1f s", ed / en));
    }
    const double fn = rec.f_number >> 16, fd = rec.f_number & 0xffffu;
    if (fn > 0 && fd > 0) AddText(plot, 0, 80, Format("F=%.1f", fn / fd));
    return plot;
}

}  // namespace orva
