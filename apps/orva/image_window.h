// The image window: shows the current slot at its zoom and scroll position, takes clicks,
// drags and the mouse position for the read-outs.
#pragma once

#include <QWidget>

#include "shell/context.h"

namespace orva::gui {

class ImageWindow : public QWidget {
    Q_OBJECT
public:
    ImageWindow(AppContext& ctx, QWidget* parent);

Q_SIGNALS:
    // The mouse moved or the picture changed: the owner repaints the toolbar strip, the
    // read-out line and the histogram window.
    void readoutChanged();

private:
    AppContext& ctx_;
};

}  // namespace orva::gui
