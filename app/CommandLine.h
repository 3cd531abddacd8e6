// The command line, read before the application starts, so that --help,
// --version and a wrong option answer in a terminal without a display.
#pragma once

#include <QString>
#include <QStringList>

namespace qx {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  QStringList files;  // to open, in order
  QString charSet;    // --charset: the set's own name; empty when not given
  QString copybook;   // --copybook: the layout of the files; empty when not given
  QString error;      // what was wrong, for Action::Error
};

// arguments: without the program's own name. Qt's own options (-style,
// -platform ...) are let through for the application to take.
CommandLine ParseCommandLine(const QStringList& arguments);

QString Usage();

}  // namespace qx
