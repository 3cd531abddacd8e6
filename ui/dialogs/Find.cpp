#include "ui/dialogs/Find.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
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
#include "search/ValueSearch.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/OperationDialog.h"
#include "ui/main/Library.h"

namespace qx {

Find::Find(QWidget* mainWindow, IO& io, const RecordKind* kind)
    : SearchForm(mainWindow, io, {"ASCII", "Unicode", "Hexadecimal"}, false,
                 QStringLiteral("C&ancel"), kind, true),
      kind_(kind) {
  setWindowTitle(QStringLiteral("Find"));
  setProperty("HelpContext", help::kFind);

  Label1 = new QLabel(QStringLiteral("Find What:"), this);
  Label2 = new QLabel(QStringLiteral("Between:"), this);
  StartBox = new QLineEdit(this);
  Label3 = new QLabel(QStringLiteral("And:"), this);
  EndBox = new QLineEdit(this);
  for (QLineEdit* box : {StartBox, EndBox}) box->setMaxLength(kPatternFieldLength);

  FindFirstButton = new QPushButton(QStringLiteral("Find &First"), this);
  FindNextButton = new QPushButton(QStringLiteral("Find &Next"), this);
  CountButton = new QPushButton(QStringLiteral("&Count"), this);
  for (QPushButton* b : {FindFirstButton, FindNextButton, CountButton}) b->setAutoDefault(false);
  connect(FindFirstButton, &QPushButton::clicked, this, &Find::FindFirstButton_Click);
  connect(FindNextButton, &QPushButton::clicked, this, &Find::FindNextButton_Click);
  connect(CountButton, &QPushButton::clicked, this, &Find::CountButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(FindStringBox, 0, 1, 1, 3);
  fields->addWidget(Label2, 1, 0);
  fields->addWidget(StartBox, 1, 1);
  fields->addWidget(Label3, 1, 2);
  fields->addWidget(EndBox, 1, 3);
  fields->addWidget(FieldBox->Label, 2, 0);
  fields->addWidget(FieldBox, 2, 1, 1, 3);
  fields->addWidget(MatchCaseBox, 3, 1, 1, 3);
  LayOutBesideButtons(this, fields, {Frame1, Progress},
                      {FindFirstButton, FindNextButton, CountButton, CancelButton});

  setTabOrder(FindStringBox, StartBox);
  setTabOrder(StartBox, EndBox);
  setTabOrder(EndBox, FieldBox);
  setTabOrder(FieldBox, MatchCaseBox);

  const EditorState& s = io_.State();
  const auto hexMode = [this] { return HexChecked(); };
  AttachFieldFilter(
      FindStringBox, FieldKind::Pattern, s, nullptr, [this] { FindNextButton_Click(); }, hexMode);
  AttachFieldFilter(StartBox, FieldKind::RangeStart, s, EndBox);
  AttachFieldFilter(EndBox, FieldKind::RangeEnd, s, FindFirstButton);

  Form_Load(mainWindow);
}

void Find::Form_Load(QWidget* mainWindow) {
  const EditorState& s = io_.State();
  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 100);
  StartBox->setText(FormatCount(s.RangeStart));
  const bool wholeFile = s.RangeEnd < 1 || s.RangeEnd >= s.WorkingLength;
  EndBox->setText(FormatCount(wholeFile ? s.WorkingLength - 1 : s.RangeEnd));
  PresetSearchType();
  FindStringBox->clear();
  FindStringBox->setFocus();
}

void Find::PrepareSearch() {
  // With nothing to look for the dialog closes; the empty text then makes
  // the scans do nothing.
  if (FindStringBox->text().isEmpty()) CancelButton_Click();
  TakeFieldAndCase();
  qx::PrepareSearch(io_.State(), FindStringBox->text(), StartBox->text(), EndBox->text(),
                    CheckedType());
}

void Find::FindNext() {
  ActionsDisabled busy({FindFirstButton, FindNextButton, CountButton});
  if (io_.State().SearchType != kSearchValue) {
    qx::FindNext(io_, this, Options);
  } else if (const LayoutField* field = ValueField()) {
    FindValue(io_, *field, this, Options);
  }
}

const LayoutField* Find::ValueField() {
  const QString& name = io_.State().SearchField.name;
  const LayoutField* field = FieldNamed(kind_, name);
  if (field == nullptr) {
    io_.Plat().ShowMessage(
        name.isEmpty() ? QStringLiteral("A value is searched for in a numeric field")
                       : QStringLiteral("%1 is not a field of this file's layout").arg(name));
  }
  return field;
}

void Find::FindFirstButton_Click() {
  EditorState& s = io_.State();
  PrepareSearch();
  s.LastRangeStart = s.RangeStart;
  s.SearchPosition = AddClamped(s.Current.WorkingBase, s.RangeStart);
  s.Found = false;
  FindNext();
}

void Find::FindNextButton_Click() {
  EditorState& s = io_.State();
  PrepareSearch();
  // Only a Start changed since the last search begins again; otherwise the
  // scan goes on after the last hit.
  if (s.RangeStart != s.LastRangeStart) {
    s.LastRangeStart = s.RangeStart;
    s.Found = false;
    s.SearchPosition = AddClamped(s.Current.WorkingBase, s.RangeStart);
  }
  FindNext();
}

void Find::CountButton_Click() {
  PrepareSearch();
  ActionsDisabled busy({FindFirstButton, FindNextButton, CountButton});
  if (io_.State().SearchType != kSearchValue) {
    CountOccurrences(io_, this, Options);
  } else if (const LayoutField* field = ValueField()) {
    CountValue(io_, *field, this, Options);
  }
}

void Find::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    CountButton->click();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace qx
