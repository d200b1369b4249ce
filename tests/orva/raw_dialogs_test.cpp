// The RAW development and dark-file dialogs driven through their widgets.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "dialog_driver.h"
#include "shell/command_ids.h"
#include "shell/commands.h"

namespace orva::gui {
namespace {

using testing::Harness;

std::string Text(QWidget* d, const char* edit) {
    return Child<QLineEdit>(d, edit)->text().toStdString();
}

TEST(RawDialog, BarsShowTheirValuesAndDefaultsLeaveTheAlgorithm) {
    Harness h;
    RawSettings& raw = h.ctx->settings.raw;
    auto d = CreateNamedDialog("RAWMODE", *h.ctx, nullptr);
    ASSERT_NE(d, nullptr);
    auto* gamma = Child<QScrollBar>(d.get(), "scroll_gamma_g");
    gamma->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Text(d.get(), "edit_gamma_g"), "2.3");
    Child<QRadioButton>(d.get(), "radio_reference")->click();
    EXPECT_EQ(raw.algorithm, 1);

    Child<QPushButton>(d.get(), "button_defaults")->click();
    EXPECT_EQ(raw.algorithm, 1);  // the defaults leave the algorithm alone
    EXPECT_EQ(Text(d.get(), "edit_gamma_g"), "2.2");
}

TEST(DarkDialog, AddRemoveLevelAndOk) {
    Harness h;
    auto d = CreateNamedDialog("DARK", *h.ctx, nullptr);
    ASSERT_NE(d, nullptr);
    auto* add = Child<QPushButton>(d.get(), "button_add");
    for (const char* f : {"/x/1.dng", "/x/2.fits", "/x/3.nef"}) {
        h.ui.open_results.push_back(FileDialogResult{f, 1});
        add->click();
    }
    ASSERT_FALSE(h.ui.open_requests.empty());
    const FileDialogRequest& req = h.ui.open_requests[0];
    EXPECT_EQ(req.filters[static_cast<std::size_t>(req.filter_index - 1)].label,
              "Digital camera RAW");
    auto* list = Child<QListWidget>(d.get(), "list_files");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text().toStdString(), "2 /x/2.fits");
    list->setCurrentRow(0);
    Child<QPushButton>(d.get(), "button_remove")->click();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "1 /x/2.fits");
    EXPECT_EQ(h.ctx->darks.files[0], "");  // nothing copied back before OK

    Child<QDialogButtonBox>(d.get(), "buttonBox")->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(h.ctx->darks.files[0], "/x/2.fits");
    EXPECT_EQ(h.ctx->darks.files[1], "/x/3.nef");
    EXPECT_EQ(h.ctx->darks.files[2], "");
}

}  // namespace
}  // namespace orva::gui
