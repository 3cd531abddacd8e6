// The About box: the program's icon, name, version, what it is for, its
// licence, and a way to the desktop's system information program.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace qx {

class Platform;

class About : public QDialog {
  Q_OBJECT
 public:
  About(QWidget* mainWindow, Platform& platform);

  // Shows the box modally over the main window until it is closed.
  static void Show(QWidget* mainWindow, Platform& platform);

  QLabel* picIcon = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblDisclaimer = nullptr;
  QFrame* Line1 = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdSysInfo = nullptr;

 public slots:
  void cmdOK_Click();
  void cmdSysInfo_Click();

 private:
  void StartSysInfo();

  Platform& p_;
};

}  // namespace qx
