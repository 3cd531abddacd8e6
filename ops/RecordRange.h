// The record geometry that Record Chop, Paste and Fill share: reading the
// From/To record and offset boxes with their clamps, and where a byte of a
// record lies in the file.
#pragma once

#include <QString>
#include <cstdint>

#include "core/Declare.h"

namespace qx {

struct RecordRange {
  std::int64_t from = 0;  // records, both included
  std::int64_t to = -1;
  std::int64_t startOffset = 0;  // within each record, both included
  std::int64_t endOffset = -1;
};

enum class RecordCheck {
  Ok,
  EmptyBox,  // a box is empty or holds no whole number: "You must enter values"
  Reversed,  // from after to, or start after end: the dialog closes, nothing changes
};

// The boxes, numbered for RecordFields::box.
enum RecordBox : int { kFromBox = 0, kToBox = 1, kStartBox = 2, kEndBox = 3 };

struct RecordFields {
  RecordCheck check = RecordCheck::Ok;
  int box = kFromBox;  // the first box at fault when check is EmptyBox
  RecordRange range;
};

// To: negative counts as 0, past the last record as the last. From:
// negative counts as 0. The end offset (when end is given): negative counts
// as 0, past the record as its last byte; the start offset: negative counts
// as 0. Without an end box (Record Paste) the start offset past the record
// counts as its last byte and endOffset is set to it.
RecordFields ReadRecordFields(const EditorState& s, const QString& from, const QString& to,
                              const QString& start, const QString* end);

// The absolute file offset of byte offset of record r (may lie past the end
// of the file; never overflows for records and offsets of the file).
std::int64_t RecordByte(const EditorState& s, std::int64_t r, std::int64_t offset);

}  // namespace qx
