// Zoom ladder and scroll maths of the image window.
//
// Scroll origins and visible extents are in image pixels: scroll x is the image column at the
// left edge of the window, scroll y the picture row (counted from the top) at the top edge.
// Client sizes are those of the main window's client area; the image window sits below the
// 24-pixel toolbar strip, so its frame, scroll bars and the strip take 32 pixels across and
// 56 pixels down out of the scrolling extents.
#pragma once

#include <array>

#include "shell/view_commands.h"
#include "workspace/workspace.h"

namespace orva {

enum class Axis { Horizontal, Vertical };

// Visible extent in image pixels along an axis for a zoom and the main client size.
int VisibleExtent(Axis axis, int zoom, int client_width, int client_height);

// Pulls the scroll origin back so that the visible extent does not pass the far edge, then
// raises it to 0. Done on every scroll request and at the start of every paint.
void ClampScroll(ImageRecord& rec, int client_width, int client_height);

enum class ScrollRequest {
    LineBack,     // line left / line up: 8 image pixels
    LineForward,  // line right / line down
    PageBack,     // half the visible extent
    PageForward,
    Track,  // thumb dragged to a position 0..100
    Other,  // thumb released, end of scrolling, anything else
};

// Moves the scroll origin along an axis and clamps it. Returns true when the window must be
// redrawn now: line, page and tracking requests wait for the end-of-scrolling notification.
bool ApplyScroll(ImageRecord& rec, Axis axis, ScrollRequest request, int position, int client_width,
                 int client_height);

// Scroll bar position (range 0..100) for the record's origin; 0 when the whole axis fits.
int ScrollBarPosition(const ImageRecord& rec, Axis axis, int client_width, int client_height);

// How far the origin can go along an axis: the picture's size less the visible extent, 0
// when the whole axis fits. A scroll bar over that range with a page of the visible extent
// has a thumb as large as the part shown.
int ScrollLimit(const ImageRecord& rec, Axis axis, int client_width, int client_height);

// Puts the origin at `origin` (a thumb dragged, a wheel turned) and clamps it.
void ScrollTo(ImageRecord& rec, Axis axis, int origin, int client_width, int client_height);

// The client size to give the scroll maths for an image window of `width` x `height` pixels
// whose scroll bars, `bar` pixels thick, are shown only along an axis that does not fit: its
// visible extents are then exactly the picture area the window leaves, so the origin stops
// where the picture's last row and column meet the window's edge (or its scroll bar).
struct ViewFit {
    int client_width = 0, client_height = 0;
    bool horizontal_bar = false, vertical_bar = false;
};
ViewFit FitViewToWindow(const ImageRecord& rec, int width, int height, int bar);

// A wheel zoom at window position (wx, wy): one step in (direction 1) or out (0), keeping the
// image point under (wx, wy) where it is; the refresh flag is set as for every zoom change.
// The origin is raised to 0; the far edges are clamped by the next paint. True when it
// changed.
bool ZoomKeepingPoint(Workspace& ws, int all_images, int direction, int wx, int wy);

// A click zoom around window position (wx, wy): one step in (direction 1) or out (0), and
// when the zoom changed, the refresh flag set and the clicked image point moved to the centre
// of the visible area (the far edges are clamped by the next paint). True when it changed.
bool ZoomAtPoint(Workspace& ws, int all_images, int direction, int wx, int wy, int client_width,
                 int client_height);

}  // namespace orva
