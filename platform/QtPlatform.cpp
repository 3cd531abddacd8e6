#include "platform/QtPlatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>

#include "ui/dialogs/NoticeForm.h"
#include "ui/dialogs/Request.h"

namespace qx {

Answer QtPlatform::MessageBox(const QString& text, Buttons buttons, Icon icon,
                              const QString& title) {
  QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                  QMessageBox::NoButton, main_);
  if (buttons == Buttons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int r = box.exec();
  if (buttons == Buttons::YesNo) return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
  return Answer::Ok;
}

void QtPlatform::Beep() {
  QApplication::beep();
}

QString QtPlatform::OpenFileName(const QString& caption) {
  return QFileDialog::getOpenFileName(main_, caption);
}

QString QtPlatform::SaveFileName(const QString& caption) {
  return QFileDialog::getSaveFileName(main_, caption);
}

QString QtPlatform::ReadSetting(const QString& section, const QString& key,
                                const QString& defaultValue) {
  QSettings settings(QStringLiteral("QX"), QStringLiteral("QX"));
  return settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void QtPlatform::WriteSetting(const QString& section, const QString& key, const QString& value) {
  QSettings settings(QStringLiteral("QX"), QStringLiteral("QX"));
  settings.setValue(section + QLatin1Char('/') + key, value);
}

std::int64_t QtPlatform::AskValue(const QString& caption, std::int64_t value) {
  return Request::Ask(main_, caption, value);
}

void QtPlatform::ShowNotice(const QString& text) {
  qx::ShowNotice(main_, *this, text);
}

void QtPlatform::ProcessEvents() {
  QApplication::processEvents();
}

// The help viewer arrives with the help file; until then help asks nothing.
void QtPlatform::ShowHelp(int) {}
void QtPlatform::HelpSearch() {}

}  // namespace qx
