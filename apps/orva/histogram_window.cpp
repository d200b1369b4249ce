#include "histogram_window.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include "plot_painter.h"
#include "shell/messages.h"
#include "view/histogram.h"

namespace orva::gui {

namespace {
constexpr int kWidth = 310, kHeight = 276;
}

HistogramWindow::HistogramWindow(AppContext& ctx, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowDoesNotAcceptFocus),
      ctx_(ctx) {
    setWindowTitle(QString::fromUtf8(msg::kHistogramTitle));
    // It only shows what the mouse points at: the keys stay with the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(kWidth, kHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    // The read-out columns line up only in a fixed-pitch font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    setFont(font);
}

void HistogramWindow::setViewMode(int mode) {
    ctx_.view.inspection_mode = mode == 1 ? 1 : 0;
    update();
}

void HistogramWindow::refresh() {
    update();
}

void HistogramWindow::paintEvent(QPaintEvent*) {
    const ImageRecord* rec = ctx_.ws.Current();
    if (rec == nullptr) return;
    const Plot plot = InspectionPlot(*rec, ctx_.view.inspection_mode, ctx_.shell.mouse_x,
                                     ctx_.shell.mouse_y, ctx_.settings.display.readout_divisor);
    if (plot.empty()) return;
    QPainter painter(this);
    painter.setFont(font());
    DrawPlot(painter, plot);
}

void HistogramWindow::mouseReleaseEvent(QMouseEvent* event) {
    // Moves and presses are ignored; a release asks for a fresh picture.
    if (event->button() == Qt::LeftButton) update();
}

}  // namespace orva::gui
