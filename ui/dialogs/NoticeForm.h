// The transient notice: beeps, shows one line, closes itself after 500 ms.
// And the message line of a dialog, for longer messages that must be read.
#pragma once

#include <QDialog>
#include <functional>

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

// Shows text in a line across the top of dialog, made the first time it
// has one; false when the dialog has no layout to hold it. The line clears
// at the next key or click in the dialog; a text still shown when the
// dialog closes goes on to passOn.
bool ShowDialogMessage(QDialog* dialog, const QString& text,
                       std::function<void(const QString&)> passOn);

}  // namespace qx
