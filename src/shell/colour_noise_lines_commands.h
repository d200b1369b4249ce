// The colour commands (black and white, saturation and hue, the two colour changes), noise
// reduction and odd/even line separation.
#pragma once

#include "shell/commands.h"
#include "shell/context.h"

namespace orva {

// After black and white the picture lives in the red plane alone.
void AfterGrey(const AppContext& ctx, ImageRecord& rec);

// Colour change in RGB (331) and HSV (332) on the current image: the source colour comes from
// point A when it is set, else the user is told how to set it and the last colour is offered.
void ColourChangeRgbCommand(AppContext& ctx);
void ColourChangeHsvCommand(AppContext& ctx);

// Noise reduction (777): dialog LV, then every image in all-images mode.
ProcessingCommand NoiseProcessing();

// Odd/even line separation (320): the even rows and the odd rows of the current image into
// two new images; the odd one becomes current.
void LineSeparationCommand(AppContext& ctx);

}  // namespace orva
