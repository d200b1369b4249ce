#include "ops/op_params.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace orva {

namespace {

// The word of a directly carried field, clamped into its range and written back.
int Take(ParamBlock& block, const FieldDecl& f) {
    block[f.word] = f.Clamp(block[f.word]);
    return block[f.word];
}

// A field carried as its difference from the default (value - def) in word `word`.
// The subtraction is taken in 64 bits and held within a word, so no settings value can
// overflow it; the range is clamped when the word is taken.
void PutOffset(ParamBlock& block, int word, const FieldDecl& f, int value) {
    block[word] =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t{value} - f.def, INT32_MIN, INT32_MAX));
}
int TakeOffset(ParamBlock& block, int word, const FieldDecl& f) {
    block[word] = std::clamp(block[word], f.min - f.def, f.max - f.def);
    return block[word];
}

}  // namespace

int ChannelMask(const std::array<int, 3>& flags) {
    return (flags[0] != 0 ? kMaskRed : 0) | (flags[1] != 0 ? kMaskGreen : 0) |
           (flags[2] != 0 ? kMaskBlue : 0);
}

void PutSharpenWords(const SharpenSettings& s, ParamBlock& block) {
    const auto& f = kSharpenFields;
    PutWord(block, f.radius, s.radius);
    PutWord(block, f.smooth_range, s.smooth_range);
    PutWord(block, f.smooth_strength, s.smooth_strength);
    PutWord(block, f.emphasis, s.emphasis);
    PutWord(block, f.blunting, s.blunting);
    block[5] = ChannelMask(s.channels);
}

SharpenParams TakeSharpenWords(ParamBlock& block) {
    const auto& f = kSharpenFields;
    return SharpenParams{Take(block, f.radius), Take(block, f.smooth_range),
                         Take(block, f.smooth_strength), Take(block, f.emphasis),
                         Word(block, f.blunting)};
}

void PutEdgeWords(const EdgeSettings& s, ParamBlock& block) {
    const auto& f = kEdgeFields;
    PutWord(block, f.area, s.area);
    PutWord(block, f.range, s.range);
    PutWord(block, f.emphasis, s.emphasis);
    PutWord(block, f.threshold, s.threshold);
    PutWord(block, f.smooth_strength, s.smooth_strength);
    block[5] = ChannelMask(s.channels);
}

EdgeParams TakeEdgeWords(ParamBlock& block) {
    const auto& f = kEdgeFields;
    return EdgeParams{Take(block, f.range), Take(block, f.emphasis), Take(block, f.threshold),
                      Take(block, f.smooth_strength)};
}

void PutRestoreWords(const RestoreSettings& s, ParamBlock& block) {
    const auto& f = kRestoreFields;
    PutWord(block, f.spread, s.spread);
    PutWord(block, f.blunting, s.blunting);
    PutWord(block, f.iterations, s.iterations);
    PutWord(block, f.emphasis, s.emphasis);
}

RestoreParams RestoreParamsOf(const ParamBlock& block) {
    const auto& f = kRestoreFields;
    return RestoreParams{Word(block, f.spread), Word(block, f.blunting), Word(block, f.iterations),
                         Word(block, f.emphasis)};
}

void PutGreyWords(const GreySettings& s, ParamBlock& block) {
    const auto& f = kGreyFields;
    PutWord(block, f.mode, s.mode);
    PutWord(block, f.weight_r, s.weight_r);
    PutWord(block, f.weight_g, s.weight_g);
    PutWord(block, f.weight_b, s.weight_b);
}

GreyParams GreyParamsOf(const ParamBlock& block) {
    const auto& f = kGreyFields;
    return GreyParams{Word(block, f.mode), Word(block, f.weight_r), Word(block, f.weight_g),
                      Word(block, f.weight_b)};
}

void PutWaveletWords(const WaveletSettings& s, ParamBlock& block) {
    for (int i = 0; i < 6; ++i) block[i] = s.gains[static_cast<std::size_t>(i)];
    PutWord(block, kWaveletFields.enlarge, s.enlarge);
    PutWord(block, kWaveletFields.filter_order, s.filter_order);
}

