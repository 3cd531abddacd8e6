// Rewrites every record of a range into a temporary file, a large block at
// a time: each record keeps its bytes before cutFrom and from cutTo on, with
// insert between them. Record Chop (a field cut out) and Record Paste
// Insert and Append (the source put in) are this one loop, which copies
// fields of a few bytes without a call per record.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "core/TempFileWriter.h"

namespace qx {

struct RecordRewrite {
  std::int64_t from = 0;  // records, both included
  std::int64_t to = -1;
  std::int64_t cutFrom = 0;  // offsets within the record; cutTo >= cutFrom
  std::int64_t cutTo = 0;
  std::vector<std::uint8_t> insert;  // put in at cutFrom of every record
};

enum class RewriteStatus { Done, Cancelled, Failed };

// Appends records from..to, rewritten, to out. Only bytes of the file are
// kept: a short last record keeps what it has, and takes insert at its end
// when cutFrom lies past it. A read failure says why in readError; a write
// failure is out's; Cancel (OperationRunning cleared) stops after a block.
RewriteStatus RewriteRecords(IO& io, TempFileWriter& out, const RecordRewrite& job,
                             OperationPacer& pacer, QString& readError,
                             std::int64_t blockSize = std::int64_t{1} << 20);

}  // namespace qx
