// Display settings: the bit depth of the numeric read-outs and the camera-information overlay.
#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_display_settings_dialog.h"

namespace orva::gui {

namespace {

constexpr int kFewestBits = 6, kMostBits = 16;

class DisplaySettingsDialog : public QDialog {
public:
    DisplaySettingsDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), display_(ctx.settings.display) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        for (int bits = kFewestBits; bits <= kMostBits; ++bits) {
            ui_.combo_bits->addItem(QString::number(bits));
        }
        // A divisor without an entry (from a hand-edited settings file) selects none, and OK
        // then keeps it.
        const int bits = DisplayBitsForDivisor(display_.readout_divisor);
        ui_.combo_bits->setCurrentIndex(
            bits >= kFewestBits && bits <= kMostBits ? bits - kFewestBits : -1);
        // The overlay flag changes at the click itself, so Cancel keeps it.
        ui_.check_info->setChecked(display_.info_overlay != 0);
        connect(ui_.check_info, &QCheckBox::clicked, this,
                [this] { display_.info_overlay = display_.info_overlay != 0 ? 0 : 1; });
    }

    void accept() override {
        if (const auto divisor =
                DivisorForDisplayBits(ui_.combo_bits->currentText().toStdString())) {
            display_.readout_divisor = *divisor;
        }
        QDialog::accept();
    }

private:
    ::Ui::DisplaySettingsDialog ui_;
    DisplaySettings& display_;
};

}  // namespace

std::unique_ptr<QDialog> MakeDisplaySettingsDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<DisplaySettingsDialog>(ctx, parent);
}

}  // namespace orva::gui
