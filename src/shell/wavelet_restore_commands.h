// Wavelet processing (command 316): the settings the processing-command pattern hands to
// operation code 101, less an enlargement the picture is too large for.
#pragma once

#include "shell/context.h"

namespace orva {

// Images with a side of this many pixels or more are not enlarged.
inline constexpr int kWaveletEnlargeLimit = 5000;

// P0..P5 the six gains in tenths, P14 the enlargement flag, P15 the filter order. An image
// too large to enlarge is announced and processed at its own size instead; the setting
// itself stays as it is for the next image.
void FillWaveletBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

}  // namespace orva
