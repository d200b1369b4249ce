// Live stacking (ours, under 合成): the window LIVESTACK, open beside the main window, watches a
// folder and stacks each light that lands there; the stack so far shows in one image slot and
// is an ordinary image once the window closes.
#pragma once

#include <string>
#include <vector>

#include "imageio/formats.h"
#include "shell/context.h"

namespace orva {

void LiveStackCommand(AppContext& ctx);

// The slot the stack shows in, and the name it was given there.
struct LiveSlot {
    int slot = -1;
    std::string name;
};

// Puts the stack of `frames` lights into the slot of `shown`. The slot stays the stack's while
// it holds what was put there last; once the user has closed it, saved it under a name, loaded
// another picture into it or worked on it, it is theirs and the stack takes a free slot. A
// new slot becomes the current image, with the display auto-stretched (a linear stack looks
// black otherwise); later lights keep it current only while the user is looking at it. False,
// with the reason shown, when no slot is free or memory runs out.
bool ShowLiveStack(AppContext& ctx, const LinearImage& stack, int frames, LiveSlot& shown);

// Asks where, then writes the stack as 32-bit float FITS with its HISTORY; false when
// cancelled or not written (the reason shown).
bool SaveLiveStack(AppContext& ctx, const LinearImage& stack,
                   const std::vector<std::string>& history);

}  // namespace orva
