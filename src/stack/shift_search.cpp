#include "stack/shift_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "common/parallel.h"

namespace orva {

namespace {

constexpr std::size_t Sz(int v) {
    return static_cast<std::size_t>(v);
}

// A part of a plane: [x0, x0 + width) x [y0, y0 + height) of the frame.
struct Patch {
    int x0 = 0, y0 = 0, width = 0, height = 0;
    std::vector<float> v;
    float at(int x, int y) const { return v[Sz(y - y0) * Sz(width) + Sz(x - x0)]; }
};

// The 3 x 3 median of the frame over the patch's area, less its median; no data counts as
// the sky.
void Prepare(const float* plane, int width, int height, Patch& p) {
    p.v.assign(Sz(p.width) * Sz(p.height), 0.0f);
    RunBands(p.height, [&](int j) {
        const int y = p.y0 + j;
        std::array<float, 9> n{};
        for (int i = 0; i < p.width; ++i) {
            const int x = p.x0 + i;
            int k = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = std::clamp(x + dx, 0, width - 1);
                    const int yy = std::clamp(y + dy, 0, height - 1);
                    const float v = plane[Sz(yy) * Sz(width) + Sz(xx)];
                    if (std::isfinite(v)) n[Sz(k++)] = v;
                }
            if (k == 0) {
                p.v[Sz(j) * Sz(p.width) + Sz(i)] = std::numeric_limits<float>::quiet_NaN();
                continue;
            }
            std::nth_element(n.begin(), n.begin() + k / 2, n.begin() + k);
            p.v[Sz(j) * Sz(p.width) + Sz(i)] = n[Sz(k / 2)];
        }
    });
    std::vector<float> s;
    for (std::size_t i = 0; i < p.v.size(); i += 7)
        if (std::isfinite(p.v[i])) s.push_back(p.v[i]);
    float sky = 0;
    if (!s.empty()) {
        std::nth_element(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2), s.end());
        sky = s[s.size() / 2];
    }
    for (float& v : p.v) v = std::isfinite(v) ? v - sky : 0.0f;
}

// Each 4 x 4 block's mean.
Patch Reduce(const Patch& in) {
    Patch out;
    out.x0 = in.x0 / 4;
    out.y0 = in.y0 / 4;
    out.width = in.width / 4;
    out.height = in.height / 4;
    out.v.assign(Sz(out.width) * Sz(out.height), 0.0f);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            double sum = 0;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i)
                    sum += in.v[Sz(4 * y + j) * Sz(in.width) + Sz(4 * x + i)];
            out.v[Sz(y) * Sz(out.width) + Sz(x)] = static_cast<float>(sum / 16);
        }
    return out;
}

// Mean squared difference between the reference's inner part (margin m inside its patch)
// and the light displaced by (dx, dy).
double Score(const Patch& ref, const Patch& light, int m, int dx, int dy) {
    double sum = 0;
    for (int j = m; j < ref.height - m; ++j) {
        const float* a = ref.v.data() + Sz(j) * Sz(ref.width);
        const float* b = light.v.data() + Sz(j - dy) * Sz(light.width) - dx;
        double row = 0;
        for (int i = m; i < ref.width - m; ++i) {
            const double d = double{a[i]} - b[i];
            row += d * d;
        }
        sum += row;
    }
    return sum / (double(ref.width - 2 * m) * (ref.height - 2 * m));
}

// The best whole displacement within `r` of (cx, cy), scores of the window kept in `scores`
// ((2r + 1)^2, row by row).
std::array<int, 2> Search(const Patch& ref, const Patch& light, int m, int cx, int cy, int r,
                          std::vector<double>& scores) {
    const int side = 2 * r + 1;
    scores.assign(Sz(side) * Sz(side), 0.0);
    RunBands(side * side, [&](int k) {
        const int dx = cx - r + k % side, dy = cy - r + k / side;
        scores[Sz(k)] = std::abs(dx) <= m && std::abs(dy) <= m
                            ? Score(ref, light, m, dx, dy)
                            : std::numeric_limits<double>::infinity();
    });
    // The lowest score; of equal ones the displacement nearest no shift.
    std::size_t best = 0;
    auto dist = [&](std::size_t k) {
        const int dx = cx - r + static_cast<int>(k) % side,
                  dy = cy - r + static_cast<int>(k) / side;
        return dx * dx + dy * dy;
    };
    for (std::size_t k = 1; k < scores.size(); ++k)
        if (scores[k] < scores[best] || (scores[k] == scores[best] && dist(k) < dist(best)))
            best = k;
    return {cx - r + static_cast<int>(best) % side, cy - r + static_cast<int>(best) / side};
}

// The vertex of the parabola through (-1, a), (0, b), (1, c), within half a pixel.
double Vertex(double a, double b, double c) {
    const double curve = a - 2 * b + c;
    if (!std::isfinite(a) || !std::isfinite(c) || !(curve > 0)) return 0;
    return std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
}

}  // namespace

Shift FindShift(const float* reference, const float* light, int width, int height, int range) {
    Shift out;
    // The compared part: the middle of the frame, at most 1024 pixels each way, with room
    // for the search around it.
    range = std::clamp(range, 0, std::max(0, (std::min(width, height) - 16) / 2 - 2));
    const int m = range + 2;
    Patch ref, moving;
    ref.width = std::min(width, 1024 + 2 * m);
    ref.height = std::min(height, 1024 + 2 * m);
    ref.x0 = (width - ref.width) / 2;
    ref.y0 = (height - ref.height) / 2;
    moving.x0 = ref.x0;
    moving.y0 = ref.y0;
    moving.width = ref.width;
    moving.height = ref.height;
    if (ref.width - 2 * m < 8 || ref.height - 2 * m < 8) return out;
    Prepare(reference, width, height, ref);
    Prepare(light, width, height, moving);

    std::vector<double> scores;
    std::array<int, 2> at{0, 0};
    if (range > 4) {
        const Patch small_ref = Reduce(ref), small_moving = Reduce(moving);
        const int rm = m / 4;
        if (small_ref.width - 2 * rm >= 8 && small_ref.height - 2 * rm >= 8) {
            at = Search(small_ref, small_moving, rm, 0, 0, rm, scores);
            at = {4 * at[0], 4 * at[1]};
        }
    }
    const int r = range > 4 ? 4 : range;
    at = Search(ref, moving, m, std::clamp(at[0], -range, range), std::clamp(at[1], -range, range),
                r, scores);
    // The neighbours' scores, for the fraction.
    auto score = [&](int dx, int dy) {
        return std::abs(dx) <= m && std::abs(dy) <= m ? Score(ref, moving, m, dx, dy)
                                                      : std::numeric_limits<double>::infinity();
    };
    const double centre = score(at[0], at[1]);
    const double fx = Vertex(score(at[0] - 1, at[1]), centre, score(at[0] + 1, at[1]));
    const double fy = Vertex(score(at[0], at[1] - 1), centre, score(at[0], at[1] + 1));
    // A fraction this small is below what the search can tell; a whole shift moves the light
    // without resampling it.
    out.dx = std::fabs(fx) < kStillShift ? at[0] : at[0] + fx;
    out.dy = std::fabs(fy) < kStillShift ? at[1] : at[1] + fy;
    return out;
}

}  // namespace orva
