#include "shell/operations.h"

#include <algorithm>

#include "common/translate.h"
#include "ops/op_params.h"
#include "shell/background_commands.h"
#include "shell/colour_noise_lines_commands.h"
#include "shell/composite_commands.h"
#include "shell/geometry_commands.h"
#include "shell/tone_commands.h"
#include "shell/wavelet_restore_commands.h"

namespace orva {

namespace {

using G = MenuGroup;

constexpr OperationStep kNoStep{};

constexpr MenuPlace At(MenuGroup group, int block, int place) {
    return {group, block, place};
}

// The block of a dispatched operation is its settings family put into words.
template <auto Family, auto Put>
void FillFrom(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    Put(ctx.settings.*Family, block);
}

// A dispatched operation whose block is its family's words, with `memory` undo copies' worth
// of memory asked for first.
template <uint32_t Code, auto Family, auto Put, int Memory = 2>
ProcessingCommand Dispatched() {
    return ProcessingCommand{Memory, {}, Code, FillFrom<Family, Put>, nullptr, nullptr};
}

// The words of each batch step, in the order the batch file keeps them.

void MultiFileWords(MultiFileCompositeSettings& m, StepWordList& w) {
    const auto& f = kCompositeFields;
    w.Put(f.compare_range, m.compare_range);
    w.Put(f.compare_method, m.compare_method);
    w.Put(f.normalise, m.normalise);
    w.Put(f.noise_mode, m.noise_mode);
    w.Put(f.noise_level, m.noise_level);
    w.Put(f.method, m.method);
    w.SkipTo(11);
    w.Put(f.shift_one_pixel, m.shift_one_pixel);
}

void CropWords(CropSettings& c, StepWordList& w) {
    const auto& f = kCropFields;
    w.Put(f.anchor, c.anchor);
    w.Put(f.width, c.width);
    w.Put(f.height, c.height);
    w.Put(f.output_mode, c.output_mode);
    w.Put(f.output_width, c.output_width);
    w.Put(f.output_height, c.output_height);
    w.Put(f.magnification, c.magnification);
}

void GeneratedBackgroundWords(BackgroundSettings& b, StepWordList& w) {
    const auto& f = kBackgroundFields;
    w.Put(f.detect_area, b.detect_area);
    w.Put(f.average_area, b.average_area);
    w.Put(f.generated_use, b.generated_use);
    w.Put(f.shift, b.generated_shift);
    w.Put(f.two_part, b.two_part);
    w.Put(f.exclude_zero, b.exclude_zero);
}

void SharpenWords(SharpenSettings& sh, StepWordList& w) {
    const auto& f = kSharpenFields;
    for (int& c : sh.channels) w.Put(f.channel, c);
    w.Put(f.radius, sh.radius);
    w.Put(f.smooth_range, sh.smooth_range);
    w.Put(f.smooth_strength, sh.smooth_strength);
    w.Put(f.emphasis, sh.emphasis);
}

void EdgeWords(EdgeSettings& e, StepWordList& w) {
    const auto& f = kEdgeFields;
    for (int& c : e.channels) w.Put(f.channel, c);
    w.Put(f.area, e.area);
    w.Put(f.range, e.range);
    w.Put(f.smooth_strength, e.smooth_strength);
    w.Put(f.emphasis, e.emphasis);
    w.Put(f.threshold, e.threshold);
}

void WaveletWords(WaveletSettings& wl, StepWordList& w) {
    w.Put(kWaveletFields.filter_order, wl.filter_order);
    for (int& g : wl.gains) w.Put(kWaveletFields.gain, g);
}

void RestoreWords(RestoreSettings& r, StepWordList& w) {
    const auto& f = kRestoreFields;
    w.Put(f.spread, r.spread);
    w.Put(f.blunting, r.blunting);
    w.Put(f.iterations, r.iterations);
    w.Put(f.emphasis, r.emphasis);
}

void RotateWords(RotateSettings& r, StepWordList& w) {
    w.Put(kRotateFields.mode, r.mode);
    w.Put(kRotateFields.angle, r.angle);
}

void DistortionWords(DistortionSettings& d, StepWordList& w) {
    w.Put(kDistortionFields.amount, d.amount);
}

void GammaWords(GammaSettings& g, StepWordList& w) {
    w.Put(kGammaFields.curve_mode, g.curve_mode);
    w.Put(kGammaFields.channel_set, g.channel_set);
    for (auto& set : g.points)
        for (int& p : set) w.Put(kGammaFields.point, p);
}

void LevelWords(LevelSettings& l, StepWordList& w) {
    const auto& f = kLevelFields;
    w.Put(f.channel_set, l.channel_set);
    for (LevelSet& s : l.sets) {
        w.Put(f.input_min, s.input_min);
        w.Put(f.input_max, s.input_max);
        w.Put(f.brightness, s.brightness);
        w.Put(f.contrast, s.contrast);
        w.Put(f.gamma, s.gamma);
        w.Put(f.output_min, s.output_min);
        w.Put(f.output_max, s.output_max);
    }
}

void ColourWords(ColourSettings& c, StepWordList& w) {
    w.Put(kColourFields.saturation, c.saturation);
    w.Put(kColourFields.hue, c.hue);
}

void NoiseWords(NoiseSettings& n, StepWordList& w) {
    w.Put(kNoiseFields.area, n.area);
    w.Put(kNoiseFields.tolerance, n.tolerance);
    w.Put(kNoiseFields.strength, n.strength);
}

void DynamicRangeWords(DynamicRangeSettings& d, StepWordList& w) {
    w.Put(kDynamicRangeFields.radius, d.radius);
    w.Put(kDynamicRangeFields.tone_difference, d.tone_difference);
    w.Put(kDynamicRangeFields.strength, d.strength);
}

std::vector<OperationDescriptor> Build() {
    std::vector<OperationDescriptor> ops = {
        {kCmdSharpen, ORVA_TEXT("orva", "シャープ/スムーズ(&S)"), At(G::Processing, 1, 1),
         kOpSharpen, true, DialogId::Sharpen,
         StepOf<&Settings::sharpen, SharpenWords>(kStepSharpen,
                                                  ORVA_TEXT("orva", "シャープ/スムーズ")),
         "sharpen", "sharpen or smooth (keywords sharp, sharp_flt)",
         Dispatched<kOpSharpen, &Settings::sharpen, PutSharpenWords>},
        {kCmdEdge, ORVA_TEXT("orva", "エッジ強調(&E)"), At(G::Processing, 1, 2), kOpEdge, true,
         DialogId::Edge,
         StepOf<&Settings::edge, EdgeWords>(kStepEdge, ORVA_TEXT("orva", "エッジ強調")), "edge",
         "edge enhancement (keywords edge, edgearea)",
         Dispatched<kOpEdge, &Settings::edge, PutEdgeWords>},
        {kCmdResize, ORVA_TEXT("orva", "サイズ変更(&R)"), At(G::Processing, 2, 1), -1, true,
         DialogId::Resize, kNoStep, "resize", "resize (keyword resize)", nullptr, ResizeCommand},
        {kCmdCrop, ORVA_TEXT("orva", "切り出しとサイズ変更"), At(G::Edit, 2, 3), -1, true,
         DialogId::Crop,
         StepOf<&Settings::crop, CropWords>(kStepCrop, ORVA_TEXT("orva", "切り出しとサイズ変更")),
         "crop", "cut out and resize (keyword cut)", nullptr, CropCommand},
        {kCmdRotate, ORVA_TEXT("orva", "回転(&T)"), At(G::Processing, 2, 2), kOpRotate, true,
         DialogId::Rotate,
         StepOf<&Settings::rotate, RotateWords>(kStepRotate, ORVA_TEXT("orva", "回転")), "rotate",
         "rotate or flip (keyword round)",
         Dispatched<kOpRotate, &Settings::rotate, PutRotateWords, 3>},
        {kCmdDistortion, ORVA_TEXT("orva", "歪曲収差補正(&Y)"), At(G::Processing, 2, 3),
         kOpDistortion, true, DialogId::Distortion,
         StepOf<&Settings::distortion, DistortionWords>(kStepDistortion,
                                                        ORVA_TEXT("orva", "歪曲収差補正")),
         "distortion", "distortion correction (keyword waikyoku)",
         Dispatched<kOpDistortion, &Settings::distortion, PutDistortionWords>},
        {kCmdGamma, ORVA_TEXT("orva", "ガンマ補正(&G)"), At(G::Processing, 3, 1), kOpGamma, true,
         DialogId::Gamma,
         StepOf<&Settings::gamma, GammaWords>(kStepGamma, ORVA_TEXT("orva", "ガンマ補正")), "gamma",
         "gamma curve (keyword gamma)",
         [] {
             return ProcessingCommand{
                 2, {}, kOpGamma, FillFrom<&Settings::gamma, PutGammaWords>, AfterGamma, nullptr};
         }},
        {kCmdLevel, ORVA_TEXT("orva", "レベル補正(&L)"), At(G::Processing, 3, 2), -1, true,
         DialogId::Level,
         StepOf<&Settings::level, LevelWords>(kStepLevel, ORVA_TEXT("orva", "レベル補正")), "level",
         "level correction (keyword lvl)", LevelProcessing},
        {kCmdDynamicRange, ORVA_TEXT("orva", "ダイナミックレンジ補正(&K)"), At(G::Processing, 3, 3),
         -1, true, DialogId::DynamicRange,
         StepOf<&Settings::dynamic_range, DynamicRangeWords>(
             kStepDynamicRange, ORVA_TEXT("orva", "ダイナミックレンジ補正")),
         "dynamic-range", "dynamic range correction (keyword hdr)", DynamicRangeProcessing},
        {kCmdWavelet, ORVA_TEXT("orva", "ウェーブレット(&W)"), At(G::Processing, 1, 3), kOpWavelet,
         true, DialogId::Wavelet,
         StepOf<&Settings::wavelet, WaveletWords>(kStepWavelet,
                                                  ORVA_TEXT("orva", "ウェーブレット")),
         "wavelet", "wavelet sub-band processing (keywords wavelet, filter)",
         [] { return ProcessingCommand{4, {}, kOpWavelet, FillWaveletBlock, nullptr, nullptr}; }},
        {kCmdRestore, ORVA_TEXT("orva", "ボケ補正"), At(G::Processing, 1, 4), kOpRestore, true,
         DialogId::Restore,
         StepOf<&Settings::restore, RestoreWords>(kStepRestore, ORVA_TEXT("orva", "ボケ補正")),
         "restore", "blur restoration (keyword restore)",
         Dispatched<kOpRestore, &Settings::restore, PutRestoreWords, 5>},
        {kCmdGrey, ORVA_TEXT("orva", "白黒化(&M)"), At(G::Processing, 4, 1), kOpGrey, true,
         DialogId::Grey, kNoStep, "gray", "black and white (keyword gray)",
         [] {
             return ProcessingCommand{
                 2, {}, kOpGrey, FillFrom<&Settings::grey, PutGreyWords>, AfterGrey, nullptr};
         }},
        {kCmdSaturationHue, ORVA_TEXT("orva", "彩度／色相調整(&U)"), At(G::Processing, 4, 2),
         kOpSaturation, true, DialogId::SaturationHue,
         StepOf<&Settings::colour, ColourWords>(kStepSaturationHue,
                                                ORVA_TEXT("orva", "彩度/色相調整")),
         "saturation", "saturation and hue (keyword color)",
         Dispatched<kOpSaturation, &Settings::colour, PutSaturationWords>},
        {kCmdColourChangeRgb, ORVA_TEXT("orva", "色変更(RGB)"), At(G::Processing, 4, 3), -1, true,
         DialogId::ColourChangeRgb, kNoStep, "colour-rgb", "colour change in RGB (keyword chgrgb)",
         nullptr, ColourChangeRgbCommand},
        {kCmdColourChangeHsv, ORVA_TEXT("orva", "色変更(HSV)"), At(G::Processing, 4, 4), -1, true,
         DialogId::ColourChangeHsv, kNoStep, "colour-hsv", "colour change in HSV (keyword chghsv)",
         nullptr, ColourChangeHsvCommand},
        {kCmdNoise, ORVA_TEXT("orva", "ノイズ除去(&N)"), At(G::Noise, 1, 1), -1, true,
         DialogId::Noise,
         StepOf<&Settings::noise, NoiseWords>(kStepNoise, ORVA_TEXT("orva", "ノイズ除去")), "noise",
         "noise reduction (keyword noise)", NoiseProcessing},
        {kCmdLineSeparation, ORVA_TEXT("orva", "奇数／偶数ライン分離(&O)"), At(G::Processing, 5, 1),
         kOpLinesEven, true, std::nullopt, kNoStep, "lines",
         "odd/even line separation (OUT odd rows, --even FILE even rows)", nullptr,
         LineSeparationCommand},
        {kCmdBackground, ORVA_TEXT("orva", "補正実行(&B)"), At(G::Background, 1, 1), kOpBackground,
         true, DialogId::BackgroundLevels, kNoStep, "background",
         "radial background correction (keywords back2, pseudo_curve, pseudo_shift)", nullptr,
         RadialBackgroundCommand},
        {kCmdBackgroundImage, ORVA_TEXT("orva", "バックグランド補正（画像データ）(&G)"),
         At(G::Background, 2, 1), kOpBackground, true, DialogId::BackgroundImage, kNoStep,
         "background-image",
         "background correction by a picture: --background FILE (keyword back1)", nullptr,
         ImageBackgroundCommand},
        {kCmdMakeBackground, ORVA_TEXT("orva", "バックグランドデータ生成"), At(G::Background, 3, 1),
         kOpMakeBackground, true, DialogId::GeneratedBackground,
         StepOf<&Settings::background, GeneratedBackgroundWords>(
             kStepMakeBackground, ORVA_TEXT("orva", "バックグランド補正"), "background"),
         "make-background",
         "generated background: use 0 writes it, 1/2 correct by it (keywords back3, VER264)",
         nullptr, MakeBackgroundCommand},
        {kCmdBackgroundPoints, ORVA_TEXT("orva", "バックグランド補正(ポイント指定)"),
         At(G::Background, 2, 2), kOpBackground, true, DialogId::BackgroundPoints, kNoStep,
         "background-points",
         "background fitted to places: --points X,Y ... (y from the top; keyword back1)", nullptr,
         BackgroundPointsCommand},
        {kCmdCompareImages, ORVA_TEXT("orva", "２画像比較"), At(G::Compositing, 3, 1),
         kOpBackground, true, DialogId::Compare, kNoStep, "compare",
         "two-image comparison: --with FILE (keyword compare_level)", nullptr,
         CompareImagesCommand},
        // Compositing makes a new picture from others, so it needs no current image.
        {kCmdCompositeFiles, ORVA_TEXT("orva", "画像合成-複数ファイル(&M)"),
         At(G::Compositing, 1, 3), kOpComposite, false, DialogId::CompositeFiles,
         StepOf<&Settings::multi_file, MultiFileWords>(kStepOpenComposite,
                                                       ORVA_TEXT("orva", "ファイル開く&画像合成")),
         nullptr, nullptr, nullptr, CompositeFilesCommand},
        {kCmdCompositeAuto, ORVA_TEXT("orva", "画像合成-自動(&A)"), At(G::Compositing, 1, 1),
         kOpComposite, false, DialogId::CompositeAuto, kNoStep, nullptr, nullptr, nullptr,
         CompositeAutoCommand},
        {kCmdCompositePoints, ORVA_TEXT("orva", "画像合成-ポイント指定(&P)"),
         At(G::Compositing, 1, 2), kOpCompositePoints, false, DialogId::CompositePoints, kNoStep,
         nullptr, nullptr, nullptr, CompositePointsCommand},
        {kCmdLrgb, ORVA_TEXT("orva", "L+RGB画像合成(&L)"), At(G::Compositing, 2, 1),
         kOpCompositeLrgb, false, DialogId::Lrgb, kNoStep, nullptr, nullptr, nullptr, LrgbCommand},
        {kCmdLrgbFourImages, ORVA_TEXT("orva", "L+R+G+B画像合成"), At(G::Compositing, 2, 2),
         kOpCompositeLrgb, false, DialogId::LrgbFour, kNoStep, nullptr, nullptr, nullptr,
         LrgbFourCommand},
    };
    return ops;
}

}  // namespace

const std::vector<OperationDescriptor>& Operations() {
    static const std::vector<OperationDescriptor> ops = Build();
    return ops;
}

const OperationDescriptor* FindOperation(int command_id) {
    for (const auto& op : Operations())
        if (op.command == command_id) return &op;
    return nullptr;
}

const OperationDescriptor* OperationOfStep(int step_code) {
    if (step_code == kStepNone) return nullptr;
    for (const auto& op : Operations())
        if (op.step.code == step_code) return &op;
    return nullptr;
}

std::vector<const OperationDescriptor*> StepOperations() {
    std::vector<const OperationDescriptor*> steps;
    for (const auto& op : Operations())
        if (op.step.code != kStepNone && StepCliName(op) != nullptr) steps.push_back(&op);
    std::sort(steps.begin(), steps.end(),
              [](const auto* a, const auto* b) { return a->step.code < b->step.code; });
    return steps;
}

const char* StepCliName(const OperationDescriptor& op) {
    return op.step.cli_name != nullptr ? op.step.cli_name : op.cli_name;
}

bool OperationEnabled(const OperationDescriptor& op, const AppContext& ctx) {
    if (op.needs_image && !(ctx.ws.current >= 0 && ctx.ws.current < kSlotCount &&
                            ctx.ws.at(ctx.ws.current).occupied()))
        return false;
    return op.op_code < 0 || OperationAvailable(ctx.kernels, static_cast<uint32_t>(op.op_code));
}

std::optional<ProcessingCommand> ProcessingOf(const OperationDescriptor& op) {
    if (op.processing == nullptr) return std::nullopt;
    ProcessingCommand cmd = op.processing();
    cmd.dialog = op.dialog;
    return cmd;
}

}  // namespace orva
