// The transient notice: beeps, shows one line, closes itself after 500 ms.
#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace qx {

class Platform;

class NoticeForm : public QDialog {
  Q_OBJECT
 public:
  NoticeForm(QWidget* mainWindow, Platform& platform);

  QLabel* Message = nullptr;
  QTimer* CountDown = nullptr;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void StartCountDown();
  void CountDown_Timer();

  Platform& platform_;
  bool painted_ = false;
};

// Shows text in a NoticeForm modally; returns when it has closed itself.
void ShowNotice(QWidget* mainWindow, Platform& platform, const QString& text);

}  // namespace qx
