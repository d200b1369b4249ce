// Sample pictures made by our own code, for first runs and demonstrations.
#pragma once

#include "workspace/workspace.h"

namespace orva {

// Hue bands over a 16-bit grey ramp.
bool MakeColourTestPicture(ImageRecord& rec, int width, int height);

}  // namespace orva
