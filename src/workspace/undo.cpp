#include "workspace/undo.h"

#include <cstring>
#include <utility>

namespace orva {

bool SaveUndoCopy(ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    Plane r, g, b;
    if (n == 0 || !r.Allocate(n) || !g.Allocate(n) || !b.Allocate(n)) return false;
    std::memcpy(r.data(), rec.red.data(), n * sizeof(uint16_t));
    std::memcpy(g.data(), rec.green.data(), n * sizeof(uint16_t));
    std::memcpy(b.data(), rec.blue.data(), n * sizeof(uint16_t));
    rec.undo_red = std::move(r);
    rec.undo_green = std::move(g);
    rec.undo_blue = std::move(b);
    rec.undo_width = rec.width;
    rec.undo_height = rec.height;
    rec.undo_single_plane = rec.single_plane;
    return true;
}

void SwapUndo(ImageRecord& rec) {
    swap(rec.red, rec.undo_red);
    swap(rec.green, rec.undo_green);
    swap(rec.blue, rec.undo_blue);
    std::swap(rec.width, rec.undo_width);
    std::swap(rec.height, rec.undo_height);
    std::swap(rec.single_plane, rec.undo_single_plane);
}

void MarkOperationDone(ImageRecord& rec) {
    rec.refresh = 1;
    rec.undo_available = 1;
    rec.redo_available = 0;
    rec.saved_changed = rec.changed;
    rec.changed = 1;
}

bool ApplyWithUndo(ImageRecord& rec, const std::function<bool(ImageRecord&)>& op) {
    if (!SaveUndoCopy(rec)) return false;
    if (!op(rec)) {
        // Some planes may already be processed: go back to the copy just taken.
        SwapUndo(rec);
        rec.undo_available = 0;
        rec.redo_available = 0;
        return false;
    }
    MarkOperationDone(rec);
    return true;
}

bool UndoRecord(ImageRecord& rec) {
    if (rec.undo_available != 1) return false;
    SwapUndo(rec);
    rec.undo_available = 0;
    rec.redo_available = 1;
    rec.refresh = 1;
    rec.changed = rec.saved_changed;
    return true;
}

bool RedoRecord(ImageRecord& rec) {
    if (rec.redo_available != 1) return false;
    SwapUndo(rec);
    rec.undo_available = 1;
    rec.redo_available = 0;
    rec.refresh = 1;
    rec.saved_changed = rec.changed;
    rec.changed = 1;
    return true;
}

}  // namespace orva
