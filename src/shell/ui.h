// The Ui port: the only way the command layer talks to the user. The desktop front end
// implements it with windows; tests and orva-cli implement it with scripted or quiet doubles.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "shell/dialog_ids.h"

namespace orva {

struct AppContext;

enum class Buttons { Ok, OkCancel, YesNoCancel };
enum class Icon { Question, Exclamation, Information };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Exclamation;
};

struct FileDialogRequest {
    std::string title;  // "LOAD" or "SAVE"
    std::vector<FileFilter> filters;
    int filter_index = 1;       // 1-based, shown first
    std::string proposed_name;  // save dialogs
    // The extension the command adds to a name typed without one until a filter is chosen;
    // the dialog itself leaves the typed name as it is.
    std::string default_extension;
    // An open dialog that lets the user pick several files at once.
    bool several = false;
};

struct FileDialogResult {
    std::string path;      // full path of the chosen file (the first one of several)
    int filter_index = 1;  // 1-based filter the user ended with
    // Every chosen file in the order the dialog gives them, when the request allowed
    // several; empty otherwise.
    std::vector<std::string> paths{};
};

class Ui {
public:
    virtual ~Ui() = default;

    virtual Answer AskUser(const MessageBoxRequest& request) = 0;
    virtual std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) = 0;
    // Runs an operation dialog, which edits ctx.settings in place. True on OK.
    virtual bool RunDialog(DialogId dialog, AppContext& ctx) = 0;
    // Opens a window that stays open beside the main window while the user goes on working
    // (live stacking), or brings it forward when it is open. A port without such windows runs
    // it as a dialog.
    virtual void ShowWindow(DialogId dialog, AppContext& ctx) { RunDialog(dialog, ctx); }
    // Opens a document with the desktop's viewer, or in the application's own window when
    // there is none. False when that failed.
    virtual bool OpenDocument(const std::string& path) = 0;
    // Opens a document in the application's own window. False when that failed.
    virtual bool OpenDocumentInside(const std::string& path) { return OpenDocument(path); }

    virtual void SetBusy(bool /*busy*/) {}
    virtual void Repaint() {}
    virtual void RepaintToolbar() {}
    virtual void SetTitle(const std::string& /*title*/) {}
    virtual void SetStatusText(const std::string& /*text*/) {}
    // Ends the application after a close that was not cancelled.
    virtual void Quit() {}
    // Prints a slot on one page. False when the user cancelled the printer dialog.
    virtual bool PrintImage(AppContext& /*ctx*/, int /*slot*/) { return false; }
    // Opens the histogram window if needed and shows view 0 (histogram) or 1 (cross-sections).
    virtual void ShowInspectionWindow(int /*view_mode*/) {}
    // A long job's progress: what it is doing and how much of it is done (0..100); a negative
    // percentage ends the display.
    virtual void ShowProgress(const std::string& /*text*/, int /*percent*/) {}
    // Whether the user asked the long job on display to stop; never, unless the display
    // offers a way to.
    virtual bool ProgressCancelled() { return false; }
};

// The four kinds of message box; every one of a kind looks the same.
void ShowError(Ui& ui, const std::string& text);
bool AskCaution(Ui& ui, const std::string& text);
void ShowMessage(Ui& ui, const std::string& text);
// A "Message !" box that only reports (coordinates, values): the information sign, not the
// warning one.
void ShowReport(Ui& ui, const std::string& text);
Answer AskSaveChanged(Ui& ui, const std::string& text);
// True when `path` does not exist, or exists and the user allowed overwriting it.
bool ConfirmOverwrite(Ui& ui, const std::string& path);
void ShowAbout(Ui& ui, const std::string& text);

// A wait cursor for the lifetime of the object.
class BusyScope {
public:
    explicit BusyScope(Ui& ui) : ui_(ui) { ui_.SetBusy(true); }
    ~BusyScope() { ui_.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Ui& ui_;
};

}  // namespace orva
