// Noise reduction: the window size (3 or 5) and the strength.
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_noise_dialog.h"
#include "view/dialog_choices.h"

namespace orva::gui {

namespace {

class NoiseDialog : public QDialog {
public:
    NoiseDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), noise_(ctx.settings.noise) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        // The area counts only on OK, so it is held here until then.
        area_position_ = NoiseAreaToScroll(noise_.area);
        ui_.scroll_area->setRange(0, 1);
        ui_.scroll_area->setSingleStep(1);
        ui_.scroll_area->setPageStep(1);
        connect(ui_.scroll_area, &QScrollBar::valueChanged, this, [this](int position) {
            area_position_ = position;
            ShowArea(true);
        });
        connect(ui_.edit_area, &QLineEdit::textEdited, this, [this](const QString& text) {
            area_position_ = NoiseScrollFromTyped(ParseWholeNumber(text.toStdString()).value_or(0));
            ShowArea(false);
        });
        connect(ui_.edit_area, &QLineEdit::editingFinished, this, [this] { ShowArea(true); });
        ShowArea(true);
        new NumberBinding(ui_.edit_strength, ui_.scroll_strength, &noise_.strength,
                          FieldRule(kNoiseFields.strength, {.line_step = 1, .page_step = 1}), this);
    }

    void accept() override {
        noise_.area = NoiseAreaFromScroll(area_position_);
        // No control shows the tolerance; OK always puts it to full.
        noise_.tolerance = 10;
        QDialog::accept();
    }

private:
    void ShowArea(bool edit_too) {
        const QSignalBlocker block(ui_.scroll_area);
        ui_.scroll_area->setValue(area_position_);
        if (edit_too) ui_.edit_area->setText(QString::number(NoiseAreaFromScroll(area_position_)));
    }

    NoiseSettings& noise_;
    ::Ui::NoiseDialog ui_;
    int area_position_ = 1;
};

}  // namespace

std::unique_ptr<QDialog> MakeNoiseDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<NoiseDialog>(ctx, parent);
}

}  // namespace orva::gui
