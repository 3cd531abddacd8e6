#include "ui/dialogs/RecChop.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "input/PatternText.h"
#include "input/Utility.h"
#include "ops/RecChop.h"
#include "ops/RecordRange.h"
#include "search/Search.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/main/Library.h"

namespace qx {

RecChop::RecChop(QWidget* mainWindow, IO& io, const RecordKind* kind)
    : RecordDialog(mainWindow, io) {
  setModal(true);
  setWindowTitle(QStringLiteral("Chop Records"));
  setProperty("HelpContext", help::kRecChop);
  const EditorState& s = io_.State();

  MakeRecordBoxes(true, kind);
  PresetRecordRange();

  ChopButton = new QPushButton(QStringLiteral("Chop"), this);
  MakeCancelAndProgress();
  for (QPushButton* b : {ChopButton, CancelButton}) b->setAutoDefault(false);
  connect(ChopButton, &QPushButton::clicked, this, &RecChop::ChopButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label4, 0, 0);
  fields->addWidget(FromRecordBox, 1, 0);
  fields->addWidget(Label1, 2, 0);
  fields->addWidget(ToRecordBox, 3, 0);
  fields->addWidget(Label2, 0, 1);
  fields->addWidget(StartOffsetBox, 1, 1);
  fields->addWidget(Label3, 2, 1);
  fields->addWidget(EndOffsetBox, 3, 1);
  fields->addWidget(FieldBox->Label, 4, 0, 1, 2);
  fields->addWidget(FieldBox, 5, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ChopButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();
  auto* top = new QVBoxLayout(this);
  top->addLayout(fields);
  top->addLayout(buttons);
  top->addWidget(Progress);

  setTabOrder(FromRecordBox, ToRecordBox);
  setTabOrder(ToRecordBox, StartOffsetBox);
  setTabOrder(StartOffsetBox, EndOffsetBox);
  setTabOrder(EndOffsetBox, FieldBox);
  setTabOrder(FieldBox, ChopButton);
  setTabOrder(ChopButton, CancelButton);

  AttachFieldFilter(FromRecordBox, FieldKind::FromRecord, s, ToRecordBox);
  AttachFieldFilter(ToRecordBox, FieldKind::ToRecord, s, StartOffsetBox);
  AttachFieldFilter(StartOffsetBox, FieldKind::FieldOffset, s, EndOffsetBox);
  AttachFieldFilter(EndOffsetBox, FieldKind::FieldOffset, s, ChopButton);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 100);
  FromRecordBox->setFocus();
}

void RecChop::ChopButton_Click() {
  const RecordFields f = ReadRecordBoxes();
  if (f.check == RecordCheck::EmptyBox) return;
  if (f.check == RecordCheck::Ok) {
    ChopButton->setEnabled(false);  // no second chop from inside this one's events
    (void)ChopRecords(io_, f.range, this);
    ChopButton->setEnabled(true);
  }
  CancelButton_Click();
}

}  // namespace qx
