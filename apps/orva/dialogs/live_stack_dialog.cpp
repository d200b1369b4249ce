// Live stacking (LIVESTACK, ours): the folder the camera program writes to, the masters and the
// registration and rejection choices; start, pause and stop; the lights taken, accepted or
// rejected with the reason; the stack so far in one image slot, which may be saved at any time
// and stays an ordinary image afterwards.
//
// The window stays open beside the main window, so the user can look at the stack and other
// pictures while lights arrive. The session runs on a thread of its own, so that the window
// answers while a light is stacked; what it learns comes back to the window through queued
// calls. The slot is updated only when no command, dialog or progress window of the main
// window is under way (they may be working on the slots); until then the newest stack waits.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "shell/context.h"
#include "shell/live_commands.h"
#include "shell/ui.h"
#include "stack/live_watch.h"

namespace orva::gui {

namespace {

// The choices, kept while the program runs.
struct LiveChoices {
    QString folder, bias, dark, flat;
    int registration = 0;  // 0: stars, 1: shift
    int rejection = 0;     // 0: sigma, 1: winsorized, 2: none
};

LiveChoices& Choices() {
    static LiveChoices c;
    return c;
}

QString RejectText(const LiveFrame& f) {
    switch (f.kind) {
        case LiveReject::Unreadable:
            return QCoreApplication::translate("LiveStackDialog", "読み込めません");
        case LiveReject::TooLarge:
            return QCoreApplication::translate("LiveStackDialog", "画素数が上限を超えています");
        case LiveReject::Mismatch:
            return QCoreApplication::translate("LiveStackDialog",
                                               "最初のフレームと大きさか種類が違います");
        case LiveReject::NoStars:
            return QCoreApplication::translate("LiveStackDialog", "星が見つかりません");
        case LiveReject::FwhmLimit:
            return QCoreApplication::translate("LiveStackDialog", "FWHM %1 px が上限を超えています")
                .arg(f.fwhm, 0, 'f', 2);
        case LiveReject::FwhmMedian:
            return QCoreApplication::translate("LiveStackDialog",
                                               "FWHM %1 px が採用済みの中央値の1.5倍を超えています")
                .arg(f.fwhm, 0, 'f', 2);
        case LiveReject::NoMatch:
            return QCoreApplication::translate("LiveStackDialog",
                                               "最初のフレームの星と一致しません");
        case LiveReject::None: break;
    }
    return QString::fromStdString(f.reason);
}

QString FrameText(const std::string& name, const LiveFrame& f) {
    if (!f.accepted)
        return QCoreApplication::translate("LiveStackDialog", "%1: 不採用（%2）")
            .arg(QString::fromStdString(name), RejectText(f));
    return QCoreApplication::translate("LiveStackDialog",
                                       "%1: 採用 — 星 %2、FWHM %3 px、ずれ %4, %5 px、回転 %6°")
        .arg(QString::fromStdString(name))
        .arg(f.stars)
        .arg(f.fwhm, 0, 'f', 2)
        .arg(f.dx, 0, 'f', 1)
        .arg(f.dy, 0, 'f', 1)
        .arg(f.rotation, 0, 'f', 2);
}

class LiveStackDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(LiveStackDialog)

public:
    LiveStackDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
        setWindowTitle(tr("ライブスタック"));
        auto* grid = new QGridLayout(this);
        LiveChoices& c = Choices();
        FileRow(grid, 0, tr("フォルダ"), "folder", &c.folder, true);
        FileRow(grid, 1, tr("バイアス"), "bias", &c.bias, false);
        FileRow(grid, 2, tr("ダーク"), "dark", &c.dark, false);
        FileRow(grid, 3, tr("フラット"), "flat", &c.flat, false);
        registration_ = Combo(grid, 4, tr("位置合わせ"), "combo_registration", &c.registration,
                              {tr("星（回転・拡大も補正）"), tr("平行移動のみ")});
        rejection_ = Combo(grid, 5, tr("外れ値除去"), "combo_rejection", &c.rejection,
                           {tr("シグマクリップ"), tr("ウィンザー化シグマクリップ"), tr("無し")});
        auto* row = new QHBoxLayout;
        start_ = Button(row, tr("開始"), "button_start", [this] { Start(); });
        pause_ = Button(row, tr("一時停止"), "button_pause", [this] { TogglePause(); });
        stop_ = Button(row, tr("停止"), "button_stop", [this] { Stop(); });
        save_ = Button(row, tr("保存"), "button_save", [this] { Save(); });
        grid->addLayout(row, 6, 0, 1, 3);
        list_ = new QListWidget(this);
        list_->setObjectName("list_frames");
        list_->setMinimumSize(520, 180);
        grid->addWidget(list_, 7, 0, 1, 3);
        status_ = new QLabel(this);
        status_->setObjectName("label_status");
        grid->addWidget(status_, 8, 0, 1, 3);
        auto* buttons = new QDialogButtonBox(this);
        buttons->setObjectName("buttonBox");
        buttons->addButton(tr("閉じる"), QDialogButtonBox::RejectRole)
            ->setObjectName("button_close");
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        grid->addWidget(buttons, 9, 0, 1, 3);
        Enable();
    }

