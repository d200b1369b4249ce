// Sharpen/smooth (command 301) and edge enhancement (command 303): the settings that the
// processing-command pattern hands to operation codes 0 and 5.
#pragma once

#include "shell/context.h"

namespace orva {

// P0 radius, P1 smoothing range, P2 smoothing strength, P3 emphasis strength, P4 blunting,
// P5 channel mask 4 R + 2 G + B.
void FillSharpenBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

// P0 edge area, P1 edge range, P2 emphasis strength, P3 threshold, P4 smoothing strength,
// P5 channel mask 4 R + 2 G + B.
void FillEdgeBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

}  // namespace orva
