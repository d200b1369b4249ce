// Sharp and smooth: the filter settings and a drawing of the filter profile they give.
#include <QPainter>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_sharpen_dialog.h"

namespace orva::gui {

namespace {

// The profile is drawn where x runs 210..410 and y 10..110 (plus the ticks below the axis).
constexpr QPoint kProfileOrigin(200, 0);

void PaintProfile(QPainter& p, const SharpenSettings& s) {
    p.setPen(Qt::black);
    p.drawLine(210, 110, 410, 110);
    for (int i = 0; i <= 20; ++i) p.drawLine(210 + 10 * i, 110, 210 + 10 * i, 114);
    p.drawLine(310, 10, 310, 110);
    p.setPen(Qt::red);
    DrawCurve(p, SharpenProfile(s.radius, s.blunting));
}

class SharpenDialog : public QDialog {
public:
    SharpenDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        SharpenSettings& s = ctx.settings.sharpen;
        BindCheck(ui_.check_r, &s.channels[0]);
        BindCheck(ui_.check_g, &s.channels[1]);
        BindCheck(ui_.check_b, &s.channels[2]);
        auto repaint = [this] { ui_.profile->update(); };
        (new NumberBinding(ui_.edit_radius, ui_.scroll_radius, &s.radius,
                           FieldRule(kSharpenFields.radius, {.line_step = 1, .page_step = 4}),
                           this))
            ->SetOnChange(repaint);
        (new NumberBinding(ui_.edit_blunting, ui_.scroll_blunting, &s.blunting,
                           FieldRule(kSharpenFields.blunting, {.line_step = 1,
                                                               .page_step = 10,
                                                               .display = ValueDisplay::Tenths,
                                                               .typed = TypedForm::Decimal,
                                                               .typed_scale = 10.0}),
                           this))
            ->SetOnChange(repaint);
        new NumberBinding(ui_.edit_smooth_range, ui_.scroll_smooth_range, &s.smooth_range,
                          LevelRule(kSharpenFields.smooth_range, 26, 1280), this);
        new NumberBinding(ui_.edit_smooth_strength, ui_.scroll_smooth_strength, &s.smooth_strength,
                          StrengthRule(kSharpenFields.smooth_strength), this);
        new NumberBinding(ui_.edit_emphasis, ui_.scroll_emphasis, &s.emphasis,
                          StrengthRule(kSharpenFields.emphasis), this);
        ui_.profile->SetOrigin(kProfileOrigin);
        ui_.profile->SetPainter([&s](QPainter& p) { PaintProfile(p, s); });
    }

private:
    ::Ui::SharpenDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeSharpenDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<SharpenDialog>(ctx, parent);
}

}  // namespace orva::gui
