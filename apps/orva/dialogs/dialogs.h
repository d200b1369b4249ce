// Operation dialogs: each edits ctx.settings in place and answers OK (true) or Cancel.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>
#include <string_view>

#include "shell/context.h"

namespace orva::gui {

// Runs the dialog of the given resource name ("SHARP", "DISPCONF", ...) modally over
// `parent`. False on Cancel or for a name without a dialog.
bool RunNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent);

// The dialog of the given name, set up over ctx but not shown; nullptr for a name without a
// dialog. Its accept() makes the same changes as OK in RunNamedDialog.
std::unique_ptr<QDialog> CreateNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent);

// Makes the dialog at least as wide as its title needs, so that the frame shows it whole.
void KeepTitleWhole(QDialog& dialog);

}  // namespace orva::gui
