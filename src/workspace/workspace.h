// The slot table, the current slot, the memory pre-check and the record-level helpers that
// loaders, operations and commands share. Undo lives in undo.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "workspace/image_record.h"

namespace orva {

// Bytes the process can still take without the system killing it (overcommit makes a bare
// allocation test meaningless on Linux). Tests replace it.
using MemoryProbe = std::function<uint64_t()>;
uint64_t SystemAvailableMemory();

struct Workspace {
    std::array<ImageRecord, kSlotCount> slots;
    int current = -1;
    MemoryProbe available_memory = SystemAvailableMemory;

    ImageRecord& at(int slot) { return slots[static_cast<std::size_t>(slot)]; }
    const ImageRecord& at(int slot) const { return slots[static_cast<std::size_t>(slot)]; }
    static bool Valid(int slot) { return slot >= 0 && slot < kSlotCount; }
    // The current record when the current slot holds an image, else null.
    ImageRecord* Current() {
        return Valid(current) && at(current).occupied() ? &at(current) : nullptr;
    }
};

// Can `count` images of 6 bytes per pixel be held? The pixel count is that of `slot` when
// slot >= 0, else width x height when both are positive, else the largest open image but at
// least 2,097,152 pixels. A count outside 1..8 counts as 8.
bool CheckImageMemory(const Workspace& ws, int width, int height, int slot, int count);

// Lowest free slot after a one-image memory check, or -1.
int FindFreeSlot(const Workspace& ws);

// Frees everything the slot owns and resets it to the empty state.
void ClearSlot(Workspace& ws, int slot);
void ClearRecord(ImageRecord& rec);

// Flags every load path sets after its reader; the slot becomes current.
void MarkLoaded(Workspace& ws, int slot);

// Moves a decoded picture into a record: name, planes, size and camera fields. Old planes
// and the old undo state are dropped.
void StoreDecoded(ImageRecord& rec, DecodedImage&& img, const std::string& name);

// The copy helpers replace dst's planes only when all allocations succeed; on false dst is
// unchanged. src and dst must be different records.
bool CopyImageRecord(ImageRecord& dst, const ImageRecord& src);
// Copies the rectangle [min x, max x) x [min y, max y) (memory rows), clipped to the source.
bool CopyArea(const ImageRecord& src, ImageRecord& dst, int x1, int y1, int x2, int y2);
// Anchor 0..8: a 3 x 3 grid read from the top left.
bool CutCanvas(const ImageRecord& src, ImageRecord& dst, int new_width, int new_height, int anchor);

// Copies red into green and blue for a single-plane record.
void SpreadSinglePlane(ImageRecord& rec);

// Window position to (column, memory row), clamped into the image. True when the position
// lies on the picture itself (before clamping); false, with the outputs unchanged, for an
// empty record.
bool WindowToImage(const ImageRecord& rec, int wx, int wy, int& column, int& row);

enum class SlotDirection { Up, Down };
// Next occupied slot in a direction, wrapping; the current slot when nothing qualifies.
int NextOccupiedSlot(const Workspace& ws, SlotDirection dir);

// Highest occupied slot, or 0 when none is.
int HighestOccupiedSlot(const Workspace& ws);

}  // namespace orva
