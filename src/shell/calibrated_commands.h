// Calibrated stacking (ours, under 合成): dialog CALSTACK, then the frames of the settings'
// lists calibrated, registered and combined into a new image, with progress on the way.
#pragma once

#include <string>

#include "shell/context.h"

namespace orva {

void CalibratedStackCommand(AppContext& ctx);

// A progress line of the stacking engine (English, as the command line prints it) in the
// desktop's words; a line of another form comes back unchanged.
std::string DesktopStackProgress(const std::string& line);

}  // namespace orva
