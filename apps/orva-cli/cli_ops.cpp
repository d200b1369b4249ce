#include "cli_ops.h"

#include <algorithm>

#include "cli_messages.h"
#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/operations.h"
#include "shell/settings.h"

namespace orva {

Answer QuietUi::AskUser(const MessageBoxRequest& request) {
    // Kept in English: whatever is reported later comes from here.
    messages.push_back(request);
    messages.back().text = CliText(request.text);
    if (request.title == msg::kTitleError) ++errors;
    return request.buttons == Buttons::YesNoCancel ? Answer::No : Answer::Ok;
}

// The operations whose descriptors give them an orva-cli name, in the descriptors' order.
const std::vector<CliOperation>& CliOperations() {
    static const std::vector<CliOperation> ops = [] {
        std::vector<CliOperation> v;
        for (const OperationDescriptor& op : Operations())
            if (op.cli_name != nullptr) v.push_back({op.cli_name, op.command, op.cli_help});
        return v;
    }();
    return ops;
}

const CliOperation* FindCliOperation(const std::string& name) {
    for (const auto& op : CliOperations())
        if (name == op.name) return &op;
    return nullptr;
}

bool RunCliOperation(AppContext& ctx, const CliOperation& op, std::string* error) {
    auto& ui = static_cast<QuietUi&>(ctx.ui);
    const int errors_before = ui.errors;
    const std::size_t messages_before = ui.messages.size();
    if (!ExecuteCommand(ctx, op.command_id)) {
        *error = "not available in this build";
        return false;
    }
    if (ui.errors != errors_before) {
        *error = ui.messages.back().text;
        return false;
    }
    // What the desktop would have shown in a box (a refused enlargement, a hint) still
    // matters to a script's user: one line each on stderr.
    for (std::size_t i = messages_before; i < ui.messages.size(); ++i) {
        std::string text = ui.messages[i].text;
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::fprintf(stderr, "orva-cli: %s\n", text.c_str());
    }
    return true;
}

int CliFail(const std::string& message) {
    std::string line = message;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "orva-cli: %s\n", line.c_str());
    return 1;
}

int CliUsage(const std::string& problem, const char* usage) {
    std::fprintf(stderr, "orva-cli: %s\n%s", problem.c_str(), usage);
    return 2;
}

void PrintCliOperations(std::FILE* out) {
    for (const auto& op : CliOperations()) std::fprintf(out, "%-14s %s\n", op.name, op.help);
}

void PrintSettingsKeywords(std::FILE* out) {
    Settings s;
    for (const auto& kw : BindSettings(s)) {
        std::fprintf(out, "%-12s", kw.keyword);
        for (const auto& f : kw.fields) std::fprintf(out, " %s", f.name);
        std::fprintf(out, "%s\n", kw.in_file ? "" : "   (not in the settings file)");
    }
}

}  // namespace orva
