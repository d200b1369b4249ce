#include "dialogs/dialogs.h"

#include <QApplication>
#include <QFontMetrics>

namespace orva::gui {

#define ORVA_DIALOG(name, make) std::unique_ptr<QDialog> make(AppContext& ctx, QWidget* parent);
#include "dialogs/dialog_list.h"
#undef ORVA_DIALOG

namespace {

struct DialogEntry {
    std::string_view name;
    std::unique_ptr<QDialog> (*make)(AppContext&, QWidget*);
};

constexpr DialogEntry kDialogs[] = {
#define ORVA_DIALOG(name, make) {name, &make},
#include "dialogs/dialog_list.h"
#undef ORVA_DIALOG
};

}  // namespace

void KeepTitleWhole(QDialog& dialog) {
    // Window managers cut a title that is wider than its window ("バックグ… 指定)"): a dialog
    // is made at least as wide as its title, with room for the frame's buttons.
    constexpr int kFrameButtons = 120;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int wanted = metrics.horizontalAdvance(dialog.windowTitle()) + kFrameButtons;
    if (dialog.minimumWidth() < wanted) dialog.setMinimumWidth(wanted);
}

std::unique_ptr<QDialog> CreateNamedDialog(std::string_view name, AppContext& ctx,
                                           QWidget* parent) {
    for (const DialogEntry& e : kDialogs) {
        if (e.name != name) continue;
        std::unique_ptr<QDialog> dialog = e.make(ctx, parent);
        if (dialog) KeepTitleWhole(*dialog);
        return dialog;
    }
    return nullptr;
}

bool RunNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent) {
    std::unique_ptr<QDialog> dialog = CreateNamedDialog(name, ctx, parent);
    return dialog != nullptr && dialog->exec() == QDialog::Accepted;
}

}  // namespace orva::gui
