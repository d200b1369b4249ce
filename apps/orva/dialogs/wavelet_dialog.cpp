// Wavelet: the gains of the five sub-bands, coarsest first, and four preset buttons.
#include <array>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_wavelet_dialog.h"
#include "view/dialog_choices.h"

namespace orva::gui {

namespace {

class WaveletDialog : public QDialog {
public:
    WaveletDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        WaveletSettings& w = ctx.settings.wavelet;
        const NumberRule gain = TenthsRule(kWaveletFields.gain);
        const std::array<QLineEdit*, 5> edits = {ui_.edit_gain1, ui_.edit_gain2, ui_.edit_gain3,
                                                 ui_.edit_gain4, ui_.edit_gain5};
        const std::array<QScrollBar*, 5> bars = {ui_.scroll_gain1, ui_.scroll_gain2,
                                                 ui_.scroll_gain3, ui_.scroll_gain4,
                                                 ui_.scroll_gain5};
        for (std::size_t row = 0; row < 5; ++row)
            gains_[row] = new NumberBinding(edits[row], bars[row], &w.gains[row + 1], gain, this);
        const std::array<QPushButton*, 4> presets = {ui_.button_preset0, ui_.button_preset1,
                                                     ui_.button_preset2, ui_.button_preset3};
        for (int i = 0; i < 4; ++i) {
            connect(presets[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                    [this, &w, i] {
                        ApplyWaveletPreset(w, i);
                        for (NumberBinding* b : gains_) b->Refresh();
                    });
        }
    }

private:
    ::Ui::WaveletDialog ui_;
    std::array<NumberBinding*, 5> gains_{};
};

}  // namespace

std::unique_ptr<QDialog> MakeWaveletDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<WaveletDialog>(ctx, parent);
}

}  // namespace orva::gui
