// The Record Fill command of the main window.
#include "ui/dialogs/RecFill.h"
#include "ui/main/QX.h"

namespace qx {

// The fill reads the page again itself when it wrote; an empty file has
// no record to fill.
void QX::mnuRecordFill_Click() {
  if (GuardsPass(Guard::Writable) && s_.WorkingLength >= 1) {
    RecFill dialog(this, io_, layouts_.Kind(s_));
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
