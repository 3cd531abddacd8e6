// Commands whose operations are not built yet: they do nothing.
#include "ui/main/QX.h"

namespace qx {

void QX::mnuEditCut_Click() {}
void QX::mnuEditCopy_Click() {}
void QX::mnuEditPaste_Click() {}
void QX::mnuEditFill_Click() {}
void QX::mnuRecordChop_Click() {}
void QX::mnuRecordPaste_Click() {}
void QX::mnuRecordFill_Click() {}
void QX::mnuFileChoosePrinter_Click() {}
void QX::mnuFilePrint_Click() {}
void QX::mnuHelpSearch_Click() {}
void QX::mnuHelpAbout_Click() {}

}  // namespace qx
