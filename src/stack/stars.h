// Registration by stars: finding stars in a linear frame, and the rotation, uniform scale and
// shift that carry one frame's stars onto another's.
//
// Detection estimates the sky and its noise per cell (median and MAD, so stars, a gradient and
// a few hot pixels barely move them), takes local maxima standing threshold_sigma deviations
// above the sky, drops single hot pixels (no light in the neighbours), saturated tops that
// are not round (bleeding, merged), long blobs, and stars too close to the edge or to missing
// data, and centres the rest by a Gaussian-weighted mean taken about the centre itself
// (the window follows the star's width; neighbours and the sky level barely pull it).
//
// Matching compares triangles of the brightest stars of each list by their shape (two side
// ratios and the turning sense, so that a mirror image never matches), lets every matching
// pair of triangles vote for its three star pairs, fits the best-supported transform from the
// voted pairs, and then refits it by least squares on every star that lands within 2 pixels of
// a reference star. Works for any rotation angle and scales of 0.8 to 1.25.
//
// Both are deterministic: results do not depend on the thread count.
#pragma once

#include <string>
#include <vector>

namespace orva {

struct Star {
    double x, y;  // centre in pixels; pixel (i, j) covers [i - 0.5, i + 0.5) x [j - 0.5, j + 0.5)
    double flux;  // light above the sky in the measuring window
    double fwhm;  // full width at half maximum from the second moments, in pixels
    // Minor over major axis of the second moments: 1 for a round star, less when elongated
    // (trailing, tilt, coma).
    double roundness = 1;
};

// Stars of a linear plane of width x height samples (row-major; NaN = no data), at most
// max_stars, brightest first.
std::vector<Star> DetectStars(const float* plane, int width, int height, int max_stars = 200,
                              double threshold_sigma = 5.0);

// x' = a*x - b*y + tx, y' = b*x + a*y + ty: rotation, uniform scale and shift, no mirror.
struct Similarity {
    double a = 1, b = 0, tx = 0, ty = 0;
    void Map(double x, double y, double& ox, double& oy) const;
    Similarity Inverse() const;
    double Scale() const;
    double AngleDegrees() const;  // atan2(b, a): -180 .. 180, counter-clockwise when y is up
};

struct StarMatch {
    Similarity transform;  // moving -> reference coordinates
    int matched = 0;       // stars that agree within 2 pixels after the final fit
    double rms = 0;        // their distance from the reference stars, root mean square, pixels
};

// The transform that carries `moving` stars onto `reference` stars. False with a one-line
// *error (when error is not null) when fewer than 6 stars agree.
bool MatchStars(const std::vector<Star>& reference, const std::vector<Star>& moving, StarMatch& out,
                std::string* error);

}  // namespace orva
