// Dark files: up to four RAW or FITS files in a working list that OK copies back, the
// treatment of defect pixels and the level that marks them.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "common/text.h"
#include "dialogs/dialog_kit.h"
#include "shell/messages.h"
#include "shell/raw_commands.h"
#include "ui_dark_dialog.h"

namespace orva::gui {

namespace {

constexpr int kLevelPerPosition = 16;

class DarkDialog : public QDialog {
public:
    DarkDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), ctx_(ctx), files_(ctx.darks.files) {
        ui_.setupUi(this);
        connect(ui_.buttonBox, &QDialogButtonBox::accepted, this, [this] {
            ctx_.darks.files = files_;
            accept();
        });
        connect(ui_.buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
        DarkSettings& d = ctx.settings.dark;
        BindRadios({ui_.radio_leave, ui_.radio_zero, ui_.radio_average}, &d.defect_handling);
        const FieldDecl& level = kRawFields.defect_level;
        ui_.scroll_level->setRange(level.min / kLevelPerPosition, level.max / kLevelPerPosition);
        ui_.scroll_level->setSingleStep(1);
        ui_.scroll_level->setPageStep(4);
        connect(ui_.scroll_level, &QAbstractSlider::actionTriggered, this, [this](int action) {
            int& v = ctx_.settings.dark.defect_level;
            const FieldDecl& f = kRawFields.defect_level;
            switch (action) {
                case QAbstractSlider::SliderSingleStepSub: v = f.Clamp(v - 16); break;
                case QAbstractSlider::SliderSingleStepAdd: v = f.Clamp(v + 16); break;
                case QAbstractSlider::SliderPageStepSub: v = f.Clamp(v - 64); break;
                case QAbstractSlider::SliderPageStepAdd: v = f.Clamp(v + 64); break;
                case QAbstractSlider::SliderMove:
                    v = f.Clamp(ui_.scroll_level->sliderPosition() * kLevelPerPosition);
                    break;
                default: break;
            }
            ui_.scroll_level->setSliderPosition(v / kLevelPerPosition);
            ShowLevel();
        });
        connect(ui_.button_add, &QPushButton::clicked, this, [this] { Add(); });
        connect(ui_.button_remove, &QPushButton::clicked, this, [this] {
            RemoveDarkFile(files_, ui_.list_files->currentRow());
            ShowList();
        });
        ShowList();
        ShowLevel();
    }

private:
    void Add() {
        FileDialogRequest req;
        req.title = msg::kLoadTitle;
        req.filters = ParseFilterList(Tr(msg::kOpenFilter));
        // Shown first: the camera RAW files (darks are mostly those).
        req.filter_index = 1;
        for (std::size_t i = 0; i < req.filters.size(); ++i)
            if (req.filters[i].pattern.rfind("*.CRW", 0) == 0)
                req.filter_index = static_cast<int>(i) + 1;
        const auto chosen = ctx_.ui.OpenFileDialog(req);
        if (!chosen) return;
        if (const char* refusal = AddDarkFile(files_, chosen->path)) ShowError(ctx_.ui, refusal);
        ShowList();
    }

    void ShowList() {
        ui_.list_files->clear();
        for (int k = 0; k < kMaxDarkFiles; ++k) {
            const std::string& f = files_[static_cast<std::size_t>(k)];
            if (!f.empty())
                ui_.list_files->addItem(
                    QString::fromStdString(Format(msg::kDarkListEntry, k + 1, f.c_str())));
        }
    }

    void ShowLevel() {
        const int v = kRawFields.defect_level.Clamp(ctx_.settings.dark.defect_level);
        const QSignalBlocker block(ui_.scroll_level);
        ui_.scroll_level->setValue(v / kLevelPerPosition);
        ui_.edit_level->setText(QString::number(v));
    }

    ::Ui::DarkDialog ui_;
    AppContext& ctx_;
    std::array<std::string, kMaxDarkFiles> files_;
};

}  // namespace

std::unique_ptr<QDialog> MakeDarkDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<DarkDialog>(ctx, parent);
}

}  // namespace orva::gui
