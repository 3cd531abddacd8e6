// The Paste To Records dialog: a range of records, an offset within each,
// and Insert, Overlay or Append of the clip file or a file read from "Read
// From File"; the paste itself is PasteToRecords.
#pragma once

#include <QDialog>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/RecPaste.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qx {

class PathRow;

class RecPaste : public QDialog, public ProgressBar {
  Q_OBJECT
 public:
  RecPaste(QWidget* mainWindow, IO& io);

  void Insert();
  void Overlay();

  void ShowProgress(bool visible) override;
  void SetProgress(int value) override;

  QLabel* Label4 = nullptr;
  QLineEdit* FromRecordBox = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ToRecordBox = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* StartOffsetBox = nullptr;
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
  RecPasteOptions Options;  // tests shrink the sizes

 public slots:
  void InsertButton_Click();
  void OverlayButton_Click();
  void AppendBox_Click();
  void CancelButton_Click();

 protected:
  // The close box and Escape cancel, during a paste too.
  void reject() override;

 private:
  void RunPaste();

  IO& io_;
};

}  // namespace qx
