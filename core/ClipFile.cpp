#include "core/ClipFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "core/NativeName.h"
#include "core/Posix.h"

namespace qx {

namespace {

const QString kClipName = QStringLiteral("qx$$qx.$$$");

// The directory of the shared temporary directory that belongs to this
// user. Absolute, so that a relative TMPDIR still names the one directory
// that is created and checked.
QString PrivateDirectory() {
  const QString temp = QDir::cleanPath(QDir::current().absoluteFilePath(QDir::tempPath()));
  return QDir(temp).filePath(QStringLiteral("quellox-%1").arg(::geteuid()));
}

bool OnlyMine(const struct stat& st) {
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

}  // namespace

QString ClipFilePath() {
  QString dir = qEnvironmentVariable("TEMP");
  if (dir.isEmpty()) dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty()) dir = PrivateDirectory();
  return QDir(QDir::cleanPath(QDir::current().absoluteFilePath(dir))).filePath(kClipName);
}

QString PrepareClipDirectory(const QString& clipPath, SysCalls& sys) {
  const QString dir = QFileInfo(clipPath).absolutePath();
  if (dir != PrivateDirectory()) return {};
  const QByteArray name = NativeName(dir);
  if (sys.Mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
    return QStringLiteral("Couldn't create %1: %2").arg(dir, Reason(errno));
  }
  // Anyone may create names in the shared directory: one made by another
  // user in advance must not receive this user's bytes.
  struct stat st {};
  if (sys.Lstat(name.constData(), &st) != 0 || !OnlyMine(st)) {
    return QStringLiteral("%1 is not a directory of your own that only you can use").arg(dir);
  }
  return {};
}

QString ClipSourceRefusal(const QString& clipPath, const struct stat& opened, SysCalls& sys) {
  const QString dir = QFileInfo(clipPath).absolutePath();
  struct stat st {};
  if (dir == PrivateDirectory() &&
      (sys.Lstat(NativeName(dir).constData(), &st) != 0 || !OnlyMine(st))) {
    return QStringLiteral(
               "Nothing cut or copied: %1 is not a folder of your own that only you "
               "can use")
        .arg(dir);
  }
  if (!S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid()) {
    return QStringLiteral("Nothing cut or copied: %1 is not a file of your own").arg(clipPath);
  }
  return {};
}

void DeleteClipFile(EditorState& s) {
  if (s.ClipFile.isEmpty() || !s.ClipSeen.Valid()) return;
  const QByteArray name = NativeName(s.ClipFile);
  struct stat st {};
  if (s.Sys->Lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
      FileStamp::Of(st) == s.ClipSeen) {
    (void)s.Sys->Unlink(name.constData());
  }
  s.ClipSeen = {};
}

}  // namespace qx
