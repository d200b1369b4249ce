// The stacking dialogs driven through their widgets: image lists, points loaded from the
// chosen image, noise toggles, the noise level limit on OK, files dropped on COMPOMUL, the
// calibrated stacking lists and options, and the live stacking window on a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QUrl>

#include "dialog_driver.h"
#include "shell/messages.h"
#include "stack/header.h"
#include "support/live_lights.h"

namespace orva::gui {
namespace {

using testing::MakeImage;

TEST(CompositeDialogs, ChoosingAnImageLoadsItsPointsAndOkStoresTheSlot) {
    Open d("COMPO2", {});
    ImageRecord& r = MakeImage(
        d.ctx.ws, 4, 30, 20, [](int, int, int) { return 100; }, "b.fits");
    r.point_a_x = 3;
    r.point_a_y = 15;  // stored row: 4 from the top
    d.Show("COMPO2");
    QComboBox* box = d.Find<QComboBox>("combo_image2");
    ASSERT_EQ(box->count(), 2);  // a blank entry first
    EXPECT_EQ(box->itemText(1), "04(b.fits)");
    box->setCurrentIndex(1);
    EXPECT_EQ(d.settings.composite.points[1], (std::array<int, 4>{3, 4, 0, 0}));
    EXPECT_EQ(d.Text("edit_ay2"), "4");
    d.Press(QDialogButtonBox::Ok);
    EXPECT_EQ(d.settings.composite.images, (std::array<int, 4>{-1, 4, -1, -1}));
}

TEST(CompositeDialogs, MoveModeImpliesNoiseRemovalAndTheLevelIsLimitedOnOk) {
    Open d("COMPO", {});
    auto& s = d.settings.composite;
    QCheckBox* noise = d.Find<QCheckBox>("check_noise");
    QCheckBox* move = d.Find<QCheckBox>("check_move");
    EXPECT_TRUE(noise->isChecked());
    move->click();
    EXPECT_EQ(s.noise_mode, 2);
    noise->click();
    EXPECT_EQ(s.noise_mode, 0);
    EXPECT_FALSE(move->isChecked());
    d.Type("edit_noise_level", "300", false);
    d.Press(QDialogButtonBox::Ok);
    EXPECT_EQ(s.noise_level, 255);
}

TEST(CompositeDialogs, DroppedFilesFillTheListUpToSixteen) {
    Open d("COMPOMUL", {});
    QListWidget* list = d.Find<QListWidget>("list_files");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), msg::kDropFilesHere);
    auto drop = [&](int n) {
        QMimeData mime;
        QList<QUrl> urls;
        for (int i = 0; i < n; ++i)
            urls.push_back(QUrl::fromLocalFile(QString("/tmp/f%1.fits").arg(i)));
        mime.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the dialog's handler: outside a real drag, the application delivers a
        // drop only to the widget that took the drag's enter event.
        static_cast<QObject*>(d.dialog.get())->event(&event);
    };
    drop(10);
    EXPECT_EQ(list->count(), 10);
    auto* remove = d.Find<QPushButton>("button_delete");
    // The highlighted entries leave; the others stay in order.
    list->item(1)->setSelected(true);
    list->item(4)->setSelected(true);
    remove->click();
    const auto& files = d.settings.multi_file.files;
    ASSERT_EQ(files.size(), 8u);
    EXPECT_EQ(files[1], "/tmp/f2.fits");
    EXPECT_EQ(list->count(), 8);
    EXPECT_EQ(list->item(3)->text().toStdString(), "/tmp/f5.fits");
    // Nothing highlighted: the whole list goes, and the drop hint is back.
    list->clearSelection();
    remove->click();
    EXPECT_TRUE(files.empty());
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), msg::kDropFilesHere);
}

// Lists from the settings, the command line's defaults, options into the settings, and shown
// again as stored.
TEST(CalibratedStackDialog, ListsAndOptionsEditTheSettings) {
    Open d("CALSTACK", {});
    CalibratedStackSettings& s = d.settings.calibrated;
    s.lights = {"/a/l1.fits", "/a/l2.fits"};
    s.darks = {"/a/d.fits"};
    d.Show("CALSTACK");
    EXPECT_EQ(d.Find<QListWidget>("list_lights")->count(), 2);
    EXPECT_EQ(d.Find<QListWidget>("list_darks")->item(0)->text(), "/a/d.fits");
    EXPECT_EQ(d.Find<QComboBox>("combo_rejection")->currentIndex(), 1);  // sigma
    auto* reg = d.Find<QComboBox>("combo_registration");
    auto* norm = d.Find<QComboBox>("combo_normalisation");
    auto* keep = d.Find<QSpinBox>("spin_keep_best");
    auto* fwhm = d.Find<QDoubleSpinBox>("spin_max_fwhm");
    auto* report = d.Find<QLineEdit>("edit_report");
    ASSERT_TRUE(reg && norm && keep && fwhm && report);
    // Stars, additive with scaling, every light, no limit.
    EXPECT_EQ(reg->currentIndex(), 0);
    EXPECT_EQ(norm->currentIndex(), 3);
    EXPECT_EQ(keep->text(), QString::fromUtf8("全て使用"));
    EXPECT_EQ(fwhm->text(), QString::fromUtf8("制限なし"));
    EXPECT_TRUE(report->text().isEmpty());

    d.Click("button_clear_darks");
    EXPECT_TRUE(s.darks.empty());
    d.Find<QComboBox>("combo_rejection")->setCurrentIndex(2);
    d.Find<QDoubleSpinBox>("spin_kappa_high")->setValue(2.5);
    d.Click("check_weight_noise");
    reg->setCurrentIndex(1);
    norm->setCurrentIndex(1);
    keep->setValue(80);
    fwhm->setValue(4.2);
    report->setText(" /tmp/q.csv ");
    EXPECT_EQ(s.rejection, 2);
    EXPECT_EQ(s.kappa_high, 25);
    EXPECT_EQ(s.weight_noise, 1);
    EXPECT_EQ(s.register_stars, 0);
    EXPECT_EQ(s.normalisation, 1);
    EXPECT_EQ(s.keep_best, 80);
    EXPECT_EQ(s.max_fwhm, 42);
    EXPECT_EQ(s.report, "/tmp/q.csv");
    d.Show("CALSTACK");
    EXPECT_EQ(d.Find<QComboBox>("combo_registration")->currentIndex(), 1);
    EXPECT_EQ(d.Find<QSpinBox>("spin_keep_best")->value(), 80);
    EXPECT_DOUBLE_EQ(d.Find<QDoubleSpinBox>("spin_max_fwhm")->value(), 4.2);
}

int CountListed(QListWidget* list, bool accepted) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i)
        n += list->item(i)->data(Qt::UserRole).toBool() == accepted ? 1 : 0;
    return n;
}

// Lights copied in while it runs are listed accepted or rejected, the stack shows in one image
// slot, and 保存 writes it after the session stopped.
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
    EXPECT_EQ(CountListed(list, true), 2);
    EXPECT_EQ(CountListed(list, false), 1);
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
