// Calibrated stacking (ours, under 合成): dialog CALSTACK, then the frames of the settings'
// lists calibrated, registered and combined into a new image, with progress on the way.
#pragma once

#include <string>

#include "imageio/formats.h"
#include "shell/context.h"

namespace orva {

void CalibratedStackCommand(AppContext& ctx);

// A stack's values into `rec` as 16-bit samples (rounded into 0..65535; places no frame
// covered are 0). False when memory runs out.
bool StoreStackResult(const LinearImage& img, ImageRecord& rec);

// A progress line of the stacking engine (English, as the command line prints it) in the
// desktop's words; a line of another form comes back unchanged.
std::string DesktopStackProgress(const std::string& line);

}  // namespace orva
