// The Record Fill dialog: a pattern, its kind, a field of the records
// (starting and ending offset) and a range of records; the fill itself is
// FillRecords.
#pragma once

#include <array>
#include <functional>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/RecFill.h"
#include "ui/dialogs/RecordDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qx {

class RecFill : public RecordDialog {
  Q_OBJECT
 public:
  // kind: the record kind in use, for the Field drop-down; null without a layout.
  RecFill(QWidget* mainWindow, IO& io, const RecordKind* kind = nullptr);

  QLabel* Label7 = nullptr;
  QLineEdit* PatternBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, 2> PatternTypeButton{};
  QRadioButton* ValueButton = nullptr;  // a number for a numeric field
  QPushButton* FillButton = nullptr;

  PatchOptions Options;  // tests shrink the blocks

 public slots:
  void FillButton_Click();

 private:
  void Form_Load(QWidget* mainWindow);
  // Value only while a numeric field is chosen, falling back to ASCII.
  void EnableValue();
  // Reads the record boxes and runs fill over their range, closing unless
  // it was refused or failed.
  void RunFill(const std::function<RecFillResult(const RecordRange&, ProgressBar*)>& fill);
};

}  // namespace qx
