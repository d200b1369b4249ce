#include "batch/batch_steps.h"

#include <algorithm>

#include "common/translate.h"
#include "shell/command_ids.h"
#include "shell/operations.h"

namespace orva {

// The steps that open, save and end are the batch's own; every other step is an operation's,
// named by its descriptor.
const std::array<StepKind, kStepCodes>& StepKinds() {
    static const std::array<StepKind, kStepCodes> kinds = [] {
        std::array<StepKind, kStepCodes> k{};
        k[kStepNone] = {" ", std::nullopt, 0};
        k[kStepOpenOne] = {ORVA_TEXT("orva", "ファイル開く(１枚)"), std::nullopt, 0};
        k[kStepSave] = {ORVA_TEXT("orva", "ファイル保存"), std::nullopt, 0};
        k[kStepEnd] = {ORVA_TEXT("orva", "終了"), std::nullopt, 0};
        for (const OperationDescriptor& op : Operations())
            if (op.step != kStepNone) k[op.step] = {op.step_name, op.dialog, op.command};
        return k;
    }();
    return kinds;
}

int StepCodeOfName(std::string_view name) {
    const auto& kinds = StepKinds();
    for (int c = 0; c < kStepCodes; ++c)
        if (name == kinds[static_cast<std::size_t>(c)].name) return c;
    return -1;
}

namespace {

SettingField Bound(const FieldDecl& f, int& v) {
    return SettingField{f.name, &v, nullptr, static_cast<double>(f.min), static_cast<double>(f.max),
                        f.step};
}

// A word from a batch file may be anything: it enters the settings inside its field's range
// and on its step, as a value typed in the dialog would.
int Admit(const SettingField& f, int32_t word) {
    const auto lo = static_cast<long long>(f.min), hi = static_cast<long long>(f.max);
    long long v = std::clamp<long long>(word, lo, hi);
    if (f.step > 1) v = lo + (v - lo) / f.step * f.step;
    return static_cast<int>(v);
}

// Copies the settings of a step code's operation.
void CopyOperationSettings(int code, const Settings& from, Settings& to) {
    switch (code) {
        case 2: to.multi_file = from.multi_file; break;
        case 4: to.crop = from.crop; break;
        case 5: to.background = from.background; break;
        case 6: to.sharpen = from.sharpen; break;
        case 7: to.edge = from.edge; break;
        case 8: to.wavelet = from.wavelet; break;
        case 9: to.restore = from.restore; break;
        case 10: to.rotate = from.rotate; break;
        case 11: to.distortion = from.distortion; break;
        case 12: to.gamma = from.gamma; break;
        case 13: to.level = from.level; break;
        case 14: to.colour = from.colour; break;
        case 15: to.noise = from.noise; break;
        case 16: to.dynamic_range = from.dynamic_range; break;
        default: break;
    }
}

}  // namespace

std::array<SettingField, kBatchStepWords> StepWords(int code, Settings& s) {
    std::array<SettingField, kBatchStepWords> w{};
    std::size_t n = 0;
    auto put = [&](const FieldDecl& f, int& v) { w[n++] = Bound(f, v); };
    switch (code) {
        case 2: {
            const auto& f = kCompositeFields;
            auto& m = s.multi_file;
            put(f.compare_range, m.compare_range);
            put(f.compare_method, m.compare_method);
            put(f.normalise, m.normalise);
            put(f.noise_mode, m.noise_mode);
            put(f.noise_level, m.noise_level);
            put(f.method, m.method);
            n = 11;
            put(f.shift_one_pixel, m.shift_one_pixel);
            break;
        }
        case 4: {
            const auto& f = kCropFields;
            auto& c = s.crop;
            put(f.anchor, c.anchor);
            put(f.width, c.width);
            put(f.height, c.height);
            put(f.output_mode, c.output_mode);
            put(f.output_width, c.output_width);
            put(f.output_height, c.output_height);
            put(f.magnification, c.magnification);
            break;
        }
        case 5: {
            const auto& f = kBackgroundFields;
            auto& b = s.background;
            put(f.detect_area, b.detect_area);
            put(f.average_area, b.average_area);
            put(f.generated_use, b.generated_use);
            put(f.shift, b.generated_shift);
            put(f.two_part, b.two_part);
            put(f.exclude_zero, b.exclude_zero);
            break;
        }
        case 6: {
            const auto& f = kSharpenFields;
            auto& sh = s.sharpen;
            for (int& c : sh.channels) put(f.channel, c);
            put(f.radius, sh.radius);
            put(f.smooth_range, sh.smooth_range);
            put(f.smooth_strength, sh.smooth_strength);
            put(f.emphasis, sh.emphasis);
            break;
        }
        case 7: {
            const auto& f = kEdgeFields;
            auto& e = s.edge;
            for (int& c : e.channels) put(f.channel, c);
            put(f.area, e.area);
            put(f.range, e.range);
            put(f.smooth_strength, e.smooth_strength);
            put(f.emphasis, e.emphasis);
            put(f.threshold, e.threshold);
            break;
        }
        case 8:
            put(kWaveletFields.filter_order, s.wavelet.filter_order);
            for (int& g : s.wavelet.gains) put(kWaveletFields.gain, g);
            break;
        case 9: {
            const auto& f = kRestoreFields;
            auto& r = s.restore;
            put(f.spread, r.spread);
            put(f.blunting, r.blunting);
            put(f.iterations, r.iterations);
            put(f.emphasis, r.emphasis);
            break;
        }
        case 10:
            put(kRotateFields.mode, s.rotate.mode);
            put(kRotateFields.angle, s.rotate.angle);
            break;
        case 11: put(kDistortionFields.amount, s.distortion.amount); break;
        case 12:
            put(kGammaFields.curve_mode, s.gamma.curve_mode);
            put(kGammaFields.channel_set, s.gamma.channel_set);
            for (auto& set : s.gamma.points)
                for (int& p : set) put(kGammaFields.point, p);
            break;
        case 13: {
            const auto& f = kLevelFields;
            put(f.channel_set, s.level.channel_set);
            for (LevelSet& l : s.level.sets) {
                put(f.input_min, l.input_min);
                put(f.input_max, l.input_max);
                put(f.brightness, l.brightness);
                put(f.contrast, l.contrast);
                put(f.gamma, l.gamma);
                put(f.output_min, l.output_min);
                put(f.output_max, l.output_max);
            }
            break;
        }
        case 14:
            put(kColourFields.saturation, s.colour.saturation);
            put(kColourFields.hue, s.colour.hue);
            break;
        case 15: {
            const auto& f = kNoiseFields;
            put(f.area, s.noise.area);
            put(f.tolerance, s.noise.tolerance);
            put(f.strength, s.noise.strength);
            break;
        }
        case 16: {
            const auto& f = kDynamicRangeFields;
            auto& d = s.dynamic_range;
            put(f.radius, d.radius);
            put(f.tone_difference, d.tone_difference);
            put(f.strength, d.strength);
            break;
        }
        default: break;
    }
    return w;
}

void LoadStepParameters(AppContext& ctx, int step, int code) {
    ctx.batch.interactive = ctx.settings;
    const BatchStep& st = ctx.batch.steps[static_cast<std::size_t>(step)];
    if (st.confirmed_code != code) return;
    const auto words = StepWords(code, ctx.settings);
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i].i != nullptr) *words[i].i = Admit(words[i], st.block[i]);
}

void StoreStepParameters(AppContext& ctx, int step, int code) {
    BatchStep& st = ctx.batch.steps[static_cast<std::size_t>(step)];
    const auto words = StepWords(code, ctx.settings);
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i].i != nullptr) st.block[i] = *words[i].i;
    CopyOperationSettings(code, ctx.batch.interactive, ctx.settings);
}

}  // namespace orva
