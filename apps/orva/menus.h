// The menu bar built from the command table: every labelled command once, in menus grouped
// the way the user looks for them.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <vector>

#include "shell/context.h"

namespace orva::gui {

// Fills `bar` and returns every command action; each carries its command id as data. A
// command the grouping does not know yet still gets an entry, at the end of the
// image-processing menu.
std::vector<QAction*> BuildCommandMenus(QMenuBar* bar);

// Enables or disables each action after CommandEnabled; disabled ones stay visible.
// Adds the language choice to the View menu. A choice is saved in the settings file and
// shown from the next start; the action for each language carries 0 (Japanese) or 1
// (English) as data and is named "action_language_ja" / "action_language_en".
void AddLanguageMenu(QMenuBar* bar, AppContext& ctx);

void UpdateCommandActions(const AppContext& ctx, const std::vector<QAction*>& actions);

}  // namespace orva::gui
