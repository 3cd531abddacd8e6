// Commands whose operations are not built yet: each tests its guards and
// then does nothing.
#include "ui/main/QX.h"

namespace qx {

void QX::mnuFileChoosePrinter_Click() {}
void QX::mnuFilePrint_Click() {
  (void)GuardsPass(Guard::FileOpen);
}
void QX::mnuHelpSearch_Click() {}
void QX::mnuHelpAbout_Click() {}

}  // namespace qx
