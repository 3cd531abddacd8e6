// The Export Records dialog: the fields to write (all but FILLER checked,
// in layout order), a range of records, "Keep trailing spaces" and "Add
// each field's hex"; Export (the default button) asks for the CSV file's
// name and runs ExportRecords.
#pragma once

#include "fields/Copybook.h"
#include "ops/ExportRecords.h"
#include "ui/dialogs/OperationDialog.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace qx {

class ExportRecordsForm : public OperationDialog {
  Q_OBJECT
 public:
  ExportRecordsForm(QWidget* mainWindow, IO& io, const RecordKind& kind);

  QListWidget* FieldList = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QCheckBox* KeepSpacesBox = nullptr;
  QCheckBox* AddHexBox = nullptr;
  QPushButton* ExportButton = nullptr;

  std::int64_t BlockSize = std::int64_t{1} << 20;  // tests shrink it

 public slots:
  void ExportButton_Click();

 private:
  const RecordKind& kind_;
};

}  // namespace qx
