#include "composite/point_align.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/parallel.h"
#include "ops/geometry.h"
#include "ops/param_block.h"

namespace orva {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A three-plane copy of a record (a grey record gives its red plane to all three).
bool CopyPicture(const ImageRecord& src, ImageRecord& dst) {
    const StackSource s = SourceOf(src);
    const std::size_t n = src.pixels();
    Plane planes[3];
    for (int c = 0; c < 3; ++c) {
        if (!planes[c].Allocate(n)) return false;
        std::memcpy(planes[c].data(), s.plane[static_cast<std::size_t>(c)], n * sizeof(uint16_t));
    }
    dst.red = std::move(planes[0]);
    dst.green = std::move(planes[1]);
    dst.blue = std::move(planes[2]);
    dst.width = src.width;
    dst.height = src.height;
    dst.single_plane = 0;
    return true;
}

PointF Unpack(int32_t packed, int height) {
    return {static_cast<double>(UnpackPointX(packed)),
            static_cast<double>(UnpackPointRow(packed, height))};
}

double Distance(PointF a, PointF b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

}  // namespace

double PointAngle(PointF a, PointF b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0) return dy > 0 ? 90000.0 : -90000.0;
    double t = std::atan(dy / dx) * 180000.0 / kPi;
    if (dx < 0) t += 180000.0;
    return t;
}

bool AlignByPoints(const std::vector<PointImage>& images, std::vector<ImageRecord>& copies,
                   std::vector<StackSource>& sources) {
    const std::size_t n = images.size();
    copies.clear();
    copies.resize(n);
    sources.assign(n, StackSource{});
    if (n == 0) return true;
    std::vector<PointF> a(n), b(n);
    for (std::size_t k = 0; k < n; ++k) {
        a[k] = Unpack(images[k].a, images[k].rec->height);
        b[k] = Unpack(images[k].b, images[k].rec->height);
    }
    const double d0 = Distance(a[0], b[0]);
    const double theta0 = PointAngle(a[0], b[0]);
    for (std::size_t k = 1; k < n; ++k) {
        ImageRecord& copy = copies[k];
        if (!CopyPicture(*images[k].rec, copy)) return false;
        const double dk = Distance(a[k], b[k]);
        // A point pair that coincides gives no scale or direction: such a picture is only
        // moved, never scaled or turned by a zero term.
        if (d0 < 1.0 || dk < 1.0) continue;
        // A scale that would blow the copy up past any canvas the stack can have (mistyped
        // points) is not applied, rather than asking for more memory than the machine has.
        const double f = d0 / dk;
        const double limit = std::max({10000.0, static_cast<double>(images[0].rec->width),
                                       static_cast<double>(images[0].rec->height)});
        const bool sane = copy.width * f <= limit && copy.height * f <= limit;
        if (std::fabs(d0 - dk) >= 1.0 && sane) {
            const int target = static_cast<int>(256.0 * d0), source = static_cast<int>(256.0 * dk);
            if (!ResizeBilinear(copy, target, source, target, source)) return false;
            a[k] = {a[k].x * f, a[k].y * f};
            b[k] = {b[k].x * f, b[k].y * f};
        }
        const double theta = PointAngle(a[k], b[k]);
        if (std::fabs(theta0 - theta) >= 1.0) {
            // Turning by the difference to the reference brings this picture's A -> B
            // direction onto the reference's (counter-clockwise positive).
            const int angle = static_cast<int>(theta0 - theta);
            const int w = copy.width, h = copy.height;
            if (!RotateArbitrary(copy, angle)) return false;
            PointF na, nb;
            MapRotatedPoint(w, h, angle, a[k].x, a[k].y, na.x, na.y);
            MapRotatedPoint(w, h, angle, b[k].x, b[k].y, nb.x, nb.y);
            a[k] = na;
            b[k] = nb;
        }
    }
    auto mid = [](double p, double q) { return static_cast<int>(p + q + 1.0) / 2; };
    const int m0x = mid(a[0].x, b[0].x), m0y = mid(a[0].y, b[0].y);
    for (std::size_t k = 0; k < n; ++k) {
        const ImageRecord& pic = k == 0 ? *images[0].rec : copies[k];
        sources[k] = SourceOf(pic, images[k].weight);
        if (k > 0) {
            sources[k].x = m0x - mid(a[k].x, b[k].x);
            sources[k].y = m0y - mid(a[k].y, b[k].y);
        }
    }
    return true;
}

bool CombineLrgb(const std::vector<StackSource>& sources, bool with_luminance, int width,
                 int height, ImageRecord& out) {
    const std::size_t first = with_luminance ? 1 : 0;
    if (sources.size() < first + 3 || width < 1 || height < 1) return true;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Plane planes[3];
    for (auto& p : planes)
        if (!p.Allocate(n)) return false;
    const int lw = with_luminance ? std::clamp(sources[0].weight, 0, 100) : 0;
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x) {
                int64_t v[3];
                for (std::size_t c = 0; c < 3; ++c) {
                    const StackSource& s = sources[first + c];
                    v[c] = s.Covers(x, y) ? int64_t{s.at(static_cast<int>(c), x - s.x, y - s.y)} *
                                                s.weight / 100
                                          : 0;
                }
                if (lw >= 1) {
                    const StackSource& l = sources[0];
                    int64_t lum[3] = {0, 0, 0};
                    if (l.Covers(x, y))
                        for (int c = 0; c < 3; ++c) lum[c] = l.at(c, x - l.x, y - l.y);
                    const int64_t yl = (299 * lum[0] + 587 * lum[1] + 114 * lum[2]) / 1000;
                    int64_t yc = (299 * v[0] + 587 * v[1] + 114 * v[2]) / 1000;
                    if (yc < 1) {
                        v[0] = v[1] = v[2] = 1;
                        yc = 1;
                    }
                    const int64_t h = ((100 - lw) * yc + lw * yl) / 200;
                    for (auto& c : v) c = std::min<int64_t>(h * c / yc * 2, 65535);
                }
                for (int c = 0; c < 3; ++c)
                    planes[c][row + static_cast<std::size_t>(x)] =
                        static_cast<uint16_t>(std::clamp<int64_t>(v[c], 0, 65535));
            }
        }
    });
    out.red = std::move(planes[0]);
    out.green = std::move(planes[1]);
    out.blue = std::move(planes[2]);
    out.width = width;
    out.height = height;
    out.single_plane = 0;
    return true;
}

}  // namespace orva
