// Opening, switching and closing files, and reading and placing the page.
#include "core/IO.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>

#include "core/ClipFile.h"
#include "core/EbcdicHint.h"
#include "core/FileExchange.h"
#include "core/FileMemory.h"
#include "core/NativeName.h"
#include "core/Posix.h"
#include "core/SettingFields.h"

namespace qx {

namespace {

// Opens path for reading and writing when the user may write it, for
// reading alone otherwise. False when it cannot be read at all.
bool OpenBestAccess(BinaryFile& file, const QString& path, bool& readOnly, SysCalls& sys) {
  if (file.Open(path, true, sys)) {
    readOnly = false;
    return true;
  }
  if (errno != EACCES && errno != EROFS && errno != EPERM && errno != ETXTBSY) return false;
  readOnly = true;
  return file.Open(path, false, sys);
}

QString CouldNotOpen(const QString& path, const BinaryFile& file) {
  return QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") + file.Error();
}

// Offsets and lengths in messages, grouped as the status boxes show them.
QString Grouped(std::int64_t n) {
  return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(n));
}

QString SettingKey(int index) {
  return QString::number(index + 1);
}

}  // namespace

void IO::LoadSettings() {
  for (int i = 0; i < kRecentFileCount; ++i) {
    s_.RecentFiles[i] = PathFromSetting(p_.ReadSetting(QStringLiteral("Filenames"), SettingKey(i)));
  }
  s_.ClipFile = ClipFilePath();
  v_.UpdateRecentFiles();
  v_.DisplayState();
}

bool IO::TooManyFiles() {
  if (s_.OpenFileCount < kMaxOpenFiles) return false;
  p_.MessageBox(
      QStringLiteral("Four files are open. Please close one file before opening another."));
  return true;
}

bool IO::FileExists(const QString& path, SysCalls& sys) {
  if (path.isEmpty()) return false;
  struct stat st {};
  return sys.Stat(NativeName(path).constData(), &st) == 0;
}

QString IO::WhyMissing(const QString& path, SysCalls& sys) {
  struct stat st {};
  const int e = sys.Stat(NativeName(path).constData(), &st) == 0 ? ENOENT : errno;
  return Reason(e);
}

void IO::ApplyReadOnly(bool readOnly) {
  s_.ReadOnly = readOnly;
  v_.ReadOnlyChanged();
}

void IO::RecomputeLengths() {
  s_.WorkingLength = s_.FileLength - s_.Current.WorkingBase;
  s_.RecordCount = RecordCountFor(s_.WorkingLength, s_.Current.RecordLength);
  s_.ScrollScale = static_cast<double>(std::max<std::int64_t>(s_.WorkingLength, 0)) / 32767.0;
}

