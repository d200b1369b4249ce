#include "workspace/statistics.h"

#include <algorithm>
#include <cstddef>

namespace orva {

int HistogramSampleStep(int size) {
    return size / 100 + 1;
}

void ComputeHistogram(ImageRecord& rec) {
    for (auto& h : rec.histogram) h.fill(0);
    rec.histogram_samples = 0;
    rec.histogram_peak = 1;
    if (rec.width < 1 || rec.height < 1) return;
    const std::size_t n = rec.pixels();
    if (rec.red.size() < n) return;
    // A grey record may hold its picture in the red plane alone.
    const Plane& g = rec.green.size() >= n ? rec.green : rec.red;
    const Plane& b = rec.blue.size() >= n ? rec.blue : rec.red;
    const int step_x = HistogramSampleStep(rec.width);
    const int step_y = HistogramSampleStep(rec.height);
    int samples = 0;
    for (int y = 0; y < rec.height; y += step_y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(rec.width);
        for (int x = 0; x < rec.width; x += step_x) {
            const std::size_t i = row + static_cast<std::size_t>(x);
            ++rec.histogram[0][rec.red[i] >> 8];
            ++rec.histogram[1][g[i] >> 8];
            ++rec.histogram[2][b[i] >> 8];
            ++samples;
        }
    }
    rec.histogram_samples = samples;
    uint32_t peak = 0;
    for (const auto& h : rec.histogram)
        peak = std::max(peak, *std::max_element(h.begin(), h.end()));
    rec.histogram_peak = static_cast<int>(peak);
}

}  // namespace orva
