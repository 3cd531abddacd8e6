// The Paste dialog: Insert, Overlay or Append the clip file, or a file read
// from "Read From File", at the cursor. A long paste shows its progress,
// and Cancel stops it.
#pragma once

#include <QDialog>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/Paste.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qx {

class PathRow;

class Paste : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  Paste(QWidget* mainWindow, IO& io);

  void Insert();
  void Overlay();

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QPushButton* InsertButton = nullptr;
  QPushButton* OverlayButton = nullptr;
  QPushButton* AppendBox = nullptr;
  QPushButton* CancelButton = nullptr;
  PathRow* Path = nullptr;
  QCheckBox* ReadFromFileBox = nullptr;
  QLineEdit* PathNameBox = nullptr;
  QPushButton* BrowseButton = nullptr;
  QProgressBar* Progress = nullptr;

  PasteMode Mode = PasteMode::Insert;

 public slots:
  void InsertButton_Click();
  void OverlayButton_Click();
  void AppendBox_Click();
  void CancelButton_Click();

 protected:
  // Escape and the close box act as Cancel.
  void reject() override;

 private:
  void RunPaste();

  IO& io_;
  bool running_ = false;  // this dialog's paste is under way
};

}  // namespace qx
