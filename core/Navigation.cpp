#include "core/Navigation.h"

#include <algorithm>

#include "core/FileMemory.h"

namespace qx {

namespace {

const QString kFirstRecord = QStringLiteral("First Record");
const QString kLastRecord = QStringLiteral("Last Record");

// Keeps the requested place inside the present geometry, so that the page
// never lands beyond the end of the working area.
void ClampRequest(EditorState& s) {
  FileState& c = s.Current;
  c.RequestedRecord =
      std::clamp<std::int64_t>(c.RequestedRecord, 0, std::max<std::int64_t>(0, s.RecordCount - 1));
  c.RequestedOffset = static_cast<std::int16_t>(std::clamp<std::int64_t>(
      c.RequestedOffset, 0, std::max<std::int64_t>(0, c.RecordLength - 1)));
}

}  // namespace

bool GoToByte(IO& io, std::int64_t v) {
  EditorState& s = io.State();
  if (!s.FileOpen() || v < 0 || v > s.WorkingLength) return false;
  io.CheckDirty();
  s.Current.CursorOffset = v;
  s.Current.BufferTop = v >= kGoToByteLead ? v - kGoToByteLead : v;
  io.ShowPage();
  return true;
}

bool GoToThisRecord(IO& io) {
  EditorState& s = io.State();
  if (!s.FileOpen()) return false;
  io.CheckDirty();
  ClampRequest(s);
  io.GoToRequested();
  return true;
}

bool NextRecord(IO& io) {
  EditorState& s = io.State();
  if (!s.FileOpen()) return false;
  io.CheckDirty();
  FileState& c = s.Current;
  if (c.RequestedRecord >= s.RecordCount - 1) io.Plat().ShowNotice(kLastRecord);
  c.RequestedRecord =
      c.RequestedRecord >= s.RecordCount - 1 ? s.RecordCount - 1 : c.RequestedRecord + 1;
  ClampRequest(s);
  io.GoToRequested();
  return true;
}

bool PreviousRecord(IO& io) {
  EditorState& s = io.State();
  if (!s.FileOpen()) return false;
  FileState& c = s.Current;
  if (c.RequestedRecord <= 0) {
    // Nothing moves, so a changed page stays as it is.
    io.Plat().ShowNotice(kFirstRecord);
    return false;
  }
  io.CheckDirty();
  c.RequestedRecord = std::min(c.RequestedRecord - 1, s.RecordCount - 1);
  ClampRequest(s);
  io.GoToRequested();
  return true;
}

bool RequestRecordNumber(IO& io, std::int64_t v) {
  EditorState& s = io.State();
  if (!s.FileOpen()) return false;
  io.CheckDirty();
  s.Current.RequestedRecord = v;
  ClampRequest(s);
  io.GoToRequested();
  return true;
}

bool RequestFieldOffset(IO& io, std::int64_t v) {
  EditorState& s = io.State();
  if (!s.FileOpen()) return false;
  io.CheckDirty();
  FileState& c = s.Current;
  c.RequestedOffset =
      static_cast<std::int16_t>(std::clamp<std::int64_t>(v, 0, std::max(0, c.RecordLength - 1)));
  ClampRequest(s);
  io.GoToRequested();
  return true;
}

bool SetWorkingBase(IO& io, std::int64_t v) {
  EditorState& s = io.State();
  if (s.FileLength < 1 || v < 0 || v >= s.FileLength) return false;
  // The prompt gives the base back when the user types nothing or presses
  // Esc: that must not wipe the marks, which are still right.
  if (v == s.Current.WorkingBase) return true;
  // The page belongs to the old base: save it there before offsets change.
  io.CheckDirty();
  FileState& c = s.Current;
  c.WorkingBase = v;
  s.WorkingLength = s.FileLength - v;
  s.RecordCount = RecordCountFor(s.WorkingLength, c.RecordLength);
  s.ScrollScale = static_cast<double>(s.WorkingLength) / static_cast<double>(kScrollMax);
  io.View().ResetScrollBar();
  s.RangeStart = 0;
  s.RangeEnd = 0;
  ClearMarks(s);
  c.RequestedRecord = 0;
  ClampRequest(s);
  RememberGeometry(io.Plat(), c);
  io.GoToRequested();
  io.View().DisplayState();
  return true;
}

bool SetRecordLength(IO& io, std::int64_t v) {
  EditorState& s = io.State();
  if (!s.FileOpen() || v < 1 || v > std::min<std::int64_t>(s.WorkingLength, kMaxRecordLength))
    return false;
  io.CheckDirty();
  s.Current.RecordLength = static_cast<std::int16_t>(v);
  s.RecordCount = RecordCountFor(s.WorkingLength, v);
  ClampRequest(s);
  RememberGeometry(io.Plat(), s.Current);
  io.GoToRequested();
  io.View().DisplayState();
  return true;
}

bool SetMark(EditorState& s, int k) {
  if (!s.FileOpen() || k < 0 || k >= kMarkCount) return false;
  MarkEntry& m = s.Current.MarkTable[static_cast<std::size_t>(k)];
  m.BufferTop = s.Current.BufferTop;
  m.CursorOffset = s.Current.CursorOffset;
  return true;
}

bool GoToMark(IO& io, int k) {
  EditorState& s = io.State();
  if (!s.FileOpen() || k < 0 || k >= kMarkCount) return false;
  io.CheckDirty();
  const MarkEntry& m = s.Current.MarkTable[static_cast<std::size_t>(k)];
  s.Current.BufferTop = m.BufferTop;
  s.Current.CursorOffset = m.CursorOffset;
  io.ShowPage();
  return true;
}

}  // namespace qx
