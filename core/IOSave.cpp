// Saving the page, undo and redo, and the commit of whole-file operations.
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/FileExchange.h"
#include "core/IO.h"
#include "core/Progress.h"

namespace qx {

namespace {

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// Bytes copied between two looks at the event queue: small enough that the
// window stays live on a slow disk.
constexpr std::int64_t kCopyStep = std::int64_t{1} << 20;

// The new file takes the owner and permissions of the file it replaces;
// where that is not allowed it keeps its own (the user's, 0600).
void MatchOwnerAndMode(const QString& newFile, const QString& oldFile) {
  struct stat st {};
  if (::stat(QFile::encodeName(oldFile).constData(), &st) != 0) return;
  const QByteArray name = QFile::encodeName(newFile);
  (void)::chown(name.constData(), st.st_uid, st.st_gid);
  (void)::chmod(name.constData(), st.st_mode & 07777);
}

// The backup of file. On a file system that ignores case, "a.bak" would be
// its own backup "a.BAK" and the commit would lose the only old copy.
QString BackupFor(const QString& file) {
  const QString backup = BackupName(file);
  struct stat a {};
  struct stat b {};
  if (backup.compare(file, Qt::CaseInsensitive) == 0 &&
      ::stat(QFile::encodeName(file).constData(), &a) == 0 &&
      ::stat(QFile::encodeName(backup).constData(), &b) == 0 && a.st_dev == b.st_dev &&
      a.st_ino == b.st_ino) {
    return file + QStringLiteral(".BAK");
  }
  return backup;
}

}  // namespace

void IO::SetUndoRedo(bool undo, bool redo) {
  s_.UndoEnabled = undo;
  s_.RedoEnabled = redo;
  v_.UndoRedoChanged();
}

void IO::SavePage() {
  if (s_.WorkingLength < 1) return;
  if (!s_.Dirty) {
    // Nothing new to undo: the undo state (a whole-file backup, say) stays.
    (void)WritePage();
    return;
  }
  const Page before = s_.CleanPage;
  const Page after = s_.PageBuffer;
  const std::int64_t top = s_.Current.BufferTop;
  if (!WritePage()) return;
  s_.UndoPage = before;
  s_.RedoPage = after;
  s_.UndoBufferTop = top;
  s_.WholeFileUndo = false;
  SetUndoRedo(true, false);
}

bool IO::WritePage() {
  if (ReadOnlyRefused()) return false;
  const std::int64_t remaining = s_.WorkingLength - s_.Current.BufferTop;
  // Bytes past the end of the file are never written: the file never grows.
  const std::int64_t n = std::min<std::int64_t>(remaining, kPageSize);
  if (n > 0 &&
      !s_.File1.WriteAt(s_.Current.WorkingBase + s_.Current.BufferTop, s_.PageBuffer.data(), n)) {
    const int e = errno;
    p_.MessageBox(
        QStringLiteral("Couldn't write the page to %1: %2").arg(s_.Current.FileName, Reason(e)),
        Buttons::Ok, Icon::Critical);
    return false;
  }
  s_.Dirty = false;
  return true;
}

void IO::UndoChange() {
  if (ReadOnlyRefused()) return;
  if (!s_.WholeFileUndo) {
    s_.PageBuffer = s_.UndoPage;
    s_.Current.BufferTop = s_.UndoBufferTop;
    if (WritePage()) {
      // The page on disk is now the undo image; a later edit of it must not
      // take another page's bytes as its undo image.
      s_.CleanPage = s_.PageBuffer;
      SetUndoRedo(true, true);
    } else {
      s_.Dirty = true;  // the page on screen is not what the file holds
    }
    v_.LoadDisplay();
    v_.SyncScrollBar();
    return;
  }

  const QString file = s_.Current.FileName;
  const QString backup = BackupFor(file);
  struct stat st {};
  if (::lstat(QFile::encodeName(backup).constData(), &st) != 0) {
    p_.MessageBox(QStringLiteral("Can't Undo. No Backup file found"));
    return;
  }
  s_.File1.Close();
  const int e = ExchangeFiles(file, backup);
  if (e == 0) {
    SyncDirectoryOf(file);
    SetUndoRedo(true, true);
  } else if (e == ENOENT) {
    p_.MessageBox(QStringLiteral("Can't Undo. No Backup file found"));
  } else {
    p_.MessageBox(
        QStringLiteral("Can't Undo. Couldn't exchange %1 and %2: %3").arg(file, backup, Reason(e)),
        Buttons::Ok, Icon::Critical);
  }
  // The page is read again from whichever version now has the name.
  s_.Dirty = false;
  ReopenFile();
}

void IO::RedoChange() {
  if (s_.WholeFileUndo) {
    UndoChange();
    return;
  }
  if (ReadOnlyRefused()) return;
  s_.PageBuffer = s_.RedoPage;
  s_.Current.BufferTop = s_.UndoBufferTop;
  if (WritePage()) {
    s_.CleanPage = s_.PageBuffer;
  } else {
    s_.Dirty = true;
  }
  v_.LoadDisplay();
  v_.SyncScrollBar();
}

bool IO::CopyRange(TempFileWriter& out, std::int64_t first, std::int64_t last) {
  // Only an operation that can be cancelled stops here when Cancel is pressed.
  const bool cancellable = s_.OperationRunning;
  OperationPacer pacer(s_, p_);
  for (std::int64_t at = first; at <= last;) {
    const std::int64_t to = last - at >= kCopyStep ? at + kCopyStep - 1 : last;
    if (!out.CopyRange(s_.File1, at, to)) return false;
    if (to == last) break;
    at = to + 1;
    if (!pacer.Step(at - first, last - first + 1) && cancellable) return false;
  }
  return !out.Failed();
}

bool IO::EndFileOperation(TempFileWriter& out) {
  bool committed = false;
  if (out.Failed()) {
    p_.MessageBox(out.Error() + QStringLiteral("\nOperation aborted; the file was not changed."),
                  Buttons::Ok, Icon::Critical);
    out.Discard();
  } else if (s_.OperationRunning) {
    committed = CommitFileOperation(out);
  } else {
    out.Discard();
    s_.Current.CursorOffset = 0;
    GoToCursor();
  }
  s_.OperationRunning = false;
  return committed;
}

bool IO::CommitFileOperation(TempFileWriter& out) {
  if (!out.Failed()) MatchOwnerAndMode(out.Path(), s_.Current.FileName);
  // The window stays live while the data reaches the disk.
  const bool cancellable = s_.OperationRunning;
  if (out.Failed() || !out.Finish([this] { p_.ProcessEvents(); })) {
    // A damaged temporary file is never committed; the file is untouched.
    p_.MessageBox(out.Error() + QStringLiteral("\nOperation aborted; the file was not changed."),
                  Buttons::Ok, Icon::Critical);
    out.Discard();
    return false;
  }
  if (cancellable && !s_.OperationRunning) {
    // Cancel pressed while the sync ran: nothing is renamed yet, so it still counts.
    out.Discard();
    s_.Current.CursorOffset = 0;
    GoToCursor();
    return false;
  }
  s_.File1.Close();
  s_.Dirty = false;
  if (ReplaceWithBackup(out.Path())) {
    out.Release();
    SetUndoRedo(true, false);
    ReopenFile();
    return true;
  }
  out.Discard();
  ReopenFile();
  s_.Current.CursorOffset = 0;
  GoToCursor();
  return false;
}

bool IO::ReplaceWithBackup(const QString& tempPath) {
  const QString file = s_.Current.FileName;
  if (ReplaceKeepingBackup(file, tempPath, BackupFor(file)) != 0) {
    p_.MessageBox(QStringLiteral("Couldn't create a backup file. Operation aborted"), Buttons::Ok,
                  Icon::Critical);
    return false;
  }
  SyncDirectoryOf(file);
  s_.WholeFileUndo = true;
  return true;
}

}  // namespace qx
