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

}  // namespace orva
