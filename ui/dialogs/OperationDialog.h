// What the dialogs of long operations share (Fill, Chop Records, Paste To
// Records, Fill Records): a progress bar, and a Cancel that stops the
// running operation and closes the dialog, as the close box and Escape do.
#pragma once

#include <QDialog>
#include <QPointer>
#include <initializer_list>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"

class QProgressBar;
class QPushButton;

namespace qx {

// Disables a dialog's action buttons for its life, so that no click starts
// a second operation from inside the events of the one running; only the
// buttons it disabled are enabled again.
class ActionsDisabled {
 public:
  explicit ActionsDisabled(std::initializer_list<QPushButton*> buttons);
  ~ActionsDisabled();
  ActionsDisabled(const ActionsDisabled&) = delete;
  ActionsDisabled& operator=(const ActionsDisabled&) = delete;

 private:
  std::vector<QPointer<QPushButton>> disabled_;
};

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
  // A click that arrives while an operation runs: a beep, and true.
  bool ActionRefused() { return io_.BusyRefused(); }
  void reject() override;

  IO& io_;
};

}  // namespace qx
