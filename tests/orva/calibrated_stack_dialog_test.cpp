// The calibrated stacking dialog through its widgets: lists from the settings, options into
// them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/dialogs.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

TEST(CalibratedStackDialog, ListsAndOptionsEditTheSettings) {
    testing::Harness h;
    CalibratedStackSettings& s = h.ctx->settings.calibrated;
    s.lights = {"/a/l1.fits", "/a/l2.fits"};
    s.darks = {"/a/d.fits"};
    auto d = CreateNamedDialog("CALSTACK", *h.ctx, nullptr);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->findChild<QListWidget*>("list_lights")->count(), 2);
    EXPECT_EQ(d->findChild<QListWidget*>("list_darks")->item(0)->text(), "/a/d.fits");
    EXPECT_EQ(d->findChild<QComboBox*>("combo_rejection")->currentIndex(), 1);  // sigma

    d->findChild<QPushButton*>("button_clear_darks")->click();
    EXPECT_TRUE(s.darks.empty());
    d->findChild<QComboBox*>("combo_rejection")->setCurrentIndex(2);
    d->findChild<QDoubleSpinBox*>("spin_kappa_high")->setValue(2.5);
    d->findChild<QCheckBox*>("check_weight_noise")->click();
    EXPECT_EQ(s.rejection, 2);
    EXPECT_EQ(s.kappa_high, 25);
    EXPECT_EQ(s.weight_noise, 1);
}

}  // namespace
}  // namespace orva::gui
