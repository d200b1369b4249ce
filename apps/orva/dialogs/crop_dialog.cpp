// Crop and resize: the anchor, the crop size and the output size or magnification. Sizes are
// taken as typed; the command limits them to the picture when it crops.
#include <climits>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_crop_dialog.h"

namespace orva::gui {

namespace {

class CropDialog : public QDialog {
public:
    CropDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        CropSettings& s = ctx.settings.crop;
        BindRadios({ui_.radio_anchor_0, ui_.radio_anchor_1, ui_.radio_anchor_2, ui_.radio_anchor_3,
                    ui_.radio_anchor_4, ui_.radio_anchor_5, ui_.radio_anchor_6, ui_.radio_anchor_7,
                    ui_.radio_anchor_8},
                   &s.anchor);
        BindRadios({ui_.radio_output_size, ui_.radio_output_scale}, &s.output_mode);
        const NumberRule as_typed{.min = INT_MIN, .max = INT_MAX, .clamp_typed = false};
        new NumberBinding(ui_.edit_crop_width, nullptr, &s.width, as_typed, this);
        new NumberBinding(ui_.edit_crop_height, nullptr, &s.height, as_typed, this);
        new NumberBinding(ui_.edit_output_width, nullptr, &s.output_width, as_typed, this);
        new NumberBinding(ui_.edit_output_height, nullptr, &s.output_height, as_typed, this);
        new NumberBinding(ui_.edit_magnification, nullptr, &s.magnification, as_typed, this);
    }

private:
    ::Ui::CropDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeCropDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<CropDialog>(ctx, parent);
}

}  // namespace orva::gui
