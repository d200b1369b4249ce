// Display-only auto stretch for linear data (a camera's or a stack's raw levels look black on
// screen). Each channel gets a shadows clip and a midtones balance from its own median and
// median absolute deviation, so that the sky background lands at a quarter of full scale;
// the planes never change, only the screen levels the renderer picks.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "workspace/image_record.h"

namespace orva {

// On normalised levels (0..1) a sample x shows as Midtones((x - shadows) / (1 - shadows),
// midtones): black at or below `shadows`, half brightness at `midtones` of the way above.
struct ChannelStretch {
    double shadows = 0;
    double midtones = 0.5;  // 0.5 leaves the levels linear
};

// The midtones transfer: 0 -> 0, m -> 0.5, 1 -> 1, monotonic for 0 < m < 1.
double Midtones(double x, double m);

// Per channel (red, green, blue; the red plane's for all three in a single-plane record).
// The shadows sit 2.8 normalised deviations below the median; the midtones balance takes the
// median there to 0.25. A flat channel keeps its median at 0.25 with no clip; a black one
// stays linear.
std::array<ChannelStretch, 3> AutoStretch(const ImageRecord& rec);

// Screen level (0..255) of every 16-bit sample, per channel.
using StretchTable = std::array<std::vector<uint8_t>, 3>;
void FillStretchTable(const std::array<ChannelStretch, 3>& stretch, StretchTable& table);

// The table for the record when the stretch is on; emptied (the plain display) when off.
void UpdateStretch(bool on, const ImageRecord& rec, StretchTable& table);

}  // namespace orva
