// The main window "ORVA": menu, toolbar strip, image window, drops, keys, close loop.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "qt_ui.h"
#include "shell/context.h"

namespace orva::gui {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const std::vector<std::string>& files, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppContext& context() { return *ctx_; }

private:
    QtUi ui_;
    std::unique_ptr<AppContext> ctx_;
};

}  // namespace orva::gui
