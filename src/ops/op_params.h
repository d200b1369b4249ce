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

// ---- Compositing (codes 3, 8 and 9) ----
// Shifted pictures no longer lie on each other, so outliers cannot be judged: whenever an
// extra shift is set the noise word is put and taken as -1. The extra shift is held within
// its field (which also keeps i x shift inside an int for the fourth picture).

// The comparison word (P3 of automatic compositing): shift rule x 256 + comparison method +
// 3 x normalisation, each part held within its field when packed. A negative word counts as
// 0 when it is taken apart.
struct CompareFlags {
    bool shift_one_pixel = false;
    int compare_method = 0;
    bool normalise = false;
    bool operator==(const CompareFlags&) const = default;
};
int32_t CompareFlagsWord(int shift_one_pixel, int compare_method, int normalise);
CompareFlags CompareFlagsOf(int32_t word);

// Point-aligned compositing has no comparison: its P3 carries 3 x normalisation alone and is
// read as P3 / 3.
int32_t PointNormaliseWord(int normalise);
bool PointNormaliseOf(int32_t word);

// Noise handling of the average: off, outlier removal, or move mode (the reference wins).
struct NoiseOptions {
    bool on = false;
    bool move_mode = false;
    int level = 0;  // in 16-bit units
    bool operator==(const NoiseOptions&) const = default;
};
// The noise word: -1 off, the level (0..255) for noise removal, 256 + level for move mode.
// Making it from the settings holds the mode and level within their fields; reading it, any
// negative word is off and any word from 256 up is move mode at word % 256.
int32_t NoiseWord(int noise_mode, int noise_level);
NoiseOptions NoiseFromWord(int word);

// One picture of a stack: its slot (-1 none) and weight in percent; the point-aligned codes
// add the two points, packed (PackPoint), which the aligner unpacks against its picture.
struct StackImage {
    int slot = -1;
    int weight = 0;
    int32_t a = 0, b = 0;
    bool operator==(const StackImage&) const = default;
};

// Automatic compositing (code 3; multi-file compositing runs through it): P0/P1 the
// comparison ranges, P2 the method, P3 the comparison word, P4..P7 slots, P8..P11 weights,
// P15 the noise word, P16/P17 the extra shift. Taking the words writes the clamped ranges
// and method back.
struct CompositeParams {
    int range_x = kCompositeFields.compare_range.def;
    int range_y = kCompositeFields.compare_range.def;
    int method = kCompositeFields.method.def;
    CompareFlags compare{};
    std::array<StackImage, 4> images{};  // points unused
    NoiseOptions noise{};
    int shift_x = 0, shift_y = 0;
    bool operator==(const CompositeParams&) const = default;
};
void PutCompositeWords(const CompositeParams& p, ParamBlock& block);
CompositeParams TakeCompositeWords(ParamBlock& block);

// Point-aligned compositing (code 8): P0 the method, P2 the noise word, P3 3 x
// normalisation, picture k in P(4+4k)..P(7+4k) as slot, weight, A, B; P20/P21 the extra
// shift. Taking the words writes the clamped method back.
struct PointCompositeParams {
    int method = kCompositeFields.method.def;
    NoiseOptions noise{};
    bool normalise = false;
    std::array<StackImage, 4> images{};
    int shift_x = 0, shift_y = 0;
    bool operator==(const PointCompositeParams&) const = default;
};
void PutPointCompositeWords(const PointCompositeParams& p, ParamBlock& block);
PointCompositeParams TakePointCompositeWords(ParamBlock& block);

// L+RGB (code 9): the luminance, red, green and blue pictures in P0..P3, P4..P7, P8..P11,
// P12..P15 as slot, weight, A, B. With a luminance weight below 1 the red picture is the
// reference and the luminance slot is not read.
struct LrgbParams {
    std::array<StackImage, 4> images{};
    bool with_luminance() const { return images[0].weight >= 1; }
    bool operator==(const LrgbParams&) const = default;
};
void PutLrgbWords(const LrgbParams& p, ParamBlock& block);
LrgbParams LrgbParamsOf(const ParamBlock& block);

// ---- Background corrections (code 7) and the generated background (code 50) ----

// Code 7, P0 the mode. Radial modes 0 (multiply) and 1 (subtract): P2/P3, P4/P5, P6/P7 the
// centre and edge levels of red, green and blue in 0..255 units (for subtract already
// adjusted by the shift, so they may lie outside 0..255; they are held within +-1024), P8
// the curve, clamped and written back. Multiplying by a background that falls below the edge
// would blow the picture up or divide by zero, so mode 0 keeps the levels in 0..255 and the
// centre above the edge, as the dialog does. Image modes 3 (multiply), 4 (subtract) and
// 5 (replace): P8 the slot of the background picture, P2, P4, P6 the shifts, carried as
// they are (the correction adds them in 64 bits). Any other mode changes nothing.
struct BackgroundParams {
    int mode = 0;
    std::array<int, 3> centre{}, edge{};  // radial modes
    int curve = kBackgroundFields.pseudo_curve.def;
    int slot = -1;  // image modes
    std::array<int, 3> shift{};
    bool radial() const { return mode == 0 || mode == 1; }
    bool operator==(const BackgroundParams&) const = default;
};
void PutBackgroundWords(const BackgroundParams& p, ParamBlock& block);
BackgroundParams TakeBackgroundWords(ParamBlock& block);

// Code 50: P0 the source slot, P1 the detection area, P2 the averaging area, P3 1 when
// black (luminance 0) is no background. Taking the words clamps them and writes them back.
struct MakeBackgroundParams {
    int source = 0;
    int detect_area = kBackgroundFields.detect_area.def;
    int average_area = kBackgroundFields.average_area.def;
    int exclude_zero = kBackgroundFields.exclude_zero.def;
    bool operator==(const MakeBackgroundParams&) const = default;
};
void PutMakeBackgroundWords(const MakeBackgroundParams& p, ParamBlock& block);
MakeBackgroundParams TakeMakeBackgroundWords(ParamBlock& block);

}  // namespace orva
