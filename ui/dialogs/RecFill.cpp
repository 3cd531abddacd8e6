#include "ui/dialogs/RecFill.h"

#include "ui/dialogs/TextSetLabel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "input/PatternText.h"
#include "input/Utility.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/Fill.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

// Files at least this long show the progress bar during a fill.
constexpr std::int64_t kProgressFrom = 8193;

}  // namespace

RecFill::RecFill(QWidget* mainWindow, IO& io, const RecordKind* kind)
    : RecordDialog(mainWindow, io) {
  setModal(true);
  setWindowTitle(QStringLiteral("Fill Records"));
  setProperty("HelpContext", help::kRecFill);

  Label7 = new QLabel(QStringLiteral("Fill Pattern:"), this);
  PatternBox = new QLineEdit(this);
  // Unlike Fill, choosing a kind keeps what was typed.
  Frame1 = MakePatternKindFrame(this, PatternTypeButton, [this](int) { PatternBox->setFocus(); });
  ValueButton = new QRadioButton(QStringLiteral("&Value"), Frame1);
  static_cast<QBoxLayout*>(Frame1->layout())->insertWidget(2, ValueButton);
  connect(ValueButton, &QRadioButton::clicked, this, [this] { PatternBox->setFocus(); });
  MakeRecordBoxes(true, kind);
  connect(FieldBox, &QComboBox::currentIndexChanged, this, &RecFill::EnableValue);
  PatternBox->setMaxLength(kPatternFieldLength);

  FillButton = new QPushButton(QStringLiteral("Fill"), this);
  MakeCancelAndProgress();
  for (QPushButton* b : {FillButton, CancelButton}) b->setAutoDefault(false);
  connect(FillButton, &QPushButton::clicked, this, &RecFill::FillButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label7, 0, 0);
  fields->addWidget(PatternBox, 0, 1, 1, 3);
  fields->addWidget(Label2, 1, 0);
  fields->addWidget(StartOffsetBox, 1, 1);
  fields->addWidget(Label3, 1, 2);
  fields->addWidget(EndOffsetBox, 1, 3);
  fields->addWidget(Label4, 2, 0);
  fields->addWidget(FromRecordBox, 2, 1);
  fields->addWidget(Label1, 2, 2);
  fields->addWidget(ToRecordBox, 2, 3);
  fields->addWidget(FieldBox->Label, 3, 0);
  fields->addWidget(FieldBox, 3, 1, 1, 3);
  LayOutBesideButtons(this, fields, {Frame1, Progress}, {FillButton, CancelButton});

  setTabOrder(PatternBox, StartOffsetBox);
  setTabOrder(StartOffsetBox, EndOffsetBox);
  setTabOrder(EndOffsetBox, FromRecordBox);
  setTabOrder(FromRecordBox, ToRecordBox);
  setTabOrder(ToRecordBox, FieldBox);
  setTabOrder(FieldBox, FillButton);
  setTabOrder(FillButton, CancelButton);

  const EditorState& s = io_.State();
  AttachFieldFilter(PatternBox, FieldKind::Pattern, s, StartOffsetBox, {},
                    [this] { return CheckedFillKind(PatternTypeButton) == FillKind::Hex; });
  AttachFieldFilter(StartOffsetBox, FieldKind::FieldOffset, s, EndOffsetBox);
  AttachFieldFilter(EndOffsetBox, FieldKind::FieldOffset, s, FillButton);
  // The to-record box takes keys as any text box does.
  AttachFieldFilter(FromRecordBox, FieldKind::FromRecord, s, ToRecordBox);

  Form_Load(mainWindow);
}

void RecFill::Form_Load(QWidget* mainWindow) {
  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 0);
  PresetRecordRange();
  PatternTypeButton[static_cast<int>(FillKind::Ascii)]->setChecked(true);
  EnableValue();
  ShowTextSet(Frame1, io_.State());
  PatternBox->setFocus();
}

void RecFill::FillButton_Click() {
  if (ActionRefused()) return;
  for (QLineEdit* box : {PatternBox, FromRecordBox, ToRecordBox, StartOffsetBox, EndOffsetBox}) {
    if (box->text().isEmpty()) {
      MustEnterValues(PatternBox);
      return;
    }
  }
  if (ValueButton->isChecked()) {
    // The value is encoded once, into the chosen field; the offset boxes
    // are the field's own.
    const LayoutField* field = FieldBox->ChosenNumeric();
    if (field == nullptr) return;
    RunFill([&](const RecordRange& range, ProgressBar* bar) {
      return FillRecordsByValue(io_, *field, PatternBox->text(), range, bar, Options);
    });
    return;
  }
  const FillKind kind = CheckedFillKind(PatternTypeButton);
  const CharacterSet& set = CharacterSetOf(io_.State().Current.CharSet);
  if (kind == FillKind::Ascii && RefuseTextWithoutCode(io_.Plat(), PatternBox->text(), set)) return;
  const auto pattern = BuildFillPattern(PatternBox->text(), kind, set);
  if (!pattern) {
    MustEnterValues(PatternBox);
    return;
  }
  RunFill([&](const RecordRange& range, ProgressBar* bar) {
    return FillRecords(io_, *pattern, kind, range, bar, Options);
  });
}

void RecFill::RunFill(const std::function<RecFillResult(const RecordRange&, ProgressBar*)>& fill) {
  const RecordFields f = ReadRecordBoxes();
  if (f.check == RecordCheck::EmptyBox) return;
  if (f.check == RecordCheck::Reversed) {
    CancelButton_Click();
    return;
  }
  const bool bar = io_.State().WorkingLength >= kProgressFrom;
  RecFillResult res;
  {
    ActionsDisabled busy({FillButton});
    res = fill(f.range, bar ? this : nullptr);
  }
  // A refusal or a failure leaves the dialog open for another try.
  if (res.status != RecFillStatus::Failed) CancelButton_Click();
}

void RecFill::EnableValue() {
  ValueButton->setEnabled(FieldBox->ChosenNumeric() != nullptr);
  if (!ValueButton->isEnabled() && ValueButton->isChecked())
    PatternTypeButton[static_cast<int>(FillKind::Ascii)]->setChecked(true);
}

}  // namespace qx
