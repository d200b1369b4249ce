// Distortion correction: the signed amount at the corners, in pixels.
#include <climits>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_waikyoku_dialog.h"

namespace orva::gui {

namespace {

class WaikyokuDialog : public QDialog {
public:
    WaikyokuDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        // Stored as typed; text that is no whole number stores 0.
        new NumberBinding(ui_.edit_amount, nullptr, &ctx.settings.distortion.amount,
                          {.min = INT_MIN, .max = INT_MAX, .clamp_typed = false}, this);
    }

private:
    ::Ui::WaikyokuDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeWaikyokuDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<WaikyokuDialog>(ctx, parent);
}

}  // namespace orva::gui
