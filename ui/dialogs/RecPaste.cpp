#include "ui/dialogs/RecPaste.h"

#include <QCheckBox>
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
#include "search/Search.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/PathRow.h"
#include "ui/main/Library.h"

namespace qx {

RecPaste::RecPaste(QWidget* mainWindow, IO& io, const RecordKind* kind)
    : RecordDialog(mainWindow, io) {
  setModal(true);
  setWindowTitle(QStringLiteral("Paste To Records"));
  setProperty("HelpContext", help::kRecPaste);

  MakeRecordBoxes(false, kind);

  InsertButton = new QPushButton(QStringLiteral("Insert"), this);
  OverlayButton = new QPushButton(QStringLiteral("Overlay"), this);
  AppendBox = new QPushButton(QStringLiteral("Append"), this);
  MakeCancelAndProgress();
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {InsertButton, OverlayButton, AppendBox, CancelButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  connect(InsertButton, &QPushButton::clicked, this, &RecPaste::InsertButton_Click);
  connect(OverlayButton, &QPushButton::clicked, this, &RecPaste::OverlayButton_Click);
  connect(AppendBox, &QPushButton::clicked, this, &RecPaste::AppendBox_Click);

  Path =
      new PathRow(this, io, QStringLiteral("Read From File"), PathRow::Browse::Open, InsertButton);
  ReadFromFileBox = Path->CheckBox;
  PathNameBox = Path->PathNameBox;
  BrowseButton = Path->BrowseButton;

  auto* fields = new QGridLayout;
  fields->addWidget(Label4, 0, 0);
  fields->addWidget(FromRecordBox, 0, 1);
  fields->addWidget(Label1, 1, 0);
  fields->addWidget(ToRecordBox, 1, 1);
  fields->addWidget(Label2, 2, 0);
  fields->addWidget(StartOffsetBox, 2, 1);
  fields->addWidget(FieldBox->Label, 3, 0);
  fields->addWidget(FieldBox, 3, 1);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addWidget(Path);
  left->addWidget(Progress);
  left->addStretch();
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(buttons);

  setTabOrder(FromRecordBox, ToRecordBox);
  setTabOrder(ToRecordBox, StartOffsetBox);
  setTabOrder(StartOffsetBox, FieldBox);
  setTabOrder(FieldBox, InsertButton);

  const EditorState& s = io_.State();
  AttachFieldFilter(FromRecordBox, FieldKind::FromRecord, s, ToRecordBox);
  AttachFieldFilter(ToRecordBox, FieldKind::ToRecord, s, StartOffsetBox);
  AttachFieldFilter(StartOffsetBox, FieldKind::FieldOffset, s, InsertButton);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 100);
  PresetRecordRange();
  FromRecordBox->setFocus();
}

void RecPaste::InsertButton_Click() {
  Mode = PasteMode::Insert;
  RunPaste();
}

void RecPaste::OverlayButton_Click() {
  Mode = PasteMode::Overlay;
  RunPaste();
}

void RecPaste::AppendBox_Click() {
  Mode = PasteMode::Append;
  RunPaste();
}

void RecPaste::Insert() {
  if (ActionRefused()) return;
  const RecordFields f = ReadRecordBoxes();
  if (f.check == RecordCheck::EmptyBox) return;
  if (f.check == RecordCheck::Reversed) {
    CancelButton_Click();
    return;
  }
  RecPasteResult res = RecPasteResult::Failed;
  {
    ActionsDisabled busy({InsertButton, OverlayButton, AppendBox});
    res = PasteToRecords(io_, Mode, f.range, PathNameBox->text(), this, Options);
  }
  if (res == RecPasteResult::NoSource) {
    // Stays open for another source; the focus goes where one is chosen,
    // not to Cancel, where the disabled buttons left it.
    io_.View().LoadDisplay();
    if (PathNameBox->text().isEmpty()) {
      ReadFromFileBox->setFocus();
    } else {
      PathNameBox->setFocus();
    }
    return;
  }
  CancelButton_Click();
}

void RecPaste::Overlay() {
  Insert();
}

void RecPaste::RunPaste() {
  Mode == PasteMode::Overlay ? Overlay() : Insert();
}

}  // namespace qx
