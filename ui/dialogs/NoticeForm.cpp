#include "ui/dialogs/NoticeForm.h"

#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Platform.h"
#include "ui/main/Library.h"

namespace qx {

namespace {
constexpr int kTwipsBelowMain = 1500;
constexpr int kShowMilliseconds = 500;
}  // namespace

NoticeForm::NoticeForm(QWidget* mainWindow, Platform& platform)
    : QDialog(mainWindow), platform_(platform) {
  setWindowTitle(QStringLiteral("Notice!"));
  setObjectName(QStringLiteral("NoticeForm"));

  Message = new QLabel(this);
  Message->setObjectName(QStringLiteral("Message"));
  Message->setAlignment(Qt::AlignCenter);
  QFont bold = Message->font();
  bold.setBold(true);
  Message->setFont(bold);

  CountDown = new QTimer(this);
  CountDown->setObjectName(QStringLiteral("CountDown"));
  CountDown->setInterval(kShowMilliseconds);
  CountDown->setSingleShot(true);
  connect(CountDown, &QTimer::timeout, this, &NoticeForm::CountDown_Timer);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Message);
  setMinimumWidth(TwipsToPixels(this, 3000));
}

void NoticeForm::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  StartCountDown();
}

void NoticeForm::showEvent(QShowEvent* e) {
  adjustSize();
  PlaceBelowMain(this, parentWidget(), kTwipsBelowMain);
  QDialog::showEvent(e);
  // Where no paint ever arrives (no screen to draw on) the notice must still
  // go away; a queued call runs after any paint already on its way.
  QTimer::singleShot(0, this, &NoticeForm::StartCountDown);
}

void NoticeForm::StartCountDown() {
  if (painted_) return;
  painted_ = true;
  platform_.Beep();
  CountDown->start();
}

void NoticeForm::CountDown_Timer() {
  done(QDialog::Accepted);
}

void ShowNotice(QWidget* mainWindow, Platform& platform, const QString& text) {
  NoticeForm form(mainWindow, platform);
  form.Message->setText(text);
  form.exec();
}

}  // namespace qx