    ~LiveStackDialog() override { Stop(); }

    void reject() override {
        Stop();
        QDialog::reject();
    }

private:
    void FileRow(QGridLayout* grid, int row, const QString& label, const QString& name,
                 QString* value, bool folder) {
        grid->addWidget(new QLabel(label, this), row, 0);
        auto* edit = new QLineEdit(*value, this);
        edit->setObjectName("edit_" + name);
        if (!folder) edit->setPlaceholderText(tr("（使わない）"));
        connect(edit, &QLineEdit::textChanged, this,
                [value](const QString& t) { *value = t.trimmed(); });
        grid->addWidget(edit, row, 1);
        auto* browse = new QPushButton(tr("参照…"), this);
        browse->setObjectName("button_" + name);
        connect(browse, &QPushButton::clicked, this, [this, edit, folder] {
            const QString path =
                folder ? QFileDialog::getExistingDirectory(this, QString(), edit->text())
                       : QFileDialog::getOpenFileName(this, QString(), edit->text());
            if (!path.isEmpty()) edit->setText(path);
        });
        grid->addWidget(browse, row, 2);
        edits_.push_back(edit);
        edits_.push_back(browse);
    }

    QComboBox* Combo(QGridLayout* grid, int row, const QString& label, const char* name, int* field,
                     const QStringList& items) {
        grid->addWidget(new QLabel(label, this), row, 0);
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->addItems(items);
        box->setCurrentIndex(std::clamp(*field, 0, static_cast<int>(items.size()) - 1));
        connect(box, &QComboBox::currentIndexChanged, this, [field](int i) { *field = i; });
        grid->addWidget(box, row, 1, 1, 2);
        return box;
    }

