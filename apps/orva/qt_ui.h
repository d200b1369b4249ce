// The Ui port on Qt: message boxes, file dialogs, operation dialogs, cursor and repaints.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "shell/ui.h"

namespace orva::gui {

// What the port asks of the window that carries it. The main window fills these in; an
// empty one does nothing.
struct WindowHooks {
    std::function<void()> repaint;
    std::function<void()> repaint_toolbar;
    std::function<void(const std::string&)> set_title;
    std::function<void(const std::string&)> set_status_text;
    std::function<void()> quit;
    std::function<void(int)> show_inspection_window;
};

class QtUi : public Ui {
public:
    explicit QtUi(QWidget* owner) : owner_(owner) {}

    void SetHooks(WindowHooks hooks) { hooks_ = std::move(hooks); }
    // Tests answer the modal parts (boxes, file dialogs, operation dialogs, documents,
    // printing) through another port so that nothing waits for a user.
    void SetModalOverride(Ui* modal) { modal_ = modal; }

    Answer AskUser(const MessageBoxRequest& request) override;
    std::optional<FileDialogResult> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> SaveFileDialog(const FileDialogRequest& request) override;
    bool RunDialog(DialogId dialog, AppContext& ctx) override;
    void ShowWindow(DialogId dialog, AppContext& ctx) override;
    bool OpenDocument(const std::string& path) override;
    bool OpenDocumentInside(const std::string& path) override;
    // The help window while it is open, else null.
    QTextBrowser* documentWindow() const { return document_.data(); }

    void SetBusy(bool busy) override;
    void Repaint() override;
    void RepaintToolbar() override;
    void SetTitle(const std::string& title) override;
    void SetStatusText(const std::string& text) override;
    void Quit() override;
    bool PrintImage(AppContext& ctx, int slot) override;
    void ShowInspectionWindow(int view_mode) override;
    void ShowProgress(const std::string& text, int percent) override;
    bool ProgressCancelled() override;

private:
    QWidget* owner_;
    Ui* modal_ = nullptr;
    WindowHooks hooks_;
    QString last_folder_;  // folder of the file chosen last in an open or save dialog
    std::unique_ptr<QProgressDialog> progress_;
    QPointer<QTextBrowser> document_;                // the application's own help window
    std::map<DialogId, QPointer<QDialog>> windows_;  // the windows open beside the main one
};

// ---- The pieces of the modal windows, apart so that tests can look at them unshown ----

// A message box for the request, modal to `owner`.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request, QWidget* owner);
// The port's answer for the button a box ended with.
Answer AnswerOf(QMessageBox::StandardButton button);

// "label (pattern pattern ...)" for each filter; Qt separates patterns with blanks.
QStringList QtNameFilters(const std::vector<FileFilter>& filters);

enum class FileDialogKind { Open, Save };
// An open or save dialog set up from the request: title, filters, the 1-based filter shown
// first and the proposed name. A save dialog adds no extension of its own. It starts in
// `folder` when that exists (the folder used last), else in the current directory; a
// proposed name with a folder of its own goes there.
std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request, FileDialogKind kind,
                                            QWidget* owner, const QString& folder = {});
// The chosen path and the 1-based filter the user ended with.
FileDialogResult FileDialogChoice(const QFileDialog& dialog, const FileDialogRequest& request);

// Where a help document is looked for: beside the executable, then the installed document
// folder, then the source tree's docs/. Empty when none holds it.
std::string FindDocument(const std::string& name, const std::string& executable_dir,
                         const std::string& source_docs_dir);

// Whether this desktop has a program for web pages: xdg-open and a handler for HTML. Without
// one the help opens in the application's own window.
bool DesktopBrowserAvailable();

}  // namespace orva::gui
