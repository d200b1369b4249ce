#include "stack/stars.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "common/parallel.h"

namespace orva {

namespace {

constexpr std::size_t Sz(int v) {
    return static_cast<std::size_t>(v);
}

// ---- Sky and noise per cell -------------------------------------------------------------

// Sky cells of 64 pixels follow a gradient or a vignette closely; on large frames up to 32
// cells along the longer side do as well and keep the medians cheap.
constexpr int kCell = 64, kMaxCells = 32;

// Sky level and threshold on a coarse grid of cells, interpolated linearly between cell
// centres (and held constant beyond the outer centres).
class SkyGrid {
public:
    bool Build(const float* plane, int width, int height, double threshold_sigma);
    // Threshold along row y, for every column.
    void Row(int y, float* threshold, std::vector<float>& scratch) const;
    double SkyAt(int x, int y) const { return At(sky_, x, y); }
    double SigmaAt(int x, int y) const { return At(sd_, x, y); }

private:
    static std::vector<double> Smooth(const std::vector<double>& v, int nx, int ny);
    void Weights(int n, int size, const std::vector<int>& edges, std::vector<int>& index,
                 std::vector<float>& t) const;

    int nx_ = 0, ny_ = 0, width_ = 0;
    double At(const std::vector<double>& grid, int x, int y) const;

    std::vector<double> sky_, sd_, thr_;  // ny_ x nx_
    std::vector<int> col_i_, row_i_;      // left / upper cell centre of each column / row
    std::vector<float> col_t_, row_t_;    // weight of the next centre
};

// Median of v (reordered).
double Median(std::vector<float>& v) {
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    double m = v[mid];
    if (v.size() % 2 == 0) {
        m = (m + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid))) / 2;
    }
    return m;
}

bool SkyGrid::Build(const float* plane, int width, int height, double threshold_sigma) {
    width_ = width;
    const int cell = std::max(kCell, (std::max(width, height) + kMaxCells - 1) / kMaxCells);
    nx_ = std::max(1, (width + cell / 2) / cell);
    ny_ = std::max(1, (height + cell / 2) / cell);
    std::vector<int> xe(Sz(nx_) + 1), ye(Sz(ny_) + 1);
    for (int i = 0; i <= nx_; ++i) xe[Sz(i)] = BandStart(width, i, nx_);
    for (int j = 0; j <= ny_; ++j) ye[Sz(j)] = BandStart(height, j, ny_);

    const double nan = std::nan("");
    std::vector<double> sky(Sz(nx_) * Sz(ny_), nan), sigma(sky);
    RunBands(ny_, [&](int j) {
        std::vector<float> v;
        for (int i = 0; i < nx_; ++i) {
            const int x0 = xe[Sz(i)], x1 = xe[Sz(i) + 1];
            const int y0 = ye[Sz(j)], y1 = ye[Sz(j) + 1];
            // Some 500 samples are plenty for a median to a few hundredths of the noise, and
            // keep this cheap.
            const int area = (x1 - x0) * (y1 - y0);
            const int step = std::max(1, static_cast<int>(std::ceil(std::sqrt(area / 500.0))));
            v.clear();
            for (int y = y0; y < y1; y += step) {
                const float* row = plane + Sz(y) * Sz(width);
                for (int x = x0; x < x1; x += step)
                    if (std::isfinite(row[x])) v.push_back(row[x]);
            }
            if (v.size() < 16) continue;
            const double med = Median(v);
            double sum_abs = 0;
            for (float& s : v) {
                s = static_cast<float>(std::fabs(s - med));
                sum_abs += s;
            }
            double sd = 1.4826 * Median(v);
            // Quantised data with a flat sky can have no median deviation at all; the mean
            // deviation still sees what noise there is.
            if (sd <= 0) sd = 1.2533 * sum_abs / double(v.size());
            const std::size_t at = Sz(j) * Sz(nx_) + Sz(i);
            sky[at] = med;
            sigma[at] = sd;
        }
    });
    // Cells without data take the median of the others.
    std::vector<float> good_sky, good_sigma;
    for (std::size_t k = 0; k < sky.size(); ++k) {
        if (std::isnan(sky[k])) continue;
        good_sky.push_back(static_cast<float>(sky[k]));
        good_sigma.push_back(static_cast<float>(sigma[k]));
    }
    if (good_sky.empty()) return false;
    const double fill_sky = Median(good_sky), fill_sigma = Median(good_sigma);
    for (std::size_t k = 0; k < sky.size(); ++k) {
        if (!std::isnan(sky[k])) continue;
        sky[k] = fill_sky;
        sigma[k] = fill_sigma;
    }
    // A cell filled by a large star or a galaxy core stands out from its neighbours: the
    // median of the 3 x 3 cells around it replaces it.
    sky_ = Smooth(sky, nx_, ny_);
    sd_ = Smooth(sigma, nx_, ny_);
    thr_.resize(sky_.size());
    for (std::size_t k = 0; k < sky_.size(); ++k) thr_[k] = sky_[k] + threshold_sigma * sd_[k];

    Weights(nx_, width, xe, col_i_, col_t_);
    Weights(ny_, height, ye, row_i_, row_t_);
    return true;
}

