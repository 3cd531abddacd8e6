// Find, Find Next and Search and Replace commands of the main window.
#include "ui/main/QX.h"

namespace qx {

void QX::mnuEditFind_Click() {}
void QX::mnuEditFindNext_Click() {}
void QX::FindNextKey() {}
void QX::mnuEditReplace_Click() {}

}  // namespace qx
