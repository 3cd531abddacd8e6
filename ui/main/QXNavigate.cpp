// Navigation, configuration, marks and value display commands of the main window.
#include "core/Navigation.h"
#include "core/ValueFormat.h"
#include "help/HelpContexts.h"
#include "ui/dialogs/Marks.h"
#include "ui/dialogs/ValDisp.h"
#include "ui/main/QX.h"

namespace qx {

void QX::mnuNavGoToByte_Click() {
  FileOffsetBox_Click();
}

void QX::FileOffsetBox_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    GoToByte(io_,
             p_.AskValue(QStringLiteral("Go To Byte"), s_.Current.CursorOffset, help::kGoToByte));
  }
  FocusFileBar();
}

void QX::mnuNavGoToRecord_Click() {
  GoToThisRecord(io_);
  FocusFileBar();
}

void QX::mnuNavNextRecord_Click() {
  NextRecord(io_);
  FocusFileBar();
}

void QX::mnuNavPreviousRecord_Click() {
  PreviousRecord(io_);
  FocusFileBar();
}

void QX::RecordNumberBoxRequest_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    RequestRecordNumber(io_, p_.AskValue(QStringLiteral("Record Number"),
                                         s_.Current.RequestedRecord, help::kRecordNumberOffset));
  }
  FocusFileBar();
}

void QX::FieldOffsetBoxRequest_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    RequestFieldOffset(io_, p_.AskValue(QStringLiteral("Field Offset"), s_.Current.RequestedOffset,
                                        help::kRecordNumberOffset));
  }
  FocusFileBar();
}

void QX::mnuConfigSetWorkingBase_Click() {
  WorkingBaseBox_Click();
}
void QX::mnuConfigSetRecordLength_Click() {
  RecordLengthBox_Click();
}
void QX::mnuConfigRecordNumber_Click() {
  RecordNumberBoxRequest_Click();
}
void QX::mnuConfigRecordOffset_Click() {
  FieldOffsetBoxRequest_Click();
}

void QX::WorkingBaseBox_Click() {
  if (s_.FileLength >= 1) {
    SetWorkingBase(io_, p_.AskValue(QStringLiteral("Working File Base"), s_.Current.WorkingBase,
                                    help::kWorkingBase));
  }
  FocusFileBar();
}

void QX::RecordLengthBox_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    SetRecordLength(io_, p_.AskValue(QStringLiteral("New Record Length"), s_.Current.RecordLength,
                                     help::kRecordLength));
  }
  FocusFileBar();
}

void QX::mnuNavMark_Click() {
  if (GuardsPass(Guard::FileOpen)) SetMark(s_, Marks::Choose(this, s_));
  FocusFileBar();
}

void QX::mnuNavGoToMark_Click() {
  if (GuardsPass(Guard::FileOpen)) GoToMark(io_, Marks::Choose(this, s_));
  FocusFileBar();
}

void QX::mnuEditValues_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    ValueBytes bytes;
    if (!CollectValueBytes(s_, bytes)) {
      p_.MessageBox(QStringLiteral("Couldn't read ") + s_.Current.FileName);
    } else {
      ValDisp window(this);
      window.DisplayValues(bytes);
      window.DisplayField(FieldAtCursor(s_, layouts_));
      window.exec();
    }
  }
  FocusFileBar();
}

}  // namespace qx
