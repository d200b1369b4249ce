// The command table, keys and toolbar cells.
#include "shell/commands.h"

#include <algorithm>

#include "common/text.h"
#include "shell/colour_commands.h"
#include "shell/geometry_commands.h"
#include "shell/histogram_commands.h"
#include "shell/messages.h"
#include "shell/sharpen_commands.h"
#include "shell/tone_commands.h"
#include "shell/view_commands.h"
#include "shell/wavelet_commands.h"

namespace orva {

namespace {

bool HasImage(const AppContext& ctx) {
    return ctx.ws.current >= 0 && ctx.ws.current < kSlotCount &&
           ctx.ws.at(ctx.ws.current).occupied();
}

// Processing commands and the operation behind each. `fill` stays empty until the
// operation's settings mapping is built; such commands are listed but disabled.
struct ProcessingEntry {
    int id;
    ProcessingCommand cmd;
};

const std::vector<ProcessingEntry>& ProcessingEntries() {
    static const std::vector<ProcessingEntry> entries = {
        {301, {2, "SHARP", kOpSharpen, FillSharpenBlock, nullptr, nullptr, false}},
        {303, {2, "EDGE", kOpEdge, FillEdgeBlock, nullptr, nullptr, false}},
        {305, {3, "ROUND", kOpRotate, FillRotateBlock, nullptr, nullptr, false}},
        {306, {2, "BACKG", kOpBackground, nullptr, nullptr, nullptr, false}},
        {311, {2, "GAMMA", kOpGamma, FillGammaBlock, AfterGamma, nullptr, false}},
        {312, {2, "GRAY", kOpGray, FillGrayBlock, AfterGray, nullptr, false}},
        {314, {2, "COLORUP", kOpSaturation, FillSaturationBlock, nullptr, nullptr, false}},
        {316, {4, "WAVELET", kOpWavelet, FillWaveletBlock, nullptr, nullptr, false}},
        {317, {5, "RESTORE", kOpRestore, FillRestoreBlock, nullptr, nullptr, false}},
        {330, {2, "WAIKYOKU", kOpDistortion, FillDistortionBlock, nullptr, nullptr, false}},
    };
    return entries;
}

const ProcessingCommand* FindProcessing(int id) {
    for (const auto& e : ProcessingEntries())
        if (e.id == id) return &e.cmd;
    return nullptr;
}

std::function<void(AppContext&)> RunProcessing(int id) {
    return [id](AppContext& ctx) {
        if (const auto* cmd = FindProcessing(id)) RunProcessingCommand(ctx, *cmd);
    };
}

std::function<bool(const AppContext&)> ProcessingReady(int id) {
    return [id](const AppContext& ctx) {
        const auto* cmd = FindProcessing(id);
        return cmd != nullptr && cmd->fill != nullptr && OperationAvailable(ctx.kernels, cmd->code);
    };
}

// Listed in the menu, waiting for the part of the program that carries it out.
const auto kNotYet = [](const AppContext&) { return false; };
const auto kNothing = [](AppContext&) {};

void ShowDocument(AppContext& ctx, const char* file, const char* missing) {
    if (!ctx.ui.OpenDocument(file)) ShowAbout(ctx.ui, Format(missing, msg::kProductName));
}

void SaveSettingsCommand(AppContext& ctx) {
    ShowMessage(ctx.ui, Format(msg::kSaveSettingsInfo, msg::kProductName));
    FileDialogRequest req;
    req.title = msg::kSaveTitle;
    req.filters = ParseFilterList(msg::kSettingsFilter);
    const auto chosen = ctx.ui.SaveFileDialog(req);
    if (!chosen) {
        ShowError(ctx.ui, msg::kSettingsNotSaved);
        return;
    }
    std::string path = chosen->path;
    if (!EndsWithNoCase(path, ".ovg")) path += ".ovg";
    if (!path.empty() && path.front() != '/') path = ctx.shell.folder + path;
    if (!ConfirmOverwrite(ctx.ui, path)) return;
    // A settings file that could not be written is reported rather than passed over.
    if (!SaveSettingsFile(path, ctx.settings)) ShowError(ctx.ui, msg::kSettingsNotSaved);
}

void LoadSettingsCommand(AppContext& ctx) {
    FileDialogRequest req;
    req.title = msg::kLoadTitle;
    req.filters = ParseFilterList(msg::kSettingsFilter);
    const auto chosen = ctx.ui.OpenFileDialog(req);
    if (!chosen) {
        ShowError(ctx.ui, msg::kSettingsNotLoaded);
        return;
    }
    std::string path = chosen->path;
    if (!path.empty() && path.front() != '/') path = ctx.shell.folder + path;
    LoadSettingsFile(path, ctx.settings);
}

void StartBatch(AppContext& ctx) {
    if (ctx.batch.save_configured == 0) {
        ShowError(ctx.ui, msg::kBatchNotSetUp);
        ctx.batch.mode = 0;
        return;
    }
    ctx.batch.mode = ctx.batch.steps[0].edited_code;
    if (ctx.ws.current >= 0) {
        if (!CloseAllAsking(ctx)) return;  // the slot asked about stays current
    }
    ctx.ui.SetStatusText(msg::kBatchPrompt);
    ctx.ui.Repaint();
}

void SelectImage(AppContext& ctx) {
    ctx.shell.selected_slot = ctx.ws.current;
    if (!ctx.ui.RunDialog("SELECT", ctx)) return;
    const int s = ctx.shell.selected_slot;
    if (Workspace::Valid(s) && ctx.ws.at(s).occupied()) ctx.ws.current = s;
    ctx.ui.Repaint();
}

std::vector<Command> BuildTable() {
    auto image = [](const AppContext& ctx) { return HasImage(ctx); };
    std::vector<Command> t = {
        {101, "開く(&O)", OpenCommand, nullptr},
        {102, "保存(BMP,JPG,TIF,PPM)(&S)", SaveCommand, image},
        {104, "閉じる(&C)",
         [](AppContext& ctx) {
             if (ctx.ws.current < 0) return;
             if (CloseSlotAsking(ctx, ctx.ws.current)) ctx.ws.current = HighestOccupiedSlot(ctx.ws);
             ctx.ui.Repaint();
         },
         image},
        {105, "全画像を閉じる",
         [](AppContext& ctx) {
             CloseAllAsking(ctx);
             ctx.ui.Repaint();
         },
         nullptr},
        {111, "印刷(&P)", PrintCommand, image},
        {121, "終了(&X)",
         [](AppContext& ctx) {
             if (RequestApplicationClose(ctx)) ctx.ui.Quit();
         },
         nullptr},
        {131, "ダークファイル設定(&B)", kNothing, kNotYet},
        {132, "RAW現像設定(&R)", kNothing, kNotYet},
        {133, "全設定の初期化",
         [](AppContext& ctx) {
             if (AskCaution(ctx.ui, msg::kAskInitSettings)) InitSettings(ctx, 1);
         },
         nullptr},
        {134, "全設定の保存", SaveSettingsCommand, nullptr},
        {135, "全設定の読み込み", LoadSettingsCommand, nullptr},
        {200, "", CopyZoomToAll, nullptr},
        {201, "アンドゥ(&U)", Undo, CanUndo},
        {202, "リドゥ(&R)", Redo, CanRedo},
        {211, "コピー(&C)", CopyCurrentImage, image},
        {212, "領域コピー(&A)", ArmAreaCopy, image},
        {213, "切り出しとサイズ変更", CropCommand, image},
        {301, "シャープ/スムーズ(&S)", RunProcessing(301), ProcessingReady(301)},
        {302, "画像合成-自動(&A)", kNothing, kNotYet},
        {303, "エッジ強調(&E)", RunProcessing(303), ProcessingReady(303)},
        {304, "サイズ変更(&R)", ResizeCommand, image},
        {305, "回転(&T)", RunProcessing(305), ProcessingReady(305)},
        {306, "補正実行(&B)", RunProcessing(306), ProcessingReady(306)},
        {307, "バックグランド補正（画像データ）(&G)", kNothing, kNotYet},
        {308, "画像合成-ポイント指定(&P)", kNothing, kNotYet},
        {309, "バックグランド補正(ポイント指定)", kNothing, kNotYet},
        {311, "ガンマ補正(&G)", RunProcessing(311), ProcessingReady(311)},
        {312, "白黒化(&W)", RunProcessing(312), ProcessingReady(312)},
        {313, "L+RGB画像合成(&L)", kNothing, kNotYet},
        {314, "彩度／色相調整(&U)", RunProcessing(314), ProcessingReady(314)},
        {315, "ダイナミックレンジ補正(&K)", DynamicRangeCommand, image},
        {316, "ウェーブレット(&W)", RunProcessing(316), ProcessingReady(316)},
        {317, "ボケ補正", RunProcessing(317), ProcessingReady(317)},
        {318, "レベル補正(&L)", LevelCommand, image},
        {320, "奇数／偶数ライン分離(&E)", LineSeparationCommand,
         [](const AppContext& ctx) {
             return HasImage(ctx) && OperationAvailable(ctx.kernels, kOpLinesEven);
         }},
        {330, "歪曲収差補正(&Y)", RunProcessing(330), ProcessingReady(330)},
        {331, "色変更(RGB)", ColourChangeRgbCommand, image},
        {332, "色変更(HSV)", ColourChangeHsvCommand, image},
        {360, "L+R+G+B画像合成", kNothing, kNotYet},
        {370, "２画像比較", kNothing, kNotYet},
        {401, "拡大表示(&I)", [](AppContext& ctx) { ZoomCommand(ctx, 1); }, image},
        {402, "縮小表示(&O)", [](AppContext& ctx) { ZoomCommand(ctx, 0); }, image},
        {411, "ヒストグラム(&H)", [](AppContext& ctx) { ShowInspectionCommand(ctx, 0); }, nullptr},
        {412, "ポイント座標(&X)",
         [](AppContext& ctx) {
             if (!HasImage(ctx)) return;
             ShowMessage(ctx.ui, PointReportText(ctx.ws.at(ctx.ws.current),
                                                 ctx.settings.display.readout_divisor));
         },
         image},
        {413, "断面濃度", [](AppContext& ctx) { ShowInspectionCommand(ctx, 1); }, nullptr},
        {421, "画像選択(&S)", SelectImage, nullptr},
        {422, "表示モード設定",
         [](AppContext& ctx) {
             if (ctx.ui.RunDialog("DISPCONF", ctx)) ctx.ui.Repaint();
         },
         nullptr},
        {501, "ヘルプ",
         [](AppContext& ctx) { ShowDocument(ctx, msg::kHelpFile, msg::kHelpMissing); }, nullptr},
        {502, "バージョン(&A)",
         [](AppContext& ctx) {
             ShowAbout(ctx.ui, Format(msg::kVersionLine, msg::kProductName) +
                                   "\n天体写真とデジタルカメラ画像のための画像処理ソフト");
         },
         nullptr},
        {503, "画像処理例",
         [](AppContext& ctx) { ShowDocument(ctx, msg::kExamplesFile, msg::kExamplesMissing); },
         nullptr},
        {777, "ノイズ除去(&N)", NoiseCommand, image},
        {801, "設定", kNothing, kNotYet},
        {802, "バッチ開始", StartBatch, nullptr},
        {803, "バッチ停止",
         [](AppContext& ctx) {
             ctx.batch.mode = 0;
             ctx.ui.SetStatusText("");
             ctx.ui.Repaint();
         },
         nullptr},
        {808, "バッチファイル開く", kNothing, kNotYet},
        {809, "バッチファイル保存", kNothing, kNotYet},
        {999, "", [](AppContext& ctx) { ctx.ui.RepaintToolbar(); }, nullptr},
        {3021, "画像合成-複数ファイル(&M)", kNothing, kNotYet},
        {3061, "中央背景取り込み", kNothing, kNotYet},
        {3062, "周辺背景取り込み", kNothing, kNotYet},
        {3071, "バックグランドデータ生成", kNothing, kNotYet},
    };
    return t;
}

}  // namespace

const std::vector<Command>& CommandTable() {
    static const std::vector<Command> table = BuildTable();
    return table;
}

const Command* FindCommand(int id) {
    for (const auto& c : CommandTable())
        if (c.id == id) return &c;
    return nullptr;
}

bool CommandEnabled(const AppContext& ctx, int id) {
    const Command* c = FindCommand(id);
    return c != nullptr && (!c->enabled || c->enabled(ctx));
}

bool ExecuteCommand(AppContext& ctx, int id) {
    const Command* c = FindCommand(id);
    if (c == nullptr || (c->enabled && !c->enabled(ctx))) return false;
    c->action(ctx);
    return true;
}

void HandleKey(AppContext& ctx, Key key) {
    int column = 0, row = 0;
    const bool image = HasImage(ctx);
    if (image) {
        WindowToImage(ctx.ws.at(ctx.ws.current), ctx.shell.mouse_x, ctx.shell.mouse_y, column, row);
    }
    switch (key) {
        case Key::Up:
        case Key::Digit8:
            ctx.ws.current = NextOccupiedSlot(ctx.ws, SlotDirection::Up);
            ctx.ui.Repaint();
            break;
        case Key::Down:
        case Key::Digit2:
            ctx.ws.current = NextOccupiedSlot(ctx.ws, SlotDirection::Down);
            ctx.ui.Repaint();
            break;
        case Key::Insert: ExecuteCommand(ctx, 211); break;
        case Key::A:
        case Key::B:
        case Key::C: {
            if (!image) break;
            ImageRecord& rec = ctx.ws.at(ctx.ws.current);
            if (key == Key::A) {
                rec.point_a_x = column;
                rec.point_a_y = row;
            } else if (key == Key::B) {
                rec.point_b_x = column;
                rec.point_b_y = row;
            } else {
                rec.point_a_x = rec.point_a_y = rec.point_b_x = rec.point_b_y = -1;
            }
            ctx.ui.Repaint();
            break;
        }
        case Key::O: ExecuteCommand(ctx, 101); break;
        case Key::S: ExecuteCommand(ctx, 102); break;
    }
}

int ToolbarCommand(int cell) {
    static constexpr int kCells[] = {101, 102, 111, -1,  201, 202, -1, 301, 303, 304,
                                     305, 302, 311, 312, 411, 421, -1, -1,  -1,  -1};
    if (cell < 0 || cell >= static_cast<int>(std::size(kCells))) return -1;
    return kCells[cell];
}

void HandleToolbarClick(AppContext& ctx, int x, int y) {
    if (y > 24 || x < 0) return;
    const int cell = x / 24;
    if (cell > 19) return;
    ctx.ui.RepaintToolbar();
    if (cell == 16) {
        ctx.ws.current = NextOccupiedSlot(ctx.ws, y < 12 ? SlotDirection::Up : SlotDirection::Down);
        ctx.ui.Repaint();
    } else if (cell >= 17) {
        ctx.shell.all_images = ctx.shell.all_images == 0 ? 1 : 0;
        ctx.ui.Repaint();
        ExecuteCommand(ctx, 200);
    } else if (const int id = ToolbarCommand(cell); id >= 0) {
        ExecuteCommand(ctx, id);
    }
}

}  // namespace orva
