// Blur restoration: iterations, emphasis and the two numbers of the spread function, with a
// drawing of the function's profile.
#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_restore_dialog.h"
#include "view/dialog_drawings.h"

namespace orva::gui {

namespace {

// The profile is drawn where x runs 30..230 and y 150..254.
constexpr QPoint kProfileOrigin(20, 140);

void PaintProfile(QPainter& p, const RestoreSettings& s) {
    p.setPen(Qt::black);
    for (const auto& line : RestoreAxes()) p.drawLine(line[0].x, line[0].y, line[1].x, line[1].y);
    QPolygon curve;
    for (const PlotPoint& d : RestoreProfile(s.spread, s.blunting)) curve << QPoint(d.x, d.y);
    p.setPen(Qt::red);
    p.drawPolyline(curve);
}

class RestoreDialog : public QDialog {
public:
    RestoreDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        RestoreSettings& s = ctx.settings.restore;
        ui_.combo_iterations->setCurrentIndex(kRestoreFields.iterations.Clamp(s.iterations) -
                                              kRestoreFields.iterations.min);
        ui_.combo_emphasis->setCurrentIndex(kRestoreFields.emphasis.Clamp(s.emphasis));
        connect(ui_.combo_iterations, &QComboBox::activated, this,
                [&s](int index) { s.iterations = index + 1; });
        connect(ui_.combo_emphasis, &QComboBox::activated, this,
                [&s](int index) { s.emphasis = index; });
        auto repaint = [this] { ui_.profile->update(); };
        (new NumberBinding(ui_.edit_spread, ui_.scroll_spread, &s.spread,
                           TenthsRule(kRestoreFields.spread), this))
            ->SetOnChange(repaint);
        (new NumberBinding(ui_.edit_blunting, ui_.scroll_blunting, &s.blunting,
                           TenthsRule(kRestoreFields.blunting), this))
            ->SetOnChange(repaint);
        ui_.profile->SetOrigin(kProfileOrigin);
        ui_.profile->SetPainter([&s](QPainter& p) { PaintProfile(p, s); });
    }

private:
    ::Ui::RestoreDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeRestoreDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<RestoreDialog>(ctx, parent);
}

}  // namespace orva::gui
