// The Ui port on Qt: message boxes, file dialogs, operation dialogs, cursor and repaints.
#pragma once

#include <QWidget>

#include "shell/ui.h"

namespace orva::gui {

class QtUi : public Ui {
public:
    explicit QtUi(QWidget* owner) : owner_(owner) {}

    Answer AskUser(const MessageBoxRequest& request) override;
    std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) override;
    bool RunDialog(std::string_view name, AppContext& ctx) override;
    bool OpenDocument(const std::string& path) override;

private:
    QWidget* owner_;
};

}  // namespace orva::gui
