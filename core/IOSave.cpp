// Saving the page, undo and redo, and the commit of whole-file operations.
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "core/BinaryFile.h"
#include "core/FileExchange.h"
#include "core/FileMemory.h"
#include "core/IO.h"
#include "core/NativeName.h"
#include "core/Posix.h"
#include "core/Progress.h"
#include "core/RecordLayout.h"
#include "core/ValueFormat.h"

namespace qx {

namespace {

// Bytes copied between two looks at the event queue: small enough that the
// window stays live on a slow disk.
constexpr std::int64_t kCopyStep = std::int64_t{1} << 20;

// The backup of file. On a file system that ignores case, "a.bak" would be
// its own backup "a.BAK" and the commit would lose the only old copy.
QString BackupFor(const QString& file, SysCalls& sys) {
  const QString backup = BackupName(file);
  struct stat a {};
  struct stat b {};
  if (backup.compare(file, Qt::CaseInsensitive) == 0 &&
      sys.Stat(NativeName(file).constData(), &a) == 0 &&
      sys.Stat(NativeName(backup).constData(), &b) == 0 && a.st_dev == b.st_dev &&
      a.st_ino == b.st_ino) {
    return file + QStringLiteral(".BAK");
  }
  return backup;
}

// Which of n bytes written at file offset at reached the file: offsets
// from the working base, as the user counts them, unless the span lies
// before it (an undo image taken before the base was moved).
QString WrittenPart(std::int64_t at, std::int64_t put, std::int64_t n, std::int64_t base) {
  const bool before = at < base;
  const std::int64_t first = before ? at : at - base;
  const QString ofFile = before ? QStringLiteral(" of the file") : QString();
  const QString done =
      put == 1 ? QStringLiteral("Byte %1%2 (1 byte) was written").arg(GroupedNumber(first), ofFile)
               : QStringLiteral("Bytes %1 to %2%3 (%4 bytes) were written")
                     .arg(GroupedNumber(first), GroupedNumber(first + put - 1), ofFile,
                          GroupedNumber(put));
  const QString rest = n - put == 1
                           ? QStringLiteral("byte %1 was not.").arg(GroupedNumber(first + put))
                           : QStringLiteral("bytes %1 to %2 were not.")
                                 .arg(GroupedNumber(first + put), GroupedNumber(first + n - 1));
  return done + QStringLiteral("; ") + rest;
}

}  // namespace

void IO::SetUndoRedo(bool undo, bool redo) {
  s_.UndoEnabled = undo;
  s_.RedoEnabled = redo;
  v_.UndoRedoChanged();
}

void IO::SavePage() {
  if (BusyRefused() || s_.WorkingLength < 1) return;
  if (s_.Current.RecordView) {
    SaveRecords();
    return;
  }
  if (!s_.Dirty) {
    // Nothing new to undo: the undo state (a whole-file backup, say) stays.
    (void)WritePage();
    return;
  }
  const Page before = s_.CleanPage;
  const Page after = s_.PageBuffer;
  const std::int64_t at = s_.Current.WorkingBase + s_.Current.BufferTop;
  const std::int64_t length =
      std::clamp<std::int64_t>(s_.WorkingLength - s_.Current.BufferTop, 0, kPageSize);
  if (!WritePage()) return;
  KeepUndoImages(at, before.data(), after.data(), length);
  SetUndoRedo(true, false);
}

void IO::SaveRecords() {
  RecordBuffer& r = s_.Records;
  const std::optional<ByteSpan> span = SaveSpan(r.Edited);
  if (!s_.Dirty || !span) {
    if (!ReadOnlyRefused() && !RefuseIfChanged()) s_.Dirty = false;
    return;
  }
  // Only the edited span is written, and Undo takes back this save alone.
  const auto lo = static_cast<std::ptrdiff_t>(span->Start);
  const std::int64_t at = r.At + lo;
  if (!WriteScreenSpan({true, r.At, r.Whole, at, r.Bytes.data() + lo, span->Length})) return;
  KeepUndoImages(at, r.Clean.data() + lo, r.Bytes.data() + lo, span->Length);
  r.Clean = r.Bytes;
  std::fill(r.Edited.begin(), r.Edited.end(), false);
  s_.Dirty = false;
  SetUndoRedo(true, false);
}

bool IO::WritePage() {
  const std::int64_t at = s_.Current.WorkingBase + s_.Current.BufferTop;
  // Bytes past the end of the file are never written: the file never grows.
  const std::int64_t n =
      std::clamp<std::int64_t>(s_.WorkingLength - s_.Current.BufferTop, 0, kPageSize);
  if (!WriteScreenSpan({false, at, s_.PageWhole, at, s_.PageBuffer.data(), n})) return false;
  s_.Dirty = false;
  return true;
}

bool IO::WriteScreenSpan(const ScreenSpan& span) {
  if (ReadOnlyRefused() || RefuseIfChanged()) return false;
  if (!span.whole) {
    const QString text = span.records
                             ? QStringLiteral(
                                   "The records at offset %1 of %2 could not be read whole, so "
                                   "they are not written back.")
                             : QStringLiteral(
                                   "The page at offset %1 of %2 could not be read whole, so it "
                                   "is not written back.");
    p_.MessageBox(text.arg(GroupedNumber(span.readAt), s_.Current.FileName), Buttons::Ok,
                  Icon::Critical);
    return false;
  }
  return span.n <= 0 ||
         WritePageBytes(span.at, span.bytes, span.n,
                        span.records ? QStringLiteral("the records") : QStringLiteral("the page"));
}

void IO::KeepUndoImages(std::int64_t at, const std::uint8_t* before, const std::uint8_t* after,
                        std::int64_t n) {
  s_.UndoPage.assign(before, before + n);
  s_.RedoPage.assign(after, after + n);
  s_.UndoPageOffset = at;
  s_.WholeFileUndo = false;
}

void IO::UndoChange() {
  if (BusyRefused() || ReadOnlyRefused()) return;
  if (s_.WholeFileUndo) {
    ExchangeWithBackup(QStringLiteral("Undo"));
  } else if (WritePageImage(s_.UndoPage)) {
    SetUndoRedo(true, true);
  }
}

void IO::RedoChange() {
  if (BusyRefused() || ReadOnlyRefused()) return;
  if (s_.WholeFileUndo) {
    ExchangeWithBackup(QStringLiteral("Redo"));
  } else {
    (void)WritePageImage(s_.RedoPage);
  }
}

bool IO::WritePageBytes(std::int64_t at, const std::uint8_t* bytes, std::int64_t n,
                        const QString& what) {
  const std::int64_t put = s_.File1.WriteCounted(at, bytes, n);
  const int e = errno;
  RememberFile();  // a write that failed half way changed the file too
  if (put == n) return true;
  QString text =
      QStringLiteral("Couldn't write %1 to %2: %3").arg(what, s_.Current.FileName, Reason(e));
  if (put > 0) text += QLatin1Char('\n') + WrittenPart(at, put, n, s_.Current.WorkingBase);
  p_.MessageBox(text, Buttons::Ok, Icon::Critical);
  return false;
}

bool IO::WritePageImage(const std::vector<std::uint8_t>& image) {
  if (RefuseIfChanged()) return false;
  // The image goes back where it was taken, whatever the working base is now.
  const std::int64_t at = s_.UndoPageOffset;
  if (!WritePageBytes(at, image.data(), std::ssize(image))) return false;
  // An unsaved change on screen is dropped: it is read again.
  s_.Dirty = false;
  FileState& c = s_.Current;
  if (at < c.WorkingBase) {
    ShowPage();
    return true;
  }
  c.BufferTop = at - c.WorkingBase;
  if (!c.RecordView) {
    ShowPage();
    return true;
  }
  // The records written come into view, the cursor stays where it is.
  const std::int64_t length = std::max<int>(c.RecordLength, 1);
  c.TopRecord = FirstToShow(c.BufferTop / length, c.TopRecord, s_.RecordRows);
  ReadPage();
  v_.LoadDisplay();
  v_.SyncScrollBar();
  return true;
}

QString IO::BackupPath() const {
  return BackupFor(s_.Current.FileName, *s_.Sys);
}

void IO::ExchangeWithBackup(const QString& command) {
  if (RefuseIfChanged()) return;
  const QString file = s_.Current.FileName;
  const QString backup = BackupPath();
  const QString cant = QStringLiteral("Can't %1. ").arg(command);
  struct stat st {};
  if (s_.Sys->Lstat(NativeName(backup).constData(), &st) != 0) {
    p_.MessageBox(cant + QStringLiteral("No Backup file found"));
    return;
  }
  // Another file of the same stem, or something put there since, is not
  // this file's backup: exchanging with it would lose one of them.
  if (!S_ISREG(st.st_mode) || !(FileStamp::Of(st) == s_.BackupSeen)) {
    p_.MessageBox(cant + QStringLiteral("%1 is no longer the backup that the last operation on "
                                        "%2 made; nothing was changed.")
                             .arg(backup, file));
    return;
  }
  s_.File1.Close();
  s_.Dirty = false;
  const RenameOutcome r = ExchangeFiles(*s_.Sys, file, backup);
  SayLeftovers(r.leftovers);
  if (r.error == 0) {
    SyncDirectoryOf(*s_.Sys, file);
    const bool known = RememberBackupMade();
    s_.WholeFileUndo = known;
    SetUndoRedo(known, known);
  } else if (!r.swapped) {
    QString text =
        cant +
        QStringLiteral("Couldn't exchange %1 and %2: %3.").arg(file, backup, Reason(r.error));
    if (r.nameMissing) {
      text += QStringLiteral("\nThe content of %1 is now named %2.").arg(file, r.keptAs.front());
    } else if (!r.keptAs.isEmpty()) {
      text += QStringLiteral("\n%1 holds a second copy of %2; it may be deleted.")
                  .arg(r.keptAs.front(), file);
    } else {
      text += QStringLiteral(" Nothing was changed.");
    }
    p_.MessageBox(text, Buttons::Ok, Icon::Critical);
  } else {
    SyncDirectoryOf(*s_.Sys, file);
    // Half done: the file has the backup's version; its own is elsewhere,
    // so there is no backup to exchange with any more.
    SetUndoRedo(false, false);
    s_.WholeFileUndo = false;
    p_.MessageBox(
        QStringLiteral("%1 now holds the version from %2, but its former version couldn't "
                       "be named %2 (%3); it is kept as %4.")
            .arg(file, backup, Reason(r.error), r.keptAs.front()),
        Buttons::Ok, Icon::Critical);
  }
  // The page is read again from whichever version now has the name.
  ReopenFile();
}

bool IO::CopyRange(TempFileWriter& out, std::int64_t first, std::int64_t last) {
  return CopyRange(out, s_.File1, first, last);
}

void IO::EndInPlaceChange() {
  s_.WholeFileUndo = false;
  SetUndoRedo(false, false);
  s_.Dirty = false;
  ReopenFile();
}

bool IO::CopyRange(TempFileWriter& out, const BinaryFile& from, std::int64_t first,
                   std::int64_t last) {
  // Only an operation that can be cancelled stops here when Cancel is pressed.
  const bool cancellable = s_.OperationRunning;
  OperationPacer pacer(s_, p_);
  for (std::int64_t at = first; at <= last;) {
    const std::int64_t to = last - at >= kCopyStep ? at + kCopyStep - 1 : last;
    if (!out.CopyRange(from, at, to)) return false;
    if (to == last) break;
    at = to + 1;
    if (!pacer.Step(at - first, last - first + 1) && cancellable) return false;
  }
  return !out.Failed();
}

bool IO::BeginFileOperation(TempFileWriter& out) {
  if (s_.File1.IsDevice()) {
    p_.MessageBox(QStringLiteral("%1 is a device: its bytes can be changed page by page, but it "
                                 "can't be rewritten.")
                      .arg(s_.Current.FileName),
                  Buttons::Ok, Icon::Critical);
    return false;
  }
  if (RefuseIfChanged() || !BackupMayBeReplaced()) return false;
  if (!out.Create(s_.Current.FileName, *s_.Sys)) {
    p_.MessageBox(out.Error(), Buttons::Ok, Icon::Critical);
    return false;
  }
  // A disk image with holes keeps them.
  struct stat st {};
  if (s_.Sys->Fstat(s_.File1.Descriptor(), &st) == 0 &&
      static_cast<std::int64_t>(st.st_blocks) * 512 < st.st_size) {
    out.KeepHoles(true);
  }
  return true;
}

bool IO::EndFileOperation(TempFileWriter& out) {
  bool committed = false;
  if (out.Failed()) {
    p_.MessageBox(out.Error() + QStringLiteral("\nOperation aborted; the file was not changed."),
                  Buttons::Ok, Icon::Critical);
    SayLeftovers({out.Discard()});
    // A source that ended early was most likely cut short by another program.
    (void)RefuseIfChanged();
  } else if (s_.OperationRunning) {
    committed = CommitFileOperation(out);
  } else {
    SayLeftovers({out.Discard()});
    s_.Current.CursorOffset = 0;
    GoToCursor();
  }
  s_.OperationRunning = false;
  return committed;
}

bool IO::CommitFileOperation(TempFileWriter& out) {
  const QString aborted = QStringLiteral("\nOperation aborted; the file was not changed.");
  struct stat original {};
  if (!out.Failed() && s_.Sys->Fstat(s_.File1.Descriptor(), &original) != 0) {
    p_.MessageBox(QStringLiteral("Couldn't read the attributes of %1: %2")
                          .arg(s_.Current.FileName, Reason(errno)) +
                      aborted,
                  Buttons::Ok, Icon::Critical);
    SayLeftovers({out.Discard()});
    return false;
  }
  // The window stays live while the data reaches the disk.
  const bool cancellable = s_.OperationRunning;
  if (out.Failed() || !out.MatchOwnerAndMode(original) ||
      !out.Finish([this] { p_.ProcessEvents(); })) {
    // A damaged temporary file is never committed; the file is untouched.
    p_.MessageBox(out.Error() + aborted, Buttons::Ok, Icon::Critical);
    SayLeftovers({out.Discard()});
    return false;
  }
  if (cancellable && !s_.OperationRunning) {
    // Cancel pressed while the sync ran: nothing is renamed yet, so it still counts.
    SayLeftovers({out.Discard()});
    s_.Current.CursorOffset = 0;
    GoToCursor();
    return false;
  }
  // Another program's change while the operation ran would be lost under
  // the backup's name.
  if (RefuseIfChanged()) {
    SayLeftovers({out.Discard()});
    return false;
  }
  // The name must still be the file written: a link or another file put in
  // its place would be renamed over the user's file.
  const FileStamp written = out.Stamp();
  int e = errno;
  struct stat named {};
  const bool seen =
      written.Valid() && s_.Sys->Lstat(NativeName(out.Path()).constData(), &named) == 0;
  if (written.Valid()) e = errno;
  if (!seen && (!written.Valid() || e != ENOENT)) {
    p_.MessageBox(QStringLiteral("Couldn't check that the temporary file %1 is still the one "
                                 "written: %2")
                          .arg(out.Path(), Reason(e)) +
                      aborted +
                      QStringLiteral("\nThe temporary file is left in place; opening the file "
                                     "again offers to delete it."),
                  Buttons::Ok, Icon::Critical);
    out.Release();  // unchecked, the name may not be ours to delete
    return false;
  }
  if (!seen || !S_ISREG(named.st_mode) || !FileStamp::Of(named).SameFile(written)) {
    p_.MessageBox(QStringLiteral("The temporary file %1 is gone or was replaced by something else.")
                          .arg(out.Path()) +
                      aborted,
                  Buttons::Ok, Icon::Critical);
    out.Release();  // what has the name now is not ours to delete
    return false;
  }
  s_.Dirty = false;
  const bool committed = ReplaceWithBackup(out.Path());
  if (committed) {
    out.Release();
  } else {
    SayLeftovers({out.Discard()});
  }
  ReopenFile();
  if (!committed) {
    s_.Current.CursorOffset = 0;
    GoToCursor();
  }
  return committed;
}

void IO::SayLeftovers(QStringList names) {
  names.removeAll(QString());
  if (names.isEmpty()) return;
  p_.MessageBox(QStringLiteral("Couldn't delete the temporary file %1; opening the file again "
                               "offers to delete it.")
                    .arg(names.join(QStringLiteral(", "))),
                Buttons::Ok, Icon::Critical);
}

bool IO::BackupMayBeReplaced() {
  const QString file = s_.Current.FileName;
  const QString backup = BackupPath();
  backupAtStart_ = {};
  struct stat st {};
  if (s_.Sys->Lstat(NativeName(backup).constData(), &st) != 0) {
    const int e = errno;
    if (e == ENOENT) return true;
    p_.MessageBox(QStringLiteral("Couldn't check %1: %2").arg(backup, Reason(e)), Buttons::Ok,
                  Icon::Critical);
    return false;
  }
  const FileStamp there = FileStamp::Of(st);
  // A second name of the file itself loses nothing: it keeps the old content.
  const QString owner = there.SameFile(s_.Seen) ? file : BackupOwner(p_, backup, there);
  if (owner != file) {
    const QString text =
        owner.isEmpty()
            ? QStringLiteral(
                  "%1 exists and was not made by Quellox as a backup. Replace it with "
                  "the backup of %2?")
                  .arg(backup, file)
            : QStringLiteral("%1 is the backup of %2. Replace it with the backup of %3?")
                  .arg(backup, owner, file);
    if (p_.MessageBox(text, Buttons::YesNo, Icon::None, kProductTitle, Answer::No) != Answer::Yes) {
      return false;
    }
  }
  backupAtStart_ = there;
  return true;
}

bool IO::BackupNameUnchanged() {
  const QString backup = BackupPath();
  struct stat st {};
  FileStamp now;
  if (s_.Sys->Lstat(NativeName(backup).constData(), &st) == 0) {
    now = FileStamp::Of(st);
  } else if (const int e = errno; e != ENOENT) {
    p_.MessageBox(QStringLiteral("Couldn't check %1: %2").arg(backup, Reason(e)) +
                      QStringLiteral("\nOperation aborted; the file was not changed."),
                  Buttons::Ok, Icon::Critical);
    return false;
  }
  // Gone since is fine: nothing there can be lost.
  if (!now.Valid() || now == backupAtStart_) return true;
  p_.MessageBox(QStringLiteral("%1 was changed or created by another program while the operation "
                               "ran, so it is not replaced with the backup of %2.\nOperation "
                               "aborted; the file was not changed.")
                    .arg(backup, s_.Current.FileName),
                Buttons::Ok, Icon::Critical);
  return false;
}

bool IO::RememberBackupMade() {
  const QString backup = BackupPath();
  struct stat st {};
  s_.BackupSeen = {};
  if (s_.Sys->Lstat(NativeName(backup).constData(), &st) != 0) return false;
  s_.BackupSeen = FileStamp::Of(st);
  RememberBackup(p_, s_.Current.FileName, backup, s_.BackupSeen);
  return true;
}

void IO::KeepKnowingBackup() {
  struct stat st {};
  if (!backupAtStart_.Valid() || s_.Sys->Lstat(NativeName(BackupPath()).constData(), &st) != 0) {
    return;
  }
  const FileStamp now = FileStamp::Of(st);
  if (!now.SameFile(backupAtStart_) || now == backupAtStart_) return;
  if (s_.BackupSeen == backupAtStart_) s_.BackupSeen = now;
  const QString owner = BackupOwner(p_, BackupPath(), backupAtStart_);
  if (!owner.isEmpty()) RememberBackup(p_, owner, BackupPath(), now);
}

bool IO::ReplaceWithBackup(const QString& tempPath) {
  const QString file = s_.Current.FileName;
  const QString backup = BackupPath();
  if (!BackupNameUnchanged()) return false;
  s_.File1.Close();
  const RenameOutcome r = ReplaceKeepingBackup(*s_.Sys, file, tempPath, backup);
  if (r.swapped) SyncDirectoryOf(*s_.Sys, file);
  SayLeftovers(r.leftovers);
  if (r.error == 0) {
    // Undo needs the backup's stamp as the renames left it.
    const bool known = RememberBackupMade();
    s_.WholeFileUndo = known;
    SetUndoRedo(known, false);
    if (!r.keptAs.isEmpty()) {
      p_.MessageBox(
          QStringLiteral("The file was changed and %1 holds its previous version, but the "
                         "backup before it couldn't be deleted: it is kept as %2.")
              .arg(backup, r.keptAs.front()));
    }
    return true;
  }
  const QString why = QStringLiteral(": ") + Reason(r.error) + QStringLiteral(".");
  if (r.swapped) {
    // The new content has the name, but the old one is not the backup.
    s_.WholeFileUndo = false;
    SetUndoRedo(false, false);
    p_.MessageBox(QStringLiteral("The file was changed, but its previous version couldn't be named "
                                 "%1%2\nThe previous version is kept as %3; Undo is not possible.")
                      .arg(backup, why, r.keptAs.front()),
                  Buttons::Ok, Icon::Critical);
    return true;
  }
  KeepKnowingBackup();
  QString text = QStringLiteral("Couldn't create a backup file. Operation aborted") + why;
  if (r.nameMissing) {
    text += QStringLiteral("\nThe content of %1 is now named %2.").arg(file, r.keptAs.front());
    if (r.keptAs.size() > 1) {
      text += QStringLiteral("\nThe previous backup is kept as %1.").arg(r.keptAs.at(1));
    }
  } else {
    text += QStringLiteral("\nThe file was not changed.");
    if (!r.keptAs.isEmpty()) {
      text += QStringLiteral("\nThe previous backup is kept as %1.").arg(r.keptAs.front());
    }
  }
  p_.MessageBox(text, Buttons::Ok, Icon::Critical);
  return false;
}

}  // namespace qx
