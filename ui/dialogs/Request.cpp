#include "ui/dialogs/Request.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "input/Utility.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

constexpr int kRequestTwipsBelowMain = 500;

bool IsEnter(const QKeyEvent* e) {
  return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

}  // namespace

Request::Request(QWidget* mainWindow) : QDialog(mainWindow) {
  setWindowTitle(QStringLiteral("Request"));
  setObjectName(QStringLiteral("Request"));

  AskFor = new QLabel(this);
  AskFor->setObjectName(QStringLiteral("AskFor"));
  Entry = new QLineEdit(this);
  Entry->setObjectName(QStringLiteral("Entry"));
  // Keys are filtered below; the validator also keeps pasted text to digits.
  Entry->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Entry));
  Entry->installEventFilter(this);
  ExitButton = new QPushButton(QStringLiteral("Exit"), this);
  ExitButton->setObjectName(QStringLiteral("ExitButton"));
  ExitButton->setAutoDefault(false);
  connect(ExitButton, &QPushButton::clicked, this, &Request::ExitButton_Click);

  auto* row = new QHBoxLayout;
  row->addWidget(Entry, 1);
  row->addWidget(ExitButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(AskFor);
  layout->addLayout(row);
  setMinimumWidth(TwipsToPixels(this, 4000));
}

std::int64_t Request::Ask(QWidget* mainWindow, const QString& caption, std::int64_t value,
                          int helpContext) {
  Request r(mainWindow);
  r.setProperty("HelpContext", helpContext);
  r.AskFor->setText(caption);
  r.SetValue(value);
  r.exec();
  return r.Value();
}

void Request::ExitButton_Click() {
  // A number too large for the value reads as the largest one, so the
  // caller refuses or clamps it like any other value past the end.
  if (!Entry->text().isEmpty()) {
    if (auto v = ReadNumber(Entry->text())) value_ = *v;
  }
  accept();
}

void Request::showEvent(QShowEvent* e) {
  if (!placed_) {
    placed_ = true;
    adjustSize();
    PlaceBelowMain(this, parentWidget(), kRequestTwipsBelowMain);
  }
  Entry->clear();
  Entry->setFocus(Qt::OtherFocusReason);
  QDialog::showEvent(e);
}

void Request::keyPressEvent(QKeyEvent* e) {
  if (IsEnter(e)) {
    ExitButton_Click();
    return;
  }
  QDialog::keyPressEvent(e);
}

bool Request::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Entry || event->type() != QEvent::KeyPress) {
    return QDialog::eventFilter(watched, event);
  }
  auto* e = static_cast<QKeyEvent*>(event);
  if (IsEnter(e)) {
    ExitButton_Click();
    return true;
  }
  switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    default:
      break;
  }
  const QString text = e->text();
  if (text.isEmpty()) return false;  // arrows, Home, End: moving in the entry
  const bool digit = text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
  return !digit;
}

}  // namespace qx
