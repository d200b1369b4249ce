#include "ops/radial_weights.h"

#include <cmath>

namespace orva {

RadialWeights MakeRadialWeights(int scale, int divisor, int blunting) {
    const double power = blunting / 20.0;
    RadialWeights k;
    for (int dy = -kRadialMaxExtent; dy <= kRadialMaxExtent; ++dy) {
        for (int dx = -kRadialMaxExtent; dx <= kRadialMaxExtent; ++dx) {
            const double q = static_cast<double>((dx * dx + dy * dy) * scale) / divisor;
            k.weight[RadialWeights::Index(dx, dy)] = 1.0 / (std::pow(q, power) + 1.0);
        }
    }
    // The table is symmetric, so the farthest row that counts on one side is the extent.
    for (int dy = kRadialMaxExtent; dy > 0 && k.extent == 0; --dy) {
        for (int dx = -kRadialMaxExtent; dx <= kRadialMaxExtent; ++dx) {
            if (k.at(dx, dy) > 0.02) {
                k.extent = dy;
                break;
            }
        }
    }
    const int e = k.extent;
    double sum = 0.0;
    for (int dy = -e; dy <= e; ++dy)
        for (int dx = -e; dx <= e; ++dx) sum += k.at(dx, dy);
    for (int dy = -e; dy <= e; ++dy)
        for (int dx = -e; dx <= e; ++dx) k.weight[RadialWeights::Index(dx, dy)] /= sum;
    return k;
}

}  // namespace orva
