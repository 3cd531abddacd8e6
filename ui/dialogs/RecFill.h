// The Record Fill dialog: a pattern, its kind, a field of the records
// (starting and ending offset) and a range of records; the fill itself is
// FillRecords.
#pragma once

#include <QDialog>
#include <array>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/RecFill.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace qx {

class RecFill : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  RecFill(QWidget* mainWindow, IO& io);

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLabel* Label7 = nullptr;
  QLineEdit* PatternBox = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, 2> PatternTypeButton{};
  QLabel* Label4 = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartOffsetBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndOffsetBox = nullptr;
  QPushButton* FillButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

  PatchOptions Options;  // tests shrink the blocks

 public slots:
  void FillButton_Click();
  void CancelButton_Click();

 protected:
  // The close box and Escape cancel, during a fill too.
  void reject() override;

 private:
  void Form_Load(QWidget* mainWindow);

  IO& io_;
};

}  // namespace qx
