// Saturation and hue: two signed values and a hue strip showing where each hue goes.
#include <QPainter>
#include <algorithm>

#include "dialogs/dialog_kit.h"
#include "dialogs/tone_graph_paint.h"
#include "shell/context.h"
#include "ui_saturation_hue_dialog.h"
#include "view/dialog_drawings.h"

namespace orva::gui {

namespace {

// The strips are drawn where x runs 40..231 and y 140..175.
constexpr QPoint kStripOrigin(30, 130);

void PaintStrip(QPainter& p, int hue) {
    for (int column = 0; column < kHueStripWidth; ++column) {
        p.setPen(ToQColor(HueStripColour(column)));
        const int x = kHueStripLeft + column;
        p.drawLine(x, kHueStripTop, x, kHueStripBottom);
        const int moved = HueResultX(column, hue);
        p.drawLine(moved, kHueResultTop, moved, kHueResultBottom);
    }
}

class SaturationHueDialog : public QDialog {
public:
    SaturationHueDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        ColourSettings& s = ctx.settings.colour;
        // The edits show the change (saturation - 100 percent, hue - 180 degrees); the
        // settings hold the unsigned values.
        const FieldDecl& sat = kColourFields.saturation;
        const FieldDecl& hue = kColourFields.hue;
        saturation_ = sat.Clamp(s.saturation) - sat.def;
        hue_ = hue.Clamp(s.hue) - hue.def;
        (new NumberBinding(ui_.edit_saturation, ui_.scroll_saturation, &saturation_,
                           {.min = sat.min - sat.def,
                            .max = sat.max - sat.def,
                            .line_step = 1,
                            .page_step = 10,
                            .scroll_offset = sat.def},
                           this))
            ->SetOnChange(
                [this, &s] { s.saturation = saturation_ + kColourFields.saturation.def; });
        (new NumberBinding(ui_.edit_hue, ui_.scroll_hue, &hue_,
                           {.min = hue.min - hue.def,
                            .max = hue.max - hue.def,
                            .line_step = 1,
                            .page_step = 10,
                            .scroll_offset = hue.def},
                           this))
            ->SetOnChange([this, &s] {
                s.hue = hue_ + kColourFields.hue.def;
                ui_.strip->update();
            });
        ui_.strip->SetOrigin(kStripOrigin);
        ui_.strip->SetPainter([&s](QPainter& p) { PaintStrip(p, s.hue); });
    }

private:
    ::Ui::SaturationHueDialog ui_;
    int saturation_ = 0, hue_ = 0;
};

}  // namespace

std::unique_ptr<QDialog> MakeSaturationHueDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<SaturationHueDialog>(ctx, parent);
}

}  // namespace orva::gui
