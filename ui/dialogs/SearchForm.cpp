#include "ui/dialogs/SearchForm.h"
#include "ui/dialogs/TextSetLabel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "core/CharacterSet.h"
#include "input/PatternText.h"
#include "ui/dialogs/FieldChoice.h"

namespace qx {

SearchForm::SearchForm(QWidget* mainWindow, IO& io, const std::array<const char*, 3>& typeNames,
                       bool typesInColumn, const QString& cancelCaption, const RecordKind* kind,
                       bool valueKind)
    : QDialog(mainWindow), io_(io) {
  setModal(true);
  FindStringBox = new QLineEdit(this);
  FindStringBox->setMaxLength(kPatternFieldLength);

  Frame1 = new QGroupBox(QStringLiteral("Search Type"), this);
  auto* typeLayout =
      new QBoxLayout(typesInColumn ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, Frame1);
  for (int i = 0; i < (valueKind ? 4 : 3); ++i) {
    SearchTypeButton[i] = new QRadioButton(
        i == kSearchValue ? QStringLiteral("&Value") : QString::fromLatin1(typeNames[i]), Frame1);
    typeLayout->addWidget(SearchTypeButton[i]);
    connect(SearchTypeButton[i], &QRadioButton::clicked, this,
            [this, i] { SearchTypeButton_Click(i); });
  }
  AddTextSetLabel(Frame1);

  FieldBox = new FieldChoice(this, kind);
  FieldBox->Select(io_.State().SearchField.name);
  MatchCaseBox = new QCheckBox(QStringLiteral("&Match case"), this);
  MatchCaseBox->setChecked(io_.State().MatchCase);
  for (QRadioButton* b : SearchTypeButton) {
    if (b != nullptr) connect(b, &QRadioButton::toggled, this, &SearchForm::EnableByKind);
  }
  connect(FieldBox, &QComboBox::currentIndexChanged, this, &SearchForm::EnableByKind);

  CancelButton = new QPushButton(cancelCaption, this);
  CancelButton->setAutoDefault(false);
  connect(CancelButton, &QPushButton::clicked, this, &SearchForm::CancelButton_Click);

  Progress = new QProgressBar(this);
  Progress->setRange(0, 10000);
  Progress->setTextVisible(false);
  Progress->setVisible(false);
}

int SearchForm::CheckedType() const {
  for (int i = 0; i < 4; ++i) {
    if (SearchTypeButton[i] != nullptr && SearchTypeButton[i]->isChecked()) return i;
  }
  return kSearchAscii;
}

void SearchForm::PresetSearchType() {
  Loading = true;
  const int type = io_.State().SearchType;
  QRadioButton* b = type >= 0 && type < 4 ? SearchTypeButton[type] : nullptr;
  (b != nullptr ? b : SearchTypeButton[kSearchAscii])->setChecked(true);
  EnableByKind();
  ShowTextSet(Frame1, io_.State());
  Loading = false;
}

bool SearchForm::HexChecked() const {
  return SearchTypeButton[kSearchHex]->isChecked();
}

bool SearchForm::ValueChecked() const {
  return CheckedType() == kSearchValue;
}

void SearchForm::EnableByKind() {
  if (QRadioButton* value = SearchTypeButton[kSearchValue]) {
    value->setEnabled(FieldBox->ChosenNumeric() != nullptr);
    if (!value->isEnabled() && value->isChecked()) SearchTypeButton[kSearchAscii]->setChecked(true);
  }
  // Bytes and numbers have no case.
  MatchCaseBox->setEnabled(!HexChecked() && !ValueChecked());
}

void SearchForm::TakeFieldAndCase() {
  EditorState& s = io_.State();
  s.SearchField = ScopeOf(FieldBox->Chosen(), CharacterSetOf(s.Current.CharSet));
  s.MatchCase = MatchCaseBox->isChecked();
}

void SearchForm::CancelButton_Click() {
  io_.State().OperationRunning = false;
  hide();
}

void SearchForm::SearchTypeButton_Click(int) {
  if (Loading) return;
  FindStringBox->clear();
  FindStringBox->setFocus();
}

void SearchForm::ShowProgress(bool visible) {
  Progress->setVisible(visible);
}

void SearchForm::SetProgress(int value) {
  Progress->setValue(value);
}

void SearchForm::reject() {
  CancelButton_Click();
}

}  // namespace qx
