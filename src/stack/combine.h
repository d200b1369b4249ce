// Combining many registered frames pixel by pixel, with outlier rejection and weights.
//
// Each output sample comes from the values the frames have at that place (a frame that does
// not cover it gives NaN and takes no part). Rejection looks at the values around their
// median: sigma clipping drops values more than kappa_low standard deviations below it or
// kappa_high above; winsorized clipping does the same with a deviation measured on values
// pulled in to 1.5 deviations (so that a bright trail in a few frames cannot hide behind the
// spread it causes); min/max drops the lowest and highest value; median takes the middle
// value (the mean of the middle two for an even count), unweighted. Both clipping methods repeat
// until nothing changes or the iteration count is reached. What remains is averaged with the
// frames' weights. Results depend only on the values, never on how rows are split between threads.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orva {

enum class Rejection { None, Sigma, Winsor, MinMax, Median };

// The rejections' names, in the order of the enumeration (the order of the settings' values
// too): what orva-cli takes and what its messages list.
inline constexpr const char* kRejectionNames[] = {"none", "sigma", "winsor", "minmax", "median"};

// One of kRejectionNames; false for anything else.
bool ParseRejection(std::string_view name, Rejection& out);

struct CombineParams {
    Rejection rejection = Rejection::Sigma;
    double kappa_low = 3.0, kappa_high = 3.0;
    int iterations = 3;
};

// Combines one row: `rows[i]` is frame i's row of `width` values, `weights[i]` its weight
// (all 1 for a plain mean). NaN where no frame counts.
void CombineRow(const std::vector<const float*>& rows, const std::vector<double>& weights,
                int width, const CombineParams& params, float* out);

// One value set, as CombineRow treats each place (for tests and single places). `values` is
// used as scratch.
double CombineValues(std::vector<double>& values, std::vector<double>& weights,
                     const CombineParams& params);

// A robust estimate of a frame's pixel-to-pixel noise (standard deviation): the median
// absolute difference of horizontal neighbours, scaled for a normal distribution. Gradients
// and stars hardly move it. Looks at every `step`-th row.
double EstimateNoise(const float* plane, int width, int height, int step = 1);

}  // namespace orva
