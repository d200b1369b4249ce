// Small pictures for the stacking tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "composite/align.h"
#include "workspace/image_record.h"

namespace orva::testing {

// A w x h record whose three channels are fn(x, stored row, channel).
inline ImageRecord Picture(int w, int h, const std::function<int(int, int, int)>& fn) {
    ImageRecord rec;
    rec.width = w;
    rec.height = h;
    for (int c = 0; c < 3; ++c) {
        Plane& p = rec.plane(c);
        p.Allocate(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p[static_cast<std::size_t>(y) * w + x] = static_cast<uint16_t>(fn(x, y, c));
    }
    return rec;
}

inline ImageRecord Flat(int w, int h, int v) {
    return Picture(w, h, [v](int, int, int) { return v; });
}

inline uint16_t Sample(const ImageRecord& rec, int c, int x, int y) {
    return rec.plane(c)[static_cast<std::size_t>(y) * rec.width + x];
}

// A star field: a dim noisy sky with a few hundred stars of several sizes, rendered once on
// a larger plane so that shifted crops can be cut from it.
class StarField {
public:
    StarField(int w, int h, uint32_t seed) : w_(w), h_(h), v_(static_cast<std::size_t>(w) * h) {
        std::mt19937 rng(seed);
        for (auto& v : v_) v = 2000 + static_cast<int>(rng() % 400);
        for (int i = 0; i < w * h / 1500; ++i) {
            const int cx = static_cast<int>(rng() % static_cast<uint32_t>(w));
            const int cy = static_cast<int>(rng() % static_cast<uint32_t>(h));
            const double sigma = 0.8 + static_cast<double>(rng() % 25) / 10.0;
            const double peak = 3000.0 + static_cast<double>(rng() % 50000);
            for (int y = std::max(0, cy - 8); y < std::min(h, cy + 9); ++y)
                for (int x = std::max(0, cx - 8); x < std::min(w, cx + 9); ++x) {
                    const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                    int& v = v_[static_cast<std::size_t>(y) * w + x];
                    v = std::min(65535,
                                 v + static_cast<int>(peak * std::exp(-r2 / (2 * sigma * sigma))));
                }
        }
    }
    // The cw x ch crop whose first sample is the field's (x0, y0).
    ImageRecord Crop(int cw, int ch, int x0, int y0) const {
        return Picture(cw, ch, [&](int x, int y, int c) {
            const int v = v_[static_cast<std::size_t>(y + y0) * w_ + (x + x0)];
            return c == 1 ? v : v / 2 + c * 100;
        });
    }

private:
    int w_, h_;
    std::vector<int> v_;
};

}  // namespace orva::testing
