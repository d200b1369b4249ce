#include "image_window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "plot_painter.h"
#include "view/interaction.h"
#include "view/readout.h"

namespace orva::gui {

namespace {

// Image pixels per scroll line: an arrow of a scroll bar, a line of a wheel notch.
constexpr int kLineStep = 8;

// The background of the window where no picture is drawn.
const QColor kBackground(128, 128, 128);

QPoint EventPosition(const QMouseEvent* event) {
    return event->position().toPoint();
}

}  // namespace

ImageWindow::ImageWindow(AppContext& ctx, QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      hbar_(new QScrollBar(Qt::Horizontal, this)),
      vbar_(new QScrollBar(Qt::Vertical, this)) {
    setMouseTracking(true);
    // Keys belong to the main window.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    // The overlay lines are 16 pixels apart; the font must fit between them.
    QFont overlay = font();
    overlay.setPixelSize(13);
    setFont(overlay);
    for (QScrollBar* bar : {hbar_, vbar_}) {
        bar->setRange(0, 0);
        bar->setSingleStep(kLineStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->installEventFilter(this);
        bar->hide();
    }
    connect(hbar_, &QScrollBar::actionTriggered, this,
            [this](int action) { scrollAction(Axis::Horizontal, action); });
    connect(vbar_, &QScrollBar::actionTriggered, this,
            [this](int action) { scrollAction(Axis::Vertical, action); });
    connect(hbar_, &QScrollBar::sliderReleased, this, [this] { endScroll(Axis::Horizontal); });
    connect(vbar_, &QScrollBar::sliderReleased, this, [this] { endScroll(Axis::Vertical); });
}

void ImageWindow::refreshView() {
    updateScrollBars();
    update();
}

void ImageWindow::fitView() {
    ShellState& shell = ctx_.shell;
    ImageRecord* rec = ctx_.ws.Current();
    if (rec == nullptr) {
        const ViewFit empty = FitViewToWindow(ImageRecord{}, width(), height(), 0);
        shell.client_width = empty.client_width;
        shell.client_height = empty.client_height;
        return;
    }
    const int e = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const ViewFit fit = FitViewToWindow(*rec, width(), height(), e);
    shell.client_width = fit.client_width;
    shell.client_height = fit.client_height;
    ClampScroll(*rec, shell.client_width, shell.client_height);
}

void ImageWindow::updateScrollBars() {
    fitView();
    const ImageRecord* rec = ctx_.ws.Current();
    const int cw = ctx_.shell.client_width, ch = ctx_.shell.client_height;
    const QSignalBlocker hb(hbar_), vb(vbar_);
    // The bars count image pixels: the range is how far the origin can go and the page is
    // the visible extent, so the thumb is as large as the part shown. A bar is shown only
    // while its axis does not fit.
    for (const Axis axis : {Axis::Horizontal, Axis::Vertical}) {
        QScrollBar* bar = axis == Axis::Horizontal ? hbar_ : vbar_;
        const int limit = rec ? ScrollLimit(*rec, axis, cw, ch) : 0;
        bar->setRange(0, limit);
        bar->setPageStep(rec ? std::max(VisibleExtent(axis, rec->zoom, cw, ch), 1) : 1);
        bar->setSliderPosition(
            rec ? std::min(axis == Axis::Horizontal ? rec->scroll_x : rec->scroll_y, limit) : 0);
        bar->setVisible(limit > 0);
    }
    layoutScrollBars();
}

void ImageWindow::layoutScrollBars() {
    const int e = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int right = vbar_->isVisibleTo(this) ? e : 0;
    const int bottom = hbar_->isVisibleTo(this) ? e : 0;
    vbar_->setGeometry(width() - e, 0, e, std::max(height() - bottom, 0));
    hbar_->setGeometry(0, height() - e, std::max(width() - right, 0), e);
}

void ImageWindow::scrollAction(Axis axis, int action) {
    ImageRecord* rec = ctx_.ws.Current();
    if (rec == nullptr) return;
    QScrollBar* bar = axis == Axis::Horizontal ? hbar_ : vbar_;
    ScrollRequest request = ScrollRequest::Other;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub: request = ScrollRequest::LineBack; break;
        case QAbstractSlider::SliderSingleStepAdd: request = ScrollRequest::LineForward; break;
        case QAbstractSlider::SliderPageStepSub: request = ScrollRequest::PageBack; break;
        case QAbstractSlider::SliderPageStepAdd: request = ScrollRequest::PageForward; break;
        case QAbstractSlider::SliderMove: request = ScrollRequest::Track; break;
        default: break;
    }
    const int cw = ctx_.shell.client_width, ch = ctx_.shell.client_height;
    if (request == ScrollRequest::Track) {
        ScrollTo(*rec, axis, bar->sliderPosition(), cw, ch);
    } else {
        ApplyScroll(*rec, axis, request, 0, cw, ch);
    }
    // The bar shows where the origin really went, not where the click would have put it.
    bar->setSliderPosition(axis == Axis::Horizontal ? rec->scroll_x : rec->scroll_y);
    // The picture follows the bar at once, as the thumb is dragged.
    update();
}

void ImageWindow::wheelEvent(QWheelEvent* event) {
    ImageRecord* rec = ctx_.ws.Current();
    if (rec == nullptr) {
        event->ignore();
        return;
    }
    event->accept();
    QPoint delta = event->angleDelta();
    if (event->modifiers().testFlag(Qt::ShiftModifier) && delta.x() == 0) {
        delta = QPoint(delta.y(), 0);  // Shift turns the wheel sideways
    }
    // One notch is 120; fine-grained wheels and touchpads send parts of it.
    wheel_rest_ += delta;
    const QPoint notches(wheel_rest_.x() / 120, wheel_rest_.y() / 120);
    wheel_rest_ -= notches * 120;
    if (notches.isNull()) return;
    const QPoint at = event->position().toPoint();
    const int cw = ctx_.shell.client_width, ch = ctx_.shell.client_height;
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        const int direction = notches.y() > 0 ? 1 : 0;
        bool zoomed = false;
        for (int i = 0; i < std::abs(notches.y()); ++i)
            zoomed |= ZoomKeepingPoint(ctx_.ws, ctx_.shell.all_images, direction, at.x(), at.y());
        if (!zoomed) return;
        ClampScroll(*rec, cw, ch);
    } else {
        const int step = kLineStep * QApplication::wheelScrollLines();
        ScrollTo(*rec, Axis::Horizontal, rec->scroll_x - notches.x() * step, cw, ch);
        ScrollTo(*rec, Axis::Vertical, rec->scroll_y - notches.y() * step, cw, ch);
    }
    refreshView();
    Q_EMIT readoutChanged();
}

void ImageWindow::endScroll(Axis axis) {
    ImageRecord* rec = ctx_.ws.Current();
    if (rec == nullptr) return;
    ApplyScroll(*rec, axis, ScrollRequest::Other, 0, ctx_.shell.client_width,
                ctx_.shell.client_height);
    update();
}

bool ImageWindow::eventFilter(QObject* watched, QEvent* event) {
    // Letting go of an arrow or the trough ends the scrolling: now the picture is redrawn.
    if (event->type() == QEvent::MouseButtonRelease && (watched == hbar_ || watched == vbar_)) {
        endScroll(watched == hbar_ ? Axis::Horizontal : Axis::Vertical);
    }
    return QWidget::eventFilter(watched, event);
}

void ImageWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutScrollBars();
    update();
}

void ImageWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fitView();
    ImageRecord* rec = ctx_.ws.Current();
    const bool recomputed = rec != nullptr && rec->refresh == 1;
    if (!PrepareImagePaint(ctx_)) {
        painter.fillRect(rect(), kBackground);
        updateScrollBars();
        return;
    }
    if (frame_.size() != size()) frame_ = QImage(size(), QImage::Format_RGB32);
    frame_.fill(kBackground);
    Surface surface{reinterpret_cast<uint32_t*>(frame_.bits()), frame_.width(), frame_.height(),
                    static_cast<std::size_t>(frame_.bytesPerLine()) / sizeof(uint32_t)};
    UpdateStretch(ctx_.view.auto_stretch != 0, *rec, scratch_.stretch);
    RenderImage(*rec, ctx_.shell.client_width, ctx_.shell.client_height, scratch_,
                [&](const Band& band) { CopyBandToSurface(band, surface); });
    painter.drawImage(0, 0, frame_);

    painter.setFont(font());
    DrawPlot(painter, MarkerPlot(*rec, ctx_.view));
    if (ctx_.settings.display.info_overlay == 1) DrawPlot(painter, InfoOverlayPlot(*rec));
    painter.end();
    updateScrollBars();
    if (recomputed && ctx_.view.histogram_open == 1) Q_EMIT readoutChanged();
}

void ImageWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = EventPosition(event);
    ImageMouseMove(ctx_, p.x(), p.y());
    Q_EMIT readoutChanged();
}

void ImageWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint p = EventPosition(event);
    if (event->button() == Qt::LeftButton) {
        ImageLeftButtonDown(ctx_, p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        ImageRightButtonDown(ctx_, p.x(), p.y());
    } else {
        return;
    }
    refreshView();
    Q_EMIT readoutChanged();
}

void ImageWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = EventPosition(event);
    const int before = ctx_.ws.current;
    ImageLeftButtonUp(ctx_, p.x(), p.y());
    if (ctx_.ws.current != before) {
        refreshView();
        Q_EMIT readoutChanged();
    }
}

void ImageWindow::mouseDoubleClickEvent(QMouseEvent*) {
    // The window takes double clicks as their own message, which it does not act on: the
    // second press of a double click is not another zoom step or sample.
}

}  // namespace orva::gui
