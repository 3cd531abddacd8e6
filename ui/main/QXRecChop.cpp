// The Record Chop command of the main window.
#include "ui/dialogs/RecChop.h"
#include "ui/main/QX.h"

namespace qx {

// A committed chop has redrawn the window itself.
void QX::mnuRecordChop_Click() {
  if (GuardsPass(Guard::Writable)) {
    RecChop dialog(this, io_, layouts_.Kind(s_));
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