void IO::OpenFile(const QString& requested) {
  if (BusyRefused() || requested.isEmpty()) return;
  if (!FileExists(requested, *s_.Sys)) {
    p_.MessageBox(QStringLiteral("Couldn't find ") + QFileInfo(requested).absoluteFilePath() +
                      QStringLiteral(": ") + WhyMissing(requested, *s_.Sys),
                  Buttons::Ok, Icon::Critical);
    return;
  }
  // One file has one name in the table, however it was typed; a link is
  // followed once, here, so that every write, rename and backup is the
  // target's.
  const QString path = CanonicalPath(requested, *s_.Sys);
  if (path == s_.Current.FileName) return;
  // Open before anything changes, so that a file that cannot be read
  // leaves the table and the current file as they were.
  BinaryFile file;
  bool readOnly = false;
  if (!OpenBestAccess(file, path, readOnly, *s_.Sys)) {
    p_.MessageBox(CouldNotOpen(path, file), Buttons::Ok, Icon::Critical);
    return;
  }
  // An edit on the page of the file we leave is offered for saving first.
  CheckDirty();

  s_.OpenFiles[0] = s_.Current;
  s_.File1.Close();

  for (int i = 0; i < kMaxOpenFiles; ++i) {
    if (s_.OpenFiles[i].FileName != path) continue;
    const FileState chosen = s_.OpenFiles[i];
    for (int j = i - 1; j >= 0; --j) s_.OpenFiles[j + 1] = s_.OpenFiles[j];
    s_.OpenFiles[0] = chosen;
    MakeSlotZeroCurrent(std::move(file), readOnly);
    return;
  }

  for (int j = kMaxOpenFiles - 2; j >= 0; --j) s_.OpenFiles[j + 1] = s_.OpenFiles[j];
  ResetFileState();
  ApplyReadOnly(readOnly);
  s_.Current.FileName = path;
  s_.File1 = std::move(file);
  s_.FileLength = std::max<std::int64_t>(s_.File1.Length(), 0);
  RememberFile();
  s_.WorkingLength = s_.FileLength;
  if (s_.FileLength < s_.Current.RecordLength) {
    // An empty file keeps a record length of 1: nothing may divide by zero.
    s_.Current.RecordLength = static_cast<std::int16_t>(std::max<std::int64_t>(s_.FileLength, 1));
  }
  s_.Current.WorkingBase = 0;
  s_.Current.BufferTop = 0;
  bool hint = false;
  if (const std::optional<FileGeometry> kept = RecallGeometry(p_, path)) {
    // A file that shrank below its base shows from its start.
    if (kept->WorkingBase < s_.FileLength) s_.Current.WorkingBase = kept->WorkingBase;
    s_.Current.RecordLength = kept->RecordLength;
    s_.Current.CharSet = kept->CharSet;
    s_.Current.RecordView = kept->RecordView;
    s_.Current.ShowHex = kept->ShowHex;
    s_.Current.Copybook = kept->Copybook;
    s_.Current.LayoutKind = kept->LayoutKind;
    s_.Current.Layout = kept->Layout;
  } else {
    std::vector<std::uint8_t> sample(
        static_cast<std::size_t>(std::min(s_.FileLength, kHintSampleBytes)));
    const std::int64_t got = s_.File1.ReadAt(0, sample.data(), std::ssize(sample));
    if (got == std::ssize(sample) && LooksLikeEbcdic(sample)) hint = true;
  }
  RecomputeLengths();
  s_.OpenFiles[0] = s_.Current;
  v_.UpdateWindows();
  ReadPage();
  v_.LoadDisplay();
  SetUndoRedo(false, false);
  AddRecentFile();
  v_.UpdateRecentFiles();
  ++s_.OpenFileCount;
  v_.DisplayState();
  if (hint && s_.CharSetHint) p_.ShowMessage(kEbcdicHint);
  OfferLeftovers(path);
}

void IO::OfferLeftovers(const QString& path) {
  const QDir dir(DirectoryOf(path));
  const QStringList names = dir.entryList({QStringLiteral("qxtmp*"), QStringLiteral("qxswap*")},
                                          QDir::Files | QDir::Hidden);
  // A running operation holds its lock; only what nobody holds is left over.
  // size, when given, gets the file's length.
  const auto unlockedOfMine = [this](const QString& file, std::int64_t* size = nullptr) {
    const QByteArray name = NativeName(file);
    struct stat st {};
    if (s_.Sys->Lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid()) {
      return false;
    }
    if (size) *size = st.st_size;
    const int fd = s_.Sys->Open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool free = s_.Sys->Flock(fd, LOCK_EX | LOCK_NB) == 0;
    (void)s_.Sys->Close(fd);
    return free;
  };
  QStringList found;
  QString listing;
  for (const QString& name : names) {
    const QString file = dir.filePath(name);
    std::int64_t size = 0;
    if (!unlockedOfMine(file, &size)) continue;
    found << file;
    listing += QStringLiteral("\n") + name + QStringLiteral(" (") + Grouped(size) +
               QStringLiteral(" bytes)");
  }
  if (found.isEmpty()) return;
  const QString text =
      QStringLiteral(
          "%1 holds %2 temporary file(s) left by an operation that was interrupted:%3"
          "\nDelete them?")
          .arg(dir.path())
          .arg(found.size())
          .arg(listing);
  if (p_.MessageBox(text, Buttons::YesNo) != Answer::Yes) return;
  QStringList kept;
  for (const QString& file : found) {
    // Checked again: an operation may have begun meanwhile.
    if (!unlockedOfMine(file) || s_.Sys->Unlink(NativeName(file).constData()) != 0) {
      kept << file;
    }
  }
  if (!kept.isEmpty()) {
    p_.MessageBox(QStringLiteral("Couldn't delete ") + kept.join(QStringLiteral(", ")));
  }
}