WaveletParams WaveletParamsOf(const ParamBlock& block) {
    WaveletParams p;
    for (int i = 0; i < 8; ++i) p.gains[static_cast<std::size_t>(i)] = block[i] / 10.0;
    p.filter_order = Word(block, kWaveletFields.filter_order);
    return p;
}

void PutSaturationWords(const ColourSettings& s, ParamBlock& block) {
    PutOffset(block, 0, kColourFields.saturation, s.saturation);
    PutOffset(block, 1, kColourFields.hue, s.hue);
}

SaturationParams TakeSaturationWords(ParamBlock& block) {
    return SaturationParams{TakeOffset(block, 0, kColourFields.saturation),
                            TakeOffset(block, 1, kColourFields.hue)};
}

void PutResizeWords(const ResizeParams& p, ParamBlock& block) {
    block[0] = p.target_width;
    block[1] = p.source_width;
    block[2] = p.target_height;
    block[3] = p.source_height;
    block[4] = static_cast<int>(p.method);
}

ResizeParams TakeResizeWords(ParamBlock& block) {
    for (int i = 0; i < 4; ++i) block[i] = std::max(block[i], 1);
    const ResizeMethod method = block[4] == 0   ? ResizeMethod::Nearest
                                : block[4] == 2 ? ResizeMethod::Lanczos
                                                : ResizeMethod::Bilinear;
    return ResizeParams{block[0], block[1], block[2], block[3], method};
}

void PutRotateWords(const RotateSettings& s, ParamBlock& block) {
    const int mode = kRotateFields.mode.Clamp(s.mode);
    // The quarter-turn buttons stand for their angles.
    block[0] = mode == 0 ? 9000 : mode == 1 ? -9000 : mode == 2 ? 18000 : s.angle;
    PutWord(block, kRotateFields.mode, mode);
}

RotateParams TakeRotateWords(ParamBlock& block) {
    RotateParams p;
    const int mode = block[kRotateFields.mode.word];
    p.mirror = mode == 4 ? 1 : mode == 5 ? 2 : 0;
    // The angle in thousandths stays in the block, so callers that run one operation over
    // several images fill the block again for each of them.
    block[0] = kRotateFields.angle.Clamp(block[0]) * 10;
    p.thousandths = block[0];
    return p;
}

void PutDistortionWords(const DistortionSettings& s, ParamBlock& block) {
    PutWord(block, kDistortionFields.amount, s.amount);
}

DistortionParams DistortionParamsOf(const ParamBlock& block) {
    return DistortionParams{Word(block, kDistortionFields.amount)};
}

void PutGammaWords(const GammaSettings& g, ParamBlock& block) {
    const auto& f = kGammaFields;
    const int set = f.channel_set.Clamp(g.channel_set);
    for (int c = 0; c < 3; ++c) {
        // Per-channel work uses all three colour sets, whichever one the dialog showed last.
        const auto& pts = g.points[static_cast<std::size_t>(set == 0 ? 0 : c + 1)];
        for (std::size_t i = 0; i < 3; ++i) {
            block[c * 3 + static_cast<int>(i)] =
                f.point.Clamp(pts[2 * i]) * 1000 + f.point.Clamp(pts[2 * i + 1]);
        }
    }
    block[9] = set == 0 ? 0 : 1;
    block[10] = g.curve_mode;
}

GammaParams GammaParamsOf(const ParamBlock& block) {
    const auto& f = kGammaFields;
    const int mode = f.curve_mode.Clamp(block[10]);
    GammaParams p;
    for (int c = 0; c < 3; ++c) {
        std::array<int, 6> levels{};
        for (std::size_t i = 0; i < 3; ++i) {
            const int32_t packed = block[c * 3 + static_cast<int>(i)];
            levels[2 * i] = f.point.Clamp(packed / 1000);
            levels[2 * i + 1] = f.point.Clamp(packed % 1000);
        }
        p.curves[static_cast<std::size_t>(c)] = GammaCurve(mode, levels);
    }
    p.per_channel = block[9] == 1;
    return p;
}

