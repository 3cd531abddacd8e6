// Commands whose operations are not built yet: each tests its guards and
// then does nothing.
#include "ui/main/QX.h"

namespace qx {

void QX::mnuHelpSearch_Click() {}
void QX::mnuHelpAbout_Click() {}

}  // namespace qx
