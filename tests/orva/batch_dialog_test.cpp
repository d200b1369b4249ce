// The batch dialog through its widgets: what the combo boxes show and store, the details
// buttons and OK.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include "dialogs/dialogs.h"
#include "shell/messages.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

TEST(BatchDialog, CombosShowAndStoreTheStepCodes) {
    testing::Harness h;
    AppContext& ctx = *h.ctx;
    ctx.batch.steps[2].edited_code = 12;
    auto dialog = CreateNamedDialog("BATCH", ctx, nullptr);
    ASSERT_NE(dialog, nullptr);
    auto combo = [&](int step) {
        return dialog->findChild<QComboBox*>(QString("combo_step%1").arg(step));
    };
    EXPECT_EQ(combo(2)->currentText().toStdString(), " ");
    EXPECT_EQ(combo(3)->currentText().toStdString(), "ガンマ補正");
    EXPECT_EQ(combo(2)->count(), 14);

    combo(2)->setCurrentText(QString::fromUtf8("シャープ/スムーズ"));
    combo(8)->setCurrentText(QString::fromUtf8("終了"));
    EXPECT_EQ(ctx.batch.steps[1].edited_code, 6);
    EXPECT_EQ(ctx.batch.steps[7].edited_code, kStepEnd);
    EXPECT_EQ(ctx.batch.steps[1].confirmed_code, 0);  // reassigned only on OK or details

    dialog->findChild<QCheckBox*>("check_time")->click();
    EXPECT_EQ(ctx.settings.batch.time_measurement, 1);
    dialog->findChild<QPushButton*>("button_details1")->click();
    EXPECT_EQ(h.ui.Texts(msg::kTitleMessage), std::vector<std::string>{msg::kBatchOpenOneDetail});

    dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(ctx.batch.steps[1].confirmed_code, 6);
    EXPECT_EQ(ctx.batch.steps[1].block[3], ctx.settings.sharpen.radius);
    EXPECT_EQ(ctx.batch.save_configured, 1);  // a sequence that ends needs no folder
}

}  // namespace
}  // namespace orva::gui
