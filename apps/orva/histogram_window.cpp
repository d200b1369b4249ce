#include "histogram_window.h"

namespace orva::gui {

HistogramWindow::HistogramWindow(AppContext& ctx, QWidget* owner)
    : QWidget(owner, Qt::Window), ctx_(ctx) {}

}  // namespace orva::gui
