// The command table, keys and toolbar cells.
#include "shell/commands.h"

#include <algorithm>

#include "common/text.h"
#include "common/translate.h"
#include "shell/background_commands.h"
#include "shell/calibrated_commands.h"
#include "shell/colour_noise_lines_commands.h"
#include "shell/composite_commands.h"
#include "shell/geometry_commands.h"
#include "shell/histogram_print_commands.h"
#include "shell/live_commands.h"
#include "shell/messages.h"
#include "shell/operations.h"
#include "shell/raw_commands.h"
#include "shell/tone_commands.h"
#include "shell/view_commands.h"
#include "shell/wavelet_restore_commands.h"

namespace orva {

namespace {

bool HasImage(const AppContext& ctx) {
    return ctx.ws.current >= 0 && ctx.ws.current < kSlotCount &&
           ctx.ws.at(ctx.ws.current).occupied();
}

}  // namespace

std::optional<ProcessingCommand> ProcessingOf(int command_id) {
    const OperationDescriptor* op = FindOperation(command_id);
    return op != nullptr ? ProcessingOf(*op) : std::nullopt;
}

namespace {

// A document that could not be shown is an error, not an about box.
void ShowDocument(AppContext& ctx, const char* file, const char* missing, bool inside = false) {
    const bool shown = inside ? ctx.ui.OpenDocumentInside(file) : ctx.ui.OpenDocument(file);
    if (!shown) ShowError(ctx.ui, Format(missing, msg::kProductName));
}

void SaveSettingsCommand(AppContext& ctx) {
    ShowMessage(ctx.ui, Format(Tr(msg::kSaveSettingsInfo), msg::kProductName));
    FileDialogRequest req;
    req.title = msg::kSaveTitle;
    req.filters = ParseFilterList(Tr(msg::kSettingsFilter));
    const auto chosen = ctx.ui.SaveFileDialog(req);
    if (!chosen) {
        ShowError(ctx.ui, Tr(msg::kSettingsNotSaved));
        return;
    }
    std::string path = chosen->path;
    if (!EndsWithNoCase(path, ".ovg")) path += ".ovg";
    if (!path.empty() && path.front() != '/') path = ctx.shell.folder + path;
    if (!ConfirmOverwrite(ctx.ui, path)) return;
    // A settings file that could not be written is reported rather than passed over.
    if (!SaveSettingsFile(path, ctx.settings)) ShowError(ctx.ui, Tr(msg::kSettingsNotSaved));
}

void LoadSettingsCommand(AppContext& ctx) {
    FileDialogRequest req;
    req.title = msg::kLoadTitle;
    req.filters = ParseFilterList(Tr(msg::kSettingsFilter));
    const auto chosen = ctx.ui.OpenFileDialog(req);
    if (!chosen) {
        ShowError(ctx.ui, Tr(msg::kSettingsNotLoaded));
        return;
    }
    std::string path = chosen->path;
    if (!path.empty() && path.front() != '/') path = ctx.shell.folder + path;
    // A file that is not a settings file (an image chosen by mistake) is reported, not
    // passed over as if it had loaded.
    if (!LoadSettingsFile(path, ctx.settings)) ShowError(ctx.ui, Tr(msg::kSettingsNotLoaded));
}

void StartBatch(AppContext& ctx) {
    if (ctx.batch.save_configured == 0) {
        ShowError(ctx.ui, Tr(msg::kBatchNotSetUp));
        ctx.batch.mode = 0;
        return;
    }
    // Every open image is asked about before batch mode is armed: a batch's first drop closes
    // all images, so arming first and letting the user cancel would lose them unasked.
    if (ctx.ws.current >= 0 && !CloseAllAsking(ctx)) {
        ctx.ui.Repaint();
        return;  // the slot asked about stays current, batch mode stays as it was
    }
    ctx.batch.mode = ctx.batch.steps[0].edited_code;
    ctx.ui.SetStatusText(Tr(msg::kBatchPrompt));
    ctx.ui.Repaint();
}

// The batch dialog and the batch file commands belong to the batch layer above the shell,
// which installs them together with the executor.
std::function<void(AppContext&)> BatchCommand(int id) {
    return [id](AppContext& ctx) {
        if (ctx.batch.command) ctx.batch.command(ctx, id);
    };
}

bool BatchInstalled(const AppContext& ctx) {
    return static_cast<bool>(ctx.batch.command);
}

void SelectImage(AppContext& ctx) {
    ctx.shell.selected_slot = ctx.ws.current;
    if (!ctx.ui.RunDialog(DialogId::Select, ctx)) return;
    const int s = ctx.shell.selected_slot;
    if (Workspace::Valid(s) && ctx.ws.at(s).occupied()) ctx.ws.current = s;
    ctx.ui.Repaint();
}

std::vector<Command> BuildTable() {
    auto image = [](const AppContext& ctx) { return HasImage(ctx); };
    std::vector<Command> t = {
        {kCmdOpen, ORVA_TEXT("orva", "開く(&O)"), OpenCommand, nullptr},
        {kCmdSave, ORVA_TEXT("orva", "保存(BMP,JPG,TIF,PPM)(&S)"), SaveCommand, image},
        {kCmdClose, ORVA_TEXT("orva", "閉じる(&C)"),
         [](AppContext& ctx) {
             if (ctx.ws.current < 0) return;
             if (CloseSlotAsking(ctx, ctx.ws.current)) ctx.ws.current = HighestOccupiedSlot(ctx.ws);
             ctx.ui.Repaint();
         },
         image},
        {kCmdCloseAll, ORVA_TEXT("orva", "全画像を閉じる"),
         [](AppContext& ctx) {
             CloseAllAsking(ctx);
             ctx.ui.Repaint();
         },
         nullptr},
        {kCmdPrint, ORVA_TEXT("orva", "印刷(&P)"), PrintCommand, image},
        {kCmdExit, ORVA_TEXT("orva", "終了(&X)"),
         [](AppContext& ctx) {
             if (RequestApplicationClose(ctx)) ctx.ui.Quit();
         },
         nullptr},
        {kCmdDarkFiles, ORVA_TEXT("orva", "ダークファイル設定(&B)"), DarkFilesCommand, nullptr},
        {kCmdRawSettings, ORVA_TEXT("orva", "RAW現像設定(&R)"), RawSettingsCommand, nullptr},
        {kCmdInitSettings, ORVA_TEXT("orva", "全設定の初期化"),
         [](AppContext& ctx) {
             if (AskCaution(ctx.ui, Tr(msg::kAskInitSettings))) InitSettings(ctx, 1);
         },
         nullptr},
        {kCmdSaveSettings, ORVA_TEXT("orva", "全設定の保存"), SaveSettingsCommand, nullptr},
        {kCmdLoadSettings, ORVA_TEXT("orva", "全設定の読み込み"), LoadSettingsCommand, nullptr},
        {kCmdCopyZoomToAll, "", CopyZoomToAll, nullptr},
        {kCmdUndo, ORVA_TEXT("orva", "アンドゥ(&U)"), Undo, CanUndo},
        {kCmdRedo, ORVA_TEXT("orva", "リドゥ(&R)"), Redo, CanRedo},
        {kCmdCopy, ORVA_TEXT("orva", "コピー(&C)"), CopyCurrentImage, image},
        {kCmdAreaCopy, ORVA_TEXT("orva", "領域コピー(&A)"), ArmAreaCopy, image},
        {kCmdZoomIn, ORVA_TEXT("orva", "拡大表示(&I)"),
         [](AppContext& ctx) { ZoomCommand(ctx, 1); }, image},
        {kCmdZoomOut, ORVA_TEXT("orva", "縮小表示(&O)"),
         [](AppContext& ctx) { ZoomCommand(ctx, 0); }, image},
        {kCmdHistogram, ORVA_TEXT("orva", "ヒストグラム(&H)"),
         [](AppContext& ctx) { ShowInspectionCommand(ctx, 0); }, nullptr},
        {kCmdPointReport, ORVA_TEXT("orva", "ポイント座標(&X)"),
         [](AppContext& ctx) {
             if (!HasImage(ctx)) return;
             ShowReport(ctx.ui, PointReportText(ctx.ws.at(ctx.ws.current),
                                                ctx.settings.display.readout_divisor));
         },
         image},
        {kCmdCrossSection, ORVA_TEXT("orva", "断面濃度"),
         [](AppContext& ctx) { ShowInspectionCommand(ctx, 1); }, nullptr},
        {kCmdSelectImage, ORVA_TEXT("orva", "画像選択(&S)"), SelectImage, nullptr},
        {kCmdAutoStretch, ORVA_TEXT("orva", "オートストレッチ表示(&T)"),
         [](AppContext& ctx) {
             ctx.view.auto_stretch ^= 1;
             ctx.ui.Repaint();
         },
         nullptr},
        {kCmdDisplaySettings, ORVA_TEXT("orva", "表示モード設定"),
         [](AppContext& ctx) {
             if (ctx.ui.RunDialog(DialogId::DisplaySettings, ctx)) ctx.ui.Repaint();
         },
         nullptr},
        {kCmdHelp, ORVA_TEXT("orva", "ヘルプ"),
         [](AppContext& ctx) { ShowDocument(ctx, Tr(msg::kHelpFile), Tr(msg::kHelpMissing)); },
         nullptr},
        {kCmdHelpInside, ORVA_TEXT("orva", "ヘルプ(ORVA内で表示)(&I)"),
         [](AppContext& ctx) {
             ShowDocument(ctx, Tr(msg::kHelpFile), Tr(msg::kHelpMissing), true);
         },
         nullptr},
        {kCmdVersion, ORVA_TEXT("orva", "バージョン(&A)"),
         [](AppContext& ctx) {
             ShowAbout(
                 ctx.ui,
                 Format(msg::kVersionLine, msg::kProductName) +
                     Tr(ORVA_TEXT("orva", "\n天体写真とデジタルカメラ画像のための画像処理ソフト")));
         },
         nullptr},
        {kCmdExamples, ORVA_TEXT("orva", "画像処理例"),
         [](AppContext& ctx) { ShowDocument(ctx, msg::kExamplesFile, Tr(msg::kExamplesMissing)); },
         nullptr},
        {kCmdBatchSettings, ORVA_TEXT("orva", "設定"), BatchCommand(kCmdBatchSettings),
         BatchInstalled},
        // A batch is started while none runs and stopped while one runs.
        {kCmdBatchStart, ORVA_TEXT("orva", "バッチ開始"), StartBatch,
         [](const AppContext& ctx) { return ctx.batch.mode == 0; }},
        {kCmdBatchStop, ORVA_TEXT("orva", "バッチ停止"),
         [](AppContext& ctx) {
             ctx.batch.mode = 0;
             ctx.ui.SetStatusText("");
             ctx.ui.Repaint();
         },
         [](const AppContext& ctx) { return ctx.batch.mode != 0; }},
        {kCmdBatchOpen, ORVA_TEXT("orva", "バッチファイル開く"), BatchCommand(kCmdBatchOpen),
         BatchInstalled},
        {kCmdBatchSave, ORVA_TEXT("orva", "バッチファイル保存"), BatchCommand(kCmdBatchSave),
         BatchInstalled},
        {kCmdRepaintToolbar, "", [](AppContext& ctx) { ctx.ui.RepaintToolbar(); }, nullptr},
        {kCmdCalibratedStack, ORVA_TEXT("orva", "キャリブレーション合成(&C)"),
         CalibratedStackCommand, nullptr},
        {kCmdLiveStack, ORVA_TEXT("orva", "ライブスタック(&V)"), LiveStackCommand, nullptr},
        {kCmdSampleCentre, ORVA_TEXT("orva", "中央背景取り込み"),
         [](AppContext& ctx) { SampleLevelCommand(ctx, kSampleCentre); }, image},
        {kCmdSampleEdge, ORVA_TEXT("orva", "周辺背景取り込み"),
         [](AppContext& ctx) { SampleLevelCommand(ctx, kSampleEdge); }, image},
    };
    // Every operation's command comes from its descriptor.
    for (const OperationDescriptor& op : Operations()) {
        std::function<void(AppContext&)> action = op.action;
        if (!action) {
            action = [&op](AppContext& ctx) {
                if (const auto cmd = ProcessingOf(op)) RunProcessingCommand(ctx, *cmd);
            };
        }
        t.push_back({op.command, op.label, action,
                     [&op](const AppContext& ctx) { return OperationEnabled(op, ctx); }});
    }
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

std::string CommandName(int id) {
    const Command* c = FindCommand(id);
    if (c == nullptr) return {};
    std::string label = Tr(c->label);
    if (const std::size_t k = label.rfind("(&"); k != std::string::npos) label.erase(k);
    std::erase(label, '&');
    return label;
}

std::optional<bool> CommandChecked(const AppContext& ctx, int id) {
    if (id == kCmdAutoStretch) return ctx.view.auto_stretch != 0;
    return std::nullopt;
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
        case Key::Insert: ExecuteCommand(ctx, kCmdCopy); break;
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
        case Key::O: ExecuteCommand(ctx, kCmdOpen); break;
        case Key::T: ExecuteCommand(ctx, kCmdAutoStretch); break;
        case Key::S: ExecuteCommand(ctx, kCmdSave); break;
    }
}

int ToolbarCommand(int cell) {
    static constexpr int kCells[] = {kCmdOpen,
                                     kCmdSave,
                                     kCmdPrint,
                                     -1,
                                     kCmdUndo,
                                     kCmdRedo,
                                     -1,
                                     kCmdSharpen,
                                     kCmdEdge,
                                     kCmdResize,
                                     kCmdRotate,
                                     kCmdCompositeAuto,
                                     kCmdGamma,
                                     kCmdGrey,
                                     kCmdHistogram,
                                     kCmdSelectImage,
                                     -1,
                                     -1,
                                     -1,
                                     -1};
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
        ExecuteCommand(ctx, kCmdCopyZoomToAll);
    } else if (const int id = ToolbarCommand(cell); id >= 0) {
        ExecuteCommand(ctx, id);
    }
}

}  // namespace orva
