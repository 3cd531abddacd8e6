// The file routines of the editor: opening, switching and closing files,
// reading and writing the page, the undo images, and the commit of
// whole-file operations. They change the window only through FileView and
// speak to the user only through Platform.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/Declare.h"
#include "core/FileView.h"
#include "core/SysCalls.h"
#include "core/TempFileWriter.h"
#include "platform/Platform.h"

namespace qx {

class IO {
 public:
  IO(EditorState& s, Platform& p, FileView& v) : s_(s), p_(p), v_(v) {}

  EditorState& State() { return s_; }
  Platform& Plat() { return p_; }
  FileView& View() { return v_; }

  // ---- Opening, switching, closing ----
  // Start-up: recent files from the settings store, clip file path.
  void LoadSettings();
  bool TooManyFiles();
  static bool FileExists(const QString& path, SysCalls& sys = SysCalls::Real());
  // Why path cannot be found, in the system's words ("No such file or
  // directory", "Permission denied"), for the end of a message.
  static QString WhyMissing(const QString& path, SysCalls& sys = SysCalls::Real());
  // Opens path, or makes it current again when it is open already.
  void OpenFile(const QString& path);
  // The recent-file command of item index.
  void OpenRecentFile(int index);
  // The Window menu command of item index.
  void SwitchToWindow(int index);
  // The Close File command.
  void CloseFile();
  void ResetFileState();
  void AddRecentFile();

  // ---- The page ----
  void ReadPage();
  // The record view's screen: bytes start .. start + length - 1 of the
  // working area, read into Records with nothing edited.
  void ReadRecords(std::int64_t start, std::int64_t length);
  // Reads the records after those in Records, up to length bytes in all
  // (a taller window); the edits of those already there stay.
  void ExtendRecords(std::int64_t length);
  void ReopenFile();
  void GoToRequested();
  // ReadPage, LoadDisplay and bring the scroll bar in line.
  void ShowPage();
  // Offers a changed page for saving ("Save Change?").
  void CheckDirty();
  // Brings the page back to the cursor (36 bytes before it when far).
  void GoToCursor();
  // "File is read-only" and true when the current file may not be written.
  bool ReadOnlyRefused();
  // While a long operation runs, nothing else may start from inside its
  // events: a beep, and true.
  bool BusyRefused() { return BusyRefused(s_, p_); }
  static bool BusyRefused(const EditorState& s, Platform& p);
  // True when another program changed, replaced or removed the file since
  // the editor last saw it.
  bool FileChangedOnDisk();
  // When the file changed on disk: says so, reads it again (the unsaved page
  // and the undo state go: they belong to the old content) and returns true.
  bool RefuseIfChanged();

  // ---- Saving, undo and redo ----
  // Saves the page, or in the record view the edited span of the records.
  void SavePage();
  // False when nothing was written (read-only, or a write error).
  bool WritePage();
  void UndoChange();
  void RedoChange();
  // The enabling rule of Undo and Redo lives here alone.
  void SetUndoRedo(bool undo, bool redo);

  // ---- Whole-file operations ----
  // Creates out beside the current file, after checking that the file may
  // be rewritten (not a device, not changed by another program). False,
  // with the message shown, when the operation must not start.
  [[nodiscard]] bool BeginFileOperation(TempFileWriter& out);
  // Appends bytes first..last (absolute offsets of the current file) to out.
  // False when out failed, or when Cancel stopped a cancellable operation
  // during the copy; either way the caller stops and calls EndFileOperation.
  [[nodiscard]] bool CopyRange(TempFileWriter& out, std::int64_t first, std::int64_t last);
  // The same from another open file (a paste's source).
  [[nodiscard]] bool CopyRange(TempFileWriter& out, const BinaryFile& from, std::int64_t first,
                               std::int64_t last);
  // After a change written into the file in place (overlay, fill): there is
  // no backup, so Undo and Redo go; the lengths and the page are read again.
  void EndInPlaceChange();
  // Commits out while OperationRunning is true, else discards it and shows
  // the file from offset 0. A writer that failed is never committed.
  // True when the new content became the file.
  bool EndFileOperation(TempFileWriter& out);
  // Replaces the current file by out, keeping the old one as its backup.
  bool CommitFileOperation(TempFileWriter& out);
  // The renames of a commit; false (and the message) when the file did not
  // get the new content. Undo is enabled only when the backup holds the old.
  bool ReplaceWithBackup(const QString& tempPath);
  // The backup name of the current file.
  QString BackupPath() const;
  // Names the temporary files that could not be deleted (empty names are
  // skipped): the next open offers to delete them.
  void SayLeftovers(QStringList names);

 private:
  enum class DiskCheck { Same, Changed, Unknown };
  // Unknown when the name could not be looked at (error says why).
  DiskCheck CheckOnDisk(int& error);
  void RecomputeLengths();
  // Takes note of the file as it is on disk now.
  void RememberFile();
  void SaveRecords();
  // What Save Sector writes in place: n bytes of the screen at a file offset,
  // from a screen (the page or the records) read at readAt.
  struct ScreenSpan {
    bool records = false;
    std::int64_t readAt = 0;
    bool whole = true;  // the screen was read whole
    std::int64_t at = 0;
    const std::uint8_t* bytes = nullptr;
    std::int64_t n = 0;
  };
  // The one write of both saves: refused on a read-only file, a file another
  // program changed, or a screen not read whole; a failure is said.
  bool WriteScreenSpan(const ScreenSpan& span);
  // Makes the write of n bytes at a file offset the one Undo takes back
  // (the caller then enables Undo, once the screen is clean).
  void KeepUndoImages(std::int64_t at, const std::uint8_t* before, const std::uint8_t* after,
                      std::int64_t n);
  // Writes bytes of the page (or of what) at a file offset; a failure is said.
  bool WritePageBytes(std::int64_t at, const std::uint8_t* bytes, std::int64_t n,
                      const QString& what = QStringLiteral("the page"));
  // The page Undo and Redo: the image goes back to its file offset.
  bool WritePageImage(const std::vector<std::uint8_t>& image);
  // The whole-file Undo and Redo: exchange the file with its backup.
  void ExchangeWithBackup(const QString& command);
  // Asks before a file at the backup name that is no backup of this file
  // is replaced; false when the operation must not start.
  bool BackupMayBeReplaced();
  // False (and the message) when the backup name changed since the start.
  bool BackupNameUnchanged();
  // Takes note of the backup just made or exchanged, as it is on disk now;
  // false when it could not be looked at.
  bool RememberBackupMade();
  // After a failed commit: a backup that stepped aside and came back is
  // still the one it was.
  void KeepKnowingBackup();
  // Offers to delete the unlocked temporary files of this user found beside
  // path: leftovers of an operation that was killed.
  void OfferLeftovers(const QString& path);
  // After a short read of what at offset at: another program's change is
  // read again; anything else is said, with the system's words.
  void SayUnread(const QString& what, std::int64_t at, std::int64_t got, int error);
  bool reloading_ = false;
  // What the backup name held when the operation began (invalid: nothing).
  FileStamp backupAtStart_;
  void ApplyReadOnly(bool readOnly);
  // Restores the saved state of slot 0 as the current file, open as file.
  void MakeSlotZeroCurrent(BinaryFile file, bool readOnly);

  EditorState& s_;
  Platform& p_;
  FileView& v_;
};

}  // namespace qx
