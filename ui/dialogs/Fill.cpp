#include "ui/dialogs/Fill.h"
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
#include <algorithm>

#include "help/HelpContexts.h"
#include "input/PatternText.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/main/Library.h"

namespace qx {

QGroupBox* MakePatternKindFrame(QWidget* parent, std::array<QRadioButton*, 2>& buttons,
                                const std::function<void(int)>& onClick) {
  auto* frame = new QGroupBox(QStringLiteral("Fill Pattern Is"), parent);
  auto* kinds = new QVBoxLayout(frame);
  const std::array<const char*, 2> kindNames{"ASCII", "Hexadecimal"};
  for (int i = 0; i < 2; ++i) {
    buttons[i] = new QRadioButton(QString::fromLatin1(kindNames[i]), frame);
    kinds->addWidget(buttons[i]);
    QObject::connect(buttons[i], &QRadioButton::clicked, frame, [onClick, i] { onClick(i); });
  }
  AddTextSetLabel(frame);
  return frame;
}

FillKind CheckedFillKind(const std::array<QRadioButton*, 2>& buttons) {
  return buttons[static_cast<int>(FillKind::Hex)]->isChecked() ? FillKind::Hex : FillKind::Ascii;
}

Fill::Fill(QWidget* mainWindow, IO& io) : OperationDialog(mainWindow, io) {
  setModal(true);
  setWindowTitle(QStringLiteral("Fill"));
  setProperty("HelpContext", help::kFill);

  Label1 = new QLabel(QStringLiteral("Fill Pattern:"), this);
  PatternBox = new QLineEdit(this);
  Frame1 =
      MakePatternKindFrame(this, PatternTypeButton, [this](int i) { PatternTypeButton_Click(i); });
  Label2 = new QLabel(QStringLiteral("Between:"), this);
  StartBox = new QLineEdit(this);
  Label3 = new QLabel(QStringLiteral("And:"), this);
  EndBox = new QLineEdit(this);
  for (QLineEdit* box : {PatternBox, StartBox, EndBox}) box->setMaxLength(kPatternFieldLength);

  FillButton = new QPushButton(QStringLiteral("Fill"), this);
  MakeCancelAndProgress();
  for (QPushButton* b : {FillButton, CancelButton}) b->setAutoDefault(false);
  connect(FillButton, &QPushButton::clicked, this, &Fill::FillButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(PatternBox, 0, 1, 1, 3);
  fields->addWidget(Label2, 1, 0);
  fields->addWidget(StartBox, 1, 1);
  fields->addWidget(Label3, 1, 2);
  fields->addWidget(EndBox, 1, 3);
  LayOutBesideButtons(this, fields, {Frame1, Progress}, {FillButton, CancelButton});

  setTabOrder(PatternBox, StartBox);
  setTabOrder(StartBox, EndBox);

  const EditorState& s = io_.State();
  AttachFieldFilter(PatternBox, FieldKind::Pattern, s, StartBox, {},
                    [this] { return CheckedKind() == FillKind::Hex; });
  AttachFieldFilter(StartBox, FieldKind::FillRangeStart, s, EndBox);
  AttachFieldFilter(EndBox, FieldKind::RangeEnd, s, FillButton);

  Form_Load(mainWindow);
}

void Fill::Form_Load(QWidget* mainWindow) {
  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 100);
  // Only here: the kind the user chooses stays through any repaint.
  PatternTypeButton[static_cast<int>(FillKind::Ascii)]->setChecked(true);
  ShowTextSet(Frame1, io_.State());
  PatternBox->setFocus();
}

FillKind Fill::CheckedKind() const {
  return CheckedFillKind(PatternTypeButton);
}

void Fill::PatternTypeButton_Click(int) {
  PatternBox->clear();
  PatternBox->setFocus();
}

void Fill::FillButton_Click() {
  if (PatternBox->text().isEmpty() || StartBox->text().isEmpty() || EndBox->text().isEmpty()) {
    MustEnterValues(PatternBox);
    return;
  }
  const auto start = ReadNumber(StartBox->text());
  if (!start) {
    MustEnterValues(StartBox);
    return;
  }
  const auto end = ReadNumber(EndBox->text());
  if (!end) {
    MustEnterValues(EndBox);
    return;
  }
  const FillKind kind = CheckedKind();
  const CharacterSet& set = CharacterSetOf(io_.State().Current.CharSet);
  if (kind == FillKind::Ascii && RefuseTextWithoutCode(io_.Plat(), PatternBox->text(), set)) return;
  const auto pattern = BuildFillPattern(PatternBox->text(), kind, set);
  if (!pattern) {
    MustEnterValues(PatternBox);
    return;
  }
  // An end before the start leaves the dialog open for another try.
  if (*end < std::max<std::int64_t>(*start, 0)) return;

  FillButton->setEnabled(false);  // no second fill from inside this one's events
  (void)FillRange(io_, *pattern, kind, *start, *end, this, Options);
  FillButton->setEnabled(true);
  CancelButton_Click();
}

}  // namespace qx
