// Level: seven values per channel set and a graph of the mapping they give over the
// histograms of the current image as it would come out.
#include <QPainter>
#include <algorithm>
#include <array>

#include "dialogs/dialog_kit.h"
#include "dialogs/tone_graph_paint.h"
#include "shell/context.h"
#include "ui_level_dialog.h"
#include "view/tone_graph.h"

namespace orva::gui {

namespace {

class LevelDialog : public QDialog {
public:
    LevelDialog(AppContext& ctx, QWidget* parent)
        : QDialog(parent), ctx_(ctx), lv_(ctx.settings.level) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        BindRadios({ui_.radio_all, ui_.radio_red, ui_.radio_green, ui_.radio_blue},
                   &lv_.channel_set, [this] {
                       BindSet();
                       ui_.graph->update();
                   });
        connect(ui_.button_reset, &QPushButton::clicked, this, [this] {
            ResetLevelSets(lv_);
            for (NumberBinding* b : bindings_) b->Refresh();
            ui_.graph->update();
        });
        ui_.graph->SetOrigin({kToneAreaLeft, kToneAreaTop});
        ui_.graph->SetPainter([this](QPainter& p) { Paint(p); });
        CreateBindings();
        BindSet();
    }

private:
    // The controls edit the set the radio buttons show.
    void BindSet() {
        LevelSet& s =
            lv_.sets[static_cast<std::size_t>(kLevelFields.channel_set.Clamp(lv_.channel_set))];
        const std::array<int*, 7> fields = {&s.input_min, &s.input_max,  &s.brightness, &s.contrast,
                                            &s.gamma,     &s.output_min, &s.output_max};
        for (std::size_t i = 0; i < fields.size(); ++i) bindings_[i]->SetField(fields[i]);
    }

    void CreateBindings() {
        LevelSet& s = lv_.sets[0];
        const auto& f = kLevelFields;
        const NumberRule level = FieldRule(f.input_min, {.line_step = 1, .page_step = 16});
        bindings_ = {
            Bind(ui_.edit_input_min, ui_.scroll_input_min, &s.input_min, level),
            Bind(ui_.edit_input_max, ui_.scroll_input_max, &s.input_max, level),
            Bind(ui_.edit_brightness, ui_.scroll_brightness, &s.brightness,
                 FieldRule(f.brightness,
                           {.line_step = 1, .page_step = 16, .scroll_offset = -f.brightness.min})),
            Bind(ui_.edit_contrast, ui_.scroll_contrast, &s.contrast,
                 FieldRule(f.contrast,
                           {.line_step = 1, .page_step = 10, .scroll_offset = -f.contrast.min})),
            // A hair is added to typed values so that "1.15" is not stored as 114 through
            // binary rounding.
            Bind(ui_.edit_gamma, ui_.scroll_gamma, &s.gamma,
                 FieldRule(f.gamma, {.line_step = 1,
                                     .page_step = 10,
                                     .display = ValueDisplay::Hundredths,
                                     .typed = TypedForm::Decimal,
                                     .typed_scale = 100.0,
                                     .typed_bias = 1e-6})),
            Bind(ui_.edit_output_min, ui_.scroll_output_min, &s.output_min, level),
            Bind(ui_.edit_output_max, ui_.scroll_output_max, &s.output_max, level),
        };
    }

    NumberBinding* Bind(QLineEdit* edit, QScrollBar* bar, int* field, const NumberRule& rule) {
        auto* b = new NumberBinding(edit, bar, field, rule, this);
        b->SetOnChange([this] { ui_.graph->update(); });
        return b;
    }

    void Paint(QPainter& p) {
        PaintToneGrid(p);
        if (const ImageRecord* rec = ctx_.ws.Current())
            PaintPreviewHistogram(p, LevelPreview(*rec, lv_));
        PaintToneTraces(p, LevelTraces(lv_));
    }

    AppContext& ctx_;
    LevelSettings& lv_;
    ::Ui::LevelDialog ui_;
    std::array<NumberBinding*, 7> bindings_{};
};

}  // namespace

std::unique_ptr<QDialog> MakeLevelDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<LevelDialog>(ctx, parent);
}

}  // namespace orva::gui
