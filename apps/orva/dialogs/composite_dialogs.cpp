// The stacking dialogs: automatic (COMPO), by points (COMPO2), L+RGB (LRGB), L+R+G+B
// (LRGBCOMP) and multi-file stacking (COMPOMUL, which takes files dropped on it).
//
// The image lists start with an empty line followed by "%02d(%s)" for every open image; the
// chosen lines are read back into the settings' image slots on OK.
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QUrl>

#include "common/text.h"
#include "dialogs/dialog_kit.h"
#include "shell/composite_commands.h"
#include "shell/context.h"
#include "shell/messages.h"
#include "ui_composite_auto_dialog.h"
#include "ui_composite_files_dialog.h"
#include "ui_composite_points_dialog.h"
#include "ui_lrgb_dialog.h"
#include "ui_lrgb_four_dialog.h"

namespace orva::gui {

namespace {

// What the stacking dialogs share; the controls are found by their names in the form.
class StackDialog : public QDialog {
public:
    StackDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {}

protected:
    template <typename W>
    W* Find(const QString& name) {
        return findChild<W*>(name);
    }

    // Image lists 1..count, preselecting the slots chosen last time.
    void BindImages(int count, bool with_points) {
        images_ = count;
        for (int k = 1; k <= count; ++k) {
            QComboBox* box = Find<QComboBox>(QString("combo_image%1").arg(k));
            box->addItem(QString());
            const int chosen = ctx_.settings.composite.images[static_cast<std::size_t>(k - 1)];
            for (int slot = 0; slot < kSlotCount; ++slot) {
                if (!ctx_.ws.at(slot).occupied()) continue;
                box->addItem(QString::fromStdString(CompositeSlotLine(ctx_, slot)));
                if (slot == chosen) box->setCurrentIndex(box->count() - 1);
            }
            if (with_points) {
                connect(box, &QComboBox::currentTextChanged, this, [this, k](const QString& text) {
                    LoadPoints(k, SlotOfLine(text.toStdString()));
                });
            }
        }
    }

    void BindWeights(int count) {
        auto& w = ctx_.settings.composite.weights;
        for (int k = 1; k <= count; ++k) {
            new NumberBinding(Find<QLineEdit>(QString("edit_weight%1").arg(k)),
                              Find<QScrollBar>(QString("scroll_weight%1").arg(k)),
                              &w[static_cast<std::size_t>(k - 1)],
                              FieldRule(kCompositeFields.weight, {.line_step = 1, .page_step = 10}),
                              this);
        }
    }

    void BindPoints(int count) {
        auto& p = ctx_.settings.composite.points;
        const char* names[4] = {"edit_ax%1", "edit_ay%1", "edit_bx%1", "edit_by%1"};
        for (int k = 1; k <= count; ++k)
            for (int j = 0; j < 4; ++j) {
                point_edits_[k - 1][j] = new NumberBinding(
                    Find<QLineEdit>(QString(names[j]).arg(k)), nullptr,
                    &p[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(j)],
                    FieldRule(kCompositeFields.point), this);
            }
    }

    // A chosen image's own points A and B (rows from the top; an unset point shows 0, 0).
    void LoadPoints(int k, int slot) {
        if (!Workspace::Valid(slot) || !ctx_.ws.at(slot).occupied()) return;
        const ImageRecord& r = ctx_.ws.at(slot);
        auto& p = ctx_.settings.composite.points[static_cast<std::size_t>(k - 1)];
        const bool a = r.point_a_x >= 0, b = r.point_b_x >= 0;
        p = {a ? r.point_a_x : 0, a ? r.height - 1 - r.point_a_y : 0, b ? r.point_b_x : 0,
             b ? r.height - 1 - r.point_b_y : 0};
        for (NumberBinding* e : point_edits_[k - 1])
            if (e != nullptr) e->Refresh();
    }

    void BindMethod(int* field) {
        BindRadios({Find<QRadioButton>("radio_method0"), Find<QRadioButton>("radio_method1"),
                    Find<QRadioButton>("radio_method2"), Find<QRadioButton>("radio_method3"),
                    Find<QRadioButton>("radio_method4")},
                   field);
    }

    void BindCompare(int* range, int* method) {
        new NumberBinding(Find<QLineEdit>("edit_range"), nullptr, range,
                          FieldRule(kCompositeFields.compare_range), this);
        BindRadios({Find<QRadioButton>("radio_compare0"), Find<QRadioButton>("radio_compare1"),
                    Find<QRadioButton>("radio_compare2")},
                   method);
    }

    // Noise removal and move mode: move mode implies noise removal; 0 off, 1, 2.
    void BindNoise(int* mode, int* level, int* normalise) {
        QCheckBox* noise = Find<QCheckBox>("check_noise");
        QCheckBox* move = Find<QCheckBox>("check_move");
        auto show = [=] {
            const QSignalBlocker b1(noise), b2(move);
            noise->setChecked(*mode >= 1);
            move->setChecked(*mode == 2);
        };
        show();
        connect(noise, &QCheckBox::toggled, this, [=](bool on) {
            *mode = on ? (move->isChecked() ? 2 : 1) : 0;
            show();
        });
        connect(move, &QCheckBox::toggled, this, [=](bool on) {
            *mode = on ? 2 : (noise->isChecked() ? 1 : 0);
            show();
        });
        noise_level_ = level;
        // Typed freely; limited to 0..255 when the dialog closes with OK.
        NumberRule free_rule{.min = -1000000, .max = 1000000};
        new NumberBinding(Find<QLineEdit>("edit_noise_level"), nullptr, level, free_rule, this);
        BindCheck(Find<QCheckBox>("check_normalise"), normalise);
    }

