// Operation dialogs: each edits ctx.settings in place and answers OK (true) or Cancel.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>
#include <string_view>

#include "shell/context.h"

namespace orva::gui {

// Runs a dialog modally over `parent`. False on Cancel. A dialog id without a dialog is a
// programming error: it stops a debug build and is logged and refused otherwise.
bool RunDialogOf(DialogId id, AppContext& ctx, QWidget* parent);

// The dialog, set up over ctx but not shown (nullptr, as above, for an id without one). Its
// accept() makes the same changes as OK in RunDialogOf.
std::unique_ptr<QDialog> CreateDialog(DialogId id, AppContext& ctx, QWidget* parent);

// The same by resource name ("SHARP", "DISPCONF", ...); nullptr for a name that is no dialog.
std::unique_ptr<QDialog> CreateNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent);

// Makes the dialog at least as wide as its title needs, so that the frame shows it whole.
void KeepTitleWhole(QDialog& dialog);

}  // namespace orva::gui
