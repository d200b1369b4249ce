#include "image_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "plot_painter.h"
#include "view/interaction.h"
#include "view/readout.h"

namespace orva::gui {

namespace {

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
        bar->setRange(0, 100);
        bar->setSingleStep(1);
        bar->setPageStep(10);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->installEventFilter(this);
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

void ImageWindow::updateScrollBars() {
    const ImageRecord* rec = ctx_.ws.Current();
    const int cw = ctx_.shell.client_width, ch = ctx_.shell.client_height;
    const QSignalBlocker hb(hbar_), vb(vbar_);
    hbar_->setSliderPosition(rec ? ScrollBarPosition(*rec, Axis::Horizontal, cw, ch) : 0);
    vbar_->setSliderPosition(rec ? ScrollBarPosition(*rec, Axis::Vertical, cw, ch) : 0);
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
    const bool redraw = ApplyScroll(*rec, axis, request, bar->sliderPosition(), cw, ch);
    // The bar shows where the origin really went, not where the click would have put it.
    bar->setSliderPosition(ScrollBarPosition(*rec, axis, cw, ch));
    // Moves that no mouse button holds (wheel, keyboard) have no end-of-scrolling to wait for.
    if (redraw || QGuiApplication::mouseButtons() == Qt::NoButton) update();
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
    const int e = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    vbar_->setGeometry(width() - e, 0, e, std::max(height() - e, 0));
    hbar_->setGeometry(0, height() - e, std::max(width() - e, 0), e);
    update();
}

void ImageWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
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
