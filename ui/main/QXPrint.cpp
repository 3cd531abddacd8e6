// The printing commands of the main window.
#include "ui/dialogs/GetPrinter.h"
#include "ui/dialogs/PrintRecs.h"
#include "ui/main/QX.h"

namespace qx {

// No file needs to be open to choose a printer.
void QX::mnuFileChoosePrinter_Click() {
  GetPrinter dialog(this, s_, p_);
  dialog.exec();
  FocusFileBar();
}

void QX::mnuFilePrint_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    PrintRecs dialog(this, io_);
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
