// The Chop Records dialog: a range of records and the field to cut out of
// each; the chop itself is ChopRecords.
#pragma once

#include "core/IO.h"
#include "core/Progress.h"
#include "ui/dialogs/OperationDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class RecChop : public OperationDialog {
  Q_OBJECT
 public:
  RecChop(QWidget* mainWindow, IO& io);

  QLabel* Label4 = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartOffsetBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndOffsetBox = nullptr;
  QPushButton* ChopButton = nullptr;

 public slots:
  void ChopButton_Click();
};

}  // namespace qx
