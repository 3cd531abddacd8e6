// What the record dialogs share (Chop Records, Paste To Records, Fill
// Records): the boxes of the record range and of the field offsets, with
// their labels, the Field drop-down that fills the offsets, and reading them.
#pragma once

#include "ops/RecordRange.h"
#include "ui/dialogs/OperationDialog.h"

class QLabel;
class QLineEdit;

namespace qx {

class FieldChoice;
struct RecordKind;

class RecordDialog : public OperationDialog {
  Q_OBJECT
 public:
  QLabel* Label4 = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartOffsetBox = nullptr;
  QLabel* Label3 = nullptr;           // absent from Paste To Records
  QLineEdit* EndOffsetBox = nullptr;  // absent from Paste To Records
  FieldChoice* FieldBox = nullptr;

 protected:
  using OperationDialog::OperationDialog;
  // Makes the boxes, where the dialog's own controls put them in the focus
  // order; the Field drop-down offers the fields of kind (null: none).
  void MakeRecordBoxes(bool withEndOffset, const RecordKind* kind);
  // From record 0 to the last record.
  void PresetRecordRange();
  // The boxes as numbers; an empty or bad box has been refused, with the
  // focus on it, when the check says EmptyBox.
  RecordFields ReadRecordBoxes();
};

}  // namespace qx
