#include "view/dialog_choices.h"

#include <algorithm>
#include <cstdint>

namespace orva {

// ---- Wavelet dialog ----

void ApplyWaveletPreset(WaveletSettings& w, int preset) {
    if (preset < 0 || preset >= static_cast<int>(kWaveletPresets.size())) return;
    w.gains = kWaveletPresets[static_cast<std::size_t>(preset)].gains;
}

// ---- Grey dialog ----

void SelectGreyMode(GreySettings& grey, int mode) {
    grey.mode = kGreyFields.mode.Clamp(mode);
    if (grey.mode == 2) {
        const GreySettings defaults;
        grey.weight_r = defaults.weight_r;
        grey.weight_g = defaults.weight_g;
        grey.weight_b = defaults.weight_b;
    }
}

// ---- Noise reduction dialog ----

int NoiseAreaToScroll(int area) {
    return area >= 5 ? 1 : 0;
}
int NoiseAreaFromScroll(int pos) {
    return pos >= 1 ? 5 : 3;
}
int NoiseScrollFromTyped(int typed) {
    return static_cast<int>(std::clamp((int64_t{typed} - 3) / 2, int64_t{0}, int64_t{1}));
}

}  // namespace orva
