// Colour change in HSV: the colour to replace, the colour to put in its place and how far a
// pixel's hue may differ from the first, with both colours painted as swatches.
#include <array>

#include "dialogs/dialog_kit.h"
#include "dialogs/tone_graph_paint.h"
#include "shell/context.h"
#include "ui_colour_change_hsv_dialog.h"
#include "view/dialog_drawings.h"

namespace orva::gui {

namespace {

class ColourChangeHsvDialog : public QDialog {
public:
    ColourChangeHsvDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        ColourSettings& s = ctx.settings.colour;
        // Hue in degrees 0..359, saturation and value as 8-bit levels.
        const NumberRule hue =
            FieldRule(kColourFields.hue_degrees, {.line_step = 1, .page_step = 15});
        const NumberRule level = FieldRule(kColourFields.level, {.line_step = 1, .page_step = 16});
        const std::array<QLineEdit*, 6> edits = {
            ui_.edit_source_hue, ui_.edit_source_saturation, ui_.edit_source_value,
            ui_.edit_target_hue, ui_.edit_target_saturation, ui_.edit_target_value};
        const std::array<QScrollBar*, 6> bars = {
            ui_.scroll_source_hue, ui_.scroll_source_saturation, ui_.scroll_source_value,
            ui_.scroll_target_hue, ui_.scroll_target_saturation, ui_.scroll_target_value};
        auto repaint = [this] { ui_.swatches->update(); };
        for (std::size_t i = 0; i < 6; ++i) {
            int* field = i < 3 ? &s.hsv_source[i] : &s.hsv_target[i - 3];
            (new NumberBinding(edits[i], bars[i], field, i % 3 == 0 ? hue : level, this))
                ->SetOnChange(repaint);
        }
        new NumberBinding(ui_.edit_tolerance, ui_.scroll_tolerance, &s.hsv_tolerance,
                          FieldRule(kColourFields.hsv_tolerance, {.line_step = 1, .page_step = 5}),
                          this);
        ui_.swatches->SetOrigin(kSwatchOrigin);
        ui_.swatches->SetPainter([&s](QPainter& p) {
            PaintSwatches(p, HsvSwatch(s.hsv_source), HsvSwatch(s.hsv_target));
        });
    }

private:
    ::Ui::ColourChangeHsvDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeColourChangeHsvDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<ColourChangeHsvDialog>(ctx, parent);
}

}  // namespace orva::gui
