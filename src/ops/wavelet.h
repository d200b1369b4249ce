// Wavelet processing: a pyramid of five detail sub-bands and a coarse residual whose bands
// are weighted by their own gains (above 1 sharpens structures of that scale, below 1
// suppresses them), and wavelet enlargement, which rebuilds a plane at twice its width and
// height through an orthonormal Daubechies filter bank.
//
// Planes are width x height unsigned 16-bit samples; a plane with no rows or columns is left
// alone and nothing outside the planes is read or written. Gains are doubles: gains[0] acts
// only in enlargement (on the residual when all five bands are in use), gains[1] to gains[5]
// on the bands from the coarsest ("5(L)") to the finest ("1(H)"). Work is split over rows
// with the parallel row helper: results do not depend on the thread count.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "common/plane.h"

namespace orva {

using WaveletGains = std::array<double, 8>;

// ---- Sub-band transform ----

inline constexpr int kWaveletLevels = 5;

// Side of level 0 of the pyramid for a picture side n: the next multiple of 32 strictly
// above n, so that five halvings stay whole and at least one row or column repeats the edge.
int WaveletPaddedSide(int n);

// Adds to `fine` (2 rows x 2 cols values) its prediction from `coarse` (rows x cols):
// inside, 0.54 on the nearest coarse sample, 0.17 on the two beside it and 0.12 on the
// diagonal one; on the outer rows and columns 0.76 on the nearer and 0.24 on the farther of
// the two coarse samples along the edge; the corners copy the corner sample. `sign` -1
// subtracts the prediction instead.
void WaveletAddPrediction(const double* coarse, int rows, int cols, double* fine, double sign);

// Splits the plane into the bands, multiplies detail level k (0 finest) by
// gains[5 - k], rebuilds it and writes it back truncated and clamped to 0..65535. False
// (plane untouched) when memory for the pyramid ran short.
bool WaveletPlane(uint16_t* plane, int width, int height, const WaveletGains& gains);

// ---- Enlargement ----

inline constexpr int kDaubechiesMaxOrder = 10;

// The orthonormal Daubechies scaling filter of order 1..10 (2 x order taps, sum sqrt(2),
// sum of squares 1), to double precision. Orders outside the range are brought into it.
std::span<const double> DaubechiesFilter(int order);

// The separable transform of enlargement on the width x height region of `data` (rows of
// `stride` values; both sides multiples of 2^levels). Each analysis level filters every row
// and then every column of the current low-pass region, periodically extended, with the
// scaling filter times sqrt(2) and its alternating-sign reverse, the lows to the first half
// of each line and the highs to the second; synthesis undoes it level by level. False when
// memory for the line buffers ran short.
bool DaubechiesAnalyse(double* data, std::size_t stride, int width, int height, int levels,
                       int order);
bool DaubechiesSynthesise(double* data, std::size_t stride, int width, int height, int levels,
                          int order);

// Analysis levels used by enlargement: the coarsest band whose gain is not 1.0 decides
// (gains[5] alone gives 1, gains[1] gives 5); 0 when all five are 1.0.
int WaveletEnlargeLevels(const WaveletGains& gains);

// Fills `out` with the (2 width) x (2 height) enlargement of `in`: the samples less 32768,
// padded by repeating the edges to multiples of 2^levels, are analysed; each detail band is
// multiplied by its gain (the finest by gains[5]) and the residual by gains[5 - levels];
// synthesis and one more level with no detail double the picture. False (out untouched)
// when memory ran short.
bool WaveletEnlarge(const uint16_t* in, int width, int height, int order, const WaveletGains& gains,
                    Plane& out);

}  // namespace orva
