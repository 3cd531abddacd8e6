#include "ui/dialogs/Paste.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
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
  auto* top = new QVBoxLayout(this);
  top->addLayout(buttons);
  top->addWidget(Path);

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
  hide();
}

void Paste::Insert() {
  // After a missing source the dialog stays open for another choice.
  if (PasteFile(io_, Mode, PathNameBox->text()) != PasteResult::NoSource) CancelButton_Click();
}

void Paste::Overlay() {
  Insert();
}

void Paste::RunPaste() {
  Mode == PasteMode::Overlay ? Overlay() : Insert();
}

}  // namespace qx
