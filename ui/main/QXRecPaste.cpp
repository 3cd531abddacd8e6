// The Record Paste command of the main window.
#include "ui/dialogs/RecPaste.h"
#include "ui/main/QX.h"

namespace qx {

void QX::mnuRecordPaste_Click() {
  if (GuardsPass(Guard::Writable)) {
    RecPaste dialog(this, io_, layouts_.Kind(s_));
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
