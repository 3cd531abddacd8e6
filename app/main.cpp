#include <QApplication>
#include <QFile>
#include <QIcon>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <variant>

#include "QxBuild.h"
#include "app/CommandLine.h"
#include "app/QtPlatform.h"
#include "core/Declare.h"
#include "core/NativeName.h"
#include "core/SysCalls.h"
#include "fields/Copybook.h"
#include "ui/main/QX.h"

namespace {

bool Print(std::FILE* to, const QString& text) {
  return std::fputs(text.toLocal8Bit().constData(), to) >= 0 && std::fflush(to) == 0;
}

// "quellox: PATH line N: REASON", the line's member named when it has one.
QString CopybookFailure(const QString& path, const qx::CopybookError& e) {
  QString where = path;
  if (e.line > 0) where += QStringLiteral(" line %1").arg(e.line);
  if (e.line > 0 && !e.file.isEmpty()) where += QStringLiteral(" of ") + e.file;
  return QStringLiteral("quellox: %1: %2\n").arg(where, e.reason);
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(qx::NameFromNative(argv[i]));
  // Read before the application exists: these answers need no display.
  const qx::CommandLine line = qx::ParseCommandLine(arguments);
  switch (line.action) {
    case qx::CommandLine::Action::Help:
      return Print(stdout, qx::Usage()) ? 0 : 1;
    case qx::CommandLine::Action::Version:
      return Print(stdout, QStringLiteral("quellox " QX_VERSION "\n")) ? 0 : 1;
    case qx::CommandLine::Action::Error:
      Print(stderr, QStringLiteral("quellox: ") + line.error + QStringLiteral("\n") + qx::Usage());
      return 2;
    case qx::CommandLine::Action::Run:
      break;
  }
  // A copybook that does not read stops the run before any window opens.
  std::optional<qx::Layout> layout;
  if (!line.copybook.isEmpty()) {
    qx::CopybookResult read = qx::ReadCopybook(line.copybook);
    if (const auto* error = std::get_if<qx::CopybookError>(&read)) {
      Print(stderr, CopybookFailure(line.copybook, *error));
      return 2;
    }
    layout = std::move(std::get<qx::Layout>(read));
  }

  // Without any display Qt would abort; say what is missing instead.
  const bool platformNamed = std::any_of(arguments.begin(), arguments.end(), [](const QString& a) {
    for (const char* option : {"platform", "display"}) {
      const QString name = QLatin1String(option);
      if (a == "-" + name || a == "--" + name || a.startsWith("-" + name + "=") ||
          a.startsWith("--" + name + "=")) {
        return true;
      }
    }
    return false;
  });
  if (!platformNamed && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    Print(stderr, QStringLiteral("quellox: no display to open a window on (DISPLAY is not set); "
                                 "quellox --help works without one\n"));
    return 1;
  }

  qx::FailWritesPastSizeLimit();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellox"));
  QApplication::setApplicationVersion(QStringLiteral(QX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("quellox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quellox.png")));

  qx::EditorState state;
  qx::QtPlatform platform;
  qx::QX window(state, platform);
  platform.SetMainWindow(&window);
  window.show();
  // Files named on the command line open in order, as Open File would.
  state.CharSetHint = line.charSet.isEmpty();
  for (const QString& file : line.files) {
    if (window.Io().TooManyFiles()) break;
    const int open = state.OpenFileCount;
    window.Io().OpenFile(file);
    // The set named on the command line wins over any the file had.
    if (!line.charSet.isEmpty()) window.SetCharacterSet(line.charSet);
    if (layout && state.OpenFileCount > open) window.UseLayout(line.copybook, *layout);
  }
  state.CharSetHint = true;
  window.FocusFileBar();
  return QApplication::exec();
}
