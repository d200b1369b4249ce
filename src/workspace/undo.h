// One level of undo and redo per image: the record keeps an alternate set of planes, and
// undo and redo exchange the current and the alternate state without copying samples.
#pragma once

#include <functional>

#include "workspace/workspace.h"

namespace orva {

// Copies the planes into the undo planes. False (record unchanged) when memory is short.
bool SaveUndoCopy(ImageRecord& rec);
// Exchanges planes, size and single-plane flag with the alternate state.
void SwapUndo(ImageRecord& rec);
// Flags after an operation changed the image in place.
void MarkOperationDone(ImageRecord& rec);

// Runs an in-place operation with an undo copy taken first. On success the record is marked
// done; when the copy or the operation runs short of memory the record is put back as it was
// (no undo is offered then, since the old one was replaced by the copy) and false returned.
bool ApplyWithUndo(ImageRecord& rec, const std::function<bool(ImageRecord&)>& op);

// Undo or redo on one record when its state allows it; true when something changed.
bool UndoRecord(ImageRecord& rec);
bool RedoRecord(ImageRecord& rec);

}  // namespace orva
