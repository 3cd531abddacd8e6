#include "ui/dialogs/SearchForm.h"
#include "ui/dialogs/TextSetLabel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "core/CharacterSet.h"
#include "input/PatternText.h"
#include "ui/dialogs/FieldChoice.h"

namespace qx {

SearchForm::SearchForm(QWidget* mainWindow, IO& io, const std::array<const char*, 3>& typeNames,
                       bool typesInColumn, const QString& cancelCaption, const RecordKind* kind)
    : QDialog(mainWindow), io_(io) {
  setModal(true);
  FindStringBox = new QLineEdit(this);
  FindStringBox->setMaxLength(kPatternFieldLength);

  Frame1 = new QGroupBox(QStringLiteral("Search Type"), this);
  auto* typeLayout =
      new QBoxLayout(typesInColumn ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, Frame1);
  for (int i = 0; i < 3; ++i) {
    SearchTypeButton[i] = new QRadioButton(QString::fromLatin1(typeNames[i]), Frame1);
    typeLayout->addWidget(SearchTypeButton[i]);
    connect(SearchTypeButton[i], &QRadioButton::clicked, this,
            [this, i] { SearchTypeButton_Click(i); });
  }
  AddTextSetLabel(Frame1);

  FieldBox = new FieldChoice(this, kind);
  FieldBox->Select(io_.State().SearchField.name);
  MatchCaseBox = new QCheckBox(QStringLiteral("&Match case"), this);
  MatchCaseBox->setChecked(io_.State().MatchCase);
  // Bytes have no case.
  connect(SearchTypeButton[kSearchHex], &QRadioButton::toggled, MatchCaseBox,
          [this](bool hex) { MatchCaseBox->setEnabled(!hex); });

  CancelButton = new QPushButton(cancelCaption, this);
  CancelButton->setAutoDefault(false);
  connect(CancelButton, &QPushButton::clicked, this, &SearchForm::CancelButton_Click);

  Progress = new QProgressBar(this);
  Progress->setRange(0, 10000);
  Progress->setTextVisible(false);
  Progress->setVisible(false);
}

int SearchForm::CheckedType() const {
  for (int i = 0; i < 3; ++i) {
    if (SearchTypeButton[i]->isChecked()) return i;
  }
  return kSearchAscii;
}

void SearchForm::PresetSearchType() {
  Loading = true;
  SearchTypeButton[std::clamp(io_.State().SearchType, 0, 2)]->setChecked(true);
  ShowTextSet(Frame1, io_.State());
  Loading = false;
}

bool SearchForm::HexChecked() const {
  return SearchTypeButton[kSearchHex]->isChecked();
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
