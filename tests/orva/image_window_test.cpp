#include "image_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include "printing.h"
#include "shell/commands.h"
#include "support/scripted_ui.h"

namespace orva::gui {
namespace {

using orva::testing::Harness;
using orva::testing::MakeImage;
using orva::testing::TempDir;

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

TEST(ImageWindow, ClicksZoomMovesReadAndADragAfterAreaCopyMakesANewImage) {
    Fixture f;
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 2000, 2000, Ramp);
    f.ctx.ws.current = 0;
    QSignalSpy readout(&f.w, &ImageWindow::readoutChanged);
    QTest::mouseClick(&f.w, Qt::LeftButton, {}, QPoint(700, 400));
    EXPECT_EQ(rec.zoom, 150);
    EXPECT_EQ(f.w.horizontalBar()->value(), 444);  // the bars follow the origin
    QTest::mouseClick(&f.w, Qt::RightButton, {}, QPoint(400, 228));
    EXPECT_EQ(rec.zoom, 100);

    const int before = static_cast<int>(readout.count());
    QMouseEvent move(QEvent::MouseMove, QPointF(12, 34), QPointF(12, 34), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&f.w, &move);
    EXPECT_EQ(readout.count(), before + 1);
    EXPECT_EQ(f.ctx.shell.mouse_x, 12);
    EXPECT_EQ(f.ctx.shell.mouse_y, 34);

    ASSERT_TRUE(ExecuteCommand(f.ctx, 212));
    QTest::mousePress(&f.w, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(&f.w, QPoint(50, 60));
    QTest::mouseRelease(&f.w, Qt::LeftButton, {}, QPoint(50, 60));
    ASSERT_EQ(f.ctx.ws.current, 1);
    EXPECT_EQ(f.ctx.ws.at(1).width, 40);
    EXPECT_EQ(rec.zoom, 100);
}

// The scroll rules are pinned without widgets; the bars must reach them and show the result.
TEST(ImageWindow, ScrollBarsMoveTheOriginAndAreShownOnlyWhenNeeded) {
    Fixture f;
    // The window shows 800 x 488 pixels less the bar along the bottom: no vertical bar for 400
    // rows, and the origin goes no farther than 1000 - 800.
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 1000, 400, Ramp);
    f.ctx.ws.current = 0;
    f.w.refreshView();
    QScrollBar* h = f.w.horizontalBar();
    EXPECT_TRUE(h->isVisibleTo(&f.w));
    EXPECT_FALSE(f.w.verticalBar()->isVisibleTo(&f.w));
    EXPECT_EQ(h->maximum() + h->pageStep(), 1000);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(rec.scroll_x, 200);  // + 800 / 2, clamped at the far edge
    EXPECT_EQ(h->value(), 200);
}

TEST(ImageWindow, WheelScrollsAndControlWheelZoomsAroundThePointer) {
    Fixture f;
    ImageRecord& rec = MakeImage(f.ctx.ws, 0, 2000, 2000, Ramp);
    f.ctx.ws.current = 0;
    f.w.refreshView();
    const auto wheel = [&](QPoint delta, Qt::KeyboardModifiers modifiers, QPointF at = {}) {
        QWheelEvent e(at, f.w.mapToGlobal(at), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&f.w, &e);
    };
    const int line = 8 * QApplication::wheelScrollLines();
    wheel({0, -120}, Qt::NoModifier);  // towards the user: down the picture
    EXPECT_EQ(rec.scroll_y, line);
    EXPECT_EQ(f.w.verticalBar()->value(), line);
    wheel({0, -60}, Qt::NoModifier);  // half a notch waits for the other half
    EXPECT_EQ(rec.scroll_y, line);
    wheel({0, -60}, Qt::NoModifier);
    EXPECT_EQ(rec.scroll_y, 2 * line);
    wheel({0, -120}, Qt::ShiftModifier);
    EXPECT_EQ(rec.scroll_x, line);

    // Control: one zoom step per notch, the image point under the pointer stays put.
    rec.scroll_x = 300;
    rec.scroll_y = 100;
    wheel({0, 120}, Qt::ControlModifier, QPointF(400, 200));
    EXPECT_EQ(rec.zoom, 150);
}

// Scrolled as far as it goes, the picture's last row sits at the window's bottom edge (or its
// scroll bar): nothing beyond the picture comes into view.
TEST(ImageWindow, ScrollingStopsAtThePicturesEdges) {
    struct Case {
        int width, height;
    };
    for (const Case c : {Case{768, 512}, Case{2000, 700}, Case{790, 1000}}) {
        SCOPED_TRACE(c.width);
        Fixture f;
        f.w.resize(800, 464);
        ImageRecord& rec = MakeImage(f.ctx.ws, 0, c.width, c.height, Ramp);
        f.ctx.ws.current = 0;
        f.w.refreshView();
        for (int i = 0; i < 200; ++i) {
            QWheelEvent e({10, 10}, f.w.mapToGlobal(QPointF(10, 10)), QPoint(), {-120, -120},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&f.w, &e);
        }
        const int bar = f.w.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &f.w);
        const int shown_w = f.w.width() - (f.w.verticalBar()->isVisibleTo(&f.w) ? bar : 0);
        const int shown_h = f.w.height() - (f.w.horizontalBar()->isVisibleTo(&f.w) ? bar : 0);
        EXPECT_EQ(rec.scroll_y + shown_h, c.height);
        EXPECT_EQ(rec.scroll_x + shown_w, std::max(c.width, shown_w));
    }
}

int CountPdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(f.readAll());
    // Page objects, not the page tree ("/Type /Pages").
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s])"));
    return static_cast<int>(text.count(page));
}

TEST(Printing, PrintsOneImageOnOnePdfPage) {
    Harness h;
    TempDir dir;
    const ImageRecord& rec = MakeImage(h.ctx->ws, 0, 40, 300, Ramp);  // three bands
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString out = QString::fromStdString(dir.Path("page.pdf"));
    printer.setOutputFileName(out);
    ASSERT_TRUE(PrintImageTo(printer, rec, "/tmp/picture.bmp"));
    EXPECT_EQ(printer.docName().toStdString(), "ORVA(/tmp/picture.bmp)");
    EXPECT_EQ(CountPdfPages(out), 1);
}

}  // namespace
}  // namespace orva::gui
