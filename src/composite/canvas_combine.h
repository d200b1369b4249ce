// Placing aligned pictures on one canvas and combining them pixel by pixel.
//
// Common principles:
// - A source covers canvas pixel (x, y) when its picture reaches there; its sample is then
//   the one at (x - source x, y - source y). Where no source covers a pixel the result is 0.
// - Whole-number arithmetic throughout, divisions truncating.
// - The result planes are built aside and stored into the record only when complete, so a
//   record that is also one of the sources is read intact, and on false (memory) the record
//   is unchanged.
// - Rows are combined in bands through the parallel helper; maximum contrast carries its
//   weights from pixel to pixel and runs on one thread.
#pragma once

#include <array>
#include <vector>

#include "composite/stack_source.h"
#include "ops/op_params.h"  // NoiseOptions

namespace orva {

enum CombineMethod {
    kCombineAverage = 0,
    kCombineAdd = 1,
    kCombineMaximum = 2,
    kCombineMinimum = 3,
    kCombineContrast = 4,
};

inline constexpr int kCanvasLimit = 10000;

// Moves the offsets so that the smallest x and the smallest y are 0 and returns the canvas
// size: the farthest reach of any source, limited to 10,000 but never below the largest
// source, so that the limit crops only margins that alignment added.
void PlaceOnCanvas(std::vector<StackSource>& sources, int& width, int& height);

// Adds the extra shift: source i moves by i x (shift_x, shift_y).
void AddExtraShift(std::vector<StackSource>& sources, int shift_x, int shift_y);

// Density factors per source and channel (16384 = unchanged): every source brought to the
// darkest mean over the region all sources cover.
using DensityFactors = std::vector<std::array<int, 3>>;
DensityFactors NormalisationFactors(const std::vector<StackSource>& sources);

// Combines the sources into a width x height picture in `out` (the record gets new planes,
// the size, and is a colour picture). False when memory ran short.
bool CombineSources(int method, const std::vector<StackSource>& sources, int width, int height,
                    const NoiseOptions& noise, bool normalise, ImageRecord& out);

}  // namespace orva
