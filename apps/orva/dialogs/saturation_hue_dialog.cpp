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
        saturation_ = std::clamp(s.saturation, 0, 200) - 100;
        hue_ = std::clamp(s.hue, 0, 360) - 180;
        (new NumberBinding(
             ui_.edit_saturation, ui_.scroll_saturation, &saturation_,
             {.min = -100, .max = 100, .line_step = 1, .page_step = 10, .scroll_offset = 100},
             this))
            ->SetOnChange([this, &s] { s.saturation = saturation_ + 100; });
        (new NumberBinding(
             ui_.edit_hue, ui_.scroll_hue, &hue_,
             {.min = -180, .max = 180, .line_step = 1, .page_step = 10, .scroll_offset = 180},
             this))
            ->SetOnChange([this, &s] {
                s.hue = hue_ + 180;
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
