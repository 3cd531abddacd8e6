// Moving through the current file by byte, record, field offset and mark,
// and changing its working base and record length. Each command takes the
// value the user already gave; a changed page is offered for saving before
// the page moves. Values out of range change nothing (or are clamped where
// the command clamps); the functions return whether anything moved.
#pragma once

#include <cstdint>

#include "core/IO.h"

namespace qx {

inline constexpr std::int64_t kGoToByteLead = 112;  // seven rows above the cursor

// Cursor to offset v (0..WorkingLength), the page seven rows above it.
bool GoToByte(IO& io, std::int64_t v);
// Back to the requested record and offset.
bool GoToThisRecord(IO& io);
// Notices "Last Record" / "First Record" at the ends.
bool NextRecord(IO& io);
bool PreviousRecord(IO& io);
// Clamped to the records and to the record length.
bool RequestRecordNumber(IO& io, std::int64_t v);
bool RequestFieldOffset(IO& io, std::int64_t v);
// v in 0..FileLength-1: the working area starts at v; marks cleared, the
// search range reset, cursor on record 0.
bool SetWorkingBase(IO& io, std::int64_t v);
// v in 1..min(WorkingLength, 32767).
bool SetRecordLength(IO& io, std::int64_t v);
// Mark k (0..25 for A..Z) takes the present page and cursor.
bool SetMark(EditorState& s, int k);
// Page and cursor back to where mark k was set.
bool GoToMark(IO& io, int k);

}  // namespace qx
