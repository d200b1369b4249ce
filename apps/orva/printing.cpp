#include "printing.h"

namespace orva::gui {

bool PrintImage(QWidget*, const ImageRecord&, const std::string&) {
    return false;
}

}  // namespace orva::gui
