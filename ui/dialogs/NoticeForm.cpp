#include "ui/dialogs/NoticeForm.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "platform/Platform.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

constexpr int kTwipsBelowMain = 1500;
constexpr int kShowMilliseconds = 500;
const QString kMessageLineName = QStringLiteral("MessageLine");

class DialogMessageLine : public QLabel {
 public:
  DialogMessageLine(QDialog* dialog, std::function<void(const QString&)> passOn)
      : QLabel(dialog), passOn_(std::move(passOn)) {
    setObjectName(kMessageLineName);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    // The layout puts a menu bar across its top, outside its margins; any
    // widget will do, indented as the fields are.
    const QMargins m = dialog->layout()->contentsMargins();
    setContentsMargins(m.left(), m.top(), m.right(), 0);
    dialog->layout()->setMenuBar(this);
    qApp->installEventFilter(this);
  }
  void Show(const QString& text) {
    setText(text);
    show();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    const QEvent::Type type = e->type();
    if (text().isEmpty()) return false;
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) {
      const auto* w = qobject_cast<QWidget*>(watched);
      if (w != nullptr && w->window() == window()) Clear();
    } else if (type == QEvent::Hide && watched == window() && !e->spontaneous()) {
      // A dialog that closes as its job is done (Print) leaves its message
      // to the main window; one minimized keeps it.
      const QString left = text();
      Clear();
      if (passOn_) passOn_(left);
    }
    return false;
  }

 private:
  void Clear() {
    clear();
    hide();
  }

  std::function<void(const QString&)> passOn_;
};

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

bool ShowDialogMessage(QDialog* dialog, const QString& text,
                       std::function<void(const QString&)> passOn) {
  auto* line = dynamic_cast<DialogMessageLine*>(
      dialog->findChild<QLabel*>(kMessageLineName, Qt::FindDirectChildrenOnly));
  if (line == nullptr) {
    if (dialog->layout() == nullptr) return false;
    line = new DialogMessageLine(dialog, std::move(passOn));
  }
  line->Show(text);
  return true;
}

}  // namespace qx
