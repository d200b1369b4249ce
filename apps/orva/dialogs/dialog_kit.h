// Building blocks shared by the operation dialogs. A dialog is a Designer form plus a small
// class that binds the form's controls to setting fields with these helpers; the rules of
// each control (range, steps, display, typed values) live in view/number_field.h.
//
// Every binding writes its field as soon as the user changes the control, which is how the
// dialogs edit the settings record in place (Cancel skips the operation but keeps what was
// changed). A dialog whose values must only count on OK binds to a copy of the fields and
// copies them back in its accept().
#pragma once

#include <QDialog>
#include <QObject>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <vector>

#include "view/dialog_drawings.h"
#include "view/number_field.h"

class QAbstractButton;
class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPainter;
class QRadioButton;
class QScrollBar;

namespace orva::gui {

// An edit field, optionally paired with a scroll bar, bound to one int setting.
// - Typing stores TypedValue(rule, text) at once and moves the scroll bar; the edit keeps
//   what was typed until editing finishes, then shows the stored value.
// - Arrow and page clicks move the value by the rule's line and page steps in setting units
//   (clamped), a dragged thumb sets the value of its position; the edit follows.
class NumberBinding : public QObject {
    Q_OBJECT
public:
    NumberBinding(QLineEdit* edit, QScrollBar* bar, int* field, const NumberRule& rule,
                  QObject* parent);

    // Shows the field's current value in the edit and the scroll bar (after the field was
    // changed from outside, e.g. by a partner control).
    void Refresh();
    // Points the binding at another field (e.g. the same control of another channel set) and
    // shows that field's value.
    void SetField(int* field) {
        field_ = field;
        ShowValue(true);
    }
    // Called after every change the user makes through this binding.
    void SetOnChange(std::function<void()> on_change) { on_change_ = std::move(on_change); }

    const NumberRule& rule() const { return rule_; }

private:
    void OnTextEdited(const QString& text);
    void OnScrollAction(int action);
    void ShowValue(bool edit_too);

    QLineEdit* edit_;
    QScrollBar* bar_;
    int* field_;
    NumberRule rule_;
    std::function<void()> on_change_;
};

// A check box bound to a 0/1 field: shows field != 0 and stores 1 or 0 when clicked.
void BindCheck(QCheckBox* box, int* field, std::function<void()> on_change = {});

// Radio buttons bound to a field that holds the index of the checked button; clicking a
// button stores its index at once. A field value without a button checks none.
void BindRadios(std::initializer_list<QRadioButton*> buttons, int* field,
                std::function<void()> on_change = {});
void BindRadios(const std::vector<QRadioButton*>& buttons, int* field,
                std::function<void()> on_change = {});

// A level shown as 0.0..255.0 and held in 16-bit units (0..65535), with the given steps in
// 16-bit units.
NumberRule LevelRule(const FieldDecl& field, int line_step, int page_step);
// A strength, line step 1, page step 10.
NumberRule StrengthRule(const FieldDecl& field);
// A value held in tenths and shown with one decimal, line step 1, page step 10.
NumberRule TenthsRule(const FieldDecl& field);

// Connects a form's OK and Cancel buttons to accept() and reject().
void ConnectButtons(QDialog* dialog, QDialogButtonBox* buttons);

// A drawing area of a dialog (profiles, curves, previews). The painter callback draws in the
// coordinates the dialog's drawing rules use: SetOrigin(p) makes the point p of those
// coordinates the area's top-left corner, so an area placed anywhere in a layout still draws
// with the same numbers.
class PaintArea : public QWidget {
    Q_OBJECT
public:
    explicit PaintArea(QWidget* parent = nullptr);

    void SetPainter(std::function<void(QPainter&)> paint) {
        paint_ = std::move(paint);
        update();
    }
    void SetOrigin(QPoint origin) {
        origin_ = origin;
        update();
    }
    QPoint origin() const { return origin_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> paint_;
    QPoint origin_;
};

// Polyline of curve points (in drawing coordinates).
void DrawCurve(QPainter& painter, const std::vector<PlotPoint>& points);

}  // namespace orva::gui