std::vector<double> SkyGrid::Smooth(const std::vector<double>& v, int nx, int ny) {
    std::vector<double> out(v.size());
    std::vector<float> near;
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            near.clear();
            for (int dj = -1; dj <= 1; ++dj) {
                for (int di = -1; di <= 1; ++di) {
                    const int ii = i + di, jj = j + dj;
                    if (ii < 0 || jj < 0 || ii >= nx || jj >= ny) continue;
                    near.push_back(static_cast<float>(v[Sz(jj) * Sz(nx) + Sz(ii)]));
                }
            }
            out[Sz(j) * Sz(nx) + Sz(i)] = Median(near);
        }
    }
    return out;
}

void SkyGrid::Weights(int n, int size, const std::vector<int>& edges, std::vector<int>& index,
                      std::vector<float>& t) const {
    index.assign(Sz(size), 0);
    t.assign(Sz(size), 0.0f);
    auto centre = [&](int c) { return 0.5 * (edges[Sz(c)] + edges[Sz(c) + 1] - 1); };
    int c = 0;
    for (int p = 0; p < size; ++p) {
        while (c + 1 < n && centre(c + 1) <= p) ++c;
        index[Sz(p)] = c;
        // Before the first centre or beyond the last: the nearest cell's value (t = 0).
        if (c + 1 < n && p > centre(c))
            t[Sz(p)] = static_cast<float>((p - centre(c)) / (centre(c + 1) - centre(c)));
    }
}

void SkyGrid::Row(int y, float* threshold, std::vector<float>& scratch) const {
    const int j = row_i_[Sz(y)];
    const float ty = row_t_[Sz(y)];
    const int j1 = std::min(j + 1, ny_ - 1);
    // The grid values of this row at every cell centre, then linear between them.
    scratch.resize(Sz(nx_));
    for (int i = 0; i < nx_; ++i) {
        const std::size_t a = Sz(j) * Sz(nx_) + Sz(i);
        const std::size_t b = Sz(j1) * Sz(nx_) + Sz(i);
        scratch[Sz(i)] = static_cast<float>(thr_[a] + ty * (thr_[b] - thr_[a]));
    }
    for (int x = 0; x < width_; ++x) {
        const std::size_t i = Sz(col_i_[Sz(x)]);
        const std::size_t i1 = std::min(i + 1, Sz(nx_) - 1);
        threshold[x] = scratch[i] + col_t_[Sz(x)] * (scratch[i1] - scratch[i]);
    }
}

double SkyGrid::At(const std::vector<double>& grid, int x, int y) const {
    const std::size_t i = Sz(col_i_[std::size_t(x)]);
    const std::size_t j = Sz(row_i_[std::size_t(y)]);
    const std::size_t i1 = std::min(i + 1, Sz(nx_) - 1);
    const std::size_t j1 = std::min(j + 1, Sz(ny_) - 1);
    const double tx = col_t_[Sz(x)], ty = row_t_[Sz(y)];
    auto at = [&](std::size_t jj, std::size_t ii) { return grid[jj * Sz(nx_) + ii]; };
    const double top = at(j, i) + tx * (at(j, i1) - at(j, i));
    const double bottom = at(j1, i) + tx * (at(j1, i1) - at(j1, i));
    return top + ty * (bottom - top);
}

// ---- Candidates and their measurement ---------------------------------------------------

