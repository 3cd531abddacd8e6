#include "ui/dialogs/ChangeValue.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "platform/Platform.h"

namespace qx {

ChangeValue::ChangeValue(QWidget* mainWindow, Platform& platform, const QString& field,
                         const QString& value, std::function<QString(const QString&)> store)
    : QDialog(mainWindow), p_(platform), store_(std::move(store)) {
  setWindowTitle(QStringLiteral("Change Value"));
  setProperty("HelpContext", help::kLayout);
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(field, this);
  name->setTextFormat(Qt::PlainText);
  layout->addWidget(name);
  ValueBox = new QLineEdit(value, this);
  ValueBox->setMinimumWidth(ValueBox->fontMetrics().averageCharWidth() * 40);
  layout->addWidget(ValueBox);
  auto* buttons = new QDialogButtonBox(this);
  OKButton = buttons->addButton(QStringLiteral("O.K."), QDialogButtonBox::AcceptRole);
  CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &ChangeValue::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
  ValueBox->selectAll();
  ValueBox->setFocus();
}

void ChangeValue::OKButton_Click() {
  const QString refusal = store_(ValueBox->text());
  if (refusal.isEmpty()) {
    accept();
    return;
  }
  p_.MessageBox(refusal);
  ValueBox->selectAll();
  ValueBox->setFocus();
}

}  // namespace qx
