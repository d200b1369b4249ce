// The background dialogs and the comparison dialog driven through their widgets.
#include <gtest/gtest.h>

#include <QComboBox>

#include "dialog_driver.h"

namespace orva::gui {
namespace {

// On OK every centre level is raised above its edge level.
TEST(BackgroundDialogs, OkRaisesTheCentreAboveTheEdge) {
    Open d("BACKG");
    BackgroundSettings& s = d.ctx.settings.background;
    d.Type("edit_centre_r", "300");
    EXPECT_EQ(s.centre[0], 255);
    d.Type("edit_edge_g", "40");
    EXPECT_TRUE(d.Press(QDialogButtonBox::Ok));
    EXPECT_EQ(s.centre[0], 255);  // already above its edge
    EXPECT_EQ(s.centre[1], 41);
    EXPECT_EQ(s.centre[2], 1);
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
