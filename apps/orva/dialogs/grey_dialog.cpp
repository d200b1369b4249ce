// Black and white: the conversion mode and the weights of the manual luminance.
#include <array>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_grey_dialog.h"
#include "view/dialog_choices.h"

namespace orva::gui {

namespace {

class GreyDialog : public QDialog {
public:
    GreyDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        GreySettings& g = ctx.settings.grey;
        // Weights are whole numbers; the luminance divides by their sum, so they stay
        // non-negative.
        const NumberRule weight = FieldRule(kGreyFields.weight_r);
        weights_ = {new NumberBinding(ui_.edit_r, nullptr, &g.weight_r, weight, this),
                    new NumberBinding(ui_.edit_g, nullptr, &g.weight_g, weight, this),
                    new NumberBinding(ui_.edit_b, nullptr, &g.weight_b, weight, this)};
        BindRadios({ui_.radio_max, ui_.radio_min, ui_.radio_standard, ui_.radio_manual}, &g.mode,
                   [this, &g] {
                       SelectGreyMode(g, g.mode);
                       for (NumberBinding* b : weights_) b->Refresh();
                   });
    }

private:
    ::Ui::GreyDialog ui_;
    std::array<NumberBinding*, 3> weights_{};
};

}  // namespace

std::unique_ptr<QDialog> MakeGreyDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<GreyDialog>(ctx, parent);
}

}  // namespace orva::gui
