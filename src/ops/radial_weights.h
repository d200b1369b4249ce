// A round weight table shared by the filters that spread a pixel over its neighbours
// (sharpen/smooth and blur restoration): weights that depend on the distance alone, on
// offsets -10..10 in both directions.
#pragma once

#include <array>
#include <cstddef>

namespace orva {

inline constexpr int kRadialMaxExtent = 10;
inline constexpr int kRadialSide = 2 * kRadialMaxExtent + 1;

// The weights w(dx, dy) = 1 / (((dx^2 + dy^2) * scale / divisor)^(blunting / 20) + 1), the
// half-size `extent` of the part in use (the farthest row holding a weight above 0.02) and
// that part normalised to sum 1. Weights outside the part keep their raw value.
struct RadialWeights {
    std::array<double, kRadialSide * kRadialSide> weight{};
    int extent = 0;

    static constexpr std::size_t Index(int dx, int dy) {
        return static_cast<std::size_t>((dy + kRadialMaxExtent) * kRadialSide + dx +
                                        kRadialMaxExtent);
    }
    double at(int dx, int dy) const { return weight[Index(dx, dy)]; }
};

// `divisor` at least 1 and `blunting` in 10..50 (the callers clamp their own settings).
RadialWeights MakeRadialWeights(int scale, int divisor, int blunting);

}  // namespace orva
