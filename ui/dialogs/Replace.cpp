#include "ui/dialogs/Replace.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "help/HelpContexts.h"
#include "input/PatternText.h"
#include "input/Utility.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/Found.h"
#include "ui/dialogs/OperationDialog.h"
#include "ui/main/Library.h"

namespace qx {

Replace::Replace(QWidget* mainWindow, IO& io, const RecordKind* kind)
    : SearchForm(mainWindow, io, {"ASCII String", "Unicode String", "Hexadecimal String"}, true,
                 QStringLiteral("&Cancel"), kind) {
  setWindowTitle(QStringLiteral("Replace"));
  setProperty("HelpContext", help::kReplace);

  Label1 = new QLabel(QStringLiteral("Find What:"), this);
  Label2 = new QLabel(QStringLiteral("Replace With:"), this);
  ReplaceStringBox = new QLineEdit(this);
  Label4 = new QLabel(QStringLiteral("Between:"), this);
  StartBox = new QLineEdit(this);
  Label3 = new QLabel(QStringLiteral("And:"), this);
  EndBox = new QLineEdit(this);
  for (QLineEdit* box : {ReplaceStringBox, StartBox, EndBox})
    box->setMaxLength(kPatternFieldLength);

  ReplaceAllButton = new QPushButton(QStringLiteral("&Replace All"), this);
  AskFirstButton = new QPushButton(QStringLiteral("&Ask First"), this);
  for (QPushButton* b : {ReplaceAllButton, AskFirstButton}) b->setAutoDefault(false);
  connect(ReplaceAllButton, &QPushButton::clicked, this, &Replace::ReplaceAllButton_Click);
  connect(AskFirstButton, &QPushButton::clicked, this, &Replace::AskFirstButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(FindStringBox, 0, 1, 1, 3);
  fields->addWidget(Label2, 1, 0);
  fields->addWidget(ReplaceStringBox, 1, 1, 1, 3);
  fields->addWidget(Label4, 2, 0);
  fields->addWidget(StartBox, 2, 1);
  fields->addWidget(Label3, 2, 2);
  fields->addWidget(EndBox, 2, 3);
  fields->addWidget(FieldBox->Label, 3, 0);
  fields->addWidget(FieldBox, 3, 1, 1, 3);
  fields->addWidget(MatchCaseBox, 4, 1, 1, 3);
  LayOutBesideButtons(this, fields, {Frame1, Progress},
                      {ReplaceAllButton, AskFirstButton, CancelButton});

  setTabOrder(FindStringBox, ReplaceStringBox);
  setTabOrder(ReplaceStringBox, StartBox);
  setTabOrder(StartBox, EndBox);
  setTabOrder(EndBox, FieldBox);
  setTabOrder(FieldBox, MatchCaseBox);

  const EditorState& s = io_.State();
  const auto hexMode = [this] { return HexChecked(); };
  AttachFieldFilter(FindStringBox, FieldKind::Pattern, s, ReplaceStringBox, {}, hexMode);
  AttachFieldFilter(ReplaceStringBox, FieldKind::Pattern, s, StartBox, {}, hexMode);
  AttachFieldFilter(StartBox, FieldKind::RangeStart, s, EndBox);
  AttachFieldFilter(EndBox, FieldKind::RangeEnd, s, AskFirstButton);

  Ask = [this](std::int64_t) { return Found::Ask(parentWidget(), io_.Plat()); };
  Form_Load(mainWindow);
}

void Replace::Form_Load(QWidget* mainWindow) {
  EditorState& s = io_.State();
  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 100);
  StartBox->setText(QString::number(s.RangeStart));
  if (s.RangeEnd == 0) s.RangeEnd = s.WorkingLength;
  const bool wholeFile = s.RangeEnd < 1 || s.RangeEnd >= s.WorkingLength;
  EndBox->setText(FormatCount(wholeFile ? s.WorkingLength - 1 : s.RangeEnd));
  PresetSearchType();
  FindStringBox->clear();
  ReplaceStringBox->clear();
  FindStringBox->setFocus();
}

bool Replace::ValidateReplaceFields() {
  TakeFieldAndCase();
  const bool ok = qx::ValidateReplaceFields(io_.State(), io_.Plat(), FindStringBox->text(),
                                            ReplaceStringBox->text(), StartBox->text(),
                                            EndBox->text(), CheckedType());
  if (!ok) FindStringBox->setFocus();
  return ok;
}

void Replace::PrepareReplace() {
  {
    ActionsDisabled busy({ReplaceAllButton, AskFirstButton});
    qx::PrepareReplace(io_, FindStringBox->text(), ReplaceStringBox->text(), CheckedType(),
                       AskFirst ? Ask : AskFn{}, this, Options);
  }
  CancelButton_Click();
}

void Replace::ReplaceAllButton_Click() {
  if (!ValidateReplaceFields()) return;
  AskFirst = false;
  PrepareReplace();
}

void Replace::AskFirstButton_Click() {
  if (!ValidateReplaceFields()) return;
  AskFirst = true;
  PrepareReplace();
}

}  // namespace qx
