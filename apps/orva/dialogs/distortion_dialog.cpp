// Distortion correction: the signed amount at the corners, in pixels.
#include <climits>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_distortion_dialog.h"

namespace orva::gui {

namespace {

class DistortionDialog : public QDialog {
public:
    DistortionDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        // Stored as typed; text that is no whole number stores 0.
        new NumberBinding(ui_.edit_amount, nullptr, &ctx.settings.distortion.amount,
                          {.min = INT_MIN, .max = INT_MAX, .clamp_typed = false}, this);
    }

private:
    ::Ui::DistortionDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeDistortionDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<DistortionDialog>(ctx, parent);
}

}  // namespace orva::gui
