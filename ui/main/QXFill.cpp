// The Fill command of the main window.
#include "ui/dialogs/Fill.h"
#include "ui/main/QX.h"

namespace qx {

// The fill reads the page again itself when it wrote; a fill that never
// started leaves the page, and any unsaved edit on it, as it was.
void QX::mnuEditFill_Click() {
  if (GuardsPass(Guard::Writable)) {
    Fill dialog(this, io_);
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
