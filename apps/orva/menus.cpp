#include "menus.h"

#include <QMenu>
#include <optional>
#include <set>
#include <string_view>

#include "shell/commands.h"

namespace orva::gui {

namespace {

constexpr int kSeparator = 0;

struct MenuGroup {
    const char* title;  // null: the commands stand on the menu bar itself
    std::vector<int> ids;
};

const std::vector<MenuGroup>& Groups() {
    static const std::vector<MenuGroup> groups = {
        {"ファイル(&F)",
         {kCmdOpen, kCmdSave, kCmdClose, kCmdCloseAll, kSeparator, kCmdPrint, kSeparator,
          kCmdDarkFiles, kCmdRawSettings, kSeparator, kCmdInitSettings, kCmdSaveSettings,
          kCmdLoadSettings, kSeparator, kCmdExit}},
        {"編集(&E)", {kCmdUndo, kCmdRedo, kSeparator, kCmdCopy, kCmdAreaCopy, kCmdCrop}},
        {"画像処理(&I)",
         {kCmdSharpen, kCmdEdge, kCmdWavelet, kCmdRestore, kSeparator, kCmdResize, kCmdRotate,
          kCmdDistortion, kSeparator, kCmdGamma, kCmdLevel, kCmdDynamicRange, kSeparator, kCmdGrey,
          kCmdSaturationHue, kCmdColourChangeRgb, kCmdColourChangeHsv, kSeparator,
          kCmdLineSeparation}},
        {"合成",
         {kCmdCompositeAuto, kCmdCompositePoints, kCmdCompositeFiles, kSeparator, kCmdLrgb,
          kCmdLrgbFourImages, kSeparator, kCmdCompareImages, kSeparator, kCmdCalibratedStack,
          kCmdLiveStack}},
        {"バックグランド",
         {kCmdBackground, kCmdSampleCentre, kCmdSampleEdge, kSeparator, kCmdBackgroundImage,
          kCmdBackgroundPoints, kSeparator, kCmdMakeBackground}},
        {nullptr, {kCmdNoise}},
        {"表示(&V)",
         {kCmdZoomIn, kCmdZoomOut, kSeparator, kCmdHistogram, kCmdCrossSection, kCmdPointReport,
          kCmdAutoStretch, kSeparator, kCmdSelectImage, kCmdDisplaySettings}},
        {"バッチ(&B)",
         {kCmdBatchSettings, kCmdBatchStart, kCmdBatchStop, kSeparator, kCmdBatchOpen,
          kCmdBatchSave}},
        {"ヘルプ(&H)", {kCmdHelp, kCmdHelpInside, kCmdExamples, kSeparator, kCmdVersion}},
    };
    return groups;
}

constexpr const char* kFallbackMenu = "画像処理(&I)";

bool Listed(const Command& c) {
    return c.label != nullptr && c.label[0] != '\0';
}

QAction* MakeAction(const Command& c, QObject* parent) {
    auto* action = new QAction(QString::fromUtf8(c.label), parent);
    action->setData(c.id);
    return action;
}

}  // namespace

std::vector<QAction*> BuildCommandMenus(QMenuBar* bar) {
    std::vector<QAction*> actions;
    std::set<int> placed;
    QMenu* fallback = nullptr;
    for (const MenuGroup& g : Groups()) {
        QMenu* menu = g.title != nullptr ? bar->addMenu(QString::fromUtf8(g.title)) : nullptr;
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
        if (fallback == nullptr) fallback = bar->addMenu(QString::fromUtf8(kFallbackMenu));
        if (first_extra) fallback->addSeparator();
        first_extra = false;
        QAction* a = MakeAction(c, bar);
        fallback->addAction(a);
        actions.push_back(a);
        placed.insert(c.id);
    }
    return actions;
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
