// Operation dialogs: each edits ctx.settings in place and answers OK (true) or Cancel.
#pragma once

#include <QWidget>
#include <string_view>

#include "shell/context.h"

namespace orva::gui {

// Runs the dialog of the given resource name ("SHARP", "DISPCONF", ...) modally over
// `parent`. False on Cancel or for a name without a dialog.
bool RunNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent);

}  // namespace orva::gui
