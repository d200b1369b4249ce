// The image window: shows the current slot at its zoom and scroll position, takes clicks,
// drags and the mouse position for the read-outs.
//
// The picture is rendered band by band by the display logic (view/render.h) into one
// window-sized 32-bit image that is kept between paints; markers and the camera information
// are drawn over it. The two scroll bars count image pixels and drive the record's scroll
// origin; each is shown only while its axis does not fit. The wheel scrolls (Shift: sideways)
// and with Control zooms around the pointer.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "shell/context.h"
#include "view/render.h"
#include "view/zoom_scroll.h"

class QScrollBar;

namespace orva::gui {

class ImageWindow : public QWidget {
    Q_OBJECT
public:
    ImageWindow(AppContext& ctx, QWidget* parent);

    // Puts the scroll bars in step with the current image and schedules a repaint. The main
    // window calls it after every command that may change what is shown.
    void refreshView();
    // Gives the scroll maths the picture area this window leaves for the current image (its
    // size less the scroll bars that image needs) and clamps the image's origin to it.
    void fitView();

    QScrollBar* horizontalBar() const { return hbar_; }
    QScrollBar* verticalBar() const { return vbar_; }

Q_SIGNALS:
    // The mouse moved or the picture changed: the owner repaints the toolbar strip, the
    // read-out line and the histogram window. It is also emitted after a paint that
    // recomputed the statistics while the histogram window is open; the receiver must not
    // repaint this window in response.
    void readoutChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scrollAction(Axis axis, int action);
    void endScroll(Axis axis);
    void updateScrollBars();
    void layoutScrollBars();

    AppContext& ctx_;
    QScrollBar* hbar_;
    QScrollBar* vbar_;
    QImage frame_;  // window-sized picture, reused while the size stays
    RenderScratch scratch_;
    QPoint wheel_rest_;  // wheel turns not yet making a whole notch
};

}  // namespace orva::gui
