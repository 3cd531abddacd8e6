#include "ui/dialogs/RecordDialog.h"

#include <QLabel>
#include <QLineEdit>

#include "input/PatternText.h"
#include "input/Utility.h"
#include "ui/dialogs/FieldChoice.h"

namespace qx {

void RecordDialog::MakeRecordBoxes(bool withEndOffset, const RecordKind* kind) {
  Label4 = new QLabel(QStringLiteral("From Record Number:"), this);
  FromRecordBox = new QLineEdit(this);
  Label1 = new QLabel(QStringLiteral("To Record Number:"), this);
  ToRecordBox = new QLineEdit(this);
  Label2 = new QLabel(QStringLiteral("Starting Offset:"), this);
  StartOffsetBox = new QLineEdit(this);
  if (withEndOffset) {
    Label3 = new QLabel(QStringLiteral("Ending Offset:"), this);
    EndOffsetBox = new QLineEdit(this);
  }
  for (QLineEdit* box : {FromRecordBox, ToRecordBox, StartOffsetBox, EndOffsetBox}) {
    if (box != nullptr) box->setMaxLength(kPatternFieldLength);
  }
  // The offsets stay editable: a field only fills them in.
  FieldBox = new FieldChoice(this, kind);
  connect(FieldBox, &QComboBox::currentIndexChanged, this, [this] {
    const FieldItem* f = FieldBox->Chosen();
    if (f == nullptr) return;
    StartOffsetBox->setText(QString::number(f->offset));
    if (EndOffsetBox != nullptr) EndOffsetBox->setText(QString::number(f->offset + f->length - 1));
  });
}

void RecordDialog::PresetRecordRange() {
  FromRecordBox->setText(QStringLiteral("0"));
  ToRecordBox->setText(FormatCount(io_.State().RecordCount - 1));
}

RecordFields RecordDialog::ReadRecordBoxes() {
  const QString end = EndOffsetBox != nullptr ? EndOffsetBox->text() : QString();
  const RecordFields f =
      ReadRecordFields(io_.State(), FromRecordBox->text(), ToRecordBox->text(),
                       StartOffsetBox->text(), EndOffsetBox != nullptr ? &end : nullptr);
  if (f.check == RecordCheck::EmptyBox) {
    QLineEdit* const boxes[] = {FromRecordBox, ToRecordBox, StartOffsetBox, EndOffsetBox};
    MustEnterValues(boxes[f.box]);
  }
  return f;
}

}  // namespace qx
