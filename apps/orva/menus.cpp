#include "menus.h"

#include <QActionGroup>
#include <QMenu>
#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "common/translate.h"
#include "language.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/operations.h"
#include "shell/ui.h"

namespace orva::gui {

namespace {

// A command that is not an image operation, placed as operations place theirs (block, then
// place in the block).
struct Entry {
    int id;
    int block;
    int place;
};

struct MenuLayout {
    const char* title;                    // null: the commands stand on the menu bar itself
    std::optional<MenuGroup> operations;  // the group whose operations join the menu
    std::vector<Entry> commands;
};

constexpr const char* kViewMenu = ORVA_TEXT("orva", "表示(&V)");

const std::vector<MenuLayout>& Menus() {
    using G = MenuGroup;
    static const std::vector<MenuLayout> menus = {
        {ORVA_TEXT("orva", "ファイル(&F)"),
         std::nullopt,
         {{kCmdOpen, 1, 1},
          {kCmdSave, 1, 2},
          {kCmdClose, 1, 3},
          {kCmdCloseAll, 1, 4},
          {kCmdPrint, 2, 1},
          {kCmdDarkFiles, 3, 1},
          {kCmdRawSettings, 3, 2},
          {kCmdInitSettings, 4, 1},
          {kCmdSaveSettings, 4, 2},
          {kCmdLoadSettings, 4, 3},
          {kCmdExit, 5, 1}}},
        {ORVA_TEXT("orva", "編集(&E)"),
         G::Edit,
         {{kCmdUndo, 1, 1}, {kCmdRedo, 1, 2}, {kCmdCopy, 2, 1}, {kCmdAreaCopy, 2, 2}}},
        {ORVA_TEXT("orva", "画像処理(&I)"), G::Processing, {}},
        {ORVA_TEXT("orva", "合成"),
         G::Compositing,
         {{kCmdCalibratedStack, 4, 1}, {kCmdLiveStack, 4, 2}}},
        {ORVA_TEXT("orva", "バックグランド"),
         G::Background,
         {{kCmdSampleCentre, 1, 2}, {kCmdSampleEdge, 1, 3}}},
        {nullptr, G::Noise, {}},
        {kViewMenu,
         std::nullopt,
         {{kCmdZoomIn, 1, 1},
          {kCmdZoomOut, 1, 2},
          {kCmdHistogram, 2, 1},
          {kCmdCrossSection, 2, 2},
          {kCmdPointReport, 2, 3},
          {kCmdAutoStretch, 2, 4},
          {kCmdSelectImage, 3, 1},
          {kCmdDisplaySettings, 3, 2}}},
        {ORVA_TEXT("orva", "バッチ(&B)"),
         std::nullopt,
         {{kCmdBatchSettings, 1, 1},
          {kCmdBatchStart, 1, 2},
          {kCmdBatchStop, 1, 3},
          {kCmdBatchOpen, 2, 1},
          {kCmdBatchSave, 2, 2}}},
        {ORVA_TEXT("orva", "ヘルプ(&H)"),
         std::nullopt,
         {{kCmdHelp, 1, 1}, {kCmdHelpInside, 1, 2}, {kCmdExamples, 1, 3}, {kCmdVersion, 2, 1}}},
    };
    return menus;
}

// A menu's commands in order: its own and its group's operations, by block and place.
std::vector<Entry> Ordered(const MenuLayout& m) {
    std::vector<Entry> entries = m.commands;
    if (m.operations) {
        for (const OperationDescriptor& op : Operations())
            if (op.menu.group == *m.operations)
                entries.push_back({op.command, op.menu.block, op.menu.place});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.block != b.block ? a.block < b.block : a.place < b.place;
    });
    return entries;
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
    for (const MenuLayout& m : Menus()) {
        QMenu* menu = m.title != nullptr ? bar->addMenu(TranslatedText(m.title)) : nullptr;
        if (m.title != nullptr && std::string_view(m.title) == kFallbackMenu) fallback = menu;
        std::optional<int> block;  // of the last entry placed
        for (const Entry& e : Ordered(m)) {
            const Command* c = FindCommand(e.id);
            if (c == nullptr || !Listed(*c) || placed.count(e.id) != 0) continue;
            if (menu != nullptr && block && *block != e.block) menu->addSeparator();
            block = e.block;
            QAction* a = MakeAction(*c, bar);
            if (menu != nullptr) {
                menu->addAction(a);
            } else {
                bar->addAction(a);
            }
            actions.push_back(a);
            placed.insert(e.id);
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
