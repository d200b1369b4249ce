#include "main_window.h"

namespace orva::gui {

MainWindow::MainWindow(const std::vector<std::string>& files, QWidget* parent)
    : QMainWindow(parent), ui_(this), ctx_(std::make_unique<AppContext>(ui_)) {
    setWindowTitle("ORVA");
    resize(800, 512);
    StartUp(*ctx_, files);
}

MainWindow::~MainWindow() = default;

}  // namespace orva::gui
