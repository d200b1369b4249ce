// Geometry operations: resize (nearest, bilinear, Lanczos), exact quarter turns and mirrors,
// rotation by any angle and radial distortion correction.
//
// Common principles:
// - Planes are width x height unsigned 16-bit samples, bottom row first. Every function
//   builds three new planes, and only when all three could be had does it replace the old
//   ones and the size; on false the record is unchanged.
// - All three planes are always processed, also for a grey (single-plane) picture, so the
//   record keeps three planes of the new size. A record whose planes hold fewer samples than
//   its size says is left alone (true).
// - Sizes are whole-number ratios; floating point is used for the Lanczos weights, the
//   rotation and the distortion mapping, as those are defined on real numbers.
// - Work is split over output rows with the parallel row helper: results do not depend on
//   the thread count.
#pragma once

#include <array>
#include <cstdint>

#include "workspace/image_record.h"

namespace orva {

// ---- Resize ----

// Reduces a (target, source) pair: each trial factor 2, 3, 5, 7, 9, ... up to half the larger
// value that divides both divides them once; then both are halved while either exceeds 4096
// (never below 1, so the ratio stays defined).
void ReduceRatio(int& target, int& source);

// The new length of `length` scaled by target / source (whole pixels, at least 1).
int ScaledLength(int length, int target, int source);

// Lanczos weights: 16 x 16 sub-pixel phases (row phase, column phase), each a 5 x 5 table
// (row offset -2..2, column offset -2..2) of a radial order-2 Lanczos kernel, normalised so
// that each table sums to 1.
using LanczosTable = std::array<std::array<std::array<float, 25>, 16>, 16>;
const LanczosTable& LanczosWeights();

// The kernel of order 2 at distance r: sinc(r) sinc(r / 2), 1 at 0 and 0 from 2 on.
double LanczosKernel(double r);

// Resizes by target / source in each direction. Nearest uses the ratios as given; bilinear
// and Lanczos reduce them first (ReduceRatio). Arguments below 1 count as 1, so that no
// ratio divides by zero.
bool ResizeNearest(ImageRecord& rec, int target_width, int source_width, int target_height,
                   int source_height);
bool ResizeBilinear(ImageRecord& rec, int target_width, int source_width, int target_height,
                    int source_height);
bool ResizeLanczos(ImageRecord& rec, int target_width, int source_width, int target_height,
                   int source_height);

// The resize operation's parameters: the two ratios (each length at least 1) and the filter.
enum class ResizeMethod { Nearest = 0, Bilinear = 1, Lanczos = 2 };
struct ResizeParams {
    int target_width = 1, source_width = 1, target_height = 1, source_height = 1;
    ResizeMethod method = ResizeMethod::Bilinear;
};
bool Resize(ImageRecord& rec, const ResizeParams& params);

// ---- Rotation and mirrors ----

// Turns by +90000 (counter-clockwise), -90000 (clockwise) or +-180000 thousandths of a
// degree, exactly. Other angles change nothing.
bool QuarterTurn(ImageRecord& rec, int thousandths);

// Mirrors: 1 reverses each row (left-right), 2 reverses the row order (top-bottom).
bool Mirror(ImageRecord& rec, int direction);

// The rotation operation's parameters: a mirror (Mirror's direction, 0 for none) or else a
// turn by `thousandths` of a degree, counter-clockwise positive, within +-360 degrees.
struct RotateParams {
    int mirror = 0;
    int thousandths = 0;
};

// The size of the box around the picture turned by `thousandths` of a degree
// (counter-clockwise positive), at least 1 x 1.
void RotatedSize(int width, int height, int thousandths, int& new_width, int& new_height);

// Turns by any angle in thousandths of a degree, counter-clockwise positive, with bilinear
// sampling in 1/256 steps; what falls outside the picture is black.
bool RotateArbitrary(ImageRecord& rec, int thousandths);

// Where the point (x, y) (column, stored row) of a width x height picture lands in the
// picture RotateArbitrary makes from it, so that points picked on the picture can follow it.
void MapRotatedPoint(int width, int height, int thousandths, double x, double y, double& new_x,
                     double& new_y);

// ---- Distortion ----

// Radial correction: a positive amount moves the corners' content that many pixels outward,
// a negative one inward. The size stays.
bool CorrectDistortion(ImageRecord& rec, int amount);

// The distortion operation's parameters: the amount within its field's range.
struct DistortionParams {
    int amount = 0;
};

}  // namespace orva
