#include "ui/dialogs/ExportRecords.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "fields/ByField.h"
#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "ui/dialogs/DialogLayout.h"
#include "ui/main/Library.h"

namespace qx {

ExportRecordsForm::ExportRecordsForm(QWidget* mainWindow, IO& io, const RecordKind& kind)
    : OperationDialog(mainWindow, io), kind_(kind) {
  setModal(true);
  setWindowTitle(QStringLiteral("Export Records"));
  setProperty("HelpContext", help::kExportRecords);

  auto* fieldsLabel = new QLabel(QStringLiteral("F&ields:"), this);
  FieldList = new QListWidget(this);
  fieldsLabel->setBuddy(FieldList);
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    const LayoutField& f = kind.fields[i];
    if (!InUse(kind, f)) continue;
    auto* item = new QListWidgetItem(f.name, FieldList);
    item->setData(Qt::UserRole, static_cast<int>(i));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(f.name.compare(QStringLiteral("FILLER"), Qt::CaseInsensitive) == 0
                            ? Qt::Unchecked
                            : Qt::Checked);
  }
  if (FieldList->count() > 0) FieldList->setCurrentRow(0);
  auto* fromLabel = new QLabel(QStringLiteral("&From Record:"), this);
  FromRecordBox = new QLineEdit(QStringLiteral("0"), this);
  fromLabel->setBuddy(FromRecordBox);
  auto* toLabel = new QLabel(QStringLiteral("&To Record:"), this);
  ToRecordBox =
      new QLineEdit(QString::number(std::max<std::int64_t>(io.State().RecordCount - 1, 0)), this);
  toLabel->setBuddy(ToRecordBox);
  KeepSpacesBox = new QCheckBox(QStringLiteral("&Keep trailing spaces"), this);
  AddHexBox = new QCheckBox(QStringLiteral("&Add each field's hex"), this);

  ExportButton = new QPushButton(QStringLiteral("&Export"), this);
  MakeCancelAndProgress();
  ExportButton->setDefault(true);
  connect(ExportButton, &QPushButton::clicked, this, &ExportRecordsForm::ExportButton_Click);

  auto* fields = new QGridLayout;
  fields->addWidget(fieldsLabel, 0, 0, 1, 4);
  fields->addWidget(FieldList, 1, 0, 1, 4);
  fields->addWidget(fromLabel, 2, 0);
  fields->addWidget(FromRecordBox, 2, 1);
  fields->addWidget(toLabel, 2, 2);
  fields->addWidget(ToRecordBox, 2, 3);
  LayOutBesideButtons(this, fields, {KeepSpacesBox, AddHexBox, Progress},
                      {ExportButton, CancelButton});
  setTabOrder(FieldList, FromRecordBox);
  setTabOrder(FromRecordBox, ToRecordBox);
  setTabOrder(ToRecordBox, KeepSpacesBox);
  setTabOrder(KeepSpacesBox, AddHexBox);
  setTabOrder(AddHexBox, ExportButton);
  setTabOrder(ExportButton, CancelButton);

  adjustSize();
  if (mainWindow) PlaceBelowMain(this, mainWindow, 0);
  FieldList->setFocus();
}

void ExportRecordsForm::ExportButton_Click() {
  if (ActionRefused()) return;
  ExportOptions opt;
  for (int row = 0; row < FieldList->count(); ++row) {
    const QListWidgetItem* item = FieldList->item(row);
    if (item->checkState() == Qt::Checked) opt.fields.push_back(item->data(Qt::UserRole).toInt());
  }
  const auto from = ReadNumber(FromRecordBox->text());
  const auto to = ReadNumber(ToRecordBox->text());
  if (!from || !to) {
    MustEnterValues(from ? ToRecordBox : FromRecordBox);
    return;
  }
  if (opt.fields.empty()) {
    io_.Plat().MessageBox(QStringLiteral("Check the fields to export"), Buttons::Ok, Icon::None,
                          QString());
    FieldList->setFocus();
    return;
  }
  opt.from = *from;
  opt.to = *to;
  opt.keepTrailingSpaces = KeepSpacesBox->isChecked();
  opt.addHex = AddHexBox->isChecked();
  opt.blockSize = BlockSize;
  ExportResult result;
  {
    ActionsDisabled busy({ExportButton});
    const QString target = ChooseExportFile(io_.State(), io_.Plat());
    if (target.isEmpty()) return;
    result = ExportRecords(io_, kind_, opt, target, this);
  }
  if (result.status == ExportStatus::Done) CancelButton_Click();
}

}  // namespace qx
