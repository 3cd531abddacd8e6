#include "ui/dialogs/CutCopy.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "ops/CutCopy.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/PathRow.h"
#include "ui/main/Library.h"

namespace qx {

CutCopy::CutCopy(QWidget* mainWindow, IO& io, Kind kind)
    : QDialog(mainWindow), io_(io), kind_(kind) {
  setWindowTitle(kind == Kind::Cut ? QStringLiteral("Cut") : QStringLiteral("Copy"));
  setProperty("HelpContext", help::kCutCopy);
  Label1 = new QLabel(QStringLiteral("Start With Byte Or Mark:"), this);
  StartBox = new QLineEdit(this);
  Label2 = new QLabel(QStringLiteral("End With Byte or Mark:"), this);
  EndBox = new QLineEdit(this);
  OKButton = new QPushButton(QStringLiteral("O.K."), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  for (QPushButton* b : {OKButton, CancelButton}) b->setAutoDefault(false);
  Path = new PathRow(this, io, QStringLiteral("Send to file"), PathRow::Browse::Save, OKButton);
  CheckBox = Path->CheckBox;
  PathNameBox = Path->PathNameBox;
  BrowseButton = Path->BrowseButton;
  connect(OKButton, &QPushButton::clicked, this, &CutCopy::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &CutCopy::CancelButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(StartBox, 0, 1);
  fields->addWidget(Label2, 1, 0);
  fields->addWidget(EndBox, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  auto* top = new QVBoxLayout(this);
  top->addLayout(fields);
  top->addWidget(Path);
  top->addLayout(buttons);
  setTabOrder(StartBox, EndBox);

  const EditorState& s = io_.State();
  AttachFieldFilter(StartBox, FieldKind::RangeStart, s, EndBox);
  AttachFieldFilter(EndBox, FieldKind::RangeEnd, s, OKButton);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 300);
  StartBox->setFocus();
}

bool CutCopy::Prepare(ByteRange& range, QString& target) {
  const RangeFields f = GetRange(io_.State(), StartBox->text(), EndBox->text());
  if (f.check == RangeCheck::EmptyBox) {
    io_.Plat().MessageBox(kNeedStartAndEnd);
    (f.box == 0 ? StartBox : EndBox)->setFocus();
    return false;
  }
  if (f.check == RangeCheck::NotInFile) {
    CancelButton_Click();
    return false;
  }
  range = f.range;
  target = BlockFilePath(io_.State(), PathNameBox->text());
  return true;
}

void CutCopy::CutFile() {
  ByteRange range;
  QString target;
  if (!Prepare(range, target)) return;
  qx::CutFile(io_, range, target);
  CancelButton_Click();
}

void CutCopy::CopyFile() {
  ByteRange range;
  QString target;
  if (!Prepare(range, target)) return;
  qx::CopyFile(io_, range, target);
  CancelButton_Click();
}

void CutCopy::OKButton_Click() {
  if (StartBox->text().isEmpty() || EndBox->text().isEmpty()) {
    io_.Plat().MessageBox(kNeedStartAndEnd);
    StartBox->setFocus();
    return;
  }
  kind_ == Kind::Cut ? CutFile() : CopyFile();
}

void CutCopy::CancelButton_Click() {
  hide();
}

}  // namespace qx
