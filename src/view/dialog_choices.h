// Choices of the operation dialogs that set several values at once or map a control to a
// setting: the wavelet presets, the grey mode, the noise window size.
#pragma once

#include <array>

#include "shell/settings.h"

namespace orva {

// ---- Wavelet dialog ----

struct WaveletPreset {
    const char* label;
    std::array<int, 6> gains;  // gain 0 first, tenths
};

inline constexpr std::array<WaveletPreset, 4> kWaveletPresets = {{
    {"変換無し", {10, 10, 10, 10, 10, 10}},
    {"弱", {10, 10, 10, 12, 15, 20}},
    {"中", {10, 12, 15, 20, 30, 50}},
    {"強", {10, 15, 20, 30, 50, 90}},
}};

// The five rows of the dialog, coarsest first; row r edits gain r + 1.
inline constexpr std::array<const char*, 5> kWaveletRowLabels = {"5(L)", "4", "3", "2", "1(H)"};

void ApplyWaveletPreset(WaveletSettings& w, int preset);

// ---- Grey dialog ----

// A mode choice; standard luminance also puts the weights back to 299, 587, 114.
void SelectGreyMode(GreySettings& grey, int mode);

// ---- Noise reduction dialog ----

// The area scroll bar has two positions: 0 for a 3 x 3 window, 1 for 5 x 5.
int NoiseAreaToScroll(int area);
int NoiseAreaFromScroll(int pos);
// A typed area v becomes position (v - 3) / 2, clamped to 0..1.
int NoiseScrollFromTyped(int typed);

}  // namespace orva
