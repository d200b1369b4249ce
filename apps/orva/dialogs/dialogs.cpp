#include "dialogs/dialogs.h"

namespace orva::gui {

bool RunNamedDialog(std::string_view, AppContext&, QWidget*) {
    return false;
}

}  // namespace orva::gui
