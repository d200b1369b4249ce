#include "shell/operations.h"

#include "common/translate.h"
#include "shell/background_commands.h"
#include "shell/colour_noise_lines_commands.h"
#include "shell/composite_commands.h"
#include "shell/geometry_commands.h"
#include "shell/sharpen_edge_commands.h"
#include "shell/tone_commands.h"
#include "shell/wavelet_restore_commands.h"

namespace orva {

namespace {

using G = MenuGroup;

constexpr MenuPlace At(MenuGroup group, int block, int place) {
    return {group, block, place};
}

std::vector<OperationDescriptor> Build() {
    std::vector<OperationDescriptor> ops = {
        {kCmdSharpen, ORVA_TEXT("orva", "シャープ/スムーズ(&S)"), At(G::Processing, 1, 1),
         kOpSharpen, true, DialogId::Sharpen, kStepSharpen, ORVA_TEXT("orva", "シャープ/スムーズ"),
         "sharpen", "sharpen or smooth (keywords sharp, sharp_flt)",
         [] { return ProcessingCommand{2, {}, kOpSharpen, FillSharpenBlock, nullptr, nullptr}; }},
        {kCmdEdge, ORVA_TEXT("orva", "エッジ強調(&E)"), At(G::Processing, 1, 2), kOpEdge, true,
         DialogId::Edge, kStepEdge, ORVA_TEXT("orva", "エッジ強調"), "edge",
         "edge enhancement (keywords edge, edgearea)",
         [] { return ProcessingCommand{2, {}, kOpEdge, FillEdgeBlock, nullptr, nullptr}; }},
        {kCmdResize, ORVA_TEXT("orva", "サイズ変更(&R)"), At(G::Processing, 2, 1), -1, true,
         DialogId::Resize, kStepNone, nullptr, "resize", "resize (keyword resize)", nullptr,
         ResizeCommand},
        {kCmdCrop, ORVA_TEXT("orva", "切り出しとサイズ変更"), At(G::Edit, 2, 3), -1, true,
         DialogId::Crop, kStepCrop, ORVA_TEXT("orva", "切り出しとサイズ変更"), "crop",
         "cut out and resize (keyword cut)", nullptr, CropCommand},
        {kCmdRotate, ORVA_TEXT("orva", "回転(&T)"), At(G::Processing, 2, 2), kOpRotate, true,
         DialogId::Rotate, kStepRotate, ORVA_TEXT("orva", "回転"), "rotate",
         "rotate or flip (keyword round)",
         [] { return ProcessingCommand{3, {}, kOpRotate, FillRotateBlock, nullptr, nullptr}; }},
        {kCmdDistortion, ORVA_TEXT("orva", "歪曲収差補正(&Y)"), At(G::Processing, 2, 3),
         kOpDistortion, true, DialogId::Distortion, kStepDistortion,
         ORVA_TEXT("orva", "歪曲収差補正"), "distortion",
         "distortion correction (keyword waikyoku)",
         [] {
             return ProcessingCommand{2, {}, kOpDistortion, FillDistortionBlock, nullptr, nullptr};
         }},
        {kCmdGamma, ORVA_TEXT("orva", "ガンマ補正(&G)"), At(G::Processing, 3, 1), kOpGamma, true,
         DialogId::Gamma, kStepGamma, ORVA_TEXT("orva", "ガンマ補正"), "gamma",
         "gamma curve (keyword gamma)",
         [] { return ProcessingCommand{2, {}, kOpGamma, FillGammaBlock, AfterGamma, nullptr}; }},
        {kCmdLevel, ORVA_TEXT("orva", "レベル補正(&L)"), At(G::Processing, 3, 2), -1, true,
         DialogId::Level, kStepLevel, ORVA_TEXT("orva", "レベル補正"), "level",
         "level correction (keyword lvl)", LevelProcessing},
        {kCmdDynamicRange, ORVA_TEXT("orva", "ダイナミックレンジ補正(&K)"), At(G::Processing, 3, 3),
         -1, true, DialogId::DynamicRange, kStepDynamicRange,
         ORVA_TEXT("orva", "ダイナミックレンジ補正"), "dynamic-range",
         "dynamic range correction (keyword hdr)", DynamicRangeProcessing},
        {kCmdWavelet, ORVA_TEXT("orva", "ウェーブレット(&W)"), At(G::Processing, 1, 3), kOpWavelet,
         true, DialogId::Wavelet, kStepWavelet, ORVA_TEXT("orva", "ウェーブレット"), "wavelet",
         "wavelet sub-band processing (keywords wavelet, filter)",
         [] { return ProcessingCommand{4, {}, kOpWavelet, FillWaveletBlock, nullptr, nullptr}; }},
        {kCmdRestore, ORVA_TEXT("orva", "ボケ補正"), At(G::Processing, 1, 4), kOpRestore, true,
         DialogId::Restore, kStepRestore, ORVA_TEXT("orva", "ボケ補正"), "restore",
         "blur restoration (keyword restore)",
         [] { return ProcessingCommand{5, {}, kOpRestore, FillRestoreBlock, nullptr, nullptr}; }},
        {kCmdGrey, ORVA_TEXT("orva", "白黒化(&M)"), At(G::Processing, 4, 1), kOpGrey, true,
         DialogId::Grey, kStepNone, nullptr, "gray", "black and white (keyword gray)",
         [] { return ProcessingCommand{2, {}, kOpGrey, FillGreyBlock, AfterGrey, nullptr}; }},
        {kCmdSaturationHue, ORVA_TEXT("orva", "彩度／色相調整(&U)"), At(G::Processing, 4, 2),
         kOpSaturation, true, DialogId::SaturationHue, kStepSaturationHue,
         ORVA_TEXT("orva", "彩度/色相調整"), "saturation", "saturation and hue (keyword color)",
         [] {
             return ProcessingCommand{2, {}, kOpSaturation, FillSaturationBlock, nullptr, nullptr};
         }},
        {kCmdColourChangeRgb, ORVA_TEXT("orva", "色変更(RGB)"), At(G::Processing, 4, 3), -1, true,
         DialogId::ColourChangeRgb, kStepNone, nullptr, "colour-rgb",
         "colour change in RGB (keyword chgrgb)", nullptr, ColourChangeRgbCommand},
        {kCmdColourChangeHsv, ORVA_TEXT("orva", "色変更(HSV)"), At(G::Processing, 4, 4), -1, true,
         DialogId::ColourChangeHsv, kStepNone, nullptr, "colour-hsv",
         "colour change in HSV (keyword chghsv)", nullptr, ColourChangeHsvCommand},
        {kCmdNoise, ORVA_TEXT("orva", "ノイズ除去(&N)"), At(G::Noise, 1, 1), -1, true,
         DialogId::Noise, kStepNoise, ORVA_TEXT("orva", "ノイズ除去"), "noise",
         "noise reduction (keyword noise)", NoiseProcessing},
        {kCmdLineSeparation, ORVA_TEXT("orva", "奇数／偶数ライン分離(&O)"), At(G::Processing, 5, 1),
         kOpLinesEven, true, std::nullopt, kStepNone, nullptr, "lines",
         "odd/even line separation (OUT odd rows, --even FILE even rows)", nullptr,
         LineSeparationCommand},
        {kCmdBackground, ORVA_TEXT("orva", "補正実行(&B)"), At(G::Background, 1, 1), kOpBackground,
         true, DialogId::BackgroundLevels, kStepNone, nullptr, "background",
         "radial background correction (keywords back2, pseudo_curve, pseudo_shift)", nullptr,
         RadialBackgroundCommand},
        {kCmdBackgroundImage, ORVA_TEXT("orva", "バックグランド補正（画像データ）(&G)"),
         At(G::Background, 2, 1), kOpBackground, true, DialogId::BackgroundImage, kStepNone,
         nullptr, "background-image",
         "background correction by a picture: --background FILE (keyword back1)", nullptr,
         ImageBackgroundCommand},
        {kCmdMakeBackground, ORVA_TEXT("orva", "バックグランドデータ生成"), At(G::Background, 3, 1),
         kOpMakeBackground, true, DialogId::GeneratedBackground, kStepMakeBackground,
         ORVA_TEXT("orva", "バックグランド補正"), "make-background",
         "generated background: use 0 writes it, 1/2 correct by it (keywords back3, VER264)",
         nullptr, MakeBackgroundCommand},
        {kCmdBackgroundPoints, ORVA_TEXT("orva", "バックグランド補正(ポイント指定)"),
         At(G::Background, 2, 2), kOpBackground, true, DialogId::BackgroundPoints, kStepNone,
         nullptr, "background-points",
         "background fitted to places: --points X,Y ... (y from the top; keyword back1)", nullptr,
         BackgroundPointsCommand},
        {kCmdCompareImages, ORVA_TEXT("orva", "２画像比較"), At(G::Compositing, 3, 1),
         kOpBackground, true, DialogId::Compare, kStepNone, nullptr, "compare",
         "two-image comparison: --with FILE (keyword compare_level)", nullptr,
         CompareImagesCommand},
        // Compositing makes a new picture from others, so it needs no current image.
        {kCmdCompositeFiles, ORVA_TEXT("orva", "画像合成-複数ファイル(&M)"),
         At(G::Compositing, 1, 3), kOpComposite, false, DialogId::CompositeFiles,
         kStepOpenComposite, ORVA_TEXT("orva", "ファイル開く&画像合成"), nullptr, nullptr, nullptr,
         CompositeFilesCommand},
        {kCmdCompositeAuto, ORVA_TEXT("orva", "画像合成-自動(&A)"), At(G::Compositing, 1, 1),
         kOpComposite, false, DialogId::CompositeAuto, kStepNone, nullptr, nullptr, nullptr,
         nullptr, CompositeAutoCommand},
        {kCmdCompositePoints, ORVA_TEXT("orva", "画像合成-ポイント指定(&P)"),
         At(G::Compositing, 1, 2), kOpCompositePoints, false, DialogId::CompositePoints, kStepNone,
         nullptr, nullptr, nullptr, nullptr, CompositePointsCommand},
        {kCmdLrgb, ORVA_TEXT("orva", "L+RGB画像合成(&L)"), At(G::Compositing, 2, 1),
         kOpCompositeLrgb, false, DialogId::Lrgb, kStepNone, nullptr, nullptr, nullptr, nullptr,
         LrgbCommand},
        {kCmdLrgbFourImages, ORVA_TEXT("orva", "L+R+G+B画像合成"), At(G::Compositing, 2, 2),
         kOpCompositeLrgb, false, DialogId::LrgbFour, kStepNone, nullptr, nullptr, nullptr, nullptr,
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
        if (op.step == step_code) return &op;
    return nullptr;
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
