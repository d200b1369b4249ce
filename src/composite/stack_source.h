// One picture taking part in a stack: its three planes (read only), its size, where its
// first sample lies on the result canvas, and its weight in percent.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "workspace/image_record.h"

namespace orva {

struct StackSource {
    std::array<const uint16_t*, 3> plane{};
    int width = 0, height = 0;
    int x = 0, y = 0;  // canvas position of the first sample (column, stored row)
    int weight = 100;

    uint16_t at(int channel, int column, int row) const {
        return plane[static_cast<std::size_t>(channel)]
                    [static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(column)];
    }
    bool Covers(int cx, int cy) const {
        return cx >= x && cx < x + width && cy >= y && cy < y + height;
    }
};

// A record seen as a source. A grey (single-plane) record serves its red plane as all three
// channels, so its green and blue buffers are never read whatever they hold.
inline StackSource SourceOf(const ImageRecord& rec, int weight = 100) {
    StackSource s;
    const bool grey = rec.single_plane == 1;
    for (int c = 0; c < 3; ++c)
        s.plane[static_cast<std::size_t>(c)] = rec.plane(grey ? 0 : c).data();
    s.width = rec.width;
    s.height = rec.height;
    s.weight = weight;
    return s;
}

// True when the record has all the samples its size promises in every plane it will serve.
inline bool UsableSource(const ImageRecord& rec) {
    if (!rec.occupied()) return false;
    const std::size_t n = rec.pixels();
    if (rec.red.size() < n) return false;
    return rec.single_plane == 1 || (rec.green.size() >= n && rec.blue.size() >= n);
}

}  // namespace orva
