#include "histogram_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "printing.h"
#include "support/scripted_ui.h"
#include "toolbar_strip.h"
#include "view/histogram.h"

namespace orva {
namespace {

using testing::Harness;
using testing::MakeImage;
using testing::TempDir;

uint16_t Ramp(int c, int x, int y) {
    return static_cast<uint16_t>((c * 40 + x * 3 + y * 2) << 8);
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
    ASSERT_TRUE(gui::PrintImageTo(printer, rec, "/tmp/picture.bmp"));
    EXPECT_EQ(printer.docName().toStdString(), "ORVA(/tmp/picture.bmp)");
    EXPECT_EQ(CountPdfPages(out), 1);
}

TEST(Printing, RendersTheImageScaledAndCentredOnThePage) {
    Harness h;
    // Left half black, right half white; a 2:1 page takes a 1:1 image centred horizontally.
    const ImageRecord& rec = MakeImage(h.ctx->ws, 0, 10, 10, [](int, int x, int) {
        return static_cast<uint16_t>(x < 5 ? 0 : 0xFFFF);
    });
    QImage page(200, 100, QImage::Format_RGB32);
    page.fill(QColor(255, 0, 0));
    {
        QPainter painter(&page);
        gui::RenderToPrinter(painter, rec, page.width(), page.height());
    }
    EXPECT_EQ(page.pixelColor(10, 50), QColor(255, 0, 0));       // left margin untouched
    EXPECT_EQ(page.pixelColor(140, 50), QColor(255, 255, 255));  // right half of the image
}

TEST(HistogramWindow, PaintsAOnePixelAndANormalImage) {
    Harness h;
    gui::HistogramWindow w(*h.ctx, nullptr);
    EXPECT_EQ(w.windowTitle().toStdString(), "Histgram");
    EXPECT_EQ(w.size(), QSize(310, 276));

    ImageRecord& one = MakeImage(h.ctx->ws, 0, 1, 1, Ramp);  // scale 0: painted blank
    ComputeHistogram(one);
    w.setViewMode(1);
    w.grab();

    ImageRecord& rec = MakeImage(h.ctx->ws, 1, 64, 48, Ramp);
    ComputeHistogram(rec);
    rec.max_level = {65535, 65535, 65535};
    w.setViewMode(0);
    const QImage hist = w.grab().toImage();
    EXPECT_EQ(hist.pixelColor(20, 100), QColor(Qt::black));  // the vertical axis
    w.setViewMode(1);
    EXPECT_EQ(h.ctx->view.inspection_mode, 1);
    const QImage cross = w.grab().toImage();
    EXPECT_EQ(cross.pixelColor(175, 100), QColor(Qt::black));  // the vertical profile axis
}

TEST(ToolbarStripWidget, DrawsCellsLabelAndReadoutAndReportsPresses) {
    Harness h;
    gui::ToolbarStrip strip(*h.ctx);
    strip.resize(800, 24);
    strip.setReadout(QStringLiteral("(   1,   2) R:  1.0 G:  2.0 B:  3.0"));
    const QImage img = strip.grab().toImage();
    EXPECT_EQ(img.height(), 24);
    EXPECT_EQ(img.pixelColor(3 * 24 + 12, 12), QColor(Qt::black));  // the blank cell

    QSignalSpy spy(&strip, &gui::ToolbarStrip::cellClicked);  // a left click reports its place
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(14 * 24 + 5, 7));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 14 * 24 + 5);
    EXPECT_EQ(spy.at(0).at(1).toInt(), 7);
    QTest::mouseClick(&strip, Qt::RightButton, {}, QPoint(5, 7));
    EXPECT_EQ(spy.count(), 1);
}

}  // namespace
}  // namespace orva
