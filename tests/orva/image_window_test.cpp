#include "image_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "shell/commands.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

using orva::testing::Harness;
using orva::testing::MakeImage;
using orva::testing::Sample;

// A window the size the main window gives it: client 800 x 512 below a 24-pixel strip.
struct Fixture {
    Harness h;
    AppContext& ctx = *h.ctx;
    ImageWindow w{ctx, nullptr};
    Fixture() {
        ctx.shell.client_width = 800;
        ctx.shell.client_height = 512;
        w.resize(800, 488);
    }
};

uint16_t Ramp(int c, int x, int y) {
    return static_cast<uint16_t>(((c * 40 + x + 2 * y) % 256) << 8);
}

TEST(ImageWindow, LeftClickZoomsInAroundThePoint) {
    Fixture f;
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 2000, 2000, Ramp);
    f.ctx.ws.current = 0;
    QSignalSpy readout(&f.w, &ImageWindow::readoutChanged);
    QTest::mouseClick(&f.w, Qt::LeftButton, {}, QPoint(700, 400));
    EXPECT_EQ(rec.zoom, 150);
    EXPECT_EQ(rec.scroll_x, 444);
    EXPECT_EQ(rec.scroll_y, 248);
    EXPECT_GE(readout.count(), 1);
    // The bars follow: 444 · 100 / (2000 - 512) and 248 · 100 / (2000 - 304).
    EXPECT_EQ(f.w.horizontalBar()->value(), 29);
    EXPECT_EQ(f.w.verticalBar()->value(), 14);
    QTest::mouseClick(&f.w, Qt::RightButton, {}, QPoint(400, 228));
    EXPECT_EQ(rec.zoom, 100);

    const int before = static_cast<int>(readout.count());
    QMouseEvent move(QEvent::MouseMove, QPointF(12, 34), QPointF(12, 34), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&f.w, &move);
    EXPECT_EQ(readout.count(), before + 1);
    EXPECT_EQ(f.ctx.shell.mouse_x, 12);
    EXPECT_EQ(f.ctx.shell.mouse_y, 34);
}

TEST(ImageWindow, ScrollBarsMoveTheOriginAndFollowIt) {
    Fixture f;
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 1000, 600, Ramp);
    f.ctx.ws.current = 0;
    f.w.refreshView();
    f.w.horizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(rec.scroll_x, 8);
    EXPECT_EQ(f.w.horizontalBar()->value(), 3);  // 8 · 100 / (1000 - 768)
    f.w.horizontalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(rec.scroll_x, 232);  // clamped at the far edge
    EXPECT_EQ(f.w.horizontalBar()->value(), 100);
    f.w.verticalBar()->setSliderPosition(50);  // thumb tracking
    EXPECT_EQ(rec.scroll_y, 72);               // (600 - 456) · 50 / 100
    f.w.verticalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(rec.scroll_y, 64);
}

TEST(ImageWindow, DragAfterAreaCopyMakesANewImage) {
    Fixture f;
    MakeImage(f.ctx.ws, 0, 300, 200, Ramp);
    f.ctx.ws.current = 0;
    ASSERT_TRUE(ExecuteCommand(f.ctx, 212));
    QTest::mousePress(&f.w, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(&f.w, QPoint(50, 60));
    QTest::mouseRelease(&f.w, Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_EQ(f.ctx.shell.area_copy_mode, 0);
    ASSERT_EQ(f.ctx.ws.current, 1);
    const ImageRecord& copy = f.ctx.ws.at(1);
    EXPECT_EQ(copy.width, 40);
    EXPECT_EQ(copy.height, 40);
    // The copy's bottom row is memory row 139 of the source (picture row 60).
    EXPECT_EQ(Sample(copy, 0, 0, 0), Ramp(0, 10, 139));
    EXPECT_EQ(f.ctx.ws.at(0).zoom, 100);  // the drag did not zoom
}

TEST(ImageWindow, PaintsThePictureAndGreyBeyondIt) {
    Fixture f;
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 100, 50, Ramp);
    f.ctx.ws.current = 0;
    f.ctx.settings.display.info_overlay = 0;
    QImage shot = f.w.grab().toImage();
    // Window (5, 3) is column 5, picture row 3 = memory row 46.
    EXPECT_EQ(shot.pixelColor(5, 3),
              QColor(Ramp(0, 5, 46) >> 8, Ramp(1, 5, 46) >> 8, Ramp(2, 5, 46) >> 8));
    EXPECT_EQ(shot.pixelColor(150, 100), QColor(128, 128, 128));
    rec.zoom = 300;
    shot = f.w.grab().toImage();
    EXPECT_EQ(shot.pixelColor(17, 11),
              QColor(Ramp(0, 5, 46) >> 8, Ramp(1, 5, 46) >> 8, Ramp(2, 5, 46) >> 8));
}

}  // namespace
}  // namespace orva::gui
