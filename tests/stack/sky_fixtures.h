// Synthetic skies for the stacking tests: Gaussian stars integrated over each pixel.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace orva::testing {

struct SkyStar {
    double x, y, flux, sigma;
    double sigma_y = 0;  // 0: as wide as high
};

// Share of a unit Gaussian of width s centred at c that falls into the pixel [i-0.5, i+0.5).
inline double PixelShare(int i, double c, double s) {
    const double k = 1.0 / (s * std::numbers::sqrt2);
    return 0.5 * (std::erf((i + 0.5 - c) * k) - std::erf((i - 0.5 - c) * k));
}

// Adds the star to the w x h plane px; the part outside the plane is lost.
inline void AddStar(float* px, int w, int h, const SkyStar& s) {
    const double sigma_y = s.sigma_y > 0 ? s.sigma_y : s.sigma;
    const int r = static_cast<int>(std::ceil(7 * std::max(s.sigma, sigma_y)));
    const int x0 = static_cast<int>(std::floor(s.x)), y0 = static_cast<int>(std::floor(s.y));
    for (int y = std::max(0, y0 - r); y <= std::min(h - 1, y0 + r); ++y) {
        const double sy = PixelShare(y, s.y, sigma_y);
        for (int x = std::max(0, x0 - r); x <= std::min(w - 1, x0 + r); ++x)
            px[std::size_t(y) * std::size_t(w) + std::size_t(x)] +=
                static_cast<float>(s.flux * sy * PixelShare(x, s.x, s.sigma));
    }
}

// n stars at least `gap` pixels apart and `margin` inside the edges (beyond them when
// negative), fluxes spread over two decades, widths 1 to 2 px.
inline std::vector<SkyStar> RandomSky(int w, int h, int n, uint32_t seed, double gap = 14,
                                      int margin = 20) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(margin, w - margin), uy(margin, h - margin);
    std::uniform_real_distribution<double> lf(std::log(3000.0), std::log(300000.0)), us(1.0, 2.0);
    std::vector<SkyStar> out;
    for (int tries = 0; int(out.size()) < n && tries < 100 * n; ++tries) {
        const SkyStar s{ux(rng), uy(rng), std::exp(lf(rng)), us(rng)};
        bool clear = true;
        for (const SkyStar& o : out) clear = clear && std::hypot(o.x - s.x, o.y - s.y) >= gap;
        if (clear) out.push_back(s);
    }
    return out;
}

}  // namespace orva::testing
