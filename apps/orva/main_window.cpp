#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "batch/run_batch.h"
#include "histogram_window.h"
#include "image_window.h"
#include "menus.h"
#include "shell/messages.h"
#include "toolbar_strip.h"
#include "view/readout.h"
#include "view/zoom_scroll.h"

namespace orva::gui {

namespace {

constexpr int kStripHeight = 24;

// Local files among dropped URLs, in drop order.
std::vector<std::string> LocalFiles(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

}  // namespace

std::optional<Key> KeyFromQt(int qt_key, Qt::KeyboardModifiers modifiers) {
    // Alt combinations belong to the menu mnemonics.
    if (modifiers.testFlag(Qt::AltModifier)) return std::nullopt;
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (qt_key) {
        case Qt::Key_Up: return Key::Up;
        case Qt::Key_Down: return Key::Down;
        case Qt::Key_Insert: return Key::Insert;
        // The digits of the main row only; the keypad digits are other keys.
        case Qt::Key_8: return keypad ? std::nullopt : std::optional<Key>(Key::Digit8);
        case Qt::Key_2: return keypad ? std::nullopt : std::optional<Key>(Key::Digit2);
        case Qt::Key_A: return Key::A;
        case Qt::Key_B: return Key::B;
        case Qt::Key_C: return Key::C;
        case Qt::Key_O: return Key::O;
        case Qt::Key_T: return Key::T;
        case Qt::Key_S: return Key::S;
        default: return std::nullopt;
    }
}

MainWindow::MainWindow(const std::vector<std::string>& files, QWidget* parent, Ui* modal_override)
    : QMainWindow(parent), ui_(this), ctx_(std::make_unique<AppContext>(ui_)) {
    ui_.SetModalOverride(modal_override);
    InstallBatch(*ctx_);
    setWindowTitle(QString::fromUtf8(msg::kProductName));
    setAcceptDrops(true);

    actions_ = BuildCommandMenus(menuBar());
    AddLanguageMenu(menuBar(), *ctx_);
    for (QAction* a : actions_) {
        const int id = a->data().toInt();
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    }
    // Enabled states are settled in one place, just before a menu opens and after each
    // command.
    for (QAction* top : menuBar()->actions()) {
        if (QMenu* m = top->menu()) {
            connect(m, &QMenu::aboutToShow, this,
                    [this] { UpdateCommandActions(*ctx_, actions_); });
        }
    }

    client_ = new QWidget(this);
    client_->setFocusPolicy(Qt::StrongFocus);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    strip_ = new ToolbarStrip(*ctx_, client_);
    image_ = new ImageWindow(*ctx_, client_);
    connect(strip_, &ToolbarStrip::cellClicked, this, [this](int x, int y) {
        HandleToolbarClick(*ctx_, x, y);
        refresh();
    });
    connect(image_, &ImageWindow::readoutChanged, this, [this] {
        updateReadout();
        if (histogram_) histogram_->refresh();
    });

    WindowHooks hooks;
    hooks.repaint = [this] { refresh(); };
    hooks.repaint_toolbar = [this] { updateReadout(); };
    hooks.set_title = [this](const std::string& t) { showTitle(t); };
    // The strip draws the batch texts from the batch mode itself; a batch runs inside one
    // command, so the strip is painted at once rather than after it.
    hooks.set_status_text = [this](const std::string& text) {
        // The drop prompt is the strip's own text in batch mode; anything else (the running
        // notice) replaces it until the prompt comes back.
        strip_->setBatchText(text == Tr(msg::kBatchPrompt) ? std::string() : text);
        strip_->repaint();
    };
    hooks.quit = [this] { quitConfirmed(); };
    hooks.show_inspection_window = [this](int mode) { showInspectionWindow(mode); };
    ui_.SetHooks(std::move(hooks));

    resize(800, 512);
    client_->setFocus();
    StartUp(*ctx_, files);
    refresh();
}

MainWindow::~MainWindow() {
    // The child windows hold the context: they go first.
    ui_.SetHooks({});
    delete histogram_.data();
    delete client_;
}

HistogramWindow* MainWindow::histogramWindow() const {
    return histogram_.data();
}

void MainWindow::runCommand(int id) {
    ExecuteCommand(*ctx_, id);
    refresh();
}

void MainWindow::refresh() {
    updateReadout();
    image_->refreshView();
    if (histogram_) histogram_->refresh();
    UpdateCommandActions(*ctx_, actions_);
}

void MainWindow::updateReadout() {
    strip_->setReadout(QString::fromStdString(ReadoutLine(*ctx_)));
    strip_->update();
    showTitle(WindowTitle(*ctx_));
}

void MainWindow::showTitle(const std::string& title) {
    // A changed image is marked after the title, which itself stays as it always read.
    const ImageRecord* rec = ctx_->ws.Current();
    const bool changed = rec != nullptr && rec->changed == 1 && title != msg::kProductName;
    std::string shown = changed ? title + " *" : title;
    // The stretch changes only what is shown, and stays on for every image until switched
    // off: the title says so, as the menu's check mark does.
    if (ctx_->view.auto_stretch != 0) shown += Tr(msg::kAutoStretchMark);
    setWindowTitle(QString::fromStdString(shown));
}

void MainWindow::clientResized(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    strip_->setGeometry(0, 0, width, kStripHeight);
    image_->setGeometry(0, kStripHeight, width, std::max(height - kStripHeight, 0));
    // The scroll maths see the picture area the image window really leaves.
    image_->fitView();
    refresh();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        clientResized(size.width(), size.height());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && KeyFromQt(event->key(), event->modifiers())) {
        pressed_keys_.insert(event->key());
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    const auto key = KeyFromQt(event->key(), event->modifiers());
    // Keys act on release, but only when their press came here too: a key that chose a menu
    // item (Alt+V, then O) or closed a dialog has done its work already.
    if (!key || !pressed_keys_.remove(event->key())) {
        QMainWindow::keyReleaseEvent(event);
        return;
    }
    HandleKey(*ctx_, *key);
    refresh();
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    // A key held while the window lost the keyboard is released elsewhere.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) pressed_keys_.clear();
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Menu 121 has asked already; the window's own close button asks here.
    if (!close_confirmed_ && !RequestApplicationClose(*ctx_)) {
        event->ignore();
        refresh();
        return;
    }
    close_confirmed_ = false;
    if (histogram_) histogram_->close();
    event->accept();
}

void MainWindow::quitConfirmed() {
    close_confirmed_ = true;
    if (!close()) close_confirmed_ = false;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    DropFiles(*ctx_, paths);
    refresh();
}

void MainWindow::placeBeside(QWidget* window) const {
    // To the right of the main window when the screen has room there, else to its left;
    // left to the window manager when neither side has room.
    const QScreen* screen = this->screen();
    if (screen == nullptr) return;
    const QRect free = screen->availableGeometry();
    const QRect main = frameGeometry();
    const int gap = 8;
    const int width = window->frameGeometry().width();
    int x = main.right() + 1 + gap;
    if (x + width > free.right() + 1) x = main.left() - gap - width;
    if (x < free.left()) return;
    window->move(x, std::max(main.top(), free.top()));
}

void MainWindow::showInspectionWindow(int view_mode) {
    if (!histogram_) {
        histogram_ = new HistogramWindow(*ctx_, this);
        placeBeside(histogram_);
        // Closing the window ends it; the flag follows.
        histogram_->setAttribute(Qt::WA_DeleteOnClose);
        AppContext* ctx = ctx_.get();
        connect(histogram_, &QObject::destroyed, this, [ctx] { ctx->view.histogram_open = 0; });
    }
    ctx_->view.histogram_open = 1;
    ctx_->view.inspection_mode = view_mode;
    histogram_->setViewMode(view_mode);
    histogram_->show();
    histogram_->raise();
    histogram_->refresh();
}

}  // namespace orva::gui
