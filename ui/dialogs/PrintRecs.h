// The Print dialog: how many records to print from the requested record
// on, Begin Printing, a preview of the pages, and Cancel with a progress
// bar while the job runs. The layout itself is PrintRecords.
#pragma once

#include <optional>

#include "core/IO.h"
#include "platform/Printing.h"
#include "print/PrintModule.h"
#include "ui/dialogs/OperationDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class PrintRecs : public OperationDialog {
  Q_OBJECT
 public:
  PrintRecs(QWidget* mainWindow, IO& io);

  QLabel* Label1 = nullptr;
  QLineEdit* RecordCountBox = nullptr;
  QPushButton* BeginPrintingButton = nullptr;
  QPushButton* PreviewButton = nullptr;

 public slots:
  void BeginPrintingButton_Click();
  void PreviewButton_Click();

 private:
  // The job the count box asks for; nullopt (and the user told) when it
  // does not hold a whole number.
  std::optional<PrintJob> ReadJob();
  PrintSetup Setup() const;
  void Busy(bool busy);
};

}  // namespace qx
