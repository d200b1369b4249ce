// The main window "ORVA": menu, toolbar strip, image window, drops, keys, close loop.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qt_ui.h"
#include "shell/commands.h"
#include "shell/context.h"

class QAction;

namespace orva::gui {

class HistogramWindow;
class ImageWindow;
class ToolbarStrip;

// The command-layer key for a Qt key released with the given modifiers; none for keys the
// window ignores (letters other than A, B, C, O, S, keys held with Alt or Control, ...).
std::optional<Key> KeyFromQt(int qt_key, Qt::KeyboardModifiers modifiers);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `modal_override` answers message boxes, file and operation dialogs, documents and
    // printing instead of real windows (tests); null for the real ones.
    explicit MainWindow(const std::vector<std::string>& files, QWidget* parent = nullptr,
                        Ui* modal_override = nullptr);
    ~MainWindow() override;

    AppContext& context() { return *ctx_; }
    // Every command action of the menu bar; each carries its command id as data.
    const std::vector<QAction*>& commandActions() const { return actions_; }
    ToolbarStrip* toolbarStrip() const { return strip_; }
    ImageWindow* imageWindow() const { return image_; }
    // The histogram window while it is open, else null.
    HistogramWindow* histogramWindow() const;

    // Runs a command as the menu does, then brings the windows up to date.
    void runCommand(int id);
    // Brings title, read-out, toolbar strip, image and histogram windows and the enabled
    // menu entries up to date with the context.
    void refresh();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clientResized(int width, int height);
    void updateReadout();
    // Sets the window title, with " *" after it while the current image is changed.
    void showTitle(const std::string& title);
    // Moves a new companion window next to this one on the screen.
    void placeBeside(QWidget* window) const;
    void showInspectionWindow(int view_mode);
    void quitConfirmed();

    QtUi ui_;
    std::unique_ptr<AppContext> ctx_;
    QWidget* client_ = nullptr;
    ToolbarStrip* strip_ = nullptr;
    ImageWindow* image_ = nullptr;
    QPointer<HistogramWindow> histogram_;
    std::vector<QAction*> actions_;
    bool close_confirmed_ = false;
    // Command keys whose press reached this window and whose release has not come yet.
    QSet<int> pressed_keys_;
};

}  // namespace orva::gui
