// Where an operation's settings, its parameter-block words and its kernel's typed parameters
// meet. Per operation there is one function that puts the settings into the block words (what
// the menu commands and the batch hand the dispatcher) and one that takes the words back out
// as the kernel's typed parameters, clamped once into the declared field ranges. The kernels
// trust what they are given; none clamps a parameter again.
#pragma once

#include <array>

#include "ops/colour.h"
#include "ops/geometry.h"
#include "ops/op_settings.h"
#include "ops/restore.h"
#include "ops/sharpen_edge.h"
#include "ops/tone.h"
#include "ops/wavelet.h"

namespace orva {

// The channel-mask word (P5 of sharpen and edge enhancement): any non-zero flag selects its
// channel.
int ChannelMask(const std::array<int, 3>& flags);

// Sharpen and smooth (code 0). Taking the words clamps them and writes the clamped values
// back: the block keeps what the operation ran with.
void PutSharpenWords(const SharpenSettings& s, ParamBlock& block);
SharpenParams TakeSharpenWords(ParamBlock& block);

// Edge enhancement (code 5); the words are clamped and written back as for sharpening. The
// area word is carried unchanged and read by nothing.
void PutEdgeWords(const EdgeSettings& s, ParamBlock& block);
EdgeParams TakeEdgeWords(ParamBlock& block);

// Blur restoration (code 102).
void PutRestoreWords(const RestoreSettings& s, ParamBlock& block);
RestoreParams RestoreParamsOf(const ParamBlock& block);

// Black and white (code 20).
void PutGreyWords(const GreySettings& s, ParamBlock& block);
GreyParams GreyParamsOf(const ParamBlock& block);

// Wavelet sub-bands and enlargement (code 101). The gains are P0..P7 in tenths, taken as they
// are; the kernel holds them within what its arithmetic can carry.
struct WaveletParams {
    WaveletGains gains{};
    int filter_order = kWaveletFields.filter_order.def;
};
void PutWaveletWords(const WaveletSettings& s, ParamBlock& block);
WaveletParams WaveletParamsOf(const ParamBlock& block);

// Saturation and hue (code 22): P0 and P1 carry the changes from the unchanged values
// (saturation - 100 percent, hue - 180 degrees). Taking them clamps them into the fields'
// ranges shifted the same way and writes the clamped values back.
void PutSaturationWords(const ColourSettings& s, ParamBlock& block);
SaturationParams TakeSaturationWords(ParamBlock& block);

// Resize (code 6): P0 target width, P1 source width, P2 target height, P3 source height, P4
// the filter (0 nearest, 2 Lanczos, anything else bilinear). Taking the words holds each
// length at 1 or more and writes it back. The lengths have no upper bound here: a crop
// resizes from the size of its cut, which may be larger than the dialog's sizes.
void PutResizeWords(const ResizeParams& p, ParamBlock& block);
ResizeParams TakeResizeWords(ParamBlock& block);

// Rotate and mirror (code 10): P0 the angle in hundredths of a degree, P1 the mode. Putting
// them turns the quarter-turn modes into their angles; taking them turns modes 4 and 5 into
// mirrors and the angle into thousandths within +-360 degrees, which stay in P0.
void PutRotateWords(const RotateSettings& s, ParamBlock& block);
RotateParams TakeRotateWords(ParamBlock& block);

// Distortion correction (code 60).
void PutDistortionWords(const DistortionSettings& s, ParamBlock& block);
DistortionParams DistortionParamsOf(const ParamBlock& block);

// Gamma (code 1): P0..P8 the three points of red, green and blue, each word input x 1000 +
// output in 8-bit levels; P9 1 for a curve per channel; P10 the curve mode. The points are
// clamped when they are packed, since a word means nothing for levels past 255; the words
// are unpacked into the same range, for blocks that come from elsewhere, and fitted once.
struct GammaParams {
    std::array<ToneCurve, 3> curves{};  // red, green, blue
    bool per_channel = false;
};
void PutGammaWords(const GammaSettings& s, ParamBlock& block);
GammaParams GammaParamsOf(const ParamBlock& block);

// Line separation (codes 30 and 31): P0 the slot of the picture to separate.
void PutLinesWords(int source_slot, ParamBlock& block);

}  // namespace orva
