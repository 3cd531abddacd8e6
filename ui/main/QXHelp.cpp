// The Help menu: the help window's keyword index and the About box.
#include "ui/dialogs/About.h"
#include "ui/main/QX.h"

namespace qx {

void QX::mnuHelpSearch_Click() {
  p_.HelpSearch();
  LoadDisplay();
}

void QX::mnuHelpAbout_Click() {
  About::Show(this, p_);
  LoadDisplay();
}

}  // namespace qx
