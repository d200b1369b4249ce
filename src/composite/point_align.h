// Alignment by two points per picture (A and B, marked by the user) and L+RGB compositing.
//
// Every picture but the first (the reference) is copied; a copy is scaled so that its A-B
// distance matches the reference's, turned so that its A-B direction matches, and placed so
// that the midpoints of A and B coincide. The sources themselves are never changed.
#pragma once

#include <cstdint>
#include <vector>

#include "composite/stack_source.h"

namespace orva {

struct PointImage {
    const ImageRecord* rec = nullptr;
    int weight = 100;
    int32_t a = 0, b = 0;  // packed points (column * 16384 + row from the top)
};

// A point of a picture in stored-row coordinates.
struct PointF {
    double x = 0, y = 0;
};

// Direction of A -> B in thousandths of a degree, counter-clockwise from the x axis with rows
// counted upward (stored order).
double PointAngle(PointF a, PointF b);

// Aligns the pictures: `copies` receives the transformed copies of the non-reference
// pictures (copies[0] stays empty), `sources` the placed sources with their offsets (not yet
// moved onto the canvas). False when memory ran short.
bool AlignByPoints(const std::vector<PointImage>& images, std::vector<ImageRecord>& copies,
                   std::vector<StackSource>& sources);

// L+RGB: the colour pass takes red from sources[first], green from sources[first + 1] and
// blue from sources[first + 2], each scaled by its weight; with a luminance source
// (sources[0], first = 1) its brightness then replaces part of the colour brightness by the
// luminance weight. Sources are placed already; the record gets a width x height picture.
bool CombineLrgb(const std::vector<StackSource>& sources, bool with_luminance, int width,
                 int height, ImageRecord& out);

}  // namespace orva
