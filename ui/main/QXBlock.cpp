// Cut, Copy and Paste commands of the main window.
#include "ui/dialogs/CutCopy.h"
#include "ui/dialogs/Paste.h"
#include "ui/main/QX.h"

namespace qx {

void QX::mnuEditCut_Click() {
  if (GuardsPass(Guard::Writable)) {
    CutCopy dialog(this, io_, CutCopy::Kind::Cut);
    dialog.exec();
  }
  FocusFileBar();
}

// Copy leaves the file as it is: allowed on a read-only file too.
void QX::mnuEditCopy_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    CutCopy dialog(this, io_, CutCopy::Kind::Copy);
    dialog.exec();
  }
  FocusFileBar();
}

void QX::mnuEditPaste_Click() {
  if (GuardsPass(Guard::Writable)) {
    Paste dialog(this, io_);
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
