// The stacking dialogs driven through their widgets: image lists, points loaded from the
// chosen image, noise toggles, the noise level limit on OK and files dropped on COMPOMUL.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "dialog_driver.h"
#include "shell/messages.h"

namespace orva::gui {
namespace {

using testing::Harness;
using testing::MakeImage;

TEST(CompositeDialogs, ChoosingAnImageLoadsItsPointsAndOkStoresTheSlot) {
    Harness h;
    ImageRecord& r = MakeImage(
        h.ctx->ws, 4, 30, 20, [](int, int, int) { return 100; }, "b.fits");
    r.point_a_x = 3;
    r.point_a_y = 15;  // stored row: 4 from the top
    auto d = CreateNamedDialog("COMPO2", *h.ctx, nullptr);
    d->show();
    QComboBox* box = Child<QComboBox>(d.get(), "combo_image2");
    ASSERT_EQ(box->count(), 2);  // a blank entry first
    EXPECT_EQ(box->itemText(1), "04(b.fits)");
    box->setCurrentIndex(1);
    EXPECT_EQ(h.ctx->settings.composite.points[1], (std::array<int, 4>{3, 4, 0, 0}));
    EXPECT_EQ(Child<QLineEdit>(d.get(), "edit_ay2")->text(), "4");
    Button(d.get(), QDialogButtonBox::Ok)->click();
    EXPECT_EQ(h.ctx->settings.composite.images, (std::array<int, 4>{-1, 4, -1, -1}));
}

TEST(CompositeDialogs, MoveModeImpliesNoiseRemovalAndTheLevelIsLimitedOnOk) {
    Harness h;
    auto& s = h.ctx->settings.composite;
    auto d = CreateNamedDialog("COMPO", *h.ctx, nullptr);
    d->show();
    QCheckBox* noise = Child<QCheckBox>(d.get(), "check_noise");
    QCheckBox* move = Child<QCheckBox>(d.get(), "check_move");
    EXPECT_TRUE(noise->isChecked());
    move->click();
    EXPECT_EQ(s.noise_mode, 2);
    noise->click();
    EXPECT_EQ(s.noise_mode, 0);
    EXPECT_FALSE(move->isChecked());
    QLineEdit* level = Child<QLineEdit>(d.get(), "edit_noise_level");
    TypeInto(level, "300", false);
    Button(d.get(), QDialogButtonBox::Ok)->click();
    EXPECT_EQ(s.noise_level, 255);
}

TEST(CompositeDialogs, DroppedFilesFillTheListUpToSixteen) {
    Harness h;
    auto d = CreateNamedDialog("COMPOMUL", *h.ctx, nullptr);
    d->show();
    QListWidget* list = Child<QListWidget>(d.get(), "list_files");
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
        static_cast<QObject*>(d.get())->event(&event);
    };
    drop(10);
    EXPECT_EQ(list->count(), 10);
    auto* remove = Child<QPushButton>(d.get(), "button_delete");
    // The highlighted entries leave; the others stay in order.
    list->item(1)->setSelected(true);
    list->item(4)->setSelected(true);
    remove->click();
    const auto& files = h.ctx->settings.multi_file.files;
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

}  // namespace
}  // namespace orva::gui
