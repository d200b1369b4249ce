#include "dialogs/dialogs.h"

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

std::unique_ptr<QDialog> CreateNamedDialog(std::string_view name, AppContext& ctx,
                                           QWidget* parent) {
    for (const DialogEntry& e : kDialogs) {
        if (e.name == name) return e.make(ctx, parent);
    }
    return nullptr;
}

bool RunNamedDialog(std::string_view name, AppContext& ctx, QWidget* parent) {
    std::unique_ptr<QDialog> dialog = CreateNamedDialog(name, ctx, parent);
    return dialog != nullptr && dialog->exec() == QDialog::Accepted;
}

}  // namespace orva::gui
