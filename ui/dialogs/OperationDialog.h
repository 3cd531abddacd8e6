// What the dialogs of long operations share (Fill, Chop Records, Paste To
// Records, Fill Records): a progress bar, and a Cancel that stops the
// running operation and closes the dialog, as the close box and Escape do.
#pragma once

#include <QDialog>

#include "core/IO.h"
#include "core/Progress.h"

class QProgressBar;
class QPushButton;

namespace qx {

class OperationDialog : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

 public slots:
  void CancelButton_Click();

 protected:
  OperationDialog(QWidget* mainWindow, IO& io);
  // Makes Cancel and the hidden progress bar, where the dialog's own
  // controls put them in the focus order.
  void MakeCancelAndProgress();
  // "You must enter values", and the focus to the box to mend.
  void MustEnterValues(QWidget* box);
  void reject() override;

  IO& io_;
};

}  // namespace qx
