#include "shell/ui.h"

#include <filesystem>

#include "shell/messages.h"

namespace orva {

void ShowError(Ui& ui, const std::string& text) {
    ui.AskUser({msg::kTitleError, text, Buttons::Ok, Icon::Question});
}

bool AskCaution(Ui& ui, const std::string& text) {
    return ui.AskUser({msg::kTitleCaution, text, Buttons::OkCancel, Icon::Exclamation}) ==
           Answer::Ok;
}

void ShowMessage(Ui& ui, const std::string& text) {
    ui.AskUser({msg::kTitleMessage, text, Buttons::Ok, Icon::Exclamation});
}

void ShowReport(Ui& ui, const std::string& text) {
    ui.AskUser({msg::kTitleMessage, text, Buttons::Ok, Icon::Information});
}

Answer AskSaveChanged(Ui& ui, const std::string& text) {
    return ui.AskUser({msg::kTitleSave, text, Buttons::YesNoCancel, Icon::Exclamation});
}

bool ConfirmOverwrite(Ui& ui, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    return AskCaution(ui, Format(msg::kOverwrite, path.c_str()));
}

void ShowAbout(Ui& ui, const std::string& text) {
    ui.AskUser({Format(msg::kTitleAbout, msg::kProductName), text, Buttons::Ok, Icon::Information});
}

}  // namespace orva
