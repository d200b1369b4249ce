#include "menus.h"

#include <QActionGroup>
#include <QMenu>
#include <optional>
#include <set>
#include <string_view>

#include "common/translate.h"
#include "language.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/ui.h"

namespace orva::gui {

namespace {

constexpr int kSeparator = 0;

struct MenuGroup {
    const char* title;  // null: the commands stand on the menu bar itself
    std::vector<int> ids;
};

constexpr const char* kViewMenu = ORVA_TEXT("orva", "表示(&V)");

const std::vector<MenuGroup>& Groups() {
    static const std::vector<MenuGroup> groups = {
        {ORVA_TEXT("orva", "ファイル(&F)"),
         {kCmdOpen, kCmdSave, kCmdClose, kCmdCloseAll, kSeparator, kCmdPrint, kSeparator,
          kCmdDarkFiles, kCmdRawSettings, kSeparator, kCmdInitSettings, kCmdSaveSettings,
          kCmdLoadSettings, kSeparator, kCmdExit}},
        {ORVA_TEXT("orva", "編集(&E)"),
         {kCmdUndo, kCmdRedo, kSeparator, kCmdCopy, kCmdAreaCopy, kCmdCrop}},
        {ORVA_TEXT("orva", "画像処理(&I)"),
         {kCmdSharpen, kCmdEdge, kCmdWavelet, kCmdRestore, kSeparator, kCmdResize, kCmdRotate,
          kCmdDistortion, kSeparator, kCmdGamma, kCmdLevel, kCmdDynamicRange, kSeparator, kCmdGrey,
          kCmdSaturationHue, kCmdColourChangeRgb, kCmdColourChangeHsv, kSeparator,
          kCmdLineSeparation}},
        {ORVA_TEXT("orva", "合成"),
         {kCmdCompositeAuto, kCmdCompositePoints, kCmdCompositeFiles, kSeparator, kCmdLrgb,
          kCmdLrgbFourImages, kSeparator, kCmdCompareImages, kSeparator, kCmdCalibratedStack,
          kCmdLiveStack}},
        {ORVA_TEXT("orva", "バックグランド"),
         {kCmdBackground, kCmdSampleCentre, kCmdSampleEdge, kSeparator, kCmdBackgroundImage,
          kCmdBackgroundPoints, kSeparator, kCmdMakeBackground}},
        {nullptr, {kCmdNoise}},
        {kViewMenu,
         {kCmdZoomIn, kCmdZoomOut, kSeparator, kCmdHistogram, kCmdCrossSection, kCmdPointReport,
          kCmdAutoStretch, kSeparator, kCmdSelectImage, kCmdDisplaySettings}},
        {ORVA_TEXT("orva", "バッチ(&B)"),
         {kCmdBatchSettings, kCmdBatchStart, kCmdBatchStop, kSeparator, kCmdBatchOpen,
          kCmdBatchSave}},
        {ORVA_TEXT("orva", "ヘルプ(&H)"),
         {kCmdHelp, kCmdHelpInside, kCmdExamples, kSeparator, kCmdVersion}},
    };
    return groups;
}

constexpr const char* kFallbackMenu = ORVA_TEXT("orva", "画像処理(&I)");

bool Listed(const Command& c) {
    return c.label != nullptr && c.label[0] != '\0';
}

QAction* MakeAction(const Command& c, QObject* parent) {
    auto* action = new QAction(TranslatedText(c.label), parent);
    action->setData(c.id);
    return action;
}

}  // namespace

std::vector<QAction*> BuildCommandMenus(QMenuBar* bar) {
    std::vector<QAction*> actions;
    std::set<int> placed;
    QMenu* fallback = nullptr;
    for (const MenuGroup& g : Groups()) {
        QMenu* menu = g.title != nullptr ? bar->addMenu(TranslatedText(g.title)) : nullptr;
        if (g.title != nullptr && std::string_view(g.title) == kFallbackMenu) fallback = menu;
        bool pending_separator = false;
        for (const int id : g.ids) {
            if (id == kSeparator) {
                pending_separator = menu != nullptr && !menu->isEmpty();
                continue;
            }
            const Command* c = FindCommand(id);
            if (c == nullptr || !Listed(*c) || placed.count(id) != 0) continue;
            if (pending_separator) menu->addSeparator();
            pending_separator = false;
            QAction* a = MakeAction(*c, bar);
            if (menu != nullptr) {
                menu->addAction(a);
            } else {
                bar->addAction(a);
            }
            actions.push_back(a);
            placed.insert(id);
        }
    }
    bool first_extra = true;
    for (const Command& c : CommandTable()) {
        if (!Listed(c) || placed.count(c.id) != 0) continue;
        if (fallback == nullptr) fallback = bar->addMenu(TranslatedText(kFallbackMenu));
        if (first_extra) fallback->addSeparator();
        first_extra = false;
        QAction* a = MakeAction(c, bar);
        fallback->addAction(a);
        actions.push_back(a);
        placed.insert(c.id);
    }
    return actions;
}

void AddLanguageMenu(QMenuBar* bar, AppContext& ctx) {
    QMenu* view = nullptr;
    for (QAction* top : bar->actions()) {
        if (top->menu() != nullptr && top->text() == TranslatedText(kViewMenu)) view = top->menu();
    }
    if (view == nullptr) view = bar->addMenu(TranslatedText(kViewMenu));
    view->addSeparator();
    // Named in both languages in the Japanese interface, so that anyone can find it.
    QMenu* menu = view->addMenu(TranslatedText(ORVA_TEXT("orva", "言語 (Language)")));
    menu->setObjectName("menu_language");
    auto* group = new QActionGroup(menu);
    const char* names[2] = {ORVA_TEXT("orva", "日本語"), "English"};
    const char* object_names[2] = {"action_language_ja", "action_language_en"};
    for (int n = 0; n < 2; ++n) {
        QAction* a = menu->addAction(TranslatedText(names[n]));
        a->setObjectName(object_names[n]);
        a->setData(n);
        a->setCheckable(true);
        a->setChecked(static_cast<int>(CurrentLanguage()) == n);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, menu, [&ctx, n] {
            ctx.settings.language = n;
            if (!SaveLanguage(n)) {
                ShowError(ctx.ui, Tr(msg::kSettingsNotSaved));
                return;
            }
            ShowMessage(ctx.ui,
                        Tr(ORVA_TEXT("orva", "言語の変更は次回の起動から有効になります。")));
        });
    }
}

void UpdateCommandActions(const AppContext& ctx, const std::vector<QAction*>& actions) {
    for (QAction* a : actions) {
        const int id = a->data().toInt();
        a->setEnabled(CommandEnabled(ctx, id));
        const std::optional<bool> checked = CommandChecked(ctx, id);
        a->setCheckable(checked.has_value());
        if (checked) a->setChecked(*checked);
    }
}

}  // namespace orva::gui
