#include "ui/dialogs/Found.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpContexts.h"
#include "ui/main/Library.h"

namespace qx {

Found::Found(QWidget* mainWindow, Platform& platform) : QDialog(mainWindow) {
  setWindowTitle(QStringLiteral("Found"));
  setProperty("HelpContext", help::kReplace);
  setModal(true);
  Label1 = new QLabel(QStringLiteral("Replace?"), this);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  YesButton = new QPushButton(QStringLiteral("Yes"), this);
  NoButton = new QPushButton(QStringLiteral("No"), this);
  QuitButton = new QPushButton(QStringLiteral("Quit"), this);
  YesButton->setDefault(true);
  NoButton->setAutoDefault(false);
  QuitButton->setAutoDefault(false);
  connect(YesButton, &QPushButton::clicked, this, &Found::YesButton_Click);
  connect(NoButton, &QPushButton::clicked, this, &Found::NoButton_Click);
  connect(QuitButton, &QPushButton::clicked, this, &Found::QuitButton_Click);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(YesButton);
  buttons->addWidget(NoButton);
  buttons->addWidget(QuitButton);
  auto* top = new QVBoxLayout(this);
  top->addWidget(Label1);
  top->addLayout(buttons);

  adjustSize();
  if (mainWindow) {
    const QPoint corner = mainWindow->frameGeometry().topLeft();
    move(corner.x() + TwipsToPixels(mainWindow, 300),
         corner.y() + TwipsToPixels(mainWindow, 300, true));
  }
  answer_ = Answer::Yes;
  platform.Beep();
}

Answer Found::Ask(QWidget* mainWindow, Platform& platform) {
  Found prompt(mainWindow, platform);
  prompt.exec();
  return prompt.Value();
}

void Found::YesButton_Click() {
  answer_ = Answer::Yes;
  hide();
}

void Found::NoButton_Click() {
  answer_ = Answer::No;
  hide();
}

void Found::QuitButton_Click() {
  answer_ = Answer::Cancel;
  hide();
}

void Found::reject() {
  QuitButton_Click();
}

}  // namespace qx