void IO::MakeSlotZeroCurrent(BinaryFile file, bool readOnly) {
  s_.Current = s_.OpenFiles[0];
  ApplyReadOnly(readOnly);
  // Undo images and backups belong to the file that was current.
  SetUndoRedo(false, false);
  s_.Dirty = false;
  s_.File1 = std::move(file);
  ReopenFile();
}

void IO::OpenRecentFile(int index) {
  if (index < 0 || index >= kRecentFileCount || TooManyFiles()) return;
  const QString path = s_.RecentFiles[index];
  if (FileExists(path, *s_.Sys)) {
    OpenFile(path);
  } else {
    p_.MessageBox(
        QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") + WhyMissing(path, *s_.Sys),
        Buttons::Ok, Icon::Critical);
  }
}

void IO::SwitchToWindow(int index) {
  if (index < 1 || index >= kMaxOpenFiles) return;
  OpenFile(s_.OpenFiles[index].FileName);
}

void IO::CloseFile() {
  // An empty file (or one emptied past its working base) can be closed too.
  if (BusyRefused() || s_.Current.FileName.isEmpty()) return;
  CheckDirty();
  s_.File1.Close();
  s_.PageBuffer.fill(0);
  ResetFileState();
  for (int j = 0; j < kMaxOpenFiles - 1; ++j) s_.OpenFiles[j] = s_.OpenFiles[j + 1];
  s_.OpenFiles[kMaxOpenFiles - 1] = FileState{};
  s_.OpenFiles[kMaxOpenFiles - 1].FileName.clear();
  --s_.OpenFileCount;

  while (!s_.OpenFiles[0].FileName.isEmpty()) {
    BinaryFile file;
    bool readOnly = false;
    const QString path = s_.OpenFiles[0].FileName;
    if (OpenBestAccess(file, path, readOnly, *s_.Sys)) {
      MakeSlotZeroCurrent(std::move(file), readOnly);
      return;
    }
    // It vanished while it waited in the table: drop it as well.
    p_.MessageBox(CouldNotOpen(path, file), Buttons::Ok, Icon::Critical);
    for (int j = 0; j < kMaxOpenFiles - 1; ++j) s_.OpenFiles[j] = s_.OpenFiles[j + 1];
    s_.OpenFiles[kMaxOpenFiles - 1] = FileState{};
    --s_.OpenFileCount;
  }
  v_.UpdateWindows();
  v_.LoadDisplay();
  v_.FocusFileBar();
}

void IO::ResetFileState() {
  ApplyReadOnly(false);
  s_.Dirty = false;
  s_.Current = FileState{};
  s_.FileLength = 0;
  s_.WorkingLength = 0;
  s_.RecordCount = 0;
  s_.RecordNumber = 0;
  s_.FieldOffset = 0;
  s_.ScrollScale = 0.0;
  s_.SearchPosition = 0;
  s_.RangeStart = 0;
  s_.RangeEnd = 0;
  ClearMarks(s_);
  v_.ResetScrollBar();
  v_.DisplayState();
}

void IO::AddRecentFile() {
  const QString name = s_.Current.FileName;
  if (name.isEmpty()) return;
  auto& list = s_.RecentFiles;
  const auto at = std::find(list.begin(), list.end(), name);
  const int from = at != list.end() ? static_cast<int>(at - list.begin()) : kRecentFileCount - 1;
  for (int j = from - 1; j >= 0; --j) list[j + 1] = list[j];
  list[0] = name;
  for (int i = 0; i < kRecentFileCount; ++i) {
    p_.WriteSetting(QStringLiteral("Filenames"), SettingKey(i), PathSetting(list[i]));
  }
}

