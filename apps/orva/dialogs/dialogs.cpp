#include "dialogs/dialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>
#include <array>
#include <cassert>
#include <cstdio>

namespace orva::gui {

#define ORVA_DIALOG(id, make) std::unique_ptr<QDialog> make(AppContext& ctx, QWidget* parent);
#include "dialogs/dialog_list.h"
#undef ORVA_DIALOG

namespace {

using Maker = std::unique_ptr<QDialog> (*)(AppContext&, QWidget*);

// The makers indexed by dialog id.
constexpr std::array<Maker, kDialogCount> Makers() {
    std::array<Maker, kDialogCount> makers{};
#define ORVA_DIALOG(id, make) makers[static_cast<std::size_t>(id)] = &make;
#include "dialogs/dialog_list.h"
#undef ORVA_DIALOG
    return makers;
}

constexpr std::array<Maker, kDialogCount> kMakers = Makers();

// Which ids the list gives a dialog. Kept apart from the makers: a function's address is not
// a constant some compilers (sanitized builds) may compare with null at compile time.
constexpr std::array<bool, kDialogCount> Listed() {
    std::array<bool, kDialogCount> listed{};
#define ORVA_DIALOG(id, make) listed[static_cast<std::size_t>(id)] = true;
#include "dialogs/dialog_list.h"
#undef ORVA_DIALOG
    return listed;
}

// Every dialog id, those of the operations' descriptors among them, has its dialog: an id
// added without one stops the build instead of a user's command.
static_assert(std::ranges::all_of(Listed(), [](bool listed) { return listed; }));

}  // namespace

void KeepTitleWhole(QDialog& dialog) {
    // Window managers cut a title that is wider than its window ("バックグ… 指定)"): a dialog
    // is made at least as wide as its title, with room for the frame's buttons.
    constexpr int kFrameButtons = 120;
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int wanted = metrics.horizontalAdvance(dialog.windowTitle()) + kFrameButtons;
    if (dialog.minimumWidth() < wanted) dialog.setMinimumWidth(wanted);
}

std::unique_ptr<QDialog> CreateDialog(DialogId id, AppContext& ctx, QWidget* parent) {
    const auto index = static_cast<std::size_t>(id);
    if (index < kMakers.size() && kMakers[index] != nullptr) {
        std::unique_ptr<QDialog> dialog = kMakers[index](ctx, parent);
        if (dialog) KeepTitleWhole(*dialog);
        return dialog;
    }
    // Asking for a dialog that was never built is a fault of the program, not a Cancel.
    std::fprintf(stderr, "orva: no dialog for id %d\n", static_cast<int>(id));
    assert(false && "dialog id without a dialog");
    return nullptr;
}

std::unique_ptr<QDialog> CreateNamedDialog(std::string_view name, AppContext& ctx,
                                           QWidget* parent) {
    const auto id = DialogOfName(name);
    return id ? CreateDialog(*id, ctx, parent) : nullptr;
}

bool RunDialogOf(DialogId id, AppContext& ctx, QWidget* parent) {
    std::unique_ptr<QDialog> dialog = CreateDialog(id, ctx, parent);
    return dialog != nullptr && dialog->exec() == QDialog::Accepted;
}

}  // namespace orva::gui
