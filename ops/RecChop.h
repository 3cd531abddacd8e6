// Record Chop: one field cut out of every record of a range, through the
// whole-file commit, so that Undo brings it back and Cancel leaves the file
// as it was.
#pragma once

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/RecordRange.h"

namespace qx {

enum class ChopStatus {
  Done,       // the file holds the result
  Cancelled,  // the file is as it was
  Failed,     // said why; the file is as it was
};

// Removes bytes range.startOffset..range.endOffset of records
// range.from..range.to (a range as ReadRecordFields gives it); of a short
// last record only the part of the field that exists goes.
ChopStatus ChopRecords(IO& io, const RecordRange& range, ProgressBar* bar = nullptr);

}  // namespace qx
