// The background dialogs (radial levels, image background, generator, point fit) and the
// two-image comparison. The image lists keep each line's slot number with the line, so a
// slot of 100 or above is not taken for the one its first two digits name.
#include <QComboBox>
#include <array>
#include <memory>

#include "common/text.h"
#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "shell/messages.h"
#include "ui_backg2_dialog.h"
#include "ui_backg3_dialog.h"
#include "ui_backg_dialog.h"
#include "ui_diff_dialog.h"
#include "ui_makebg_dialog.h"

namespace orva::gui {

namespace {

const auto& BG = kBackgroundFields;

// Every open image except the current one; `chosen` is selected when listed.
void FillImageList(QComboBox* combo, const AppContext& ctx, int chosen) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ImageRecord& rec = ctx.ws.at(slot);
        if (!rec.occupied() || slot == ctx.ws.current) continue;
        combo->addItem(
            QString::fromStdString(Format(msg::kBackgroundListEntry, slot, rec.name.c_str())),
            slot);
        if (slot == chosen) combo->setCurrentIndex(combo->count() - 1);
    }
}

// The chosen line's slot, or 256 (no image) when the list is empty.
int ChosenSlot(const QComboBox* combo) {
    return combo->currentIndex() < 0 ? kSlotCount : combo->currentData().toInt();
}

// Image modes 3 (multiply) and 4 (subtract) on two radio buttons.
class ImageModeRadios {
public:
    ImageModeRadios(QRadioButton* multiply, QRadioButton* subtract, int* mode) : mode_(mode) {
        index_ = *mode == 4 ? 1 : 0;
        BindRadios({multiply, subtract}, &index_, [this] { *mode_ = index_ + 3; });
    }

private:
    int* mode_;
    int index_ = 0;
};

class BackgroundDialog : public QDialog {
public:
    BackgroundDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), s_(ctx.settings.background) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BindRadios({ui_.radio_multiply, ui_.radio_subtract}, &s_.pseudo_mode);
        const NumberRule level = FieldRule(BG.level);
        const std::array<QLineEdit*, 3> centre = {ui_.edit_centre_r, ui_.edit_centre_g,
                                                  ui_.edit_centre_b};
        const std::array<QLineEdit*, 3> edge = {ui_.edit_edge_r, ui_.edit_edge_g, ui_.edit_edge_b};
        for (std::size_t c = 0; c < 3; ++c) {
            new NumberBinding(centre[c], nullptr, &s_.centre[c], level, this);
            new NumberBinding(edge[c], nullptr, &s_.edge[c], level, this);
        }
        // The bar runs 0..200 for the curve 1.00..3.00.
        new NumberBinding(ui_.edit_curve, ui_.scroll_curve, &s_.pseudo_curve,
                          FieldRule(BG.pseudo_curve, {.line_step = 1,
                                                      .page_step = 20,
                                                      .scroll_offset = -100,
                                                      .display = ValueDisplay::Hundredths,
                                                      .typed = TypedForm::Decimal,
                                                      .typed_scale = 100.0}),
                          this);
        new NumberBinding(ui_.edit_shift, nullptr, &s_.pseudo_shift, FieldRule(BG.shift), this);
    }

    void accept() override {
        // The background must fall from the centre towards the edge.
        for (std::size_t c = 0; c < 3; ++c)
            if (s_.centre[c] <= s_.edge[c]) s_.centre[c] = s_.edge[c] + 1;
        QDialog::accept();
    }

private:
    ::Ui::BackgroundDialog ui_;
    BackgroundSettings& s_;
};

class BackgroundImageDialog : public QDialog {
public:
    BackgroundImageDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), s_(ctx.settings.background) {
        ui_.setupUi(this);
        modes_ = std::make_unique<ImageModeRadios>(ui_.radio_multiply, ui_.radio_subtract,
                                                   &s_.image_mode);
        ConnectButtons(this, ui_.buttonBox);
        FillImageList(ui_.combo_background, ctx, s_.image_slot);
        new NumberBinding(ui_.edit_shift, nullptr, &s_.image_shift, FieldRule(BG.shift), this);
    }

    void accept() override {
        s_.image_slot = ChosenSlot(ui_.combo_background);
        QDialog::accept();
    }

private:
    ::Ui::BackgroundImageDialog ui_;
    BackgroundSettings& s_;
    std::unique_ptr<ImageModeRadios> modes_;
};

class BackgroundPointsDialog : public QDialog {
public:
    BackgroundPointsDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), s_(ctx.settings.background) {
        ui_.setupUi(this);
        modes_ = std::make_unique<ImageModeRadios>(ui_.radio_multiply, ui_.radio_subtract,
                                                   &s_.image_mode);
        ConnectButtons(this, ui_.buttonBox);
        new NumberBinding(ui_.edit_shift, nullptr, &s_.image_shift, FieldRule(BG.shift), this);
    }

private:
    ::Ui::BackgroundPointsDialog ui_;
    BackgroundSettings& s_;
    std::unique_ptr<ImageModeRadios> modes_;
};

class MakeBackgroundDialog : public QDialog {
public:
    MakeBackgroundDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BackgroundSettings& s = ctx.settings.background;
        // Dragging stops at multiples of 8 (area) and even sizes (averaging); typed values are
        // only limited to the range.
        new NumberBinding(
            ui_.edit_detect, ui_.scroll_detect, &s.detect_area,
            FieldRule(BG.detect_area, {.line_step = 8, .page_step = 32, .scroll_scale = 8}), this);
        new NumberBinding(
            ui_.edit_average, ui_.scroll_average, &s.average_area,
            FieldRule(BG.average_area, {.line_step = 2, .page_step = 4, .scroll_scale = 2}), this);
        BindCheck(ui_.check_two_part, &s.two_part);
        BindCheck(ui_.check_exclude, &s.exclude_zero);
        BindRadios({ui_.radio_none, ui_.radio_multiply, ui_.radio_subtract}, &s.generated_use);
        new NumberBinding(ui_.edit_shift, nullptr, &s.generated_shift, FieldRule(BG.shift), this);
    }

private:
    ::Ui::MakeBackgroundDialog ui_;
};

class CompareDialog : public QDialog {
public:
    CompareDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        FillImageList(ui_.combo_image, ctx, ctx.shell.selected_slot);
        new NumberBinding(ui_.edit_level, nullptr, &ctx.settings.composite.compare_level,
                          FieldRule(kCompositeFields.compare_level), this);
    }

    void accept() override {
        ctx_.shell.selected_slot = ChosenSlot(ui_.combo_image);
        QDialog::accept();
    }

private:
    ::Ui::CompareDialog ui_;
    AppContext& ctx_;
};

}  // namespace

std::unique_ptr<QDialog> MakeBackgroundLevelsDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<BackgroundDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeBackgroundImageDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<BackgroundImageDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeBackgroundPointsDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<BackgroundPointsDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeGeneratedBackgroundDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<MakeBackgroundDialog>(ctx, parent);
}
std::unique_ptr<QDialog> MakeCompareDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CompareDialog>(ctx, parent);
}

}  // namespace orva::gui
