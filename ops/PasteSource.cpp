#include "ops/PasteSource.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <cerrno>

#include "core/ClipFile.h"
#include "core/NativeName.h"
#include "core/Posix.h"
#include "ops/CutCopy.h"

namespace qx {

bool OpenPasteSource(IO& io, const QString& typed, BinaryFile& source) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  const bool clip = typed.isEmpty();
  QString path = BlockFilePath(s, typed);
  if (clip && !IO::FileExists(path, *s.Sys)) {
    struct stat st {};
    // A link at the clip file's name leads nowhere: it is not ours either.
    if (s.Sys->Lstat(NativeName(path).constData(), &st) != 0) {
      p.MessageBox(QStringLiteral("Nothing cut or copied"));
      return false;
    }
  }
  if (!clip && !IO::FileExists(path, *s.Sys)) {
    p.MessageBox(QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") +
                     IO::WhyMissing(path, *s.Sys),
                 Buttons::Ok, Icon::Critical);
    return false;
  }
  // Reading a named file through a link is safe; the clip file's name is
  // never followed, since anyone may have put the link there.
  if (!clip) {
    const QString resolved = CanonicalPath(path, *s.Sys);
    if (!resolved.isEmpty()) path = resolved;
  }
  if (!source.Open(path, false, *s.Sys)) {
    struct stat st {};
    const QString why = clip && s.Sys->Lstat(NativeName(path).constData(), &st) == 0
                            ? ClipSourceRefusal(path, st, *s.Sys)
                            : QString();
    if (!why.isEmpty()) {
      p.MessageBox(why, Buttons::Ok, Icon::Critical);
      return false;
    }
    p.MessageBox(QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") + source.Error(),
                 Buttons::Ok, Icon::Critical);
    return false;
  }
  if (clip) {
    struct stat st {};
    const QString why = s.Sys->Fstat(source.Descriptor(), &st) != 0
                            ? QStringLiteral("Couldn't open %1: %2").arg(path, Reason(errno))
                            : ClipSourceRefusal(path, st, *s.Sys);
    if (!why.isEmpty()) {
      source.Close();
      p.MessageBox(why, Buttons::Ok, Icon::Critical);
      return false;
    }
  }
  return true;
}

}  // namespace qx
