#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstring>

#include "QxVersion.h"
#include "core/Declare.h"
#include "core/SysCalls.h"
#include "platform/QtPlatform.h"
#include "ui/main/QX.h"

namespace {

// Asked for before the application exists, so that packaging checks and
// scripts need no display and never see a window.
bool VersionRequested(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (VersionRequested(argc, argv)) {
    return std::printf("quellox %s\n", QX_VERSION) > 0 && std::fflush(stdout) == 0 ? 0 : 1;
  }
  qx::FailWritesPastSizeLimit();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellox"));
  QApplication::setApplicationVersion(QStringLiteral(QX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("quellox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quellox.png")));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Edit binary files byte by byte and record by record."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Files to open."),
                               QStringLiteral("[FILE ...]"));
  parser.process(app);

  qx::EditorState state;
  qx::QtPlatform platform;
  qx::QX window(state, platform);
  platform.SetMainWindow(&window);
  window.show();
  // Files named on the command line open in order, as Open File would.
  for (const QString& file : parser.positionalArguments()) {
    if (window.Io().TooManyFiles()) break;
    window.Io().OpenFile(file);
  }
  window.FocusFileBar();
  return QApplication::exec();
}
