// Colour change in RGB: the colour to replace, the colour to put in its place and how far a
// pixel may differ from the first, with both colours painted as swatches.
#include <array>

#include "dialogs/dialog_kit.h"
#include "dialogs/tone_graph_paint.h"
#include "shell/context.h"
#include "ui_colour_change_rgb_dialog.h"
#include "view/dialog_drawings.h"

namespace orva::gui {

namespace {

class ColourChangeRgbDialog : public QDialog {
public:
    ColourChangeRgbDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        ColourSettings& s = ctx.settings.colour;
        const NumberRule level = FieldRule(kColourFields.level, {.line_step = 1, .page_step = 16});
        const std::array<QLineEdit*, 6> edits = {ui_.edit_source_r, ui_.edit_source_g,
                                                 ui_.edit_source_b, ui_.edit_target_r,
                                                 ui_.edit_target_g, ui_.edit_target_b};
        const std::array<QScrollBar*, 6> bars = {ui_.scroll_source_r, ui_.scroll_source_g,
                                                 ui_.scroll_source_b, ui_.scroll_target_r,
                                                 ui_.scroll_target_g, ui_.scroll_target_b};
        auto repaint = [this] { ui_.swatches->update(); };
        for (std::size_t i = 0; i < 6; ++i) {
            int* field = i < 3 ? &s.rgb_source[i] : &s.rgb_target[i - 3];
            (new NumberBinding(edits[i], bars[i], field, level, this))->SetOnChange(repaint);
        }
        new NumberBinding(ui_.edit_tolerance, ui_.scroll_tolerance, &s.rgb_tolerance,
                          FieldRule(kColourFields.rgb_tolerance, {.line_step = 1, .page_step = 5}),
                          this);
        ui_.swatches->SetOrigin(kSwatchOrigin);
        ui_.swatches->SetPainter([&s](QPainter& p) {
            PaintSwatches(p, RgbSwatch(s.rgb_source), RgbSwatch(s.rgb_target));
        });
    }

private:
    ::Ui::ColourChangeRgbDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeColourChangeRgbDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<ColourChangeRgbDialog>(ctx, parent);
}

}  // namespace orva::gui
