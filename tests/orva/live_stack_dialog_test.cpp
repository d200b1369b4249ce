// The live stacking window driven through its widgets on a temporary folder: lights copied in
// while it runs are listed accepted or rejected, the stack shows in one image slot, and 保存
// writes it after the session stopped.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "dialog_driver.h"
#include "stack/header.h"
#include "support/live_lights.h"

namespace orva::gui {
namespace {

int Count(QListWidget* list, bool accepted) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->data(Qt::UserRole).toBool() == accepted ? 1 : 0;
    return n;
}

TEST(LiveStackDialog, StacksLightsLandingInTheFolderShowsThemAndSavesTheStack) {
    testing::TempDir watch, outdir;
    Open o("LIVESTACK", {});
    o.Type("edit_folder", watch.dir().c_str());
    o.Type("edit_bias", "");
    o.Type("edit_dark", "");
    o.Type("edit_flat", "");
    auto* list = o.Find<QListWidget>("list_frames");
    auto* save = o.Find<QPushButton>("button_save");
    EXPECT_FALSE(save->isEnabled());
    o.Click("button_start");
    EXPECT_FALSE(o.Find<QPushButton>("button_start")->isEnabled());

    testing::WriteLight(watch, "a0.fits", 0, 0, true, 1);
    testing::WriteLight(watch, "a1.fits", 0, 0, false, 2);  // no stars
    testing::WriteLight(watch, "a2.fits", 1, -1, true, 3);
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, 20000);
    EXPECT_EQ(Count(list, true), 2);
    EXPECT_EQ(Count(list, false), 1);
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("a1.fits: 不採用（星が見つかりません）"));

    // One slot holds the stack, the current image, auto-stretched.
    QTRY_VERIFY_WITH_TIMEOUT(o.ctx.ws.Current() != nullptr, 5000);
    const ImageRecord& rec = *o.ctx.ws.Current();
    EXPECT_EQ(rec.width, testing::kW);
    EXPECT_EQ(rec.height, testing::kH);
    EXPECT_EQ(rec.name, "ライブスタック 2枚");
    EXPECT_EQ(o.ctx.view.auto_stretch, 1);

    o.Click("button_stop");
    EXPECT_TRUE(o.Find<QPushButton>("button_start")->isEnabled());
    EXPECT_FALSE(o.Find<QPushButton>("button_stop")->isEnabled());
    ASSERT_TRUE(save->isEnabled());
    const std::string saved = outdir.Path("live.fits");
    o.h.ui.save_results.push_back(FileDialogResult{saved, 1});
    o.Click("button_save");
    LinearImage img;
    ASSERT_TRUE(DecodeFitsLinear(testing::ReadAll(saved), img).ok());
    double n = 0;
    EXPECT_TRUE(CardNumber(img.cards, "NCOMBINE", n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(img.width, testing::kW);
}

TEST(LiveStackDialog, AFolderThatIsNotThereIsReportedAndNothingStarts) {
    testing::TempDir dir;
    Open o("LIVESTACK", {});
    o.Type("edit_folder", dir.Path("none").c_str());
    o.Click("button_start");
    ASSERT_EQ(o.h.ui.boxes.size(), 1u);
    EXPECT_NE(o.h.ui.boxes[0].text.find("フォルダがありません"), std::string::npos);
    EXPECT_TRUE(o.Find<QPushButton>("button_start")->isEnabled());
}

}  // namespace
}  // namespace orva::gui
