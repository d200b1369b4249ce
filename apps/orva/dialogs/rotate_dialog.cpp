// Rotate and mirror: the six modes and the angle in degrees with two decimals.
#include <climits>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_rotate_dialog.h"

namespace orva::gui {

namespace {

class RotateDialog : public QDialog {
public:
    RotateDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), s_(ctx.settings.rotate) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BindRadios({ui_.radio_left90, ui_.radio_right90, ui_.radio_180, ui_.radio_angle,
                    ui_.radio_mirror, ui_.radio_flip},
                   &s_.mode);
        new NumberBinding(ui_.edit_angle, nullptr, &s_.angle,
                          {.min = INT_MIN,
                           .max = INT_MAX,
                           .display = ValueDisplay::Hundredths,
                           .typed = TypedForm::Angle,
                           .clamp_typed = false},
                          this);
    }

    // The quarter-turn modes leave their angle in the settings, so the angle edit shows the
    // turn that was made the next time.
    void accept() override {
        if (s_.mode == 0) s_.angle = 9000;
        if (s_.mode == 1) s_.angle = -9000;
        if (s_.mode == 2) s_.angle = 18000;
        QDialog::accept();
    }

private:
    ::Ui::RotateDialog ui_;
    RotateSettings& s_;
};

}  // namespace

std::unique_ptr<QDialog> MakeRotateDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<RotateDialog>(ctx, parent);
}

}  // namespace orva::gui
