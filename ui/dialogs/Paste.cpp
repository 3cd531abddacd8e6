#include "ui/dialogs/Paste.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "help/HelpContexts.h"
#include "ui/dialogs/OperationDialog.h"
#include "ui/dialogs/PathRow.h"
#include "ui/main/Library.h"

namespace qx {

Paste::Paste(QWidget* mainWindow, IO& io) : QDialog(mainWindow), io_(io) {
  setWindowTitle(QStringLiteral("Paste"));
  setProperty("HelpContext", help::kPaste);
  InsertButton = new QPushButton(QStringLiteral("Insert"), this);
  OverlayButton = new QPushButton(QStringLiteral("Overlay"), this);
  AppendBox = new QPushButton(QStringLiteral("Append"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {InsertButton, OverlayButton, AppendBox, CancelButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  Path =
      new PathRow(this, io, QStringLiteral("Read From File"), PathRow::Browse::Open, InsertButton);
  ReadFromFileBox = Path->CheckBox;
  PathNameBox = Path->PathNameBox;
  BrowseButton = Path->BrowseButton;
  connect(InsertButton, &QPushButton::clicked, this, &Paste::InsertButton_Click);
  connect(OverlayButton, &QPushButton::clicked, this, &Paste::OverlayButton_Click);
  connect(AppendBox, &QPushButton::clicked, this, &Paste::AppendBox_Click);
  connect(CancelButton, &QPushButton::clicked, this, &Paste::CancelButton_Click);
  Progress = new QProgressBar(this);
  Progress->setRange(0, 10000);
  Progress->setTextVisible(false);
  Progress->setVisible(false);
  auto* top = new QVBoxLayout(this);
  top->addLayout(buttons);
  top->addWidget(Path);
  top->addWidget(Progress);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 900);
  InsertButton->setFocus();
}

void Paste::InsertButton_Click() {
  Mode = PasteMode::Insert;
  RunPaste();
}

void Paste::OverlayButton_Click() {
  Mode = PasteMode::Overlay;
  RunPaste();
}

void Paste::AppendBox_Click() {
  Mode = PasteMode::Append;
  RunPaste();
}

void Paste::CancelButton_Click() {
  // Only a paste of this dialog's is stopped; with none running this just closes.
  if (running_) io_.State().OperationRunning = false;
  hide();
}

void Paste::reject() {
  CancelButton_Click();
}

void Paste::Insert() {
  PasteResult res = PasteResult::Failed;
  {
    ActionsDisabled busy({InsertButton, OverlayButton, AppendBox});
    // A click refused from inside the paste's events must not end its run.
    const bool outer = std::exchange(running_, true);
    res = PasteFile(io_, Mode, PathNameBox->text(), this);
    running_ = outer;
  }
  // A refused click leaves everything as it was.
  if (res == PasteResult::Busy) return;
  if (res != PasteResult::NoSource) {
    hide();
    return;
  }
  // After a missing source the dialog stays open for another choice, the
  // focus where one is made, not on Cancel, where the disabled buttons left it.
  if (PathNameBox->text().isEmpty()) {
    ReadFromFileBox->setFocus();
  } else {
    PathNameBox->setFocus();
  }
}

void Paste::Overlay() {
  Insert();
}

void Paste::RunPaste() {
  Mode == PasteMode::Overlay ? Overlay() : Insert();
}

void Paste::ShowProgress(bool visible) {
  Progress->setVisible(visible);
}

void Paste::SetProgress(int value) {
  Progress->setValue(value);
}

}  // namespace qx
