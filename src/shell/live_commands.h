// Live stacking (ours, under 合成): the window LIVESTACK watches a folder and stacks each light
// that lands there; the stack so far shows in one image slot, auto-stretched, and is an
// ordinary image once the window closes.
#pragma once

#include <string>
#include <vector>

#include "imageio/formats.h"
#include "shell/context.h"

namespace orva {

void LiveStackCommand(AppContext& ctx);

// Puts the stack of `frames` lights into `*slot` (a free slot is found, and kept in *slot,
// while it is negative) as the current image, with the display auto-stretched. False, with
// the reason shown, when no slot is free or memory runs out.
bool ShowLiveStack(AppContext& ctx, const LinearImage& stack, int frames, int* slot);

// Asks where, then writes the stack as 32-bit float FITS with its HISTORY; false when
// cancelled or not written (the reason shown).
bool SaveLiveStack(AppContext& ctx, const LinearImage& stack,
                   const std::vector<std::string>& history);

}  // namespace orva
