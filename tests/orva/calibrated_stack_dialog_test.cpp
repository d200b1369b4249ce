// The calibrated stacking dialog through its widgets: lists from the settings, options into
// them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

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

TEST(CalibratedStackDialog, RegistrationNormalisationSelectionAndReport) {
    testing::Harness h;
    CalibratedStackSettings& s = h.ctx->settings.calibrated;
    auto d = CreateNamedDialog("CALSTACK", *h.ctx, nullptr);
    ASSERT_NE(d, nullptr);
    auto* reg = d->findChild<QComboBox*>("combo_registration");
    auto* norm = d->findChild<QComboBox*>("combo_normalisation");
    auto* keep = d->findChild<QSpinBox*>("spin_keep_best");
    auto* fwhm = d->findChild<QDoubleSpinBox*>("spin_max_fwhm");
    auto* report = d->findChild<QLineEdit*>("edit_report");
    ASSERT_TRUE(reg && norm && keep && fwhm && report);
    // The command line's defaults: stars, additive with scaling, every light, no limit.
    EXPECT_EQ(reg->currentIndex(), 0);
    EXPECT_EQ(norm->currentIndex(), 3);
    EXPECT_EQ(keep->text(), QString::fromUtf8("全て使用"));
    EXPECT_EQ(fwhm->text(), QString::fromUtf8("制限なし"));
    EXPECT_TRUE(report->text().isEmpty());

    reg->setCurrentIndex(1);
    norm->setCurrentIndex(1);
    keep->setValue(80);
    fwhm->setValue(4.2);
    report->setText(" /tmp/q.csv ");
    EXPECT_EQ(s.register_stars, 0);
    EXPECT_EQ(s.normalisation, 1);
    EXPECT_EQ(s.keep_best, 80);
    EXPECT_EQ(s.max_fwhm, 42);
    EXPECT_EQ(s.report, "/tmp/q.csv");
    // Shown again as stored.
    auto again = CreateNamedDialog("CALSTACK", *h.ctx, nullptr);
    EXPECT_EQ(again->findChild<QComboBox*>("combo_registration")->currentIndex(), 1);
    EXPECT_EQ(again->findChild<QSpinBox*>("spin_keep_best")->value(), 80);
    EXPECT_DOUBLE_EQ(again->findChild<QDoubleSpinBox*>("spin_max_fwhm")->value(), 4.2);
}

}  // namespace
}  // namespace orva::gui
