#include "ui/dialogs/About.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "QxBuild.h"
#include "help/HelpContexts.h"
#include "platform/Platform.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

QLabel* WrappedLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setWordWrap(true);
  return l;
}

}  // namespace

About::About(QWidget* mainWindow, Platform& platform) : QDialog(mainWindow), p_(platform) {
  setObjectName(QStringLiteral("About"));
  setWindowTitle(QStringLiteral("About Quellox"));
  setProperty("HelpContext", help::kHelpMenu);

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  const int iconSide = TwipsToPixels(this, 720);
  picIcon->setPixmap(QIcon(QStringLiteral(":/icons/quellox.png")).pixmap(iconSide, iconSide));
  picIcon->setAlignment(Qt::AlignTop);

  lblTitle = new QLabel(QStringLiteral("Quellox"), this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont big = lblTitle->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  lblTitle->setFont(big);
  lblVersion = new QLabel(QStringLiteral("Version ") + QStringLiteral(QX_VERSION), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblDescription = WrappedLabel(
      QStringLiteral("lblDescription"),
      QStringLiteral("An editor for binary files, byte by byte and record by record: find and "
                     "replace byte strings, cut, paste and fill ranges and record fields, read "
                     "typed values at the cursor and print records as hex dumps. Edits that "
                     "change a file's length keep a .BAK backup, so they can be undone."),
      this);
  lblDisclaimer = WrappedLabel(
      QStringLiteral("lblDisclaimer"),
      QStringLiteral("Copyright (c) 2026 the Quellox developers. Quellox is free software under "
                     "the MIT licence. It comes with ABSOLUTELY NO WARRANTY: keep a copy of every "
                     "file that matters before you edit it."),
      this);
  Line1 = new QFrame(this);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line1->setFrameShape(QFrame::HLine);
  Line1->setFrameShadow(QFrame::Sunken);

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  // Enter presses it as the default button, Esc as the dialog's rejection.
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &About::cmdOK_Click);
  cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  cmdSysInfo->setAutoDefault(false);
  connect(cmdSysInfo, &QPushButton::clicked, this, &About::cmdSysInfo_Click);

  auto* text = new QVBoxLayout;
  text->addWidget(lblTitle);
  text->addWidget(lblVersion);
  text->addSpacing(TwipsToPixels(this, 120, true));
  text->addWidget(lblDescription);
  auto* top = new QHBoxLayout;
  top->addWidget(picIcon, 0, Qt::AlignTop);
  top->addLayout(text, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdSysInfo);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblDisclaimer, 1);
  bottom->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Line1);
  layout->addLayout(bottom);
  setMinimumWidth(TwipsToPixels(this, 7200));
}

void About::Show(QWidget* mainWindow, Platform& platform) {
  About box(mainWindow, platform);
  box.exec();
}

void About::cmdOK_Click() {
  accept();
}

void About::cmdSysInfo_Click() {
  StartSysInfo();
}

void About::StartSysInfo() {
  if (!p_.StartSystemInfo())
    p_.MessageBox(QStringLiteral("System Information Is Unavailable At This Time"));
}

}  // namespace qx