void IO::ReadPage() {
  // The record view has its own screen to read; a failed read of the page
  // it does not show would only say so twice.
  if (s_.WorkingLength < 1 || s_.Current.RecordView) return;
  s_.PageBuffer.fill(0);
  s_.PageWhole = true;
  const std::int64_t at = s_.Current.WorkingBase + s_.Current.BufferTop;
  const std::int64_t want = at < 0 ? 0 : std::clamp<std::int64_t>(s_.FileLength - at, 0, kPageSize);
  const std::int64_t got = want > 0 ? s_.File1.ReadAt(at, s_.PageBuffer.data(), want) : 0;
  s_.CleanPage = s_.PageBuffer;
  if (got == want) return;
  const int e = errno;
  // Zeros where bytes could not be read must never reach the file.
  s_.PageWhole = false;
  SayUnread(QStringLiteral("the page"), at, got, e);
}

void IO::SayUnread(const QString& what, std::int64_t at, std::int64_t got, int error) {
  if (got >= 0 && !reloading_ && FileChangedOnDisk()) {
    (void)RefuseIfChanged();
    return;
  }
  const QString why = got < 0
                          ? Reason(error)
                          : QStringLiteral(
                                "the file ends at offset %1; it may have been changed by another "
                                "program")
                                .arg(Grouped(at + got));
  p_.MessageBox(QStringLiteral("Couldn't read %1 at offset %2 of %3: %4")
                    .arg(what, Grouped(at), s_.Current.FileName, why),
                Buttons::Ok, Icon::Critical);
}

void IO::ReadRecords(std::int64_t start, std::int64_t length) {
  RecordBuffer& r = s_.Records;
  r.At = s_.Current.WorkingBase + start;
  r.Bytes.clear();
  r.Clean.clear();
  r.Edited.clear();
  r.Whole = true;
  ExtendRecords(length);
}

void IO::ExtendRecords(std::int64_t length) {
  RecordBuffer& r = s_.Records;
  length = std::clamp<std::int64_t>(length, 0, std::max<std::int64_t>(s_.FileLength - r.At, 0));
  const std::int64_t have = std::ssize(r.Bytes);
  if (length <= have) return;
  const auto size = static_cast<std::size_t>(length);
  r.Bytes.resize(size, 0);
  r.Edited.resize(size, false);
  const std::int64_t from = r.At + have;
  const std::int64_t got = s_.File1.ReadAt(from, r.Bytes.data() + have, length - have);
  const int e = errno;
  r.Clean.insert(r.Clean.end(), r.Bytes.begin() + have, r.Bytes.end());
  if (got == length - have) return;
  r.Whole = false;
  SayUnread(QStringLiteral("the records"), from, got, e);
}

void IO::RememberFile() {
  s_.Seen = s_.File1.Stamp();
}

IO::DiskCheck IO::CheckOnDisk(int& error) {
  error = 0;
  if (s_.Current.FileName.isEmpty() || !s_.File1.IsOpen()) return DiskCheck::Same;
  struct stat st {};
  if (s_.Sys->Lstat(NativeName(s_.Current.FileName).constData(), &st) != 0) {
    error = errno;
    // Only a missing name says the file is gone; any other error says nothing.
    return error == ENOENT || error == ENOTDIR ? DiskCheck::Changed : DiskCheck::Unknown;
  }
  FileStamp now = FileStamp::Of(st);
  if (s_.File1.IsDevice()) now.size = s_.File1.Length();
  return now == s_.Seen ? DiskCheck::Same : DiskCheck::Changed;
}

bool IO::FileChangedOnDisk() {
  int error = 0;
  return CheckOnDisk(error) != DiskCheck::Same;
}

