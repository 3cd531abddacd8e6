// The shared state of the editor: the current file, the open-file table,
// the page, the undo images and the search state. One EditorState is owned
// by the application (or by a test) and passed by reference.
#pragma once

#include <QString>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "core/BinaryFile.h"
#include "core/CharacterSet.h"

namespace qx {

constexpr int kPageSize = 256;
constexpr int kMarkCount = 26;
constexpr int kMaxOpenFiles = 4;
constexpr int kRecentFileCount = 4;
constexpr std::int16_t kDefaultRecordLength = 256;
constexpr std::int16_t kMaxRecordLength = 32767;
constexpr int kScrollMax = 32767;

using Page = std::array<std::uint8_t, kPageSize>;

struct MarkEntry {
  std::int64_t BufferTop = 0;
  std::int64_t CursorOffset = 0;
};

// What a layout reads that its copybook cannot say (the layer above keeps
// the layout itself).
struct LayoutFlags {
  bool LittleEndian = false;  // binary and floating point byte order
  bool PToY = false;          // ASCII negative sign as p..y, not overpunch
  bool IeeeFloat = false;     // not IBM hexadecimal
  // The alternative chosen in each REDEFINES area of the kind in use;
  // empty (or not one per area) is the first of each.
  std::vector<int> Alternatives{};
  bool operator==(const LayoutFlags&) const = default;
};

// One open file. Every offset is relative to WorkingBase.
struct FileState {
  QString FileName;  // empty: the slot is free / no file
  std::int64_t WorkingBase = 0;
  std::int16_t RecordLength = kDefaultRecordLength;
  std::int64_t RequestedRecord = 0;
  std::int16_t RequestedOffset = 0;
  std::int64_t CursorOffset = 0;
  std::int64_t BufferTop = 0;
  std::array<MarkEntry, kMarkCount> MarkTable{};
  // The name of the character set the file's text is read and typed in.
  QString CharSet = kAsciiSetName;
  // The record view instead of the page: one record per row from TopRecord,
  // record column FirstColumn at the left; ShowHex adds the digit lines.
  bool RecordView = false;
  bool ShowHex = true;
  std::int64_t TopRecord = 0;
  int FirstColumn = 0;
  // The copybook that lays out the records (resolved; empty: none), the
  // record kind in use and the layout's choices.
  QString Copybook;
  int LayoutKind = 0;
  LayoutFlags Layout;
};

// The records on screen in the record view: Bytes[i] is the byte at absolute
// file offset At + i.
struct RecordBuffer {
  std::int64_t At = 0;
  std::vector<std::uint8_t> Bytes;
  std::vector<std::uint8_t> Clean;  // as last read; the undo image of a save
  std::vector<bool> Edited;         // typed over since the last save
  // False when the span could not be read whole: it is never written back.
  bool Whole = true;
  std::int64_t End() const { return At + std::ssize(Bytes); }
};

// Search types as the option buttons number them.
enum SearchKind : int { kSearchAscii = 0, kSearchUnicode = 1, kSearchHex = 2, kSearchValue = 3 };

// The field of each record that Find, Count and Replace are limited to: its
// place in the record; none while its length is 0.
struct FieldScope {
  QString name;             // as the dialog's "Field:" drop-down shows it
  std::int64_t offset = 0;  // within the record
  std::int64_t length = 0;
  bool text = false;        // a shorter replacement is padded with pad
  std::uint8_t pad = 0x20;  // the set's space
  bool Active() const { return length > 0; }
};

struct EditorState {
  FileState Current;
  std::array<FileState, kMaxOpenFiles> OpenFiles{};
  std::int16_t OpenFileCount = 0;

  // Derived from Current and the file on disk.
  std::int64_t FileLength = 0;
  std::int64_t WorkingLength = 0;  // FileLength - WorkingBase
  std::int64_t RecordCount = 0;
  std::int64_t RecordNumber = 0;
  std::int16_t FieldOffset = 0;
  double ScrollScale = 0.0;  // bytes per scroll-bar step

  // The page on screen: PageBuffer[i] is offset BufferTop + i.
  Page PageBuffer{};
  Page CleanPage{};  // as last read; the undo image of a page write
  bool Dirty = false;
  std::bitset<kPageSize> PageEdited;  // typed over since the last save
  // False when the page could not be read whole: it is never written back.
  bool PageWhole = true;
  std::int16_t CX = 0;
  std::int16_t CY = 0;
  // The record view's screen; Dirty covers its edits as it does the page's.
  RecordBuffer Records;
  int RecordRows = 1;  // record rows the view has room for

  // Shown as READ ONLY; every write is refused while set.
  bool ReadOnly = false;

  // The current file, open while it is current, and what the editor last
  // saw of it on disk: a file that differs was changed by another program.
  BinaryFile File1;
  FileStamp Seen;

  // The system calls of the file routines; a test may make them fail.
  SysCalls* Sys = &SysCalls::Real();

  std::array<QString, kRecentFileCount> RecentFiles;
  QString ClipFile;
  FileStamp ClipSeen;  // the clip file this program wrote last

  // Undo: one level, either a page write (of the page or of the records on
  // screen) or a whole-file operation.
  std::vector<std::uint8_t> UndoPage;
  std::vector<std::uint8_t> RedoPage;
  // Where the page images belong: an absolute file offset, so that a later
  // change of the working base cannot move them.
  std::int64_t UndoPageOffset = 0;
  bool WholeFileUndo = false;
  // The backup that the last whole-file operation made: Undo exchanges with
  // this file only.
  FileStamp BackupSeen;
  bool UndoEnabled = false;  // the state of Edit > Undo
  bool RedoEnabled = false;  // the state of Edit > Re-do

  // Set while a long operation runs; Cancel clears it.
  bool OperationRunning = false;
  // Off while files open in a set named on the command line: no hint then.
  bool CharSetHint = true;

  // Search state, shared by Find and Replace, kept across dialogs.
  QString SearchText;
  std::vector<std::uint8_t> Pattern;  // PatternUpper = size - 1
  int SearchType = kSearchAscii;
  std::int64_t RangeStart = 0;
  std::int64_t RangeEnd = 0;
  std::int64_t SearchPosition = 0;  // absolute file offset
  bool Found = false;
  std::int64_t LastRangeStart = 0;  // the Start that Find Next saw last
  FieldScope SearchField;
  bool MatchCase = true;

  // Printing: the current printer and its font (empty: the fixed-pitch
  // font), lines per page, and the pages one job may take.
  QString PrinterName;
  QString PrintFontName;
  int PrintPageLength = 60;
  std::int64_t PrintPageLimit = 100;

  int PatternUpper() const { return static_cast<int>(Pattern.size()) - 1; }
  bool FileOpen() const { return WorkingLength >= 1; }
};

// Records in length bytes: the ceiling of the division; 0 when the record
// length is not positive.
std::int64_t RecordCountFor(std::int64_t length, std::int64_t recordLength);

// Sets every mark of the current file to 0/0.
void ClearMarks(EditorState& s);

}  // namespace qx
