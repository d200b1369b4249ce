#include "stack/combine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>
#include <utility>

namespace orva {

bool ParseRejection(std::string_view name, Rejection& out) {
    for (std::size_t i = 0; i < std::size(kRejectionNames); ++i) {
        if (name != kRejectionNames[i]) continue;
        out = static_cast<Rejection>(i);
        return true;
    }
    return false;
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Median(std::vector<double>& v, std::size_t n) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(v.begin(), mid, v.begin() + static_cast<std::ptrdiff_t>(n));
    const double hi = *mid;
    if (n % 2 == 1) return hi;
    const double lo = *std::max_element(v.begin(), mid);
    return (lo + hi) / 2;
}

// Population standard deviation of n values.
double Deviation(const double* v, std::size_t n) {
    double mean = 0;
    for (std::size_t i = 0; i < n; ++i) mean += v[i];
    mean /= static_cast<double>(n);
    double sq = 0;
    for (std::size_t i = 0; i < n; ++i) sq += (v[i] - mean) * (v[i] - mean);
    return std::sqrt(sq / static_cast<double>(n));
}

double WeightedMean(const std::vector<double>& v, const std::vector<double>& w, std::size_t n) {
    double sum = 0, wsum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += v[i] * w[i];
        wsum += w[i];
    }
    return wsum > 0 ? sum / wsum : kNaN;
}

// Sigma or winsorized clipping of sorted values [b, e): the values each round keeps are a run
// of the sorted ones, so the median is read off and clipping only moves the run's ends.
void ClipSorted(const double* sorted, const CombineParams& p, std::size_t& b, std::size_t& e) {
    thread_local std::vector<double> scratch;
    for (int it = 0; it < p.iterations && e - b >= 3; ++it) {
        const std::size_t m = e - b;
        const double* v = sorted + b;
        const double centre = m % 2 == 1 ? v[m / 2] : (v[m / 2 - 1] + v[m / 2]) / 2;
        double sigma = Deviation(v, m);
        if (p.rejection == Rejection::Winsor && sigma > 0) {
            // A deviation the outliers cannot inflate: values beyond 1.5 deviations are
            // pulled in to that bound and the deviation measured again (1.134 restores a
            // normal distribution's), until it settles.
            scratch.assign(v, v + m);
            for (int k = 0; k < 10; ++k) {
                for (std::size_t i = 0; i < m; ++i)
                    scratch[i] = std::clamp(scratch[i], centre - 1.5 * sigma, centre + 1.5 * sigma);
                const double next = 1.134 * Deviation(scratch.data(), m);
                const bool settled = std::abs(next - sigma) < 5e-4 * sigma;
                sigma = next;
                if (settled) break;
            }
        }
        if (sigma <= 0) break;
        const double lo = centre - p.kappa_low * sigma, hi = centre + p.kappa_high * sigma;
        const std::size_t b0 = b, e0 = e;
        while (b < e && sorted[b] < lo) ++b;
        while (e > b && sorted[e - 1] > hi) --e;
        if (b == b0 && e == e0) break;
    }
}

// The compare-exchange steps of Batcher's odd-even merge sort for n values.
std::vector<std::pair<int, int>> MakeNetwork(int n) {
    std::vector<std::pair<int, int>> steps;
    for (int p = 1; p < n; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < n; j += 2 * k)
                for (int i = 0; i < std::min(k, n - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p))
                        steps.emplace_back(i + j, i + j + k);
    return steps;
}

const std::vector<std::pair<int, int>>& Network(int n) {
    thread_local int cached = -1;
    thread_local std::vector<std::pair<int, int>> steps;
    if (cached != n) {
        steps = MakeNetwork(n);
        cached = n;
    }
    return steps;
}

constexpr int kLanes = 4;
// kLanes places side by side; the compiler turns the operations on them into vector code.
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));
using LaneBits = int32_t __attribute__((vector_size(kLanes * sizeof(int32_t))));

