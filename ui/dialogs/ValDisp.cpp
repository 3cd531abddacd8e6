#include "ui/dialogs/ValDisp.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "fields/ValueRows.h"
#include "help/HelpContexts.h"
#include "ui/main/Library.h"

namespace qx {

ValDisp::ValDisp(QWidget* mainWindow) : QDialog(mainWindow) {
  setWindowTitle(QStringLiteral("Values"));
  setProperty("HelpContext", help::kShowValues);
  auto* form = form_ = new QFormLayout;
  const auto add = [&](const char* caption) {
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wide enough for the longest text (a zoned number of 31 digits and its
    // sign byte) without the window changing size.
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(
        QStringLiteral("-9,999,999,999,999,999,999,999,999,999,999 (32 bytes)")));
    form->addRow(QString::fromLatin1(caption), value);
    return value;
  };
  FieldBox = add("Field:");
  FieldBox->setTextFormat(Qt::PlainText);
  form->setRowVisible(FieldBox, false);
  ByteBox = add("Byte:");
  IntegerBox = add("Integer:");
  IntegerBigBox = add("Integer (big-endian):");
  LongBox = add("Long:");
  LongBigBox = add("Long (big-endian):");
  SingleBox = add("Single:");
  DoubleBox = add("Double:");
  CurrencyBox = add("Currency:");
  DateBox = add("Date/Time:");
  BooleanBox = add("Boolean:");
  LeftByte = add("Left Byte:");
  RightByte = add("Right Byte:");
  PackedBox = add("Packed:");
  ZonedBox = add("Zoned:");
  TextBox = add("Text:");
  // Spaces and dots of the record's text keep their places.
  TextBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  TextBox->setTextFormat(Qt::PlainText);

  OKButton = new QPushButton(QStringLiteral("O.K."), this);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &ValDisp::OKButton_Click);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(OKButton, 0, Qt::AlignHCenter);
  adjustSize();
  PlaceBelowMain(this, mainWindow, 300);
}

void ValDisp::DisplayValues(const ValueBytes& bytes) {
  const ValueTexts t = ValueRows(bytes);
  ByteBox->setText(t.Byte);
  IntegerBox->setText(t.Integer);
  IntegerBigBox->setText(t.IntegerBig);
  LongBox->setText(t.Long);
  LongBigBox->setText(t.LongBig);
  SingleBox->setText(t.Single);
  DoubleBox->setText(t.Double);
  CurrencyBox->setText(t.Currency);
  DateBox->setText(t.Date);
  BooleanBox->setText(t.Boolean);
  LeftByte->setText(t.LeftByte);
  RightByte->setText(t.RightByte);
  PackedBox->setText(t.Packed);
  ZonedBox->setText(t.Zoned);
  TextBox->setText(t.Text);
}

void ValDisp::DisplayField(const QString& text) {
  FieldBox->setText(text);
  form_->setRowVisible(FieldBox, !text.isEmpty());
  adjustSize();
}

void ValDisp::OKButton_Click() {
  accept();
}

}  // namespace qx
