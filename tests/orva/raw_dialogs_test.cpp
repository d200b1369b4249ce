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

// The algorithm and the sharpening radius are two choices: each shows its setting, and
// choosing one leaves the other.
TEST(RawDialog, AlgorithmAndRadiusAreSeparateChoices) {
    struct Case {
        int algorithm, radius;
        const char* click;
        int algorithm_after, radius_after;
    };
    const Case cases[] = {
        {0, 1, "radio_reference", 1, 1},
        {1, 0, "radio_fast", 0, 0},
        {0, 0, "radio_radius2", 0, 1},
        {1, 1, "radio_radius1", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.click);
        Harness h;
        RawSettings& raw = h.ctx->settings.raw;
        raw.algorithm = c.algorithm;
        raw.sharp_radius = c.radius;
        auto d = CreateNamedDialog("RAWMODE", *h.ctx, nullptr);
        ASSERT_NE(d, nullptr);
        const auto checked = [&](const char* name) {
            return Child<QRadioButton>(d.get(), name)->isChecked();
        };
        EXPECT_EQ(checked("radio_fast"), c.algorithm == 0);
        EXPECT_EQ(checked("radio_reference"), c.algorithm == 1);
        EXPECT_EQ(checked("radio_radius1"), c.radius == 0);
        EXPECT_EQ(checked("radio_radius2"), c.radius == 1);
        Child<QRadioButton>(d.get(), c.click)->click();
        EXPECT_EQ(raw.algorithm, c.algorithm_after);
        EXPECT_EQ(raw.sharp_radius, c.radius_after);
        EXPECT_EQ(checked("radio_fast"), c.algorithm_after == 0);
        EXPECT_EQ(checked("radio_radius1"), c.radius_after == 0);
        EXPECT_EQ(checked("radio_radius2"), c.radius_after == 1);
    }
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
