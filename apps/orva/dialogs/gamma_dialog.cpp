// Gamma: three points per channel set, picked and dragged on a level graph that shows the
// curves they give and the histograms of the current image as it would come out.
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "dialogs/dialog_kit.h"
#include "dialogs/tone_graph_paint.h"
#include "shell/context.h"
#include "ui_gamma_dialog.h"
#include "view/tone_graph.h"

namespace orva::gui {

namespace {

class GammaDialog : public QDialog {
public:
    GammaDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), ctx_(ctx), g_(ctx.settings.gamma) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        // The selected point keeps its index when another set is shown.
        BindRadios({ui_.radio_all, ui_.radio_red, ui_.radio_green, ui_.radio_blue}, &g_.channel_set,
                   [this] { Changed(); });
        BindRadios({ui_.radio_straight, ui_.radio_curve}, &g_.curve_mode, [this] { Changed(); });
        connect(ui_.button_reset, &QPushButton::clicked, this, [this] {
            ResetGammaPoints(g_);
            Changed();
        });
        connect(ui_.edit_input, &QLineEdit::textEdited, this,
                [this](const QString& text) { Typed(text, true); });
        connect(ui_.edit_output, &QLineEdit::textEdited, this,
                [this](const QString& text) { Typed(text, false); });
        connect(ui_.edit_input, &QLineEdit::editingFinished, this, [this] { ShowPoint(); });
        connect(ui_.edit_output, &QLineEdit::editingFinished, this, [this] { ShowPoint(); });
        ui_.graph->SetOrigin({kToneAreaLeft, kToneAreaTop});
        ui_.graph->SetPainter([this](QPainter& p) { Paint(p); });
        ui_.graph->installEventFilter(this);
        ShowPoint();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != ui_.graph) return QDialog::eventFilter(watched, event);
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* m = static_cast<QMouseEvent*>(event);
                if (m->button() != Qt::LeftButton) break;
                const int hit = HitGammaPoint(g_, ClientPoint(*m));
                if (hit >= 0) {
                    selected_ = hit;
                    dragging_ = true;
                    Changed();
                }
                return true;
            }
            case QEvent::MouseMove:
                if (!dragging_) break;
                DragGammaPoint(g_, selected_, ClientPoint(*static_cast<QMouseEvent*>(event)));
                Changed();
                return true;
            case QEvent::MouseButtonRelease: dragging_ = false; return true;
            default: break;
        }
        return QDialog::eventFilter(watched, event);
    }

private:
    PlotPoint ClientPoint(const QMouseEvent& m) const {
        const QPoint at = m.position().toPoint() + ui_.graph->origin();
        return {at.x(), at.y()};
    }

    void Typed(const QString& text, bool input) {
        const int v = ParseWholeNumber(text.toStdString()).value_or(0);
        const PlotPoint now = GammaPointLevels(g_, g_.channel_set, selected_);
        MoveGammaPoint(g_, selected_, input ? v : now.x, input ? now.y : v);
        ui_.graph->update();
    }

    void ShowPoint() {
        const PlotPoint p = GammaPointLevels(g_, g_.channel_set, selected_);
        ui_.edit_input->setText(QString::number(p.x));
        ui_.edit_output->setText(QString::number(p.y));
    }

    void Changed() {
        ShowPoint();
        ui_.graph->update();
    }

    void Paint(QPainter& p) {
        PaintToneGrid(p);
        if (const ImageRecord* rec = ctx_.ws.Current())
            PaintPreviewHistogram(p, GammaPreview(*rec, g_));
        PaintToneTraces(p, GammaTraces(g_));
        for (const GraphMarker& m : GammaMarkers(g_, selected_))
            p.fillRect(m.centre.x - m.size / 2, m.centre.y - m.size / 2, m.size, m.size,
                       ToQColor(m.colour));
    }

    AppContext& ctx_;
    GammaSettings& g_;
    ::Ui::GammaDialog ui_;
    int selected_ = 1;
    bool dragging_ = false;
};

}  // namespace

std::unique_ptr<QDialog> MakeGammaDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<GammaDialog>(ctx, parent);
}

}  // namespace orva::gui