struct Candidate {
    float excess;  // peak above the sky
    int x, y;
};

// Light in the four direct neighbours below this share of the peak's marks a hot pixel or a
// cosmic-ray hit: a star spreads its light over at least a pixel's width (FWHM ~1.1 px).
constexpr double kNeighbourShare = 0.1;

// Local maxima above the threshold that are not lone hot pixels, in the rows [y0, y1).
void FindCandidates(const float* plane, int width, int height, const SkyGrid& grid, int y0, int y1,
                    std::vector<Candidate>& out) {
    std::vector<float> thr(Sz(width)), scratch;
    const std::size_t w = Sz(width);
    for (int y = std::max(y0, 1); y < std::min(y1, height - 1); ++y) {
        grid.Row(y, thr.data(), scratch);
        const float* r = plane + Sz(y) * w;
        const float* up = r - w;
        const float* down = r + w;
        for (int x = 1; x < width - 1; ++x) {
            const float v = r[x];
            if (!(v > thr[Sz(x)])) continue;
            // Strictly above the neighbours met earlier in reading order and not below the
            // later ones, so that a flat top yields one candidate.
            if (!(v > r[x - 1] && v > up[x - 1] && v > up[x] && v > up[x + 1] && v >= r[x + 1] &&
                  v >= down[x - 1] && v >= down[x] && v >= down[x + 1]))
                continue;
            const double s = grid.SkyAt(x, y);
            const double excess = v - s;
            const double near = double(r[x - 1]) + r[x + 1] + up[x] + down[x] - 4.0 * s;
            if (near < 4.0 * kNeighbourShare * excess) continue;
            out.push_back({static_cast<float>(excess), x, y});
        }
    }
}

constexpr int kMaxRadius = 24;

class Measurer {
public:
    Measurer(const float* plane, int width, int height) : p_(plane), w_(width), h_(height) {}

    // The star at a candidate, or false when it is none that can be centred. `sky` and
    // `sigma` are the sky grid's level and noise there; a star must stand `threshold`
    // deviations above the sky right around it.
    bool Measure(const Candidate& c, double sky, double sigma, double threshold, Star& out);

private:
    float At(int x, int y) const { return p_[Sz(y) * Sz(w_) + Sz(x)]; }
    // Whether the samples at `top` or above form a round patch centred near (x, y).
    bool RoundTop(int ix, int iy, int r, float top, double x, double y) const;
    bool Fits(int x, int y, int r) const {
        return x - r >= 0 && y - r >= 0 && x + r < w_ && y + r < h_;
    }

    const float* p_;
    int w_, h_;
    std::vector<float> ring_;
    std::vector<double> wx_ = std::vector<double>(2 * kMaxRadius + 1),
                        wy_ = std::vector<double>(2 * kMaxRadius + 1);
};

bool Measurer::RoundTop(int ix, int iy, int r, float top, double x, double y) const {
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            if (!(At(ix + dx, iy + dy) >= top)) continue;
            if (dx == -r || dx == r || dy == -r || dy == r) return false;  // wider than the window
            n += 1;
            sx += dx;
            sy += dy;
            sxx += dx * dx;
            syy += dy * dy;
            sxy += dx * dy;
        }
    }
    const double mx = sx / n, my = sy / n;
    const double vxx = sxx / n - mx * mx, vyy = syy / n - my * my, vxy = sxy / n - mx * my;
    const double mean = 0.5 * (vxx + vyy);
    const double dev = std::sqrt(0.25 * (vxx - vyy) * (vxx - vyy) + vxy * vxy);
    // Axes within 1.5 : 1 (a pixel's worth of slack for small tops), centred within a pixel.
    return mean + dev <= 2.25 * (mean - dev) + 0.25 && std::hypot(ix + mx - x, iy + my - y) <= 1.0;
}

