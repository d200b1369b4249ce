#include "dialogs/dialog_kit.h"

#include <QAbstractSlider>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPainter>
#include <QPolygon>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace orva::gui {

NumberBinding::NumberBinding(QLineEdit* edit, QScrollBar* bar, int* field, const NumberRule& rule,
                             QObject* parent)
    : QObject(parent), edit_(edit), bar_(bar), field_(field), rule_(rule) {
    if (bar_ != nullptr) {
        const QSignalBlocker block(bar_);
        bar_->setRange(ScrollMinimum(rule_), ScrollMaximum(rule_));
        // Steps are handled in setting units below; these only size the thumb.
        bar_->setSingleStep(1);
        bar_->setPageStep(1);
        connect(bar_, &QAbstractSlider::actionTriggered, this, &NumberBinding::OnScrollAction);
    }
    if (edit_ != nullptr) {
        connect(edit_, &QLineEdit::textEdited, this, &NumberBinding::OnTextEdited);
        connect(edit_, &QLineEdit::editingFinished, this, [this] { ShowValue(true); });
    }
    ShowValue(true);
}

void NumberBinding::Refresh() {
    ShowValue(true);
}

void NumberBinding::OnTextEdited(const QString& text) {
    *field_ = TypedValue(rule_, text.toStdString());
    ShowValue(false);
    if (on_change_) on_change_();
}

void NumberBinding::OnScrollAction(int action) {
    int v = *field_;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            v = SteppedValue(rule_, v, rule_.line_step);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            v = SteppedValue(rule_, v, -rule_.line_step);
            break;
        case QAbstractSlider::SliderPageStepAdd: v = SteppedValue(rule_, v, rule_.page_step); break;
        case QAbstractSlider::SliderPageStepSub:
            v = SteppedValue(rule_, v, -rule_.page_step);
            break;
        case QAbstractSlider::SliderToMinimum: v = rule_.min; break;
        case QAbstractSlider::SliderToMaximum: v = rule_.max; break;
        case QAbstractSlider::SliderMove: v = ValueAtPosition(rule_, bar_->sliderPosition()); break;
        default: return;
    }
    *field_ = v;
    // The action has already moved the thumb by Qt's own step; put it where the value is.
    bar_->setSliderPosition(ScrollPosition(rule_, v));
    if (edit_ != nullptr)
        edit_->setText(QString::fromStdString(FormatSettingValue(v, rule_.display)));
    if (on_change_) on_change_();
}

void NumberBinding::ShowValue(bool edit_too) {
    if (bar_ != nullptr) {
        const QSignalBlocker block(bar_);
        bar_->setValue(ScrollPosition(rule_, *field_));
    }
    if (edit_too && edit_ != nullptr) {
        edit_->setText(QString::fromStdString(FormatSettingValue(*field_, rule_.display)));
    }
}

void BindCheck(QCheckBox* box, int* field, std::function<void()> on_change) {
    box->setChecked(*field != 0);
    QObject::connect(box, &QAbstractButton::clicked, box, [box, field, on_change] {
        *field = box->isChecked() ? 1 : 0;
        if (on_change) on_change();
    });
}

void BindRadios(const std::vector<QRadioButton*>& buttons, int* field,
                std::function<void()> on_change) {
    // Radio buttons of one parent exclude each other by default, so two choices laid out in
    // one dialog would act as one: each bound set is a group of its own.
    QButtonGroup* group = nullptr;
    if (!buttons.empty() && buttons.front() != nullptr) {
        group = new QButtonGroup(buttons.front()->parent());
        group->setExclusive(true);
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QRadioButton* b = buttons[i];
        if (group != nullptr) group->addButton(b);
        const int index = static_cast<int>(i);
        if (*field == index) b->setChecked(true);
        QObject::connect(b, &QAbstractButton::clicked, b, [field, index, on_change] {
            *field = index;
            if (on_change) on_change();
        });
    }
}

void BindRadios(std::initializer_list<QRadioButton*> buttons, int* field,
                std::function<void()> on_change) {
    BindRadios(std::vector<QRadioButton*>(buttons), field, std::move(on_change));
}

void ConnectButtons(QDialog* dialog, QDialogButtonBox* buttons) {
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
}

NumberRule LevelRule(const FieldDecl& field, int line_step, int page_step) {
    // A level 0..255 held in 16-bit units; typed levels are nudged up by 0.01 so that a
    // typed "10.0" is not stored just below the level.
    return FieldRule(field, {.line_step = line_step,
                             .page_step = page_step,
                             .scroll_scale = 256,
                             .display = ValueDisplay::Level256,
                             .typed = TypedForm::Decimal,
                             .typed_scale = 256.0,
                             .typed_bias = 0.01});
}

NumberRule StrengthRule(const FieldDecl& field) {
    return FieldRule(field, {.line_step = 1, .page_step = 10});
}

NumberRule TenthsRule(const FieldDecl& field) {
    // A hair is added to typed values so that "2.3" is not stored as 22 through binary
    // rounding.
    return FieldRule(field, {.line_step = 1,
                             .page_step = 10,
                             .display = ValueDisplay::Tenths,
                             .typed = TypedForm::Decimal,
                             .typed_scale = 10.0,
                             .typed_bias = 1e-6});
}

PaintArea::PaintArea(QWidget* parent) : QWidget(parent) {}

void PaintArea::paintEvent(QPaintEvent*) {
    if (!paint_) return;
    QPainter painter(this);
    painter.translate(-origin_);
    paint_(painter);
}

void DrawCurve(QPainter& painter, const std::vector<PlotPoint>& points) {
    QPolygon line;
    line.reserve(static_cast<int>(points.size()));
    for (const PlotPoint& p : points) line << QPoint(p.x, p.y);
    painter.drawPolyline(line);
}

}  // namespace orva::gui
