// The operations of 'orva-cli apply': each runs the desktop command of the same job on slot
// 0 with dialogs answered OK on the settings as loaded and set from the command line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "shell/context.h"
#include "shell/ui.h"

namespace orva {

// A Ui without a user: dialogs are confirmed as they stand, questions answered OK, and
// every message is kept so a failure can be reported on one line.
class QuietUi : public Ui {
public:
    Answer AskUser(const MessageBoxRequest& request) override;
    std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
    bool RunDialog(DialogId, AppContext&) override { return true; }
    bool OpenDocument(const std::string&) override { return false; }

    std::vector<MessageBoxRequest> messages;
    int errors = 0;
};

struct CliOperation {
    const char* name;
    int command_id;  // the desktop command that does the job
    const char* help;
};

const std::vector<CliOperation>& CliOperations();
const CliOperation* FindCliOperation(const std::string& name);
// Runs the operation on the current slot. False with a one-line reason on failure.
bool RunCliOperation(AppContext& ctx, const CliOperation& op, std::string* error);
void PrintCliOperations(std::FILE* out);

// A failure: one line on stderr after "orva-cli: " (line breaks become blanks); status 1.
int CliFail(const std::string& message);
// A usage error: the problem, then the usage text, on stderr; status 2.
int CliUsage(const std::string& problem, const char* usage);
void PrintSettingsKeywords(std::FILE* out);

}  // namespace orva
