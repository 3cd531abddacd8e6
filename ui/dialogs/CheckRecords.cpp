#include "ui/dialogs/CheckRecords.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/ValueFormat.h"
#include "fields/FileLayouts.h"
#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "ui/dialogs/OperationDialog.h"

namespace qx {

CheckRecordsForm::CheckRecordsForm(QWidget* mainWindow, IO& io, const FileLayouts& layouts,
                                   std::function<void(std::int64_t)> goTo)
    : QDialog(mainWindow), io_(io), layouts_(layouts), goTo_(std::move(goTo)) {
  setModal(false);
  setWindowTitle(QStringLiteral("Check Records"));
  setProperty("HelpContext", help::kCheckRecords);

  auto* fromLabel = new QLabel(QStringLiteral("&From Record:"), this);
  FromRecordBox = new QLineEdit(this);
  fromLabel->setBuddy(FromRecordBox);
  auto* toLabel = new QLabel(QStringLiteral("&To Record:"), this);
  ToRecordBox = new QLineEdit(this);
  toLabel->setBuddy(ToRecordBox);
  CheckButton = new QPushButton(QStringLiteral("C&heck"), this);
  CheckButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setEnabled(false);
  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  for (QPushButton* b : {CancelButton, CloseButton}) b->setAutoDefault(false);
  Progress = new QProgressBar(this);
  Progress->setRange(0, 10000);
  Progress->setTextVisible(false);
  Progress->setVisible(false);
  Summary = new QLabel(this);
  Summary->setWordWrap(true);
  Problems = new QTableWidget(0, 5, this);
  Problems->setHorizontalHeaderLabels({QStringLiteral("Record"), QStringLiteral("Field"),
                                       QStringLiteral("Offset"), QStringLiteral("Bytes"),
                                       QStringLiteral("Why")});
  Problems->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Problems->setSelectionBehavior(QAbstractItemView::SelectRows);
  Problems->setSelectionMode(QAbstractItemView::SingleSelection);
  Problems->verticalHeader()->setVisible(false);
  Problems->horizontalHeader()->setStretchLastSection(true);

  connect(CheckButton, &QPushButton::clicked, this, &CheckRecordsForm::CheckButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &CheckRecordsForm::CancelButton_Click);
  connect(CloseButton, &QPushButton::clicked, this, &CheckRecordsForm::reject);
  connect(Problems, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { Problems_DoubleClick(row); });

  auto* boxes = new QGridLayout;
  boxes->addWidget(fromLabel, 0, 0);
  boxes->addWidget(FromRecordBox, 0, 1);
  boxes->addWidget(toLabel, 0, 2);
  boxes->addWidget(ToRecordBox, 0, 3);
  boxes->addWidget(CheckButton, 0, 4);
  boxes->addWidget(CancelButton, 0, 5);
  boxes->addWidget(CloseButton, 0, 6);
  auto* all = new QVBoxLayout(this);
  all->addLayout(boxes);
  all->addWidget(Progress);
  all->addWidget(Summary);
  all->addWidget(Problems, 1);
  resize(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 56, sizeHint().height() * 2);
  PresetRange();
}

void CheckRecordsForm::PresetRange() {
  FromRecordBox->setText(QStringLiteral("0"));
  ToRecordBox->setText(QString::number(std::max<std::int64_t>(io_.State().RecordCount - 1, 0)));
  FromRecordBox->setFocus();
}

void CheckRecordsForm::ShowProgress(bool visible) {
  Progress->setVisible(visible);
}

void CheckRecordsForm::SetProgress(int value) {
  Progress->setValue(value);
}

void CheckRecordsForm::CheckButton_Click() {
  if (io_.BusyRefused()) return;
  EditorState& s = io_.State();
  const RecordKind* kind = layouts_.Kind(s);
  if (!kind || !s.FileOpen()) {
    io_.Plat().MessageBox(QStringLiteral("The file has no layout to check its records against"),
                          Buttons::Ok, Icon::None, QString());
    return;
  }
  const auto from = ReadNumber(FromRecordBox->text());
  const auto to = ReadNumber(ToRecordBox->text());
  if (!from || !to) {
    io_.Plat().MessageBox(kMustEnterValues, Buttons::Ok, Icon::None, QString());
    (from ? ToRecordBox : FromRecordBox)->setFocus();
    return;
  }
  CheckReport report;
  {
    ActionsDisabled busy({CheckButton, CloseButton});
    CancelButton->setEnabled(true);
    report = CheckRecords(io_, *kind, *from, *to, this, Options);
    CancelButton->setEnabled(false);
  }
  checked_ = s.Current.FileName;
  Summary->setText(CheckSummary(report));
  Problems->setRowCount(static_cast<int>(report.listed.size()));
  for (int row = 0; row < Problems->rowCount(); ++row) {
    const RecordProblem& p = report.listed[static_cast<std::size_t>(row)];
    const QString cells[] = {GroupedNumber(p.record), p.field,
                             GroupedNumber(p.offset - s.Current.WorkingBase), p.hex, p.why};
    for (int col = 0; col < 5; ++col) {
      auto* item = new QTableWidgetItem(cells[col]);
      item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(p.offset));
      Problems->setItem(row, col, item);
    }
  }
  Problems->resizeColumnsToContents();
  if (Problems->rowCount() > 0) Problems->selectRow(0);
}

void CheckRecordsForm::CancelButton_Click() {
  io_.State().OperationRunning = false;
}

void CheckRecordsForm::Problems_DoubleClick(int row) {
  const QTableWidgetItem* item = Problems->item(row, 0);
  if (!item) return;
  const EditorState& s = io_.State();
  if (s.Current.FileName != checked_) {
    io_.Plat().ShowMessage(QStringLiteral("The problems listed are those of %1").arg(checked_));
    return;
  }
  goTo_(item->data(Qt::UserRole).toLongLong() - s.Current.WorkingBase);
}

void CheckRecordsForm::reject() {
  io_.State().OperationRunning = false;
  hide();
}

}  // namespace qx
