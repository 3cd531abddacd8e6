// The Chop Records dialog: a range of records and the field to cut out of
// each; the chop itself is ChopRecords.
#pragma once

#include <QDialog>

#include "core/IO.h"
#include "core/Progress.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qx {

class RecChop : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  RecChop(QWidget* mainWindow, IO& io);

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLabel* Label4 = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartOffsetBox = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* EndOffsetBox = nullptr;
  QPushButton* ChopButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

 public slots:
  void ChopButton_Click();
  void CancelButton_Click();

 protected:
  // The close box and Escape cancel, during a chop too.
  void reject() override;

 private:
  IO& io_;
};

}  // namespace qx