void PutLinesWords(int source_slot, ParamBlock& block) {
    block[0] = source_slot;
}

int32_t CompareFlagsWord(int shift_one_pixel, int compare_method, int normalise) {
    const auto& f = kCompositeFields;
    return 256 * f.shift_one_pixel.Clamp(shift_one_pixel) + f.compare_method.Clamp(compare_method) +
           3 * f.normalise.Clamp(normalise);
}

CompareFlags CompareFlagsOf(int32_t word) {
    const int w = word < 0 ? 0 : word;
    return CompareFlags{w / 256 != 0, (w % 256) % 3, (w % 256) / 3 != 0};
}

int32_t PointNormaliseWord(int normalise) {
    return 3 * kCompositeFields.normalise.Clamp(normalise);
}

bool PointNormaliseOf(int32_t word) {
    return word >= 3;
}

int32_t NoiseWord(int noise_mode, int noise_level) {
    const int mode = kCompositeFields.noise_mode.Clamp(noise_mode);
    const int level = kCompositeFields.noise_level.Clamp(noise_level);
    return mode == 1 ? level : mode == 2 ? 256 + level : -1;
}

NoiseOptions NoiseFromWord(int word) {
    NoiseOptions o;
    if (word < 0) return o;
    o.on = true;
    o.move_mode = word >= 256;
    o.level = (word % 256) * 256;
    return o;
}

namespace {

// The noise word of typed options, -1 when a shift is set.
int32_t NoiseWordOf(const NoiseOptions& n, int shift_x, int shift_y) {
    if (!n.on || shift_x != 0 || shift_y != 0) return -1;
    return NoiseWord(n.move_mode ? 2 : 1, n.level / 256);
}

NoiseOptions NoiseOf(int32_t word, int shift_x, int shift_y) {
    return shift_x != 0 || shift_y != 0 ? NoiseOptions{} : NoiseFromWord(word);
}

int ShiftOf(int32_t word) {
    return kCompositeFields.extra_shift.Clamp(word);
}

void PutStackImage(const StackImage& image, ParamBlock& block, int at) {
    block[at] = image.slot;
    block[at + 1] = image.weight;
    block[at + 2] = image.a;
    block[at + 3] = image.b;
}

StackImage StackImageOf(const ParamBlock& block, int at) {
    return StackImage{block[at], kCompositeFields.weight.Clamp(block[at + 1]), block[at + 2],
                      block[at + 3]};
}

}  // namespace

void PutCompositeWords(const CompositeParams& p, ParamBlock& block) {
    block[0] = p.range_x;
    block[1] = p.range_y;
    block[2] = p.method;
    block[3] = CompareFlagsWord(p.compare.shift_one_pixel ? 1 : 0, p.compare.compare_method,
                                p.compare.normalise ? 1 : 0);
    for (std::size_t i = 0; i < 4; ++i) {
        block[4 + static_cast<int>(i)] = p.images[i].slot;
        block[8 + static_cast<int>(i)] = p.images[i].weight;
    }
    block[15] = NoiseWordOf(p.noise, p.shift_x, p.shift_y);
    block[16] = p.shift_x;
    block[17] = p.shift_y;
}

CompositeParams TakeCompositeWords(ParamBlock& block) {
    const auto& f = kCompositeFields;
    CompositeParams p;
    block[0] = p.range_x = f.compare_range.Clamp(block[0]);
    block[1] = p.range_y = f.compare_range.Clamp(block[1]);
    block[2] = p.method = f.method.Clamp(block[2]);
    p.compare = CompareFlagsOf(block[3]);
    for (std::size_t i = 0; i < 4; ++i) {
        p.images[i].slot = block[4 + static_cast<int>(i)];
        p.images[i].weight = f.weight.Clamp(block[8 + static_cast<int>(i)]);
    }
    p.shift_x = ShiftOf(block[16]);
    p.shift_y = ShiftOf(block[17]);
    p.noise = NoiseOf(block[15], p.shift_x, p.shift_y);
    return p;
}

