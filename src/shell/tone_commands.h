// The tone commands: what gamma does after its dispatch, level and dynamic range run by the
// shell itself.
#pragma once

#include "shell/commands.h"
#include "shell/context.h"

namespace orva {

// After gamma: per-channel curves leave a colour picture, so the single-plane flag goes.
void AfterGamma(const AppContext& ctx, ImageRecord& rec);

// Level correction (command 318): dialog LEVEL, then every image in all-images mode.
ProcessingCommand LevelProcessing();
// Dynamic-range correction (command 315): dialog HDR, then the current image only.
ProcessingCommand DynamicRangeProcessing();

// Level correction of one record with the level settings (a record whose planes do not hold
// its picture is left alone). False when memory ran short (planes before the failing one
// are already mapped).
bool ApplyLevelSettings(ImageRecord& rec, const LevelSettings& level);

}  // namespace orva
