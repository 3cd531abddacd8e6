#include "app/CommandLine.h"

#include <QSet>

#include "core/CharacterSet.h"

namespace qx {

namespace {

// The options QApplication reads itself, with and without a value.
const QSet<QString>& QtOptionsWithValue() {
  static const QSet<QString> options = {QStringLiteral("platform"),
                                        QStringLiteral("platformpluginpath"),
                                        QStringLiteral("platformtheme"),
                                        QStringLiteral("plugin"),
                                        QStringLiteral("qmljsdebugger"),
                                        QStringLiteral("qwindowgeometry"),
                                        QStringLiteral("qwindowicon"),
                                        QStringLiteral("qwindowtitle"),
                                        QStringLiteral("session"),
                                        QStringLiteral("style"),
                                        QStringLiteral("stylesheet"),
                                        QStringLiteral("display"),
                                        QStringLiteral("geometry"),
                                        QStringLiteral("name"),
                                        QStringLiteral("title"),
                                        QStringLiteral("visual"),
                                        QStringLiteral("im")};
  return options;
}

const QSet<QString>& QtFlags() {
  static const QSet<QString> flags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb"),
                                      QStringLiteral("sync")};
  return flags;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  bool onlyFiles = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (onlyFiles || !arg.startsWith(QLatin1Char('-')) || arg == QStringLiteral("-")) {
      line.files.push_back(arg);
      continue;
    }
    if (arg == QStringLiteral("--")) {
      onlyFiles = true;
      continue;
    }
    if (arg == QStringLiteral("-h") || arg == QStringLiteral("--help")) {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (arg == QStringLiteral("-v") || arg == QStringLiteral("--version")) {
      line.action = CommandLine::Action::Version;
      return line;
    }
    const QString body = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype equals = body.indexOf(QLatin1Char('='));
    const QString name = equals < 0 ? body : body.left(equals);
    const bool ours = name == QStringLiteral("charset") || name == QStringLiteral("copybook");
    if (arg.startsWith(QStringLiteral("--")) && ours) {
      if (equals < 0 && i + 1 >= arguments.size()) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("option '%1' needs a value").arg(arg);
        return line;
      }
      const QString value = equals < 0 ? arguments[++i] : body.mid(equals + 1);
      if (name == QStringLiteral("copybook")) {
        line.copybook = value;
        continue;
      }
      const CharacterSet* set = FindCharacterSet(value);
      if (set == nullptr) {
        line.action = CommandLine::Action::Error;
        line.error = QStringLiteral("unknown character set '%1'; the character sets are: %2")
                         .arg(value, CharacterSetNames());
        return line;
      }
      line.charSet = set->Name();
      continue;
    }
    if (QtFlags().contains(name) && equals < 0) continue;
    if (QtOptionsWithValue().contains(name)) {
      if (equals >= 0) continue;
      if (i + 1 < arguments.size()) {
        ++i;  // its value is no file
        continue;
      }
      line.action = CommandLine::Action::Error;
      line.error = QStringLiteral("option '%1' needs a value").arg(arg);
      return line;
    }
    line.action = CommandLine::Action::Error;
    line.error = QStringLiteral("unknown option '%1'").arg(arg);
    return line;
  }
  return line;
}

QString Usage() {
  // The names of the sets this system has, wrapped under the option's text.
  QString sets;
  QString row = QStringLiteral("                  ");
  const std::vector<CharacterSet>& all = CharacterSets();
  for (std::size_t i = 0; i < all.size(); ++i) {
    const QString word = all[i].Name() + (i + 1 < all.size() ? QStringLiteral(",") : QString());
    if (row.size() + 1 + word.size() > 78 && !row.trimmed().isEmpty()) {
      sets += row + QLatin1Char('\n');
      row = QStringLiteral("                  ");
    }
    row += (row.trimmed().isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  sets += row + QLatin1Char('\n');
  return QStringLiteral(
             "Usage: quellox [OPTION ...] [FILE ...]\n"
             "Edit binary files byte by byte and record by record.\n"
             "Each FILE opens as File > Open File would open it; at most four files are open.\n"
             "\n"
             "Options:\n"
             "  --charset NAME  show and type the text of the FILEs in character set NAME\n"
             "                  (any case; ASCII is the default); the sets are:\n") +
         sets +
         QStringLiteral(
             "  --copybook PATH lay out the records of the FILEs by the COBOL copybook\n"
             "                  PATH; a copybook that does not read is named with its\n"
             "                  line and reason, and quellox exits with status 2\n"
             "  -h, --help      show this text and exit\n"
             "  -v, --version   show the version and exit\n"
             "  --              the arguments after it are files, even those starting with -\n"
             "Qt's own options, such as -style NAME or -platform NAME, are passed to Qt.\n");
}

}  // namespace qx