void PutPointCompositeWords(const PointCompositeParams& p, ParamBlock& block) {
    block[0] = p.method;
    block[2] = NoiseWordOf(p.noise, p.shift_x, p.shift_y);
    block[3] = PointNormaliseWord(p.normalise ? 1 : 0);
    for (std::size_t k = 0; k < 4; ++k)
        PutStackImage(p.images[k], block, 4 + 4 * static_cast<int>(k));
    block[20] = p.shift_x;
    block[21] = p.shift_y;
}

PointCompositeParams TakePointCompositeWords(ParamBlock& block) {
    PointCompositeParams p;
    block[0] = p.method = kCompositeFields.method.Clamp(block[0]);
    p.normalise = PointNormaliseOf(block[3]);
    for (std::size_t k = 0; k < 4; ++k)
        p.images[k] = StackImageOf(block, 4 + 4 * static_cast<int>(k));
    p.shift_x = ShiftOf(block[20]);
    p.shift_y = ShiftOf(block[21]);
    p.noise = NoiseOf(block[2], p.shift_x, p.shift_y);
    return p;
}

void PutLrgbWords(const LrgbParams& p, ParamBlock& block) {
    for (std::size_t k = 0; k < 4; ++k) PutStackImage(p.images[k], block, 4 * static_cast<int>(k));
}

LrgbParams LrgbParamsOf(const ParamBlock& block) {
    LrgbParams p;
    for (std::size_t k = 0; k < 4; ++k) p.images[k] = StackImageOf(block, 4 * static_cast<int>(k));
    return p;
}

void PutBackgroundWords(const BackgroundParams& p, ParamBlock& block) {
    block[0] = p.mode;
    for (std::size_t ch = 0; ch < 3; ++ch) {
        const int word = 2 + 2 * static_cast<int>(ch);
        if (p.radial()) {
            block[word] = p.centre[ch];
            block[word + 1] = p.edge[ch];
        } else {
            block[word] = p.shift[ch];
        }
    }
    block[8] = p.radial() ? p.curve : p.slot;
}

BackgroundParams TakeBackgroundWords(ParamBlock& block) {
    BackgroundParams p;
    p.mode = block[0];
    if (!p.radial()) {
        p.slot = block[8];
        for (std::size_t ch = 0; ch < 3; ++ch) p.shift[ch] = block[2 + 2 * static_cast<int>(ch)];
        return p;
    }
    block[8] = p.curve = kBackgroundFields.pseudo_curve.Clamp(block[8]);
    for (std::size_t ch = 0; ch < 3; ++ch) {
        const int word = 2 + 2 * static_cast<int>(ch);
        int centre = std::clamp(block[word], -1024, 1024);
        int edge = std::clamp(block[word + 1], -1024, 1024);
        if (p.mode == 0) {
            edge = std::clamp(edge, 0, 255);
            centre = std::max(std::clamp(centre, 0, 255), edge + 1);
        }
        p.centre[ch] = centre;
        p.edge[ch] = edge;
    }
    return p;
}

void PutMakeBackgroundWords(const MakeBackgroundParams& p, ParamBlock& block) {
    const auto& f = kBackgroundFields;
    block[0] = p.source;
    PutWord(block, f.detect_area, p.detect_area);
    PutWord(block, f.average_area, p.average_area);
    PutWord(block, f.exclude_zero, p.exclude_zero);
}

MakeBackgroundParams TakeMakeBackgroundWords(ParamBlock& block) {
    const auto& f = kBackgroundFields;
    return MakeBackgroundParams{block[0], Take(block, f.detect_area), Take(block, f.average_area),
                                Take(block, f.exclude_zero)};
}

}  // namespace orva