bool IO::RefuseIfChanged() {
  int error = 0;
  const DiskCheck check = CheckOnDisk(error);
  if (check == DiskCheck::Same) return false;
  if (check == DiskCheck::Unknown) {
    p_.MessageBox(QStringLiteral("Couldn't check %1: %2").arg(s_.Current.FileName, Reason(error)),
                  Buttons::Ok, Icon::Critical);
    return true;
  }
  const std::int64_t before = s_.Seen.size;
  // The page and the undo images belong to the content the editor saw.
  s_.File1.Close();
  s_.Dirty = false;
  s_.WholeFileUndo = false;
  SetUndoRedo(false, false);
  reloading_ = true;
  ReopenFile();
  reloading_ = false;
  // A length never seen (the look after a write failed) is not told.
  const QString lengths =
      !s_.File1.IsOpen() ? QStringLiteral("it is gone")
      : before < 0       ? QStringLiteral("its length is now %1 bytes").arg(Grouped(s_.FileLength))
                         : QStringLiteral("its length was %1 bytes and is now %2")
                         .arg(Grouped(before), Grouped(s_.FileLength));
  p_.MessageBox(QStringLiteral("%1 was changed by another program: %2.\nNothing was written; "
                               "the file has been read again.")
                    .arg(s_.Current.FileName, lengths),
                Buttons::Ok, Icon::Critical);
  return true;
}

void IO::ReopenFile() {
  if (!s_.File1.IsOpen()) {
    bool readOnly = s_.ReadOnly;
    if (!OpenBestAccess(s_.File1, s_.Current.FileName, readOnly, *s_.Sys)) {
      p_.MessageBox(CouldNotOpen(s_.Current.FileName, s_.File1), Buttons::Ok, Icon::Critical);
    }
    if (readOnly != s_.ReadOnly) ApplyReadOnly(readOnly);
  }
  s_.FileLength = std::max<std::int64_t>(s_.File1.Length(), 0);
  RememberFile();
  // A file that is now shorter than the working base shows from its end,
  // never at a negative length.
  if (s_.Current.WorkingBase > s_.FileLength) s_.Current.WorkingBase = s_.FileLength;
  RecomputeLengths();
  v_.DisplayState();
  v_.UpdateWindows();
  ReadPage();
  v_.LoadDisplay();
  v_.SyncScrollBar();
}

void IO::GoToRequested() {
  if (s_.WorkingLength < 1) return;
  FileState& c = s_.Current;
  // Callers clamp the record; a stray one must not overflow the product.
  c.RequestedRecord =
      std::clamp<std::int64_t>(c.RequestedRecord, 0, std::max<std::int64_t>(s_.RecordCount - 1, 0));
  c.BufferTop = static_cast<std::int64_t>(c.RecordLength) * c.RequestedRecord;
  c.CursorOffset = c.BufferTop + c.RequestedOffset;
  if (c.RequestedOffset > 255) c.BufferTop = c.CursorOffset - 36;
  ShowPage();
  v_.FocusFileBar();
}

void IO::ShowPage() {
  ReadPage();
  v_.FollowCursor();
  v_.LoadDisplay();
  v_.SyncScrollBar();
}

void IO::CheckDirty() {
  if (!s_.Dirty) return;
  if (p_.MessageBox(QStringLiteral("Save Change?"), Buttons::YesNo) == Answer::Yes) {
    if (!ReadOnlyRefused() && s_.WorkingLength >= 1) SavePage();
  }
  if (!s_.Dirty) {
    v_.DisplayState();  // the marks of the edits go
    return;
  }
  // An edit not saved leaves the screen too: a later save of the same
  // screen would write it after all. The page keeps its undo image.
  s_.Dirty = false;
  RecordBuffer& r = s_.Records;
  r.Bytes = r.Clean;
  std::fill(r.Edited.begin(), r.Edited.end(), false);
  const Page image = s_.CleanPage;
  ReadPage();
  s_.CleanPage = image;
  v_.LoadDisplay();
}

void IO::GoToCursor() {
  if (s_.WorkingLength < 1) return;
  CheckDirty();
  const std::int64_t cursor = s_.Current.CursorOffset;
  s_.Current.BufferTop = cursor >= kPageSize ? cursor - 36 : 0;
  ShowPage();
}

bool IO::BusyRefused(const EditorState& s, Platform& p) {
  if (!s.OperationRunning) return false;
  p.Beep();
  return true;
}

bool IO::ReadOnlyRefused() {
  if (!s_.ReadOnly) return false;
  p_.MessageBox(QStringLiteral("File is read-only"));
  return true;
}

}  // namespace qx
