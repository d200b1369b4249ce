// The background dialogs and the comparison dialog driven through their widgets.
#include <gtest/gtest.h>

#include <QComboBox>

#include "dialog_driver.h"

namespace orva::gui {
namespace {

TEST(BackgroundDialogs, LevelsCurveAndTheCentreAboveTheEdge) {
    Open d("BACKG");
    BackgroundSettings& s = d.ctx.settings.background;
    d.Type("edit_centre_r", "300");
    EXPECT_EQ(s.centre[0], 255);
    d.Type("edit_edge_g", "40");
    d.Type("edit_curve", "2.5");
    EXPECT_EQ(s.pseudo_curve, 250);
    EXPECT_EQ(d.Find<QScrollBar>("scroll_curve")->value(), 150);
    d.Find<QScrollBar>("scroll_curve")->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.pseudo_curve, 270);
    EXPECT_EQ(d.Find<QLineEdit>("edit_curve")->text(), "2.70");
    d.Find<QAbstractButton>("radio_subtract")->click();
    EXPECT_EQ(s.pseudo_mode, 1);
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.centre[0], 255);  // already above its edge
    EXPECT_EQ(s.centre[1], 41);
    EXPECT_EQ(s.centre[2], 1);
}

TEST(BackgroundDialogs, GeneratorAreasKeepTheirSteps) {
    Open d("MAKEBG");
    BackgroundSettings& s = d.ctx.settings.background;
    d.Type("edit_detect", "600");
    EXPECT_EQ(s.detect_area, 256);
    d.Type("edit_average", "1");
    EXPECT_EQ(s.average_area, 2);
    d.Type("edit_detect", "44");
    EXPECT_EQ(s.detect_area, 44);
    d.Find<QScrollBar>("scroll_detect")->setSliderPosition(3);
    EXPECT_EQ(s.detect_area, 24);
    d.Find<QScrollBar>("scroll_average")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.average_area, 4);
    d.Find<QAbstractButton>("radio_subtract")->click();
    d.Find<QAbstractButton>("check_two_part")->click();
    EXPECT_EQ(s.generated_use, 2);
    EXPECT_EQ(s.two_part, 1);
}

TEST(BackgroundDialogs, ImageListsNameEveryOtherPictureBySlot) {
    Open d("BACKG2", {0, 3, 120});
    QComboBox* combo = d.Find<QComboBox>("combo_background");
    ASSERT_EQ(combo->count(), 2);  // the current image is not offered
    EXPECT_TRUE(combo->itemText(0).startsWith("03("));
    combo->setCurrentIndex(1);
    d.Find<QAbstractButton>("radio_subtract")->click();
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    // Slot 120 is taken whole, not as the "12" of its first two digits.
    EXPECT_EQ(d.ctx.settings.background.image_slot, 120);
    EXPECT_EQ(d.ctx.settings.background.image_mode, 4);

    Open alone("DIFF");
    EXPECT_EQ(alone.Find<QComboBox>("combo_image")->count(), 0);
    alone.Type("edit_level", "99");
    EXPECT_EQ(alone.ctx.settings.composite.compare_level, 99);
    EXPECT_TRUE(alone.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(alone.ctx.shell.selected_slot, kSlotCount);  // nothing to compare with
}

}  // namespace
}  // namespace orva::gui
