// Dynamic-range correction: kernel radius, tone difference and strength.
#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_dynamic_range_dialog.h"

namespace orva::gui {

namespace {

class DynamicRangeDialog : public QDialog {
public:
    DynamicRangeDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        DynamicRangeSettings& s = ctx.settings.dynamic_range;
        // The radius moves in whole blocks of 4 pixels: scroll positions 1..8.
        new NumberBinding(
            ui_.edit_radius, ui_.scroll_radius, &s.radius,
            FieldRule(
                kDynamicRangeFields.radius,
                {.line_step = 4, .page_step = 8, .scroll_scale = 4, .typed = TypedForm::Position}),
            this);
        new NumberBinding(
            ui_.edit_tone_difference, ui_.scroll_tone_difference, &s.tone_difference,
            FieldRule(kDynamicRangeFields.tone_difference, {.line_step = 1, .page_step = 8}), this);
        new NumberBinding(ui_.edit_strength, ui_.scroll_strength, &s.strength,
                          FieldRule(kDynamicRangeFields.strength, {.line_step = 1, .page_step = 2}),
                          this);
    }

private:
    ::Ui::DynamicRangeDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeDynamicRangeDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<DynamicRangeDialog>(ctx, parent);
}

}  // namespace orva::gui