bool Measurer::Measure(const Candidate& c, double sky, double sigma, double threshold, Star& out) {
    if (!Fits(c.x, c.y, 1)) return false;
    // The width first, from the area above half the peak, to size the window.
    const float peak = At(c.x, c.y);
    const double half = sky + 0.5 * c.excess;
    constexpr int kProbe = 8;
    int area = 0, flat = 0;
    for (int y = std::max(0, c.y - kProbe); y <= std::min(h_ - 1, c.y + kProbe); ++y) {
        for (int x = std::max(0, c.x - kProbe); x <= std::min(w_ - 1, c.x + kProbe); ++x) {
            const float v = At(x, y);
            area += v >= half;
            flat += v >= peak;
        }
    }
    const double fwhm0 = std::sqrt(4.0 * area / std::numbers::pi);
    // The centre is the fixed point of a Gaussian-weighted mean about itself. For a round
    // star that is its true centre whatever the window, and the weight keeps neighbours,
    // noise and an error in the sky level from pulling it.
    const double sw = std::max(1.0, fwhm0 / 2.3548);
    const int r = std::clamp(static_cast<int>(std::ceil(4 * sw)), 3, kMaxRadius);
    // A saturated top wider than the window leaves nothing to centre on.
    if (flat >= 3 && std::sqrt(double(flat)) > r) return false;

    const double k = -0.5 / (sw * sw);
    double x = c.x, y = c.y;
    double swe = 0, sww = 0, mxx = 0, myy = 0, mxy = 0;
    int ix = c.x, iy = c.y;
    double local = sky;
    bool settled = false;
    for (int pass = 0; pass < 60 && !settled; ++pass) {
        const int nx = static_cast<int>(std::lround(x)), ny = static_cast<int>(std::lround(y));
        if (pass == 0 || nx != ix || ny != iy) {
            ix = nx;
            iy = ny;
            if (!Fits(ix, iy, r)) return false;  // touches the edge
            // The local sky: median of the window's border, which moves with a gradient or
            // a nebula under the star.
            ring_.clear();
            for (int d = -r; d <= r; ++d) {
                ring_.push_back(At(ix + d, iy - r));
                ring_.push_back(At(ix + d, iy + r));
                if (d != -r && d != r) {
                    ring_.push_back(At(ix - r, iy + d));
                    ring_.push_back(At(ix + r, iy + d));
                }
            }
            for (float v : ring_)
                if (!std::isfinite(v)) return false;
            local = Median(ring_);
            // Against the sky right around it, where the grid's smooth sky is off (a
            // vignette's curve, a nebula), the peak must still stand out.
            if (peak - local < threshold * sigma) return false;
        }
        for (int d = -r; d <= r; ++d) {
            wx_[Sz(d + r)] = std::exp(k * (ix + d - x) * (ix + d - x));
            wy_[Sz(d + r)] = std::exp(k * (iy + d - y) * (iy + d - y));
        }
        double sx = 0, sy = 0;
        swe = sww = mxx = myy = mxy = 0;
        for (int dy = -r; dy <= r; ++dy) {
            const float* row = p_ + Sz(iy + dy) * Sz(w_);
            const double ey = iy + dy - y;
            for (int dx = -r; dx <= r; ++dx) {
                const float v = row[ix + dx];
                if (!std::isfinite(v)) return false;  // missing data inside the star
                const double w = wx_[Sz(dx + r)] * wy_[Sz(dy + r)];
                const double we = w * (double(v) - local);
                const double ex = ix + dx - x;
                swe += we;
                sww += w * w;
                sx += we * ex;
                sy += we * ey;
                mxx += we * ex * ex;
                myy += we * ey * ey;
                mxy += we * ex * ey;
            }
        }
        if (swe <= 0) return false;
        const double step_x = sx / swe, step_y = sy / swe;
        x += std::clamp(step_x, -1.0, 1.0);
        y += std::clamp(step_y, -1.0, 1.0);
        settled = std::fabs(step_x) < 1e-5 && std::fabs(step_y) < 1e-5;
        // Wandering off the peak: no clear centre of its own.
        if (std::hypot(x - c.x, y - c.y) > 2 * sw + 1) return false;
    }
    if (!settled) return false;
    // Second moments through the window, undone for the window's own width: the star's
    // spread along its two axes (plus a pixel's own 1/12).
    mxx /= swe;
    myy /= swe;
    mxy /= swe;
    const double mean = 0.5 * (mxx + myy);
    const double dev = std::sqrt(0.25 * (mxx - myy) * (mxx - myy) + mxy * mxy);
    const double w2 = sw * sw;
    auto unweight = [&](double v) { return v >= w2 ? 1e9 : v * w2 / (w2 - v); };
    const double big = unweight(mean + dev), small = unweight(mean - dev);
    // A long blob (two merged stars, a bleeding saturated star, a trail, a pair of hot
    // pixels) has no one centre.
    if (small <= 0 || big > 4 * small) return false;
    // Less spread than a pixel's own width: hot pixels.
    const double var = 0.5 * (big + small) - 1.0 / 12;
    if (var < 0.15) return false;
    // A saturated top must be a round patch about the centre; one that bled along a column
    // or merged with a neighbour tells nothing certain about where the star is.
    if (flat >= 3 && !RoundTop(ix, iy, r, peak, x, y)) return false;
    out.x = x;
    out.y = y;
    // Amplitude of the matched Gaussian times its area.
    out.flux = 2 * std::numbers::pi * (var + 1.0 / 12) * swe / sww;
    out.fwhm = 2.0 * std::sqrt(2.0 * std::numbers::ln2 * var);
    // The axes without the pixel's own width, which would make small stars look rounder.
    const double minor = std::max(0.0, small - 1.0 / 12), major = big - 1.0 / 12;
    out.roundness = major > 0 ? std::sqrt(minor / major) : 1.0;
    return true;
}

}  // namespace

