// The geometry of the record view, without painting: one record per row,
// each byte in its own column. Offsets are from the working base, as the
// cursor's are; every count is 64-bit so a 100 GiB file of 1-byte records
// (1.07e11 rows) fits. A record length below 1 is taken as 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx {

// Bytes Start .. Start + Length - 1; Length 0 is no bytes.
struct ByteSpan {
  std::int64_t Start = 0;
  std::int64_t Length = 0;
  std::int64_t Last() const { return Start + Length - 1; }
  bool operator==(const ByteSpan&) const = default;
};

struct RecordPosition {
  std::int64_t Record = 0;
  int Column = 0;
  bool operator==(const RecordPosition&) const = default;
};

// The record and column of offset.
RecordPosition PositionOf(std::int64_t offset, int recordLength);
// The bytes of record r that the file holds: a short last record is shorter,
// a record past the end is empty (at the end of the file).
ByteSpan RecordBytes(std::int64_t record, int recordLength, std::int64_t workingLength);

// One screen of records: TopRecord in the first row, record column
// FirstColumn in the first screen column.
struct RecordScreen {
  std::int64_t TopRecord = 0;
  int FirstColumn = 0;
  int Rows = 1;     // record rows that fit
  int Columns = 1;  // byte columns that fit
  bool ShowHex = true;
  int RecordLength = 1;
  std::int64_t WorkingLength = 0;

  // Characters, high digits, low digits; the characters alone without hex.
  int LinesPerRecord() const { return ShowHex ? 3 : 1; }
  // The screen line of record row row's character line.
  int LineOfRow(int row) const { return row * LinesPerRecord(); }
  // The offset shown at record row row, screen column column; none off the
  // screen, past the record's end or past the file's end.
  std::optional<std::int64_t> OffsetAt(int row, int column) const;
  // The screen row and column of offset, if it is shown.
  std::optional<RecordPosition> CellOf(std::int64_t offset) const;
  // What a screen reads: the whole records of its rows, up to the end of
  // the file. One contiguous read, at most Rows x RecordLength bytes.
  ByteSpan ReadSpan() const;
};

enum class RecordMove { Left, Right, Up, Down, Home, End, PageUp, PageDown };

// The cursor after move from offset; pageRows is a screenful of records for
// Page Up/Down. Up/Down and Page Up/Down keep the column, clamped to the
// last byte of a short last record; a move that would leave the file stops
// at its first or last byte (Up on record 0 and Down on the last stay put).
std::int64_t MoveInRecords(RecordMove move, std::int64_t offset, int recordLength,
                           std::int64_t workingLength, int pageRows);

// The smallest scroll that puts item (a record or a column) between first
// and first + visible - 1.
std::int64_t FirstToShow(std::int64_t item, std::int64_t first, std::int64_t visible);
// The top record after Page Up (-1) or Down (+1): by rows, within the records.
std::int64_t TopAfterPage(std::int64_t topRecord, int direction, int rows,
                          std::int64_t recordCount);

// The vertical bar (1..kScrollMax) over the records, as the page's bar is
// over the bytes: the bottom of the bar is the last record.
int BarValueForTopRecord(std::int64_t topRecord, std::int64_t recordCount);
std::int64_t TopRecordForBar(int barValue, std::int64_t recordCount);
// The horizontal bar runs 0..this: the first column that still fills the
// screen, 0 when the record fits.
int MaxFirstColumn(int recordLength, int columns);

// The one span a save writes, given which bytes of the buffer were edited:
// from the first edited byte to the last; none without edits. The bytes
// between are written back unchanged.
std::optional<ByteSpan> SaveSpan(const std::vector<bool>& edited);

// The column ruler over record columns first .. first + columns - 1: the
// offset within the record at every tenth column, "+" at every fifth, "."
// elsewhere, blank past the record's end. A number cut by the left edge
// shows its tail, as if the ruler scrolled under the edge.
std::string RulerText(int firstColumn, int columns, int recordLength);

}  // namespace qx
