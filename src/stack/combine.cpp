#include "stack/combine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace orva {

bool ParseRejection(std::string_view name, Rejection& out) {
    if (name == "none")
        out = Rejection::None;
    else if (name == "sigma")
        out = Rejection::Sigma;
    else if (name == "winsor")
        out = Rejection::Winsor;
    else if (name == "minmax")
        out = Rejection::MinMax;
    else
        return false;
    return true;
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
    thread_local std::vector<double> scratch;
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
            if (n < 3 || p.iterations < 1) break;
            // Sorted once, the values each round keeps are a run of the sorted ones: the
            // median is read off, and clipping only moves the run's ends.
            thread_local std::vector<std::pair<double, double>> sorted;
            sorted.resize(n);
            for (std::size_t i = 0; i < n; ++i) sorted[i] = {values[i], weights[i]};
            std::sort(sorted.begin(), sorted.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            for (std::size_t i = 0; i < n; ++i) values[i] = sorted[i].first;
            std::size_t b = 0, e = n;
            for (int it = 0; it < p.iterations && e - b >= 3; ++it) {
                const std::size_t m = e - b;
                const double* v = values.data() + b;
                const double centre = m % 2 == 1 ? v[m / 2] : (v[m / 2 - 1] + v[m / 2]) / 2;
                double sigma = Deviation(v, m);
                if (p.rejection == Rejection::Winsor && sigma > 0) {
                    // A deviation the outliers cannot inflate: values beyond 1.5 deviations
                    // are pulled in to that bound and the deviation measured again (1.134
                    // restores a normal distribution's), until it settles.
                    scratch.assign(v, v + m);
                    for (int k = 0; k < 10; ++k) {
                        for (std::size_t i = 0; i < m; ++i)
                            scratch[i] =
                                std::clamp(scratch[i], centre - 1.5 * sigma, centre + 1.5 * sigma);
                        const double next = 1.134 * Deviation(scratch.data(), m);
                        const bool settled = std::abs(next - sigma) < 5e-4 * sigma;
                        sigma = next;
                        if (settled) break;
                    }
                }
                if (sigma <= 0) break;
                const double lo = centre - p.kappa_low * sigma, hi = centre + p.kappa_high * sigma;
                const std::size_t b0 = b, e0 = e;
                while (b < e && values[b] < lo) ++b;
                while (e > b && values[e - 1] > hi) --e;
                if (b == b0 && e == e0) break;
            }
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
