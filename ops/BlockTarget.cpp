#include "ops/BlockTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "core/ClipFile.h"
#include "core/FileExchange.h"

namespace qx {

namespace {

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// The permissions a new file of the user gets.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool BlockTarget::Begin(IO& io, const QString& path, bool durable) {
  durable_ = durable;
  EditorState& s = io.State();
  Platform& p = io.Plat();
  const bool clip = path == s.ClipFile;
  // A name the user typed is followed to the file it names; the clip
  // file's never is: the new file replaces whatever has that name.
  path_ = clip ? path : QFileInfo(path).absoluteFilePath();
  if (!clip && QFileInfo(path_).isSymLink()) {
    const QString target = QFileInfo(path_).canonicalFilePath();
    if (!target.isEmpty()) path_ = target;
  }
  if (clip) {
    const QString why = PrepareClipDirectory(path_);
    if (!why.isEmpty()) {
      p.MessageBox(why, Buttons::Ok, Icon::Critical);
      return false;
    }
  }
  struct stat st {};
  const bool exists = ::stat(QFile::encodeName(path_).constData(), &st) == 0;
  if (exists) {
    // Replacing the file being edited or its backup would lose it.
    const FileStamp named = FileStamp::Of(st);
    struct stat bak {};
    const bool isBackup = ::stat(QFile::encodeName(io.BackupPath()).constData(), &bak) == 0 &&
                          named.SameFile(FileStamp::Of(bak));
    if (named.SameFile(s.Seen) || isBackup) {
      p.MessageBox(QStringLiteral("%1 is %2; choose another file to send the bytes to.")
                       .arg(path_, isBackup ? QStringLiteral("the backup of the file being edited")
                                            : QStringLiteral("the file being edited")),
                   Buttons::Ok, Icon::Critical);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      p.MessageBox(QStringLiteral("Couldn't write %1: it is not a file").arg(path_), Buttons::Ok,
                   Icon::Critical);
      return false;
    }
  } else {
    st = {};
    st.st_uid = ::geteuid();
    st.st_gid = ::getegid();
    st.st_mode = clip ? 0600 : NewFileMode();
  }
  if (!out_.Create(path_, *s.Sys) || (!clip && !out_.MatchOwnerAndMode(st))) {
    p.MessageBox(out_.Error(), Buttons::Ok, Icon::Critical);
    out_.Discard();
    return false;
  }
  out_.SetDurable(durable);
  return true;
}

bool BlockTarget::Commit(IO& io) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  const QString unchanged = QStringLiteral("\nNothing was written to %1.").arg(path_);
  if (!out_.Finish([&p] { p.ProcessEvents(); })) {
    p.MessageBox(out_.Error() + unchanged, Buttons::Ok, Icon::Critical);
    out_.Discard();
    return false;
  }
  // The name must still be the file written, not something put in its place.
  struct stat named {};
  const QByteArray temp = QFile::encodeName(out_.Path());
  const FileStamp written = out_.Stamp();
  if (s.Sys->Lstat(temp.constData(), &named) != 0 || !S_ISREG(named.st_mode) ||
      !FileStamp::Of(named).SameFile(written)) {
    p.MessageBox(QStringLiteral("The temporary file %1 is gone or was replaced by something else.")
                         .arg(out_.Path()) +
                     unchanged,
                 Buttons::Ok, Icon::Critical);
    out_.Release();
    return false;
  }
  if (s.Sys->Rename(temp.constData(), QFile::encodeName(path_).constData()) != 0) {
    p.MessageBox(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(errno)) + unchanged,
                 Buttons::Ok, Icon::Critical);
    out_.Discard();
    return false;
  }
  out_.Release();
  if (durable_) SyncDirectoryOf(*s.Sys, path_);
  if (path_ == s.ClipFile) s.ClipSeen = written;
  return true;
}

}  // namespace qx
