// Check Records: every field in use of every record of a range read
// through the layout, reporting the fields that do not decode or hold more
// digits than their picture, and a last record cut short by the end of the
// file. Plain code over IO, so the window, the tests and the benchmark run
// the same check.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "fields/Copybook.h"

namespace qx {

inline constexpr int kListedProblems = 1000;

struct RecordProblem {
  std::int64_t record = 0;
  QString field;
  std::int64_t offset = 0;  // absolute, of the field's first byte
  QString hex;              // "12 34 4C"; of the bytes there are
  QString why;              // "bad sign nibble 4", "beyond PIC"
  bool operator==(const RecordProblem&) const = default;
};

enum class CheckStatus { Done, Cancelled, Failed };

struct CheckReport {
  CheckStatus status = CheckStatus::Done;
  std::int64_t checked = 0;
  std::int64_t withProblem = 0;       // records
  std::int64_t problems = 0;          // fields, all of them
  std::vector<RecordProblem> listed;  // the first kListedProblems
  std::int64_t shortBytes = 0;        // of a last record cut short; 0: none
  QString error;                      // why it failed
};

struct CheckOptions {
  std::int64_t blockSize = std::int64_t{1} << 20;  // bytes a read; tests shrink it
};

// Records from..to (clamped to the file's) of the current file, in its
// record length from the working base, laid out by kind. A field of a
// REDEFINES alternative not in use, or of a table copy past the count its
// record holds, is not checked. A last record shorter than the record
// length is a problem of its first field that runs past the end.
CheckReport CheckRecords(IO& io, const RecordKind& kind, std::int64_t from, std::int64_t to,
                         ProgressBar* bar = nullptr, const CheckOptions& opt = {});

// "1,200 records checked; 3 have a problem (4 fields)", and how it ended.
QString CheckSummary(const CheckReport& report);

}  // namespace qx
