// The background of clicked sky places: a radial model fitted to the points by an
// exhaustive search, then used to flatten the picture.
//
// Model per channel: b(x, y) = k * u(x, y) + o with
//   u(x, y) = ((x - cx)^2 + (y - cy)^2)^q + a (x - cx) + c (y - cy),
// x the column and y the stored row. Every combination of the grid's cx, cy, a, c, q is
// tried; k is the mean slope (v_j - v_i) / (u_j - u_i) over the point pairs whose u differ
// (0 when none do), o the mean of v - k u, and the combination with the least squared error
// wins, the first one on a tie.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "common/plane.h"
#include "workspace/image_record.h"

namespace orva {

struct FitPoint {
    int x = 0, y = 0;                  // column, stored row
    std::array<double, 3> v{0, 0, 0};  // R, G, B sample values
};

struct RadialModel {
    double cx = 0, cy = 0, a = 0, c = 0, q = 1, k = 0, o = 0;
    double error = 0;
    bool operator==(const RadialModel&) const = default;
};

// The values tried for each parameter, in the order they are tried (cx outermost, then cy,
// a, c, q).
struct FitGrid {
    std::vector<double> cx, cy, a, c, q;
    std::size_t size() const { return cx.size() * cy.size() * a.size() * c.size() * q.size(); }
};
FitGrid MakeFitGrid(int width, int height);

// k, o and the squared error of one combination for one channel, evaluated directly.
RadialModel EvaluateModel(std::span<const FitPoint> points, int channel, double cx, double cy,
                          double a, double c, double q);

// The plain search: every combination through EvaluateModel, in grid order.
RadialModel FitRadialModelPlain(std::span<const FitPoint> points, int channel, const FitGrid& grid);

// The same choice as the plain search for channels 0 .. channels-1, fast: all channels
// share one pass that screens every combination on both cores, and only the combinations
// that screening cannot tell from the best are evaluated directly. Needs 2 points or more.
std::vector<RadialModel> FitRadialModels(std::span<const FitPoint> points, int channels,
                                         const FitGrid& grid);

// Flattens one plane with its model: mode 3 gives o * v / b (samples where the model is not
// positive are left alone), mode 4 gives v - b + shift * 256; cut to whole numbers, limited
// to 0..65535.
void PointBackgroundCorrect(PlaneView plane, const RadialModel& model, int mode, int shift);

// The whole point correction of a picture: points outside it are left out, each channel
// (red only on a single-plane picture) gets its own fit and correction. Fewer than 2 usable
// points change nothing.
void CorrectByPoints(ImageRecord& rec, std::span<const FitPoint> points, int mode, int shift);

}  // namespace orva
