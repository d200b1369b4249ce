#include "view/stretch.h"

#include <algorithm>
#include <cmath>

namespace orva {

namespace {

constexpr double kTargetBackground = 0.25;
constexpr double kClipDeviations = 2.8;
constexpr double kMadToSigma = 1.4826;  // MAD of a normal distribution to its sigma
constexpr std::size_t kMaxSamples = std::size_t{1} << 21;

// Median and median absolute deviation of a 65,536-level histogram holding `n` samples.
void MedianAndMad(const std::vector<uint32_t>& hist, uint64_t n, int& median, int& mad) {
    const uint64_t half = (n + 1) / 2;
    uint64_t seen = 0;
    median = 0;
    for (int v = 0; v < 65536; ++v) {
        seen += hist[static_cast<std::size_t>(v)];
        if (seen >= half) {
            median = v;
            break;
        }
    }
    seen = hist[static_cast<std::size_t>(median)];
    mad = 0;
    for (int d = 1; seen < half && d < 65536; ++d) {
        if (median - d >= 0) seen += hist[static_cast<std::size_t>(median - d)];
        if (median + d < 65536) seen += hist[static_cast<std::size_t>(median + d)];
        mad = d;
    }
}

ChannelStretch FromMedian(int median_level, int mad_level) {
    const double median = median_level / 65535.0;
    const double sigma = kMadToSigma * mad_level / 65535.0;
    ChannelStretch s;
    if (median <= 0) return s;  // black: nothing to lift
    s.shadows = sigma > 0 ? std::clamp(median - kClipDeviations * sigma, 0.0, median) : 0.0;
    // The balance m that takes x to the target t: Midtones(x, m) = t.
    const double x = (median - s.shadows) / (1 - s.shadows);
    const double t = kTargetBackground;
    s.midtones = x > 0 ? std::clamp(x * (1 - t) / (x - 2 * t * x + t), 1e-6, 1 - 1e-6) : 0.5;
    return s;
}

}  // namespace

double Midtones(double x, double m) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    return (m - 1) * x / ((2 * m - 1) * x - m);
}

std::array<ChannelStretch, 3> AutoStretch(const ImageRecord& rec) {
    std::array<ChannelStretch, 3> out{};
    const std::size_t n = rec.pixels();
    if (n == 0 || rec.red.size() < n) return out;
    const bool single = rec.single_plane == 1 || rec.green.size() < n || rec.blue.size() < n;
    // Every k-th row and column: a couple of million samples tell the median and the spread
    // as well as all of them.
    const auto step = static_cast<int>(std::max<double>(1.0, std::sqrt(double(n) / kMaxSamples)));
    std::vector<uint32_t> hist(65536);
    for (int c = 0; c < (single ? 1 : 3); ++c) {
        std::fill(hist.begin(), hist.end(), 0u);
        const uint16_t* p = rec.plane(c).data();
        uint64_t count = 0;
        for (int y = 0; y < rec.height; y += step) {
            const uint16_t* row = p + static_cast<std::size_t>(y) * rec.width;
            for (int x = 0; x < rec.width; x += step) ++hist[row[x]];
            count += static_cast<uint64_t>((rec.width + step - 1) / step);
        }
        int median = 0, mad = 0;
        MedianAndMad(hist, count, median, mad);
        out[static_cast<std::size_t>(c)] = FromMedian(median, mad);
    }
    if (single) out[1] = out[2] = out[0];
    return out;
}

void FillStretchTable(const std::array<ChannelStretch, 3>& stretch, StretchTable& table) {
    for (std::size_t c = 0; c < 3; ++c) {
        std::vector<uint8_t>& t = table[c];
        t.resize(65536);
        const ChannelStretch& s = stretch[c];
        const double span = 1 - s.shadows;
        for (int v = 0; v < 65536; ++v) {
            const double x =
                span > 0 ? (v / 65535.0 - s.shadows) / span : (v / 65535.0 >= 1 ? 1 : 0);
            t[static_cast<std::size_t>(v)] =
                static_cast<uint8_t>(std::lround(255 * Midtones(x, s.midtones)));
        }
    }
}

void UpdateStretch(bool on, const ImageRecord& rec, StretchTable& table) {
    if (!on) {
        for (auto& t : table) t.clear();
        return;
    }
    FillStretchTable(AutoStretch(rec), table);
}

}  // namespace orva
