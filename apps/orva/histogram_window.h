// The "Histgram" window: histogram or cross-sections of the current image, describing the
// pixel under the mouse (or point A in the cross-section view). The main window owns it and
// calls refresh() on every mouse move over the image and every image change.
#pragma once

#include <QWidget>

#include "shell/context.h"

namespace orva::gui {

class HistogramWindow : public QWidget {
    Q_OBJECT
public:
    HistogramWindow(AppContext& ctx, QWidget* owner);

    // 0 histogram, 1 cross-sections; repaints.
    void setViewMode(int mode);
    int viewMode() const { return ctx_.view.inspection_mode; }
    // Repaints from the current image, the mouse position and the read-out divisor.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    AppContext& ctx_;
};

}  // namespace orva::gui
