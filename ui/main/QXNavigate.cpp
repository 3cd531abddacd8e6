// Navigation, configuration, marks and value display commands of the main window.
#include "ui/main/QX.h"

namespace qx {

void QX::mnuNavGoToByte_Click() {}
void QX::FileOffsetBox_Click() {}
void QX::mnuNavGoToRecord_Click() {}
void QX::mnuNavNextRecord_Click() {}
void QX::mnuNavPreviousRecord_Click() {}
void QX::RecordNumberBoxRequest_Click() {}
void QX::FieldOffsetBoxRequest_Click() {}
void QX::mnuConfigSetWorkingBase_Click() {}
void QX::mnuConfigSetRecordLength_Click() {}
void QX::mnuConfigRecordNumber_Click() {}
void QX::mnuConfigRecordOffset_Click() {}
void QX::WorkingBaseBox_Click() {}
void QX::RecordLengthBox_Click() {}
void QX::mnuNavMark_Click() {}
void QX::mnuNavGoToMark_Click() {}
void QX::mnuEditValues_Click() {}

}  // namespace qx