    template <class F>
    QPushButton* Button(QHBoxLayout* row, const QString& text, const char* name, F f) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, f);
        row->addWidget(b);
        return b;
    }

    void Enable() {
        const bool running = thread_.joinable();
        for (QWidget* w : edits_) w->setEnabled(!running);
        registration_->setEnabled(!running);
        rejection_->setEnabled(!running);
        start_->setEnabled(!running);
        pause_->setEnabled(running);
        stop_->setEnabled(running);
        save_->setEnabled(!stack_.data.empty());
    }

    void Start() {
        const LiveChoices& c = Choices();
        std::error_code ec;
        if (c.folder.isEmpty() || !std::filesystem::is_directory(c.folder.toStdString(), ec)) {
            ShowError(ctx_.ui, tr("フォルダがありません: %1").arg(c.folder).toStdString());
            return;
        }
        for (const QString& m : {c.bias, c.dark, c.flat})
            if (!m.isEmpty() && !std::filesystem::is_regular_file(m.toStdString(), ec)) {
                ShowError(ctx_.ui, tr("マスターファイルがありません: %1").arg(m).toStdString());
                return;
            }
        LiveOptions o;
        o.bias = c.bias.toStdString();
        o.dark = c.dark.toStdString();
        o.flat = c.flat.toStdString();
        o.registration = c.registration == 1 ? Registration::Shift : Registration::Stars;
        o.rejection = c.rejection == 2   ? Rejection::None
                      : c.rejection == 1 ? Rejection::Winsor
                                         : Rejection::Sigma;
        o.max_pixels = static_cast<uint64_t>(ctx_.settings.reading.max_pixels);
        LiveWatchOptions w;
        w.folder = c.folder.toStdString();
        w.own_files = {o.bias, o.dark, o.flat};
        session_ = std::make_unique<LiveSession>(o, w);
        list_->clear();
        stack_ = LinearImage{};
        history_.clear();
        shown_ = LiveSlot{};
        pause_->setText(tr("一時停止"));
        status_->setText(tr("待機中…"));
        thread_ = std::thread([this] { Work(); });
        Enable();
    }

    // On the session's thread.
    void Work() {
        auto on_frame = [this](const LiveEvent& ev, std::string*) {
            const LiveStack& live = session_->stack();
            const int frames = live.frames();
            const double exposure = live.exposure();
            if (ev.frame.accepted) {
                std::lock_guard<std::mutex> lock(mutex_);
                latest_ = live.image();
                latest_history_ = live.History();
                latest_frames_ = frames;
                fresh_ = true;
            }
            QMetaObject::invokeMethod(
                this, [this, ev, frames, exposure] { Taken(ev, frames, exposure); },
                Qt::QueuedConnection);
            return true;
        };
        std::string error;
        const bool ok = session_->Run(on_frame, &error);
        QMetaObject::invokeMethod(
            this, [this, ok, error] { Ended(ok, error); }, Qt::QueuedConnection);
    }

    void Taken(const LiveEvent& ev, int frames, double exposure) {
        auto* item = new QListWidgetItem(FrameText(ev.name, ev.frame), list_);
        item->setData(Qt::UserRole, ev.frame.accepted);
        list_->scrollToItem(item);
        status_->setText(tr("%1枚、露出 %2 秒").arg(frames).arg(exposure, 0, 'f', 0));
        ShowNewest();
        Enable();
    }

    // A command runs with the busy cursor; a dialog or progress window of the main window is
    // modal. Either may be in the middle of working on the slots.
    bool MainWindowBusy() const {
        const QWidget* modal = QApplication::activeModalWidget();
        return (modal != nullptr && modal != this) || QApplication::overrideCursor() != nullptr;
    }

    void ShowNewest() {
        if (MainWindowBusy()) {
            if (!retry_) {
                retry_ = true;
                QTimer::singleShot(250, this, [this] {
                    retry_ = false;
                    ShowNewest();
                });
            }
            return;
        }
        int stacked = 0;  // of the stack handed over, which may be newer than the last light
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!fresh_) return;
            std::swap(stack_, latest_);
            history_ = latest_history_;
            stacked = latest_frames_;
            fresh_ = false;
        }
        ShowLiveStack(ctx_, stack_, stacked, shown_);
        Enable();
    }

    void Ended(bool ok, const std::string& error) {
        if (thread_.joinable()) thread_.join();
        if (!ok)
            ShowError(ctx_.ui, tr("ライブスタックを続けられません: %1")
                                   .arg(QString::fromStdString(error))
                                   .toStdString());
        status_->setText(status_->text() + tr("（停止）"));
        Enable();
    }

    void TogglePause() {
        if (!session_) return;
        const bool pause = !session_->paused();
        session_->Pause(pause);
        pause_->setText(pause ? tr("再開") : tr("一時停止"));
    }

    // Ends the session once the light under way is stacked.
    void Stop() {
        if (session_) session_->Stop();
        if (thread_.joinable()) thread_.join();
        if (start_ != nullptr) Enable();
    }

    void Save() {
        if (!stack_.data.empty()) SaveLiveStack(ctx_, stack_, history_);
    }

    AppContext& ctx_;
    std::vector<QWidget*> edits_;
    QComboBox *registration_ = nullptr, *rejection_ = nullptr;
    QPushButton *start_ = nullptr, *pause_ = nullptr, *stop_ = nullptr, *save_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<LiveSession> session_;
    std::thread thread_;
    std::mutex mutex_;
    LinearImage latest_;  // handed over from the session's thread
    std::vector<std::string> latest_history_;
    int latest_frames_ = 0;
    bool fresh_ = false;
    LinearImage stack_;  // shown, and saved by 保存
    std::vector<std::string> history_;
    LiveSlot shown_;
    bool retry_ = false;  // a deferred update is waiting for the main window
};

}  // namespace

std::unique_ptr<QDialog> MakeLiveStackDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<LiveStackDialog>(ctx, parent);
}

}  // namespace orva::gui
