#include "view/zoom_scroll.h"

#include <algorithm>

namespace orva {

namespace {

// A record's zoom is always a ladder value; anything else is read as 100 so that no
// division by zero can come from a damaged record.
int SafeZoom(int zoom) {
    return zoom > 0 ? zoom : 100;
}

int& Origin(ImageRecord& rec, Axis axis) {
    return axis == Axis::Horizontal ? rec.scroll_x : rec.scroll_y;
}
int Origin(const ImageRecord& rec, Axis axis) {
    return axis == Axis::Horizontal ? rec.scroll_x : rec.scroll_y;
}
int Size(const ImageRecord& rec, Axis axis) {
    return axis == Axis::Horizontal ? rec.width : rec.height;
}
// Window pixels available for the picture along an axis.
int ClientSpan(Axis axis, int client_width, int client_height) {
    return axis == Axis::Horizontal ? client_width - 32 : client_height - 56;
}

void ClampAxis(ImageRecord& rec, Axis axis, int client_width, int client_height) {
    const int extent = VisibleExtent(axis, rec.zoom, client_width, client_height);
    int& origin = Origin(rec, axis);
    if (origin + extent > Size(rec, axis)) origin = Size(rec, axis) - extent;
    if (origin < 0) origin = 0;
}

}  // namespace

int VisibleExtent(Axis axis, int zoom, int client_width, int client_height) {
    return ClientSpan(axis, client_width, client_height) * 100 / SafeZoom(zoom);
}

void ClampScroll(ImageRecord& rec, int client_width, int client_height) {
    ClampAxis(rec, Axis::Horizontal, client_width, client_height);
    ClampAxis(rec, Axis::Vertical, client_width, client_height);
}

bool ApplyScroll(ImageRecord& rec, Axis axis, ScrollRequest request, int position, int client_width,
                 int client_height) {
    const int extent = VisibleExtent(axis, rec.zoom, client_width, client_height);
    int& origin = Origin(rec, axis);
    bool redraw = false;
    switch (request) {
        case ScrollRequest::LineBack: origin -= 8; break;
        case ScrollRequest::LineForward: origin += 8; break;
        case ScrollRequest::PageBack: origin -= extent / 2; break;
        case ScrollRequest::PageForward: origin += extent / 2; break;
        case ScrollRequest::Track:
            origin =
                static_cast<int>(static_cast<long long>(Size(rec, axis) - extent) * position / 100);
            break;
        case ScrollRequest::Other: redraw = true; break;
    }
    ClampAxis(rec, axis, client_width, client_height);
    return redraw;
}

int ScrollBarPosition(const ImageRecord& rec, Axis axis, int client_width, int client_height) {
    const int zoom = SafeZoom(rec.zoom);
    const int size = Size(rec, axis);
    const long long shown = static_cast<long long>(size) * zoom / 100;
    if (shown - ClientSpan(axis, client_width, client_height) <= 0) return 0;
    // When the picture is wider than the window at this zoom it is also wider than the
    // visible extent, so the divisor is at least 1.
    const int range = size - VisibleExtent(axis, zoom, client_width, client_height);
    if (range <= 0) return 0;
    return static_cast<int>(static_cast<long long>(Origin(rec, axis)) * 100 / range);
}

int ScrollLimit(const ImageRecord& rec, Axis axis, int client_width, int client_height) {
    return std::max(Size(rec, axis) - VisibleExtent(axis, rec.zoom, client_width, client_height),
                    0);
}

void ScrollTo(ImageRecord& rec, Axis axis, int origin, int client_width, int client_height) {
    Origin(rec, axis) = origin;
    ClampAxis(rec, axis, client_width, client_height);
}

ViewFit FitViewToWindow(const ImageRecord& rec, int width, int height, int bar) {
    // The allowances ClientSpan takes off a client size.
    constexpr int kAcross = 32, kDown = 56;
    ViewFit fit;
    // A bar along one axis narrows the other, which may then need its own bar: two rounds
    // settle it.
    for (int round = 0; round < 2; ++round) {
        fit.client_width = std::max(width - (fit.vertical_bar ? bar : 0), 0) + kAcross;
        fit.client_height = std::max(height - (fit.horizontal_bar ? bar : 0), 0) + kDown;
        fit.horizontal_bar =
            ScrollLimit(rec, Axis::Horizontal, fit.client_width, fit.client_height) > 0;
        fit.vertical_bar =
            ScrollLimit(rec, Axis::Vertical, fit.client_width, fit.client_height) > 0;
    }
    fit.client_width = std::max(width - (fit.vertical_bar ? bar : 0), 0) + kAcross;
    fit.client_height = std::max(height - (fit.horizontal_bar ? bar : 0), 0) + kDown;
    return fit;
}

bool ZoomKeepingPoint(Workspace& ws, int all_images, int direction, int wx, int wy) {
    ImageRecord* rec = ws.Current();
    if (rec == nullptr) return false;
    const long long old_zoom = SafeZoom(rec->zoom);
    if (StepZoom(ws, all_images, direction) == 0) return false;
    const long long new_zoom = rec->zoom;
    rec->refresh = 1;
    const auto keep = [&](int origin, int w) {
        const long long at = origin + w * 100 / old_zoom;  // image position under the pointer
        return static_cast<int>(std::max(at - w * 100 / new_zoom, 0LL));
    };
    rec->scroll_x = keep(rec->scroll_x, wx);
    rec->scroll_y = keep(rec->scroll_y, wy);
    return true;
}

bool ZoomAtPoint(Workspace& ws, int all_images, int direction, int wx, int wy, int client_width,
                 int client_height) {
    ImageRecord* rec = ws.Current();
    if (rec == nullptr) return false;
    const int old_zoom = SafeZoom(rec->zoom);
    if (StepZoom(ws, all_images, direction) == 0) return false;
    const int new_zoom = rec->zoom;
    rec->refresh = 1;
    rec->scroll_x += wx * 100 / old_zoom - ((client_width - 32) / 2) * 100 / new_zoom;
    rec->scroll_y += wy * 100 / old_zoom - ((client_height - 56) / 2) * 100 / new_zoom;
    rec->scroll_x = std::max(rec->scroll_x, 0);
    rec->scroll_y = std::max(rec->scroll_y, 0);
    return true;
}

}  // namespace orva
