#include <QApplication>
#include <QIcon>

#include "core/Declare.h"
#include "core/SysCalls.h"
#include "platform/QtPlatform.h"
#include "ui/main/QX.h"

int main(int argc, char** argv) {
  qx::FailWritesPastSizeLimit();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellox"));
  QApplication::setApplicationVersion(QStringLiteral("1.3.0"));
  QApplication::setDesktopFileName(QStringLiteral("quellox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quellox.png")));

  qx::EditorState state;
  qx::QtPlatform platform;
  qx::QX window(state, platform);
  platform.SetMainWindow(&window);
  window.show();
  // Files named on the command line open in order, as Open File would.
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (window.Io().TooManyFiles()) break;
    window.Io().OpenFile(args.at(i));
  }
  window.FocusFileBar();
  return QApplication::exec();
}
