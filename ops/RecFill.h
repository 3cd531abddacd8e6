// Record Fill: writes a repeated pattern into one field of every record of
// a range, in place. Plain code over IO, so the dialog, the tests and the
// benchmark run the same fill.
#pragma once

#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "fields/Copybook.h"
#include "ops/FillPattern.h"
#include "ops/PatchRecords.h"
#include "ops/RecordRange.h"

namespace qx {

enum class RecFillStatus { Done, Cancelled, Failed };

struct RecFillResult {
  RecFillStatus status = RecFillStatus::Done;
  std::int64_t records = 0;  // records from range.from on that were filled
};

// The field image: byte j of a field of length n is pattern[j mod L].
std::vector<std::uint8_t> FieldImage(const std::vector<std::uint8_t>& pattern, std::int64_t n);

// Fills bytes startOffset..endOffset of records from..to (as ReadRecordFields
// clamps them; a field past the record is cut at its last byte). Only bytes
// that exist change: the file never grows. Refused (nothing written, with
// the message) on a read-only file, an empty pattern, or a file another
// program changed. Cancel keeps the records written so far and says how
// many; a failed write says why and how many records were filled.
// Afterwards Undo and Redo are off, SearchType follows the pattern kind and
// the page is read again.
RecFillResult FillRecords(IO& io, const std::vector<std::uint8_t>& pattern, FillKind kind,
                          const RecordRange& range, ProgressBar* bar = nullptr,
                          const PatchOptions& opt = {});

// Fill Records by value: value encoded once into field's bytes (in the
// current file's set and layout choices) and written into the field of
// records range.from..range.to by FillRecords; the range's offsets are the
// field's. A value the field cannot hold, a text field, or a field past the
// record is refused with the reason and changes nothing. A last record that
// does not hold the whole field is left alone: half a number is none.
RecFillResult FillRecordsByValue(IO& io, const LayoutField& field, const QString& value,
                                 const RecordRange& range, ProgressBar* bar = nullptr,
                                 const PatchOptions& opt = {});

}  // namespace qx
