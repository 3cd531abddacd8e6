// The Check Records window: not modal, so that the user can go from one
// problem to the next while it stays open. A range of records, Check with
// its progress bar and Cancel, the counts and a table of the problems; a
// double-click on a row goes to its field.
#pragma once

#include <QDialog>
#include <functional>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/CheckRecords.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace qx {

class FileLayouts;

class CheckRecordsForm : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  // goTo moves the cursor to a working offset of the current file.
  CheckRecordsForm(QWidget* mainWindow, IO& io, const FileLayouts& layouts,
                   std::function<void(std::int64_t)> goTo);

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLineEdit* FromRecordBox = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QPushButton* CheckButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CloseButton = nullptr;
  QProgressBar* Progress = nullptr;
  QLabel* Summary = nullptr;
  QTableWidget* Problems = nullptr;

  CheckOptions Options;  // tests shrink the blocks

  // All records of the current file in the boxes.
  void PresetRange();

 public slots:
  void CheckButton_Click();
  void CancelButton_Click();
  void Problems_DoubleClick(int row);

 protected:
  void reject() override;

 private:
  IO& io_;
  const FileLayouts& layouts_;
  std::function<void(std::int64_t)> goTo_;
  QString checked_;  // the file the table's rows belong to
};

}  // namespace qx
