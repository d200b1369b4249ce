#include "qt_ui.h"

#include "dialogs/dialogs.h"

namespace orva::gui {

Answer QtUi::AskUser(const MessageBoxRequest&) {
    return Answer::Cancel;
}
std::optional<FileDialogResult> QtUi::OpenFileDialog(const FileDialogRequest&) {
    return {};
}
std::optional<FileDialogResult> QtUi::SaveFileDialog(const FileDialogRequest&) {
    return {};
}
bool QtUi::RunDialog(std::string_view name, AppContext& ctx) {
    return RunNamedDialog(name, ctx, owner_);
}
bool QtUi::OpenDocument(const std::string&) {
    return false;
}

}  // namespace orva::gui