// Sigma and winsorized clipping of kLanes places at once: each place's values sorted by one
// sorting network run across the places side by side (missing values sort last as +inf),
// the frame numbers riding along for the weights, then each place clipped on its sorted
// values.
void ClipRow(const std::vector<const float*>& rows, const std::vector<double>& weights, int width,
             const CombineParams& p, float* out) {
    const std::size_t n = rows.size();
    const auto& net = Network(static_cast<int>(n));
    thread_local std::vector<Lanes> v;
    thread_local std::vector<LaneBits> frame;
    thread_local std::vector<double> column;
    v.resize(n);
    frame.resize(n);
    column.resize(n);
    const float inf = std::numeric_limits<float>::infinity();
    for (int x0 = 0; x0 < width; x0 += kLanes) {
        const int lanes = std::min(kLanes, width - x0);
        int missing[kLanes] = {};
        for (std::size_t i = 0; i < n; ++i) {
            for (int l = 0; l < kLanes; ++l) {
                const float s =
                    l < lanes ? rows[i][x0 + l] : std::numeric_limits<float>::quiet_NaN();
                const bool hole = std::isnan(s);
                missing[l] += hole ? 1 : 0;
                v[i][l] = hole ? inf : s;
                frame[i][l] = static_cast<int32_t>(i);
            }
        }
        for (const auto& [a, b] : net) {
            const Lanes x = v[static_cast<std::size_t>(a)], y = v[static_cast<std::size_t>(b)];
            const LaneBits swap = y < x;
            const LaneBits xi = std::bit_cast<LaneBits>(x), yi = std::bit_cast<LaneBits>(y);
            const LaneBits lo = (xi & ~swap) | (yi & swap), hi = (yi & ~swap) | (xi & swap);
            v[static_cast<std::size_t>(a)] = std::bit_cast<Lanes>(lo);
            v[static_cast<std::size_t>(b)] = std::bit_cast<Lanes>(hi);
            const LaneBits fx = frame[static_cast<std::size_t>(a)],
                           fy = frame[static_cast<std::size_t>(b)];
            frame[static_cast<std::size_t>(a)] = (fx & ~swap) | (fy & swap);
            frame[static_cast<std::size_t>(b)] = (fy & ~swap) | (fx & swap);
        }
        for (int l = 0; l < lanes; ++l) {
            const std::size_t m = n - static_cast<std::size_t>(missing[l]);
            for (std::size_t i = 0; i < m; ++i) column[i] = v[i][l];
            std::size_t b = 0, e = m;
            ClipSorted(column.data(), p, b, e);
            double sum = 0, wsum = 0;
            for (std::size_t i = b; i < e; ++i) {
                const double w = weights[static_cast<std::size_t>(frame[i][l])];
                sum += column[i] * w;
                wsum += w;
            }
            out[x0 + l] = static_cast<float>(wsum > 0 ? sum / wsum : kNaN);
        }
    }
}

}  // namespace

double CombineValues(std::vector<double>& values, std::vector<double>& weights,
                     const CombineParams& p) {
    // Values without a number take no part.
    std::size_t n = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (std::isnan(values[i])) continue;
        values[n] = values[i];
        weights[n] = weights[i];
        ++n;
    }
    if (n == 0) return kNaN;
    switch (p.rejection) {
        case Rejection::None: break;
        case Rejection::Median: return Median(values, n);
        case Rejection::MinMax: {
            if (n < 3) break;
            // One lowest and one highest value leave (two different places even when equal).
            std::size_t lo = 0, hi = 0;
            for (std::size_t i = 1; i < n; ++i) {
                if (values[i] < values[lo]) lo = i;
                if (values[i] > values[hi]) hi = i;
            }
            if (lo == hi) hi = (lo + 1) % n;
            double sum = 0, wsum = 0;
            for (std::size_t i = 0; i < n; ++i) {
                if (i == lo || i == hi) continue;
                sum += values[i] * weights[i];
                wsum += weights[i];
            }
            return wsum > 0 ? sum / wsum : kNaN;
        }
        case Rejection::Sigma:
        case Rejection::Winsor: {
            thread_local std::vector<std::pair<double, double>> sorted;
            sorted.resize(n);
            for (std::size_t i = 0; i < n; ++i) sorted[i] = {values[i], weights[i]};
            std::sort(sorted.begin(), sorted.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            for (std::size_t i = 0; i < n; ++i) values[i] = sorted[i].first;
            std::size_t b = 0, e = n;
            ClipSorted(values.data(), p, b, e);
            double sum = 0, wsum = 0;
            for (std::size_t i = b; i < e; ++i) {
                sum += sorted[i].first * sorted[i].second;
                wsum += sorted[i].second;
            }
            return wsum > 0 ? sum / wsum : kNaN;
        }
    }
    return WeightedMean(values, weights, n);
}

void CombineRow(const std::vector<const float*>& rows, const std::vector<double>& weights,
                int width, const CombineParams& params, float* out) {
    if (params.rejection == Rejection::Sigma || params.rejection == Rejection::Winsor) {
        ClipRow(rows, weights, width, params, out);
        return;
    }
    const std::size_t frames = rows.size();
    std::vector<double> v(frames), w(frames);
    for (int x = 0; x < width; ++x) {
        for (std::size_t i = 0; i < frames; ++i) {
            v[i] = rows[i][x];
            w[i] = weights[i];
        }
        out[x] = static_cast<float>(CombineValues(v, w, params));
    }
}

double EstimateNoise(const float* plane, int width, int height, int step) {
    if (width < 2 || height < 1) return 0;
    std::vector<double> d;
    for (int y = 0; y < height; y += std::max(step, 1)) {
        const float* row = plane + static_cast<std::size_t>(y) * width;
        for (int x = 0; x + 1 < width; ++x) {
            const double a = row[x], b = row[x + 1];
            if (!std::isnan(a) && !std::isnan(b)) d.push_back(std::abs(a - b));
        }
    }
    if (d.empty()) return 0;
    const double mad = Median(d, d.size());
    // The difference of two independent samples has sqrt(2) times their deviation; the
    // median absolute value of a normal variable is 0.6745 of its deviation.
    return mad / 0.6745 / std::sqrt(2.0);
}

}  // namespace orva
