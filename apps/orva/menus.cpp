#include "menus.h"

#include <QMenu>
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
         {101, 102, 104, 105, kSeparator, 111, kSeparator, 131, 132, kSeparator, 133, 134, 135,
          kSeparator, 121}},
        {"編集(&E)", {201, 202, kSeparator, 211, 212, 213}},
        {"画像処理(&I)",
         {301, 303, 316, 317, kSeparator, 304, 305, 330, kSeparator, 311, 318, 315, kSeparator, 312,
          314, 331, 332, kSeparator, 320}},
        {"合成", {302, 308, 3021, kSeparator, 313, 360, kSeparator, 370}},
        {"バックグランド", {306, 3061, 3062, kSeparator, 307, 309, kSeparator, 3071}},
        {nullptr, {777}},
        {"表示(&V)", {401, 402, kSeparator, 411, 413, 412, kSeparator, 421, 422}},
        {"バッチ(&B)", {801, 802, 803, kSeparator, 808, 809}},
        {"ヘルプ(&H)", {501, 503, kSeparator, 502}},
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
    for (QAction* a : actions) a->setEnabled(CommandEnabled(ctx, a->data().toInt()));
}

}  // namespace orva::gui
