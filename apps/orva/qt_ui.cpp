#include "qt_ui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>

#include "common/translate.h"
#include "dialogs/dialogs.h"
#include "language.h"
#include "printing.h"
#include "shell/messages.h"

namespace orva::gui {

namespace {

QString Qs(const std::string& s) {
    return QString::fromStdString(s);
}

// "*.BMP;*.bmp" -> {"*.BMP", "*.bmp"}. Every pattern also gets its lower-case twin: file
// names on this platform are case-sensitive, the patterns are written in capitals and the
// files usually are not.
QStringList PatternsOf(const std::string& pattern) {
    QStringList out;
    for (const QString& p : Qs(pattern).split(';', Qt::SkipEmptyParts)) {
        const QString t = p.trimmed();
        if (t.isEmpty()) continue;
        if (!out.contains(t)) out << t;
        if (!out.contains(t.toLower())) out << t.toLower();
    }
    return out;
}

// A question asked inside a long command shows the arrow, not the wait cursor of the
// command; the wait cursor comes back with the answer.
class ArrowWhileAsking {
public:
    ArrowWhileAsking() : lifted_(QApplication::overrideCursor() != nullptr) {
        if (lifted_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking() {
        if (lifted_) QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
    bool lifted_;
};

bool ValidFilterIndex(const FileDialogRequest& request, int index) {
    return index >= 1 && index <= static_cast<int>(request.filters.size());
}

}  // namespace

// ---- message boxes ----

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request, QWidget* owner) {
    QMessageBox::Icon icon = QMessageBox::Warning;
    switch (request.icon) {
        // Error boxes: a question mark over a box with only OK reads as a question, so
        // errors show the warning sign.
        case Icon::Question: icon = QMessageBox::Warning; break;
        case Icon::Exclamation: icon = QMessageBox::Warning; break;
        case Icon::Information: icon = QMessageBox::Information; break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton first = QMessageBox::Ok;
    switch (request.buttons) {
        case Buttons::Ok: break;
        case Buttons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
        case Buttons::YesNoCancel:
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            first = QMessageBox::Yes;
            break;
    }
    auto box =
        std::make_unique<QMessageBox>(icon, Qs(request.title), Qs(request.text), buttons, owner);
    // Paths and messages are shown as written, never read as markup.
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(first);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

Answer AnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

// ---- file dialogs ----

QStringList QtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        out << Qs(f.label) + QStringLiteral(" (") + PatternsOf(f.pattern).join(' ') + ')';
    }
    return out;
}

std::unique_ptr<QFileDialog> MakeFileDialog(const FileDialogRequest& request, FileDialogKind kind,
                                            QWidget* owner, const QString& folder) {
    auto dialog = std::make_unique<QFileDialog>(owner, Qs(request.title));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    // The labels are what the user reads; the patterns stay behind them.
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (kind == FileDialogKind::Open) {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        // Files highlighted together are opened together; a dialog that picks one file for
        // one purpose lets only one be highlighted.
        dialog->setFileMode(request.several ? QFileDialog::ExistingFiles
                                            : QFileDialog::ExistingFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // The command asks about an existing file itself, after it has added the extension.
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    const QStringList names = QtNameFilters(request.filters);
    if (!names.isEmpty()) dialog->setNameFilters(names);
    const int index = ValidFilterIndex(request, request.filter_index) ? request.filter_index : 1;
    if (!names.isEmpty()) dialog->selectNameFilter(names.at(index - 1));

    dialog->setDirectory(!folder.isEmpty() && QDir(folder).exists() ? folder : QDir::currentPath());
    if (!request.proposed_name.empty()) dialog->selectFile(Qs(request.proposed_name));

    // A name typed without an extension comes back as typed: the command adds the extension
    // of the filter the user ended with. A suffix of the dialog's own would be the one of the
    // filter shown first, since the filter list reports a changed filter by its label only.
    dialog->setDefaultSuffix(QString());
    return dialog;
}

FileDialogResult FileDialogChoice(const QFileDialog& dialog, const FileDialogRequest& request) {
    FileDialogResult result;
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) result.path = QDir::toNativeSeparators(files.first()).toStdString();
    if (request.several) {
        for (const QString& f : files)
            result.paths.push_back(QDir::toNativeSeparators(f).toStdString());
    }
    const QStringList names = QtNameFilters(request.filters);
    const QString chosen = dialog.selectedNameFilter();
    qsizetype i = names.indexOf(chosen);
    if (i < 0) {
        // Some styles report the filter as shown, without its patterns.
        for (qsizetype k = 0; k < static_cast<qsizetype>(request.filters.size()); ++k) {
            if (Qs(request.filters[static_cast<std::size_t>(k)].label) == chosen) {
                i = k;
                break;
            }
        }
    }
    result.filter_index = i >= 0 ? static_cast<int>(i) + 1 : request.filter_index;
    return result;
}

// ---- documents ----

std::string FindDocument(const std::string& name, const std::string& executable_dir,
                         const std::string& source_docs_dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::path(name).is_absolute()) return fs::is_regular_file(name, ec) ? name : std::string();
    // The working folder first, as the documents were always opened from ".", then the
    // places an installed or a freshly built program keeps them.
    std::vector<fs::path> places = {fs::path("."), fs::path(executable_dir),
                                    fs::path(executable_dir) / ".." / "share" / "orva" / "doc"};
    if (!source_docs_dir.empty()) places.emplace_back(source_docs_dir);
    for (const fs::path& dir : places) {
        if (dir.empty()) continue;
        const fs::path p = dir / name;
        if (fs::is_regular_file(p, ec)) return fs::absolute(p, ec).lexically_normal().string();
    }
    return {};
}

// ---- the port ----

Answer QtUi::AskUser(const MessageBoxRequest& request) {
    if (modal_ != nullptr) return modal_->AskUser(request);
    ArrowWhileAsking arrow;
    auto box = MakeMessageBox(request, owner_);
    const int button = box->exec();
    const Answer a = AnswerOf(static_cast<QMessageBox::StandardButton>(button));
    // A box with only OK has nothing else to answer, however it was closed.
    return request.buttons == Buttons::Ok ? Answer::Ok : a;
}

std::optional<FileDialogResult> QtUi::OpenFileDialog(const FileDialogRequest& request) {
    if (modal_ != nullptr) return modal_->OpenFileDialog(request);
    ArrowWhileAsking arrow;
    auto dialog = MakeFileDialog(request, FileDialogKind::Open, owner_, last_folder_);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    FileDialogResult r = FileDialogChoice(*dialog, request);
    if (r.path.empty()) return std::nullopt;
    last_folder_ = QFileInfo(Qs(r.path)).absolutePath();
    return r;
}

std::optional<FileDialogResult> QtUi::SaveFileDialog(const FileDialogRequest& request) {
    if (modal_ != nullptr) return modal_->SaveFileDialog(request);
    ArrowWhileAsking arrow;
    auto dialog = MakeFileDialog(request, FileDialogKind::Save, owner_, last_folder_);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    FileDialogResult r = FileDialogChoice(*dialog, request);
    if (r.path.empty()) return std::nullopt;
    last_folder_ = QFileInfo(Qs(r.path)).absolutePath();
    return r;
}

bool QtUi::RunDialog(DialogId dialog, AppContext& ctx) {
    if (modal_ != nullptr) return modal_->RunDialog(dialog, ctx);
    ArrowWhileAsking arrow;
    return RunDialogOf(dialog, ctx, owner_);
}

void QtUi::ShowWindow(DialogId dialog, AppContext& ctx) {
    if (modal_ != nullptr) {
        modal_->ShowWindow(dialog, ctx);
        return;
    }
    // Child of the main window: it goes when the main window goes, and one of each is open.
    QPointer<QDialog>& open = windows_[dialog];
    if (open.isNull()) {
        std::unique_ptr<QDialog> made = CreateDialog(dialog, ctx, owner_);
        if (made == nullptr) return;
        made->setAttribute(Qt::WA_DeleteOnClose);
        made->setModal(false);
        open = made.release();
    }
    open->show();
    open->raise();
    open->activateWindow();
}

namespace {

std::string LocateDocument(const std::string& path) {
#ifdef ORVA_SOURCE_DIR
    const std::string source_docs = std::string(ORVA_SOURCE_DIR) + "/docs";
#else
    const std::string source_docs;
#endif
    return FindDocument(path, QCoreApplication::applicationDirPath().toStdString(), source_docs);
}

}  // namespace

bool DesktopBrowserAvailable() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return false;
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty()) return true;  // xdg-open alone may still find one
    QProcess query;
    query.start(mime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool QtUi::OpenDocument(const std::string& path) {
    if (modal_ != nullptr) return modal_->OpenDocument(path);
    const std::string found = LocateDocument(path);
    if (found.empty()) return false;
    // The desktop's browser when there is one; the help works everywhere all the same.
    if (DesktopBrowserAvailable() && QDesktopServices::openUrl(QUrl::fromLocalFile(Qs(found))))
        return true;
    return OpenDocumentInside(path);
}

bool QtUi::OpenDocumentInside(const std::string& path) {
    if (modal_ != nullptr) return modal_->OpenDocumentInside(path);
    const std::string found = LocateDocument(path);
    if (found.empty()) return false;
    if (!document_) {
        document_ = new QTextBrowser(owner_);
        document_->setWindowFlag(Qt::Window);
        document_->setAttribute(Qt::WA_DeleteOnClose);
        document_->setWindowTitle(QString::fromUtf8(Tr(msg::kHelpWindowTitle)));
        // Links to other pages of the help stay here; links out of it go to the desktop.
        document_->setOpenExternalLinks(true);
        document_->resize(760, 640);
    }
    document_->setSource(QUrl::fromLocalFile(Qs(found)));
    document_->show();
    document_->raise();
    document_->activateWindow();
    return true;
}

void QtUi::SetBusy(bool busy) {
    // Long commands nest busy scopes; the cursor stack keeps them balanced.
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void QtUi::Repaint() {
    if (hooks_.repaint) hooks_.repaint();
}

void QtUi::RepaintToolbar() {
    if (hooks_.repaint_toolbar) hooks_.repaint_toolbar();
}

void QtUi::SetTitle(const std::string& title) {
    if (hooks_.set_title) {
        hooks_.set_title(title);
    } else if (owner_ != nullptr) {
        owner_->setWindowTitle(Qs(title));
    }
}

void QtUi::SetStatusText(const std::string& text) {
    if (hooks_.set_status_text) hooks_.set_status_text(text);
}

namespace {

// Clicks and keys reach the windows only while the application-modal progress window is up
// (before it shows, they would reach the main window in the middle of the job).
void ProgressEvents(const QProgressDialog& dialog) {
    QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void QtUi::ShowProgress(const std::string& text, int percent) {
    if (percent < 0) {
        progress_.reset();
        return;
    }
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(owner_);
        progress_->setWindowTitle(QString::fromUtf8(msg::kProductName));
        progress_->setCancelButtonText(TranslatedText(ORVA_TEXT("orva", "中止")));
        progress_->setRange(0, 100);
        progress_->setMinimumDuration(500);
        // Application-modal: the Cancel button must take clicks while the job runs, and no
        // other window may start a command in the middle of it.
        progress_->setWindowModality(Qt::ApplicationModal);
    }
    progress_->setLabelText(QString::fromStdString(text));
    progress_->setValue(percent);
    ProgressEvents(*progress_);
}

bool QtUi::ProgressCancelled() {
    if (!progress_) return false;
    ProgressEvents(*progress_);
    return progress_->wasCanceled();
}

void QtUi::Quit() {
    if (hooks_.quit) hooks_.quit();
}

bool QtUi::PrintImage(AppContext& ctx, int slot) {
    if (modal_ != nullptr) return modal_->PrintImage(ctx, slot);
    if (!Workspace::Valid(slot)) return false;
    const ImageRecord& rec = ctx.ws.at(slot);
    ArrowWhileAsking arrow;
    return gui::PrintImage(owner_, rec, rec.name);
}

void QtUi::ShowInspectionWindow(int view_mode) {
    if (hooks_.show_inspection_window) hooks_.show_inspection_window(view_mode);
}

}  // namespace orva::gui
