// Wavelet processing (command 316) and blur restoration (command 317): the settings that
// the processing-command pattern hands to operation codes 101 and 102.
#pragma once

#include "shell/context.h"

namespace orva {

// Images with a side of this many pixels or more are not enlarged.
inline constexpr int kWaveletEnlargeLimit = 5000;

// P0..P5 the six gains in tenths, P14 the enlargement flag, P15 the filter order. An image
// too large to enlarge is announced and processed at its own size instead; the setting
// itself stays as it is for the next image.
void FillWaveletBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

// P0 spread, P1 blunting (both tenths), P2 iterations, P3 emphasis.
void FillRestoreBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

}  // namespace orva
