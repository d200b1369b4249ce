// Printing one image on one page, as large as the printable area allows with its proportions
// kept and centred; colours are the screen's (the high byte of every sample).
#pragma once

#include <QPainter>
#include <QPrinter>
#include <QWidget>
#include <string>

#include "workspace/image_record.h"

namespace orva::gui {

// Shows the print dialog (one page) and prints the record in a document named
// "ORVA(<document_path>)". False when the user cancelled or nothing could be printed.
bool PrintImage(QWidget* owner, const ImageRecord& rec, const std::string& document_path);

// Prints the record on a printer that is already set up, without asking. False when the
// printer could not start a page.
bool PrintImageTo(QPrinter& printer, const ImageRecord& rec, const std::string& document_path);

// Draws the record on a page of page_width x page_height device pixels, band by band.
void RenderToPrinter(QPainter& painter, const ImageRecord& rec, int page_width, int page_height);

}  // namespace orva::gui
