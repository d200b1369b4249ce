// The batch file (*.ovb): eight blocks, one per step, each of 35 lines — the step code, the
// 32 words of its parameters, then the format and the folder of the save step in double
// quotes.
#pragma once

#include <string>
#include <string_view>

#include "shell/batch_state.h"

namespace orva {

std::string WriteBatchText(const BatchState& batch);

// Reads blocks in order until the text ends or eight are read; each block's code becomes
// the step's edited and confirmed code. Steps without a whole block keep what they had.
// Returns the number of blocks taken.
int ReadBatchText(std::string_view text, BatchState& batch);

}  // namespace orva
