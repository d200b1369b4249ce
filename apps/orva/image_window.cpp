#include "image_window.h"

namespace orva::gui {

ImageWindow::ImageWindow(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {}

}  // namespace orva::gui
