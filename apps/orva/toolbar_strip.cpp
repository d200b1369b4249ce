#include "toolbar_strip.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include "plot_painter.h"
#include "shell/commands.h"

namespace orva::gui {

namespace {

constexpr int kS = kToolbarCellSize;

void Arrow(QPainter& p, bool right) {
    // A curved arrow: an arc with a head at its lower end.
    QPainterPath path;
    if (right) {
        path.moveTo(5, 16);
        path.cubicTo(5, 5, 17, 5, 18, 13);
    } else {
        path.moveTo(19, 16);
        path.cubicTo(19, 5, 7, 5, 6, 13);
    }
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    const int x = right ? 18 : 6;
    p.setBrush(p.pen().color());
    p.drawPolygon(QPolygon({QPoint(x - 4, 12), QPoint(x + 4, 12), QPoint(x, 18)}));
}

void DrawPicture(QPainter& p, ToolbarIcon icon) {
    // Square shapes stay crisp; only the curves are smoothed.
    const bool curved = icon == ToolbarIcon::Undo || icon == ToolbarIcon::Redo ||
                        icon == ToolbarIcon::Rotate || icon == ToolbarIcon::Gamma ||
                        icon == ToolbarIcon::Sharpen;
    p.setRenderHint(QPainter::Antialiasing, curved);
    const QColor ink(230, 230, 230);
    const QColor accent(120, 200, 255);
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::NoBrush);
    switch (icon) {
        case ToolbarIcon::Blank: break;
        case ToolbarIcon::Load:  // an open folder
            p.setBrush(QColor(220, 180, 80));
            p.drawPolygon(QPolygon({{3, 7}, {9, 7}, {11, 9}, {20, 9}, {20, 19}, {3, 19}}));
            p.setBrush(QColor(250, 215, 110));
            p.drawPolygon(QPolygon({{6, 12}, {22, 12}, {19, 19}, {3, 19}}));
            break;
        case ToolbarIcon::Save:  // a diskette
            p.setBrush(QColor(70, 110, 200));
            p.drawRect(4, 4, 16, 16);
            p.setBrush(ink);
            p.drawRect(7, 4, 10, 6);
            p.setBrush(QColor(40, 40, 40));
            p.drawRect(7, 13, 10, 7);
            break;
        case ToolbarIcon::Printer:
            p.setBrush(ink);
            p.drawRect(7, 3, 10, 7);
            p.setBrush(QColor(150, 150, 150));
            p.drawRect(3, 10, 18, 7);
            p.setBrush(ink);
            p.drawRect(7, 15, 10, 6);
            break;
        case ToolbarIcon::Undo: Arrow(p, false); break;
        case ToolbarIcon::Redo: Arrow(p, true); break;
        case ToolbarIcon::Sharpen:  // a sharp star
            p.setBrush(accent);
            p.drawPolygon(QPolygon(
                {{12, 2}, {14, 10}, {22, 12}, {14, 14}, {12, 22}, {10, 14}, {2, 12}, {10, 10}}));
            break;
        case ToolbarIcon::Edge:  // a bright edge between dark and light
            p.fillRect(3, 4, 9, 16, QColor(60, 60, 60));
            p.fillRect(12, 4, 9, 16, QColor(200, 200, 200));
            p.setPen(QPen(QColor(255, 255, 120), 2));
            p.drawLine(12, 4, 12, 20);
            break;
        case ToolbarIcon::Resize:  // a small and a large frame
            p.drawRect(3, 11, 7, 7);
            p.drawRect(8, 4, 13, 14);
            p.drawLine(10, 11, 17, 7);
            break;
        case ToolbarIcon::Rotate:  // a turning arrow around a square
            p.drawRect(8, 8, 8, 8);
            Arrow(p, true);
            break;
        case ToolbarIcon::Composite:  // stacked frames
            p.setBrush(QColor(80, 80, 80));
            p.drawRect(3, 3, 12, 12);
            p.setBrush(QColor(130, 130, 130));
            p.drawRect(6, 6, 12, 12);
            p.setBrush(QColor(190, 190, 190));
            p.drawRect(9, 9, 12, 12);
            break;
        case ToolbarIcon::Gamma: {  // a tone curve
            p.drawRect(3, 3, 18, 18);
            QPainterPath curve;
            curve.moveTo(3, 21);
            curve.cubicTo(6, 8, 12, 4, 21, 3);
            p.setPen(QPen(accent, 2));
            p.drawPath(curve);
            break;
        }
        case ToolbarIcon::Grey:  // black and white halves
            p.fillRect(3, 3, 9, 18, Qt::white);
            p.fillRect(12, 3, 9, 18, QColor(20, 20, 20));
            p.drawRect(3, 3, 18, 18);
            break;
        case ToolbarIcon::Histogram: {  // bars
            const int heights[] = {4, 9, 15, 11, 6, 3};
            for (int i = 0; i < 6; ++i)
                p.fillRect(3 + 3 * i, 21 - heights[i], 2, heights[i], accent);
            p.drawLine(2, 21, 21, 21);
            break;
        }
        case ToolbarIcon::Select:  // a list with one line picked
            for (int i = 0; i < 4; ++i) p.drawLine(4, 5 + 4 * i, 19, 5 + 4 * i);
            p.fillRect(3, 12, 18, 3, accent);
            break;
        case ToolbarIcon::UpDown:  // previous and next image
            p.setBrush(ink);
            p.drawPolygon(QPolygon({{12, 2}, {19, 10}, {5, 10}}));
            p.drawPolygon(QPolygon({{12, 22}, {19, 14}, {5, 14}}));
            break;
    }
}

}  // namespace

