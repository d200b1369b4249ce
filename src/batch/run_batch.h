// Running the batch sequence and the batch commands of the menu.
#pragma once

#include <string>
#include <vector>

#include "shell/context.h"

namespace orva {

// The slots composited together when `count` images are stacked first: one group of all of
// them up to four, else two, three or four groups of every second, third or fourth slot.
std::vector<std::vector<int>> CompositeGroups(int count);

// Runs the steps on `count` images in slots 0.. (the composite step stacks them, the other
// steps work on the current image); `source` is the file whose name the save step takes.
// False when a step could not be carried out: the user has been told, and the steps after
// it do not run.
bool RunBatch(AppContext& ctx, int count, const std::string& source);

// "詳細設定" of a step, for its edited code: the hint, the save folder question or the
// operation's dialog between LoadStepParameters and StoreStepParameters.
void ShowStepDetails(AppContext& ctx, int step);

// OK of the batch dialog. False (after saying why) while a save step has no folder yet;
// otherwise every step's parameters are made to belong to its edited code.
bool ConfirmBatchSequence(AppContext& ctx);

// Reads a batch file into the sequence; false when it could not be read or held no block.
bool ReadBatchFile(const std::string& path, BatchState& batch);
// Writes the sequence; false when the file could not be written whole.
bool WriteBatchFile(const std::string& path, const BatchState& batch);

// Arms a context with the executor and the batch commands (801, 808, 809).
void InstallBatch(AppContext& ctx);

}  // namespace orva