std::vector<Star> DetectStars(const float* plane, int width, int height, int max_stars,
                              double threshold_sigma) {
    std::vector<Star> stars;
    if (!plane || width < 3 || height < 3 || max_stars <= 0) return stars;
    SkyGrid grid;
    if (!grid.Build(plane, width, height, threshold_sigma)) return stars;

    const int bands = RowBandCount(height);
    std::vector<std::vector<Candidate>> found(Sz(bands));
    RunBands(bands, [&](int b) {
        FindCandidates(plane, width, height, grid, BandStart(height, b, bands),
                       BandStart(height, b + 1, bands), found[Sz(b)]);
    });
    std::vector<Candidate> all;
    for (auto& f : found) all.insert(all.end(), f.begin(), f.end());
    std::sort(all.begin(), all.end(), [](const Candidate& l, const Candidate& r) {
        if (l.excess != r.excess) return l.excess > r.excess;
        return l.y != r.y ? l.y < r.y : l.x < r.x;
    });

    // Measure the highest peaks first; a few more than asked for, since brightness by flux
    // and by peak differ with the star's width. Hot pixels and the like cost little each, but
    // a picture of nothing but noise should not make this crawl.
    const std::size_t want = Sz(max_stars) * 2;
    const std::size_t tries = Sz(max_stars) * 50 + 1000;
    Measurer measurer(plane, width, height);
    std::size_t tried = 0;
    for (const Candidate& c : all) {
        if (stars.size() >= want || ++tried > tries) break;
        Star s{};
        if (!measurer.Measure(c, grid.SkyAt(c.x, c.y), grid.SigmaAt(c.x, c.y), threshold_sigma, s))
            continue;
        // The same star found twice (a flat top, noise on a wide star): keep the first.
        const double near = std::max(2.0, s.fwhm);
        bool seen = false;
        for (const Star& t : stars) {
            if ((t.x - s.x) * (t.x - s.x) + (t.y - s.y) * (t.y - s.y) < near * near) {
                seen = true;
                break;
            }
        }
        if (!seen) stars.push_back(s);
    }
    std::stable_sort(stars.begin(), stars.end(),
                     [](const Star& l, const Star& r) { return l.flux > r.flux; });
    if (stars.size() > Sz(max_stars)) stars.resize(Sz(max_stars));
    return stars;
}

// ---- Similarity -------------------------------------------------------------------------

void Similarity::Map(double x, double y, double& ox, double& oy) const {
    ox = a * x - b * y + tx;
    oy = b * x + a * y + ty;
}

Similarity Similarity::Inverse() const {
    const double s2 = a * a + b * b;
    Similarity inv;
    if (s2 <= 0) return inv;
    inv.a = a / s2;
    inv.b = -b / s2;
    inv.tx = -(inv.a * tx - inv.b * ty);
    inv.ty = -(inv.b * tx + inv.a * ty);
    return inv;
}

double Similarity::Scale() const {
    return std::hypot(a, b);
}

double Similarity::AngleDegrees() const {
    return std::atan2(b, a) * 180.0 / std::numbers::pi;
}

}  // namespace orva