QImage ToolbarPicture(ToolbarIcon icon) {
    QImage img(kS, kS, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    DrawPicture(p, icon);
    return img;
}

ToolbarStrip::ToolbarStrip(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setFixedHeight(kToolbarHeight);
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(12);
    setFont(f);
}

void ToolbarStrip::setReadout(const QString& text) {
    if (text == readout_) return;
    readout_ = text;
    update();
}

void ToolbarStrip::paintEvent(QPaintEvent*) {
    ToolbarInput in;
    in.clear = true;
    in.pressed = pressed_;
    in.all_images = ctx_.shell.all_images;
    in.batch_mode = ctx_.batch.mode;
    in.batch_text = batch_text_;
    const ToolbarLayout layout = LayoutToolbarStrip(in);

    QPainter p(this);
    p.setFont(font());
    p.fillRect(rect(), QColor(128, 128, 128));  // the main window's grey below the strip
    for (const auto& f : layout.fills) {
        const QRect r(f.left, f.top, f.right - f.left, f.bottom - f.top);
        p.fillRect(r, ToQColor(f.fill));
        p.setPen(ToQColor(f.outline));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    for (const auto& c : layout.cells) {
        QImage pic = ToolbarPicture(c.icon);
        if (c.inverted) pic.invertPixels();
        // A cell whose command cannot run now is dimmed on its black ground, like its menu
        // entry.
        const bool enabled = cellEnabled(c.x / kS);
        if (!enabled) p.fillRect(c.x, c.y, kS, kS, Qt::black);
        p.setOpacity(enabled ? 1.0 : 0.35);
        p.drawImage(c.x, c.y, pic);
        p.setOpacity(1.0);
    }
    for (const auto& t : layout.texts) DrawPlotText(p, t);
    if (!readout_.isEmpty()) {
        DrawPlotText(p, {{kToolbarReadoutX, 0}, readout_.toStdString(), kWhite, kBlack});
    }
}

bool ToolbarStrip::cellEnabled(int cell) const {
    const int id = ToolbarCommand(cell);
    return id < 0 || CommandEnabled(ctx_, id);
}

bool ToolbarStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const std::string tip =
            ctx_.batch.mode != 0 ? std::string() : ToolbarCellTip(help->pos().x() / kS);
        if (tip.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdString(tip), this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ToolbarStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    const int cell = pos.x() / kToolbarCellSize;
    // A disabled cell does not look pressed: nothing is going to run.
    const bool shown = cell >= 0 && cell < kToolbarCells && cellEnabled(cell);
    // The cell stays pressed while its command runs.
    if (shown) {
        pressed_[static_cast<std::size_t>(cell)] = 1;
        repaint();
    }
    Q_EMIT cellClicked(pos.x(), pos.y());
    if (shown) {
        pressed_[static_cast<std::size_t>(cell)] = 0;
        update();
    }
}

}  // namespace orva::gui
