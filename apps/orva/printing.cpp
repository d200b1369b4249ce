#include "printing.h"

#include <QImage>
#include <QPrintDialog>

#include "common/text.h"
#include "shell/messages.h"
#include "view/print_layout.h"

namespace orva::gui {

void RenderToPrinter(QPainter& painter, const ImageRecord& rec, int page_width, int page_height) {
    if (rec.width < 1 || rec.height < 1) return;
    const std::size_t n = rec.pixels();
    if (rec.red.size() < n ||
        (rec.single_plane != 1 && (rec.green.size() < n || rec.blue.size() < n)))
        return;
    const PrintPlacement placement = FitToPage(rec.width, rec.height, page_width, page_height);
    QImage band(rec.width, kPrintBandRows, QImage::Format_RGB888);
    if (band.isNull()) return;  // no memory for even one band: print nothing
    band.fill(Qt::white);
    for (const PrintBand& b : PrintBands(rec.width, rec.height, placement)) {
        FillPrintBand(rec, b, band.bits(), static_cast<std::size_t>(band.bytesPerLine()));
        painter.drawImage(QRect(b.dest.x, b.dest.y, b.dest.width, b.dest.height), band,
                          QRect(b.source.x, b.source.y, b.source.width, b.source.height));
    }
}

bool PrintImageTo(QPrinter& printer, const ImageRecord& rec, const std::string& document_path) {
    printer.setDocName(QString::fromStdString(Format(msg::kPrintDocument, document_path.c_str())));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    RenderToPrinter(painter, rec, painter.device()->width(), painter.device()->height());
    painter.end();
    return true;
}

bool PrintImage(QWidget* owner, const ImageRecord& rec, const std::string& document_path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFromTo(1, 1);
    QPrintDialog dialog(&printer, owner);
    dialog.setMinMax(1, 1);
    if (dialog.exec() != QDialog::Accepted) return false;
    return PrintImageTo(printer, rec, document_path);
}

}  // namespace orva::gui
