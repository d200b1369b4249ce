#include "histogram_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "printing.h"
#include "support/scripted_ui.h"
#include "toolbar_strip.h"

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

TEST(ToolbarStripWidget, ReportsLeftPresses) {
    Harness h;
    gui::ToolbarStrip strip(*h.ctx);
    strip.resize(800, 24);
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
