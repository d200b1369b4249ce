// Edge enhancement: channels, edge range, strengths and the bright/dark threshold.
#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_edge_dialog.h"

namespace orva::gui {

namespace {

class EdgeDialog : public QDialog {
public:
    EdgeDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        EdgeSettings& s = ctx.settings.edge;
        BindCheck(ui_.check_r, &s.channels[0]);
        BindCheck(ui_.check_g, &s.channels[1]);
        BindCheck(ui_.check_b, &s.channels[2]);
        new NumberBinding(ui_.edit_range, ui_.scroll_range, &s.range,
                          LevelRule(kEdgeFields.range, 26, 2560), this);
        new NumberBinding(ui_.edit_smooth_strength, ui_.scroll_smooth_strength, &s.smooth_strength,
                          StrengthRule(kEdgeFields.smooth_strength), this);
        new NumberBinding(ui_.edit_emphasis, ui_.scroll_emphasis, &s.emphasis,
                          StrengthRule(kEdgeFields.emphasis), this);
        new NumberBinding(ui_.edit_threshold, ui_.scroll_threshold, &s.threshold,
                          FieldRule(kEdgeFields.threshold, {.line_step = 1, .page_step = 10}),
                          this);
    }

private:
    ::Ui::EdgeDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeEdgeDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<EdgeDialog>(ctx, parent);
}

}  // namespace orva::gui
