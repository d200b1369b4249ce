// Printing a slot on one page through the Qt print dialog.
#pragma once

#include <QWidget>

#include "workspace/image_record.h"

namespace orva::gui {

// Shows the print dialog and prints the record. False when the user cancelled.
bool PrintImage(QWidget* owner, const ImageRecord& rec, const std::string& document_path);

}  // namespace orva::gui
