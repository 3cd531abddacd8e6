// The Paste dialog: Insert, Overlay or Append the clip file, or a file read
// from "Read From File", at the cursor.
#pragma once

#include <QDialog>

#include "core/IO.h"
#include "ops/Paste.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qx {

class PathRow;

class Paste : public QDialog {
  Q_OBJECT
 public:
  Paste(QWidget* mainWindow, IO& io);

  void Insert();
  void Overlay();

  QPushButton* InsertButton = nullptr;
  QPushButton* OverlayButton = nullptr;
  QPushButton* AppendBox = nullptr;
  QPushButton* CancelButton = nullptr;
  PathRow* Path = nullptr;
  QCheckBox* ReadFromFileBox = nullptr;
  QLineEdit* PathNameBox = nullptr;
  QPushButton* BrowseButton = nullptr;

  PasteMode Mode = PasteMode::Insert;

 public slots:
  void InsertButton_Click();
  void OverlayButton_Click();
  void AppendBox_Click();
  void CancelButton_Click();

 private:
  void RunPaste();

  IO& io_;
};

}  // namespace qx
