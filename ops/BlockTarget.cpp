#include "ops/BlockTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>

#include "core/ClipFile.h"
#include "core/FileExchange.h"
#include "core/NativeName.h"
#include "core/Posix.h"

namespace qx {

namespace {

// A rename changes a file's change time: the stamp of what has the name
// now, when it is still that file (else invalid).
FileStamp StampAfterRename(const EditorState& s, const QString& name, const FileStamp& file) {
  struct stat st {};
  if (!file.Valid() || s.Sys->Lstat(NativeName(name).constData(), &st) != 0) return {};
  const FileStamp now = FileStamp::Of(st);
  return now.SameFile(file) ? now : FileStamp{};
}

}  // namespace

bool BlockTarget::Begin(IO& io, const QString& path, bool durable) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  const bool clip = path == s.ClipFile;
  // A name the user typed is followed to the file it names; the clip
  // file's never is: the new file replaces whatever has that name.
  path_ = clip ? path : QFileInfo(path).absoluteFilePath();
  if (!clip) {
    const QString target = CanonicalPath(path_, *s.Sys);
    if (!target.isEmpty()) path_ = target;
  }
  if (clip) {
    const QString why = PrepareClipDirectory(path_, *s.Sys);
    if (!why.isEmpty()) {
      p.MessageBox(why, Buttons::Ok, Icon::Critical);
      return false;
    }
  }
  struct stat st {};
  const bool exists = s.Sys->Stat(NativeName(path_).constData(), &st) == 0;
  if (exists) {
    // Replacing the file being edited or its backup would lose it.
    const FileStamp named = FileStamp::Of(st);
    struct stat bak {};
    const bool isBackup = s.Sys->Stat(NativeName(io.BackupPath()).constData(), &bak) == 0 &&
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
    io.SayLeftovers({out_.Discard()});
    return false;
  }
  out_.SetDurable(durable);
  return true;
}

bool BlockTarget::Commit(IO& io, bool keepOld) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  const QString unchanged = QStringLiteral("\nNothing was written to %1.").arg(path_);
  if (!out_.Finish([&p] { p.ProcessEvents(); })) {
    p.MessageBox(out_.Error() + unchanged, Buttons::Ok, Icon::Critical);
    io.SayLeftovers({out_.Discard()});
    return false;
  }
  // The name must still be the file written, not something put in its place.
  struct stat named {};
  const QByteArray temp = NativeName(out_.Path());
  const QByteArray name = NativeName(path_);
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
  kept_.clear();
  struct stat old {};
  int e = 0;
  // Only a name that surely holds nothing may be taken without keeping it.
  bool hadOld = false;
  if (keepOld) {
    hadOld = s.Sys->Lstat(name.constData(), &old) == 0;
    if (!hadOld && errno != ENOENT) e = errno;
  }
  QString stranded;  // the old content, when it could not get its name back
  QStringList leftovers;
  if (e != 0) {
    // Nothing done yet: said below.
  } else if (hadOld) {
    // The old content trades places with the new, so that it can come back.
    const RenameOutcome r = ExchangeFiles(*s.Sys, path_, out_.Path());
    leftovers = r.leftovers;
    if (r.swapped) {
      // Half done still leaves the new content under the name; the old then
      // waits under a spare name instead of the temporary file's.
      kept_ = r.error == 0 ? out_.Path() : r.keptAs.front();
    } else {
      e = r.error;
      if (r.nameMissing) {
        stranded = r.keptAs.front();
      } else {
        leftovers += r.keptAs;  // a second name of the old content, at most
      }
    }
  } else if (s.Sys->Rename(temp.constData(), name.constData()) != 0) {
    e = errno;
  }
  if (e != 0) {
    const QString where =
        stranded.isEmpty() ? unchanged
                           : QStringLiteral("\nIts previous content is kept as %1.").arg(stranded);
    p.MessageBox(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(e)) + where, Buttons::Ok,
                 Icon::Critical);
    io.SayLeftovers(leftovers << out_.Discard());
    return false;
  }
  io.SayLeftovers(leftovers);
  out_.Release();
  committed_ = true;
  SyncDirectoryOf(*s.Sys, path_);
  if (path_ == s.ClipFile) {
    oldClipSeen_ = s.ClipSeen;
    s.ClipSeen = StampAfterRename(s, path_, written);
  }
  return true;
}

QString BlockTarget::Restore(IO& io) {
  if (!committed_) return {};
  EditorState& s = io.State();
  committed_ = false;
  const QByteArray name = NativeName(path_);
  const int r = kept_.isEmpty() ? s.Sys->Unlink(name.constData())
                                : s.Sys->Rename(NativeName(kept_).constData(), name.constData());
  if (r != 0) {
    const int e = errno;
    return kept_.isEmpty() ? QStringLiteral("%1 holds the bytes; it couldn't be removed: %2.")
                                 .arg(path_, Reason(e))
                           : QStringLiteral(
                                 "%1 holds the bytes; its previous content couldn't be put "
                                 "back (%2) and is kept as %3.")
                                 .arg(path_, Reason(e), kept_);
  }
  SyncDirectoryOf(*s.Sys, path_);
  if (path_ == s.ClipFile) {
    s.ClipSeen = kept_.isEmpty() ? FileStamp{} : StampAfterRename(s, path_, oldClipSeen_);
  }
  kept_.clear();
  return {};
}

void BlockTarget::Forget(IO& io) {
  if (!committed_) return;
  committed_ = false;
  if (kept_.isEmpty()) return;
  EditorState& s = io.State();
  if (s.Sys->Unlink(NativeName(kept_).constData()) != 0) {
    io.Plat().MessageBox(QStringLiteral("The previous content of %1 couldn't be deleted: %2.\n"
                                        "It is kept as %3.")
                             .arg(path_, Reason(errno), kept_),
                         Buttons::Ok, Icon::Critical);
  }
  kept_.clear();
}

}  // namespace qx
