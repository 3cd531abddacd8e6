// The Paste To Records dialog: a range of records, an offset within each,
// and Insert, Overlay or Append of the clip file or a file read from "Read
// From File"; the paste itself is PasteToRecords.
#pragma once

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/RecPaste.h"
#include "ui/dialogs/RecordDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qx {

class PathRow;

class RecPaste : public RecordDialog {
  Q_OBJECT
 public:
  // kind: the record kind in use, for the Field drop-down; null without a layout.
  RecPaste(QWidget* mainWindow, IO& io, const RecordKind* kind = nullptr);

  void Insert();
  void Overlay();

  QPushButton* InsertButton = nullptr;
  QPushButton* OverlayButton = nullptr;
  QPushButton* AppendBox = nullptr;
  PathRow* Path = nullptr;
  QCheckBox* ReadFromFileBox = nullptr;
  QLineEdit* PathNameBox = nullptr;
  QPushButton* BrowseButton = nullptr;

  PasteMode Mode = PasteMode::Insert;
  RecPasteOptions Options;  // tests shrink the sizes

 public slots:
  void InsertButton_Click();
  void OverlayButton_Click();
  void AppendBox_Click();

 private:
  void RunPaste();
};

}  // namespace qx
