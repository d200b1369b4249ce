// Image selection: one line per open image; OK (or a double click) answers the chosen slot in
// ctx.shell.selected_slot.
#include "common/text.h"
#include "dialogs/dialog_kit.h"
#include "shell/context.h"
#include "shell/messages.h"
#include "ui_select_dialog.h"

namespace orva::gui {

namespace {

constexpr int kSlotRole = Qt::UserRole;

class SelectDialog : public QDialog {
public:
    SelectDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
        ui_.setupUi(this);
        ConnectButtons(this, ui_.buttonBox);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const ImageRecord& rec = ctx.ws.at(slot);
            if (!rec.occupied()) continue;
            auto* item = new QListWidgetItem(
                QString::fromStdString(Format(msg::kSelectListEntry, slot, rec.name.c_str())),
                ui_.list_images);
            item->setData(kSlotRole, slot);
            if (slot == ctx.shell.selected_slot) ui_.list_images->setCurrentItem(item);
        }
        connect(ui_.list_images, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    }

    void accept() override {
        if (const QListWidgetItem* item = ui_.list_images->currentItem()) {
            ctx_.shell.selected_slot = item->data(kSlotRole).toInt();
        }
        QDialog::accept();
    }

private:
    ::Ui::SelectDialog ui_;
    AppContext& ctx_;
};

}  // namespace

std::unique_ptr<QDialog> MakeSelectDialog(AppContext& ctx, QWidget* parent) {
    return std::make_unique<SelectDialog>(ctx, parent);
}

}  // namespace orva::gui
