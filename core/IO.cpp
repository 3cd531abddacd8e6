// Opening, switching and closing files, and reading and placing the page.
#include "core/IO.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace qx {

namespace {

// Opens path for reading and writing when the user may write it, for
// reading alone otherwise. False when it cannot be read at all.
bool OpenBestAccess(BinaryFile& file, const QString& path, bool& readOnly) {
  if (file.Open(path, true)) {
    readOnly = false;
    return true;
  }
  if (errno != EACCES && errno != EROFS && errno != EPERM && errno != ETXTBSY) return false;
  readOnly = true;
  return file.Open(path, false);
}

QString SettingKey(int index) {
  return QString::number(index + 1);
}

}  // namespace

void IO::LoadSettings() {
  for (int i = 0; i < kRecentFileCount; ++i) {
    s_.RecentFiles[i] = p_.ReadSetting(QStringLiteral("Filenames"), SettingKey(i));
  }
  QString dir = qEnvironmentVariable("TEMP");
  if (dir.isEmpty()) dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty()) dir = QDir::tempPath();
  s_.ClipFile = QDir(dir).filePath(QStringLiteral("qx$$qx.$$$"));
  v_.UpdateRecentFiles();
  v_.DisplayState();
}

bool IO::TooManyFiles() {
  if (s_.OpenFileCount < kMaxOpenFiles) return false;
  p_.MessageBox(
      QStringLiteral("Four files are open. Please close one file before opening another."));
  return true;
}

bool IO::FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0;
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
  if (requested.isEmpty()) return;
  // One file has one name in the table, however it was typed.
  const QString path = QFileInfo(requested).absoluteFilePath();
  if (path == s_.Current.FileName) return;
  if (!FileExists(path)) {
    p_.MessageBox(QStringLiteral("Couldn't find ") + path);
    return;
  }
  // Open before anything changes, so that a file that cannot be read
  // leaves the table and the current file as they were.
  BinaryFile file;
  bool readOnly = false;
  if (!OpenBestAccess(file, path, readOnly)) {
    p_.MessageBox(QStringLiteral("Couldn't open ") + path);
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
  s_.WorkingLength = s_.FileLength;
  if (s_.FileLength < s_.Current.RecordLength) {
    // An empty file keeps a record length of 1: nothing may divide by zero.
    s_.Current.RecordLength = static_cast<std::int16_t>(std::max<std::int64_t>(s_.FileLength, 1));
  }
  s_.Current.WorkingBase = 0;
  s_.Current.BufferTop = 0;
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
  if (FileExists(path)) {
    OpenFile(path);
  } else {
    p_.MessageBox(QStringLiteral("Couldn't open ") + path);
  }
}

void IO::SwitchToWindow(int index) {
  if (index < 1 || index >= kMaxOpenFiles) return;
  OpenFile(s_.OpenFiles[index].FileName);
}

void IO::CloseFile() {
  // An empty file (or one emptied past its working base) can be closed too.
  if (s_.Current.FileName.isEmpty()) return;
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
    if (OpenBestAccess(file, path, readOnly)) {
      MakeSlotZeroCurrent(std::move(file), readOnly);
      return;
    }
    // It vanished while it waited in the table: drop it as well.
    p_.MessageBox(QStringLiteral("Couldn't open ") + path);
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
    p_.WriteSetting(QStringLiteral("Filenames"), SettingKey(i), list[i]);
  }
}

void IO::ReadPage() {
  if (s_.WorkingLength < 1) return;
  s_.PageBuffer.fill(0);
  const std::int64_t at = s_.Current.WorkingBase + s_.Current.BufferTop;
  // A file that shrank or vanished under us shows what can still be read.
  if (at >= 0) (void)s_.File1.ReadAt(at, s_.PageBuffer.data(), kPageSize);
  s_.CleanPage = s_.PageBuffer;
}

void IO::ReopenFile() {
  if (!s_.File1.IsOpen()) {
    bool readOnly = s_.ReadOnly;
    if (!OpenBestAccess(s_.File1, s_.Current.FileName, readOnly)) {
      p_.MessageBox(QStringLiteral("Couldn't open ") + s_.Current.FileName);
    }
    if (readOnly != s_.ReadOnly) ApplyReadOnly(readOnly);
  }
  s_.FileLength = std::max<std::int64_t>(s_.File1.Length(), 0);
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
  c.BufferTop = static_cast<std::int64_t>(c.RecordLength) * c.RequestedRecord;
  c.CursorOffset = c.BufferTop + c.RequestedOffset;
  if (c.RequestedOffset > 255) c.BufferTop = c.CursorOffset - 36;
  ShowPage();
  v_.FocusFileBar();
}

void IO::ShowPage() {
  ReadPage();
  v_.LoadDisplay();
  v_.SyncScrollBar();
}

void IO::CheckDirty() {
  if (!s_.Dirty) return;
  if (p_.MessageBox(QStringLiteral("Save Change?"), Buttons::YesNo) == Answer::Yes) {
    if (!ReadOnlyRefused() && s_.WorkingLength >= 1) SavePage();
  }
  s_.Dirty = false;
}

void IO::GoToCursor() {
  if (s_.WorkingLength < 1) return;
  CheckDirty();
  const std::int64_t cursor = s_.Current.CursorOffset;
  s_.Current.BufferTop = cursor >= kPageSize ? cursor - 36 : 0;
  ShowPage();
}

bool IO::ReadOnlyRefused() {
  if (!s_.ReadOnly) return false;
  p_.MessageBox(QStringLiteral("File is read-only"));
  return true;
}

}  // namespace qx
