// The "Replace?" prompt of Ask First: Yes, No or Quit.
#pragma once

#include <QDialog>

#include "platform/Platform.h"

class QLabel;
class QPushButton;

namespace qx {

class Found : public QDialog {
  Q_OBJECT
 public:
  Found(QWidget* mainWindow, Platform& platform);

  // Yes, No, or Cancel for Quit.
  Answer Value() const { return answer_; }

  // Loads the prompt, shows it modally and returns the answer.
  static Answer Ask(QWidget* mainWindow, Platform& platform);

  QLabel* Label1 = nullptr;
  QPushButton* YesButton = nullptr;
  QPushButton* NoButton = nullptr;
  QPushButton* QuitButton = nullptr;

 public slots:
  void YesButton_Click();
  void NoButton_Click();
  void QuitButton_Click();

 protected:
  // Escape and the close box quit: nothing more is replaced.
  void reject() override;

 private:
  Answer answer_ = Answer::Yes;
};

}  // namespace qx
