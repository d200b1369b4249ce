// The "Histgram" window: histogram or cross-sections of the current image under the mouse.
#pragma once

#include <QWidget>

#include "shell/context.h"

namespace orva::gui {

class HistogramWindow : public QWidget {
    Q_OBJECT
public:
    HistogramWindow(AppContext& ctx, QWidget* owner);

private:
    AppContext& ctx_;
};

}  // namespace orva::gui
