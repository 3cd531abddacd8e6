#include "app/QtPlatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include "help/HelpFile.h"
#include "ui/dialogs/HelpViewer.h"
#include "ui/dialogs/NoticeForm.h"
#include "ui/dialogs/Request.h"
#include "ui/main/QX.h"

namespace qx {

Answer QtPlatform::MessageBox(const QString& text, Buttons buttons, Icon icon, const QString& title,
                              Answer defaultAnswer) {
  QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                  QMessageBox::NoButton, main_);
  if (buttons == Buttons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultAnswer == Answer::No ? QMessageBox::No : QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // A short text would leave the box narrower than its title, which the
  // title bar then cuts to "Q...": room for the title and its buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int titleWidth = box.fontMetrics().horizontalAdvance(title) * 5 / 4 + 160;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  const int r = box.exec();
  if (buttons == Buttons::YesNo) return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
  return Answer::Ok;
}

void QtPlatform::Beep() {
  QApplication::beep();
}

QString QtPlatform::OpenFileName(const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(main_, caption, {}, filter);
}

QString QtPlatform::SaveFileName(const QString& caption, const QString& suggested,
                                 const QString& filter) {
  return QFileDialog::getSaveFileName(main_, caption, suggested, filter);
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

std::int64_t QtPlatform::AskValue(const QString& caption, std::int64_t value, int helpContext) {
  return Request::Ask(main_, caption, value, helpContext);
}

QSize QtPlatform::ScreenSpace() {
  const QScreen* screen = main_ != nullptr ? main_->screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry().size() : QSize();
}

void QtPlatform::ShowNotice(const QString& text) {
  qx::ShowNotice(main_, *this, text);
}

void QtPlatform::ShowMessage(const QString& text) {
  const auto toMain = [w = QPointer<QX>(qobject_cast<QX*>(main_.data()))](const QString& t) {
    if (w != nullptr) w->ShowMessage(t);
  };
  // Raised in a dialog (a pattern character without a code, the PDF a job
  // wrote), the message shows there, not behind it.
  auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (dialog != nullptr && dialog != main_ && ShowDialogMessage(dialog, text, toMain)) return;
  toMain(text);
}

void QtPlatform::ProcessEvents() {
  QApplication::processEvents();
}

QtPlatform::~QtPlatform() {
  // Without a main window to own it, the help window is ours to delete.
  if (help_ != nullptr && help_->parent() == nullptr) delete help_;
}

HelpViewer& QtPlatform::HelpWindow() {
  if (help_ == nullptr) {
    // Owned by the main window, so that it closes with it and never keeps
    // the program running on its own.
    help_ = new HelpViewer(main_, HelpFileCandidates(QCoreApplication::applicationDirPath()));
    help_->setAttribute(Qt::WA_QuitOnClose, false);
  }
  // Over a modal dialog a modeless window would take no input; it is modal
  // then, until the user closes it and goes back to the dialog.
  // F1 in the help window itself leaves it as it is.
  const QWidget* modal = QApplication::activeModalWidget();
  const Qt::WindowModality wanted = modal != nullptr ? Qt::ApplicationModal : Qt::NonModal;
  if (modal != help_ && help_->windowModality() != wanted) {
    help_->hide();
    help_->setWindowModality(wanted);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
  return *help_;
}

void QtPlatform::ShowHelp(int context) {
  HelpWindow().ShowTopic(context);
}

void QtPlatform::HelpSearch() {
  HelpWindow().ShowIndex();
}

bool QtPlatform::StartSystemInfo() {
  static const char* const kPrograms[] = {"hardinfo2",
                                          "hardinfo",
                                          "kinfocenter",
                                          "gnome-system-monitor",
                                          "plasma-systemmonitor",
                                          "mate-system-monitor"};
  for (const char* name : kPrograms) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return QProcess::startDetached(path, {});
  }
  return false;
}

}  // namespace qx
