#include "ui/dialogs/OperationDialog.h"

#include <QProgressBar>
#include <QPushButton>

#include "search/Search.h"

namespace qx {

ActionsDisabled::ActionsDisabled(std::initializer_list<QPushButton*> buttons) {
  for (QPushButton* b : buttons) {
    if (b == nullptr || !b->isEnabled()) continue;
    b->setEnabled(false);
    disabled_.emplace_back(b);
  }
}

ActionsDisabled::~ActionsDisabled() {
  for (const QPointer<QPushButton>& b : disabled_) {
    if (b) b->setEnabled(true);
  }
}

OperationDialog::OperationDialog(QWidget* mainWindow, IO& io) : QDialog(mainWindow), io_(io) {}

void OperationDialog::MakeCancelAndProgress() {
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setAutoDefault(false);
  connect(CancelButton, &QPushButton::clicked, this, &OperationDialog::CancelButton_Click);
  Progress = new QProgressBar(this);
  Progress->setRange(0, 10000);
  Progress->setTextVisible(false);
  Progress->setVisible(false);
}

void OperationDialog::MustEnterValues(QWidget* box) {
  io_.Plat().MessageBox(kMustEnterValues, Buttons::Ok, Icon::None, QString());
  box->setFocus();
}

void OperationDialog::CancelButton_Click() {
  io_.State().OperationRunning = false;
  hide();
}

void OperationDialog::reject() {
  CancelButton_Click();
}

void OperationDialog::ShowProgress(bool visible) {
  Progress->setVisible(visible);
}

void OperationDialog::SetProgress(int value) {
  Progress->setValue(value);
}

}  // namespace qx
