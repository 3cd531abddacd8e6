// The Chop Records dialog: a range of records and the field to cut out of
// each; the chop itself is ChopRecords.
#pragma once

#include "core/IO.h"
#include "core/Progress.h"
#include "ui/dialogs/RecordDialog.h"

class QPushButton;

namespace qx {

class RecChop : public RecordDialog {
  Q_OBJECT
 public:
  // kind: the record kind in use, for the Field drop-down; null without a layout.
  RecChop(QWidget* mainWindow, IO& io, const RecordKind* kind = nullptr);

  QPushButton* ChopButton = nullptr;

 public slots:
  void ChopButton_Click();
};

}  // namespace qx
