// One level of undo and redo per image: the record keeps an alternate set of planes, and
// undo and redo exchange the current and the alternate state without copying samples.
#pragma once

#include "workspace/workspace.h"

namespace orva {

// Copies the planes into the undo planes. False (record unchanged) when memory is short.
bool SaveUndoCopy(ImageRecord& rec);
// Exchanges planes, size and single-plane flag with the alternate state.
void SwapUndo(ImageRecord& rec);
// Flags after an operation changed the image in place.
void MarkOperationDone(ImageRecord& rec);

// Undo or redo on one record when its state allows it; true when something changed.
bool UndoRecord(ImageRecord& rec);
bool RedoRecord(ImageRecord& rec);

}  // namespace orva
