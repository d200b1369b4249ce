// RAW development settings: the algorithm, and one scroll bar per development value with a
// read-only field showing it. Values change only through the scroll bars: arrows and page
// clicks move them by one step (0.1 for a gamma), dragging sets them from the thumb.
// Cancel restores every value but the algorithm, which takes effect when clicked.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "common/text.h"
#include "dialogs/dialog_kit.h"
#include "raw/raw_settings.h"
#include "shell/context.h"
#include "ui_raw_dialog.h"

namespace orva::gui {

namespace {

// One development value as its scroll bar sees it: a position in lo..hi.
struct Row {
    QScrollBar* bar;
    QLineEdit* edit;
    int lo, hi;
    std::function<int()> position;
    std::function<void(int)> set_position;
    std::function<std::string()> text;
};

Row IntRow(QScrollBar* bar, QLineEdit* edit, int* value, const FieldDecl& f, int offset,
           std::function<std::string(int)> show) {
    return {bar,
            edit,
            f.min - offset,
            f.max - offset,
            [value, offset] { return *value - offset; },
            [value, offset](int p) { *value = p + offset; },
            [value, show] { return show(*value); }};
}

Row GammaRow(QScrollBar* bar, QLineEdit* edit, double* gamma) {
    const RealFieldDecl& f = kRawFields.gamma;
    return {bar,
            edit,
            static_cast<int>(std::lround(f.min * 10)),
            static_cast<int>(std::lround(f.max * 10)),
            [gamma] { return static_cast<int>(std::lround(*gamma * 10)); },
            [gamma](int p) { *gamma = p / 10.0; },
            [gamma] { return Format("%.1f", *gamma); }};
}

std::string Plain(int v) {
    return Format("%d", v);
}

class RawDialog : public QDialog {
public:
    RawDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), raw_(ctx.settings.raw) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        const RawFields& f = kRawFields;
        auto half = [](int v) { return Format("%.1f", v * 0.5); };
        rows_ = {
            GammaRow(ui_.scroll_gamma_r, ui_.edit_gamma_r, &raw_.gamma[0]),
            GammaRow(ui_.scroll_gamma_g, ui_.edit_gamma_g, &raw_.gamma[1]),
            GammaRow(ui_.scroll_gamma_b, ui_.edit_gamma_b, &raw_.gamma[2]),
            IntRow(ui_.scroll_black_r, ui_.edit_black_r, &raw_.black[0], f.black, 0, half),
            IntRow(ui_.scroll_white_r, ui_.edit_white_r, &raw_.white[0], f.white, 128, Plain),
            IntRow(ui_.scroll_black_g, ui_.edit_black_g, &raw_.black[1], f.black, 0, half),
            IntRow(ui_.scroll_white_g, ui_.edit_white_g, &raw_.white[1], f.white, 128, Plain),
            IntRow(ui_.scroll_black_b, ui_.edit_black_b, &raw_.black[2], f.black, 0, half),
            IntRow(ui_.scroll_white_b, ui_.edit_white_b, &raw_.white[2], f.white, 128, Plain),
            IntRow(ui_.scroll_sharpness, ui_.edit_sharpness, &raw_.sharpness, f.sharpness, 0,
                   Plain),
            IntRow(ui_.scroll_false_colour, ui_.edit_false_colour, &raw_.false_colour,
                   f.false_colour, 0, Plain),
            IntRow(ui_.scroll_saturation, ui_.edit_saturation, &raw_.saturation, f.saturation, 0,
                   Plain),
            IntRow(ui_.scroll_hue, ui_.edit_hue, &raw_.hue, f.hue, 0,
                   [](int v) { return Format("%d", 2 * v - 36); }),
            IntRow(ui_.scroll_quality, ui_.edit_quality, &raw_.quality, f.quality, 0, Plain),
        };
        for (Row& row : rows_) {
            row.bar->setRange(row.lo, row.hi);
            row.bar->setSingleStep(1);
            row.bar->setPageStep(1);
            QScrollBar* bar = row.bar;
            Row* r = &row;
            connect(bar, &QAbstractSlider::actionTriggered, this,
                    [this, r](int action) { OnScroll(*r, action); });
        }
        BindRadios({ui_.radio_fast, ui_.radio_reference}, &raw_.algorithm);
        BindRadios({ui_.radio_radius1, ui_.radio_radius2}, &raw_.sharp_radius);
        connect(ui_.button_defaults, &QPushButton::clicked, this, [this] {
            RestoreRawDefaults(raw_);
            ui_.radio_radius1->setChecked(raw_.sharp_radius == 0);
            ui_.radio_radius2->setChecked(raw_.sharp_radius == 1);
            Show();
        });
        Show();
    }

private:
    void OnScroll(Row& row, int action) {
        const int p = row.position();
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
            case QAbstractSlider::SliderPageStepSub:
                row.set_position(std::max(p - 1, row.lo));
                break;
            case QAbstractSlider::SliderSingleStepAdd:
            case QAbstractSlider::SliderPageStepAdd:
                row.set_position(std::min(p + 1, row.hi));
                break;
            case QAbstractSlider::SliderMove:
                row.set_position(std::clamp(row.bar->sliderPosition(), row.lo, row.hi));
                break;
            default: break;
        }
        // The bar shows the setting, whatever Qt would have made of the action.
        row.bar->setSliderPosition(std::clamp(row.position(), row.lo, row.hi));
        Show();
    }

    void Show() {
        for (Row& row : rows_) {
            const QSignalBlocker block(row.bar);
            row.bar->setValue(std::clamp(row.position(), row.lo, row.hi));
            row.edit->setText(QString::fromStdString(row.text()));
        }
    }

    ::Ui::RawDialog ui_;
    RawSettings& raw_;
    std::vector<Row> rows_;
};

}  // namespace

std::unique_ptr<QDialog> MakeRawDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<RawDialog>(ctx, parent);
}

}  // namespace orva::gui
