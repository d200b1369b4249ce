#include "histogram_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>

#include "printing.h"
#include "support/scripted_ui.h"

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

}  // namespace
}  // namespace orva
