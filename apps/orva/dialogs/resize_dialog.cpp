// Resize: source and target sizes, keep-aspect and the method.
#include <climits>

#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "ui_resize_dialog.h"

namespace orva::gui {

namespace {

class ResizeDialog : public QDialog {
public:
    ResizeDialog(AppContext& ctx, QWidget* parent) : QDialog(parent) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        ResizeSettings& s = ctx.settings.resize;
        // Every resize starts from the current picture's size.
        if (const ImageRecord* rec = ctx.ws.Current()) {
            s.source_width = s.target_width = rec->width;
            s.source_height = s.target_height = rec->height;
        }
        // The source sizes are shown only; typed target sizes below 0 become 0.
        const NumberRule shown{.min = INT_MIN, .max = INT_MAX};
        new NumberBinding(ui_.edit_source_width, nullptr, &s.source_width, shown, this);
        new NumberBinding(ui_.edit_source_height, nullptr, &s.source_height, shown, this);
        const NumberRule target{.min = 0, .max = INT_MAX};
        auto* width =
            new NumberBinding(ui_.edit_target_width, nullptr, &s.target_width, target, this);
        auto* height =
            new NumberBinding(ui_.edit_target_height, nullptr, &s.target_height, target, this);
        width->SetOnChange([&s, height] {
            if (s.keep_aspect == 0) return;
            s.target_height = KeepAspectPartner(s.target_width, s.source_width, s.source_height);
            height->Refresh();
        });
        height->SetOnChange([&s, width] {
            if (s.keep_aspect == 0) return;
            s.target_width = KeepAspectPartner(s.target_height, s.source_height, s.source_width);
            width->Refresh();
        });
        BindCheck(ui_.check_keep_aspect, &s.keep_aspect);
        BindRadios({ui_.radio_nearest, ui_.radio_bilinear, ui_.radio_lanczos_up, ui_.radio_lanczos},
                   &s.method);
    }

private:
    ::Ui::ResizeDialog ui_;
};

}  // namespace

std::unique_ptr<QDialog> MakeResizeDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<ResizeDialog>(ctx, parent);
}

}  // namespace orva::gui