    void BindShift(int* x, int* y) {
        new NumberBinding(Find<QLineEdit>("edit_shift_x"), nullptr, x,
                          FieldRule(kCompositeFields.extra_shift), this);
        new NumberBinding(Find<QLineEdit>("edit_shift_y"), nullptr, y,
                          FieldRule(kCompositeFields.extra_shift), this);
    }

    void accept() override {
        for (int k = 1; k <= images_; ++k) {
            const QComboBox* box = Find<QComboBox>(QString("combo_image%1").arg(k));
            ctx_.settings.composite.images[static_cast<std::size_t>(k - 1)] =
                SlotOfLine(box->currentText().left(255).toStdString());
        }
        if (noise_level_ != nullptr)
            *noise_level_ = kCompositeFields.noise_level.Clamp(*noise_level_);
        QDialog::accept();
    }

    AppContext& ctx_;

private:
    int images_ = 0;
    int* noise_level_ = nullptr;
    NumberBinding* point_edits_[4][4] = {};
};

class CompositeAutoDialog : public StackDialog {
public:
    CompositeAutoDialog(AppContext& ctx, QWidget* parent) : StackDialog(ctx, parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        auto& s = ctx.settings.composite;
        BindImages(4, false);
        BindWeights(4);
        BindMethod(&s.method);
        BindCompare(&s.compare_range, &s.compare_method);
        BindNoise(&s.noise_mode, &s.noise_level, &s.normalise);
        BindCheck(ui_.check_shift, &s.shift_one_pixel);
        BindShift(&s.extra_shift_x, &s.extra_shift_y);
    }

private:
    ::Ui::CompositeAutoDialog ui_;
};

class CompositePointsDialog : public StackDialog {
public:
    CompositePointsDialog(AppContext& ctx, QWidget* parent) : StackDialog(ctx, parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        auto& s = ctx.settings.composite;
        BindPoints(4);
        BindImages(4, true);
        BindWeights(4);
        BindMethod(&s.method);
        BindNoise(&s.noise_mode, &s.noise_level, &s.normalise);
        BindShift(&s.extra_shift_x, &s.extra_shift_y);
    }

private:
    ::Ui::CompositePointsDialog ui_;
};

class LrgbDialog : public StackDialog {
public:
    LrgbDialog(AppContext& ctx, QWidget* parent) : StackDialog(ctx, parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BindPoints(2);
        BindImages(2, true);
    }

private:
    ::Ui::LrgbDialog ui_;
};

class LrgbFourDialog : public StackDialog {
public:
    LrgbFourDialog(AppContext& ctx, QWidget* parent) : StackDialog(ctx, parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BindPoints(4);
        BindImages(4, true);
        BindWeights(4);
    }

private:
    ::Ui::LrgbFourDialog ui_;
};

class CompositeFilesDialog : public StackDialog {
public:
    CompositeFilesDialog(AppContext& ctx, QWidget* parent) : StackDialog(ctx, parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        setAcceptDrops(true);
        auto& s = ctx.settings.multi_file;
        s.files.clear();
        ShowFiles();
        ui_.list_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
        connect(ui_.button_delete, &QPushButton::clicked, this, [this] { DeleteFiles(); });
        BindMethod(&s.method);
        BindCompare(&s.compare_range, &s.compare_method);
        BindNoise(&s.noise_mode, &s.noise_level, &s.normalise);
        BindCheck(ui_.check_shift, &s.shift_one_pixel);
    }

    // Files dropped here join the list (up to 16).
    void AddFiles(const std::vector<std::string>& paths) {
        AddMultiFiles(ctx_, paths);
        ShowFiles();
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        std::vector<std::string> paths;
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
        event->acceptProposedAction();
        AddFiles(paths);
    }

private:
    // The highlighted files leave the list; with none highlighted the whole list goes.
    void DeleteFiles() {
        auto& files = ctx_.settings.multi_file.files;
        std::vector<int> rows;
        for (const QListWidgetItem* item : ui_.list_files->selectedItems())
            rows.push_back(ui_.list_files->row(item));
        RemoveMultiFiles(files, rows);
        ShowFiles();
    }

    void ShowFiles() {
        ui_.list_files->clear();
        const auto& files = ctx_.settings.multi_file.files;
        if (files.empty()) ui_.list_files->addItem(QString::fromUtf8(Tr(msg::kDropFilesHere)));
        for (const auto& f : files) ui_.list_files->addItem(QString::fromStdString(f));
    }

    ::Ui::CompositeFilesDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeCompositeAutoDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CompositeAutoDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeCompositePointsDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CompositePointsDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeLrgbDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<LrgbDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeLrgbFourDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<LrgbFourDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeCompositeFilesDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CompositeFilesDialog>(ctx, parent);
}

}  // namespace orva::gui
