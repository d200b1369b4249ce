// Calibrated stacking (ours, under 合成): dialog CALSTACK, then the frames of the settings'
// lists calibrated, registered and combined into a new image, with progress on the way.
#pragma once

#include "shell/context.h"

namespace orva {

void CalibratedStackCommand(AppContext& ctx);

}  // namespace orva
