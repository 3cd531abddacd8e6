// Writes one image into the same field of every record of a range, in
// place: the records are read a large block at a time, every field in the
// block is patched, and the block is written back. What Record Fill and
// Record Paste Overlay share.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"

namespace qx {

enum class PatchStatus { Done, Cancelled, Failed };

struct PatchResult {
  PatchStatus status = PatchStatus::Done;
  std::int64_t records = 0;  // records from `from` on that were written whole
  QString error;             // why it failed, for the caller's message
  bool partial = false;      // the field after those got some of its bytes
};

struct PatchOptions {
  std::int64_t blockSize = std::int64_t{1} << 20;  // about this much memory; tests shrink it
};

// How far a patch of the records from `from` on got, for the user: what
// was done is the verb ("filled").
QString HowFar(std::int64_t from, const PatchResult& patched, const QString& done);

// Writes image over bytes offset .. offset + image.size() - 1 of records
// from..to (record numbers; offset within the record). Only bytes that
// exist are changed: the file never grows, and a short last record takes
// what fits. Cancel (OperationRunning cleared) stops after the block being
// written. Shows no message; ends with IO::EndInPlaceChange (no Undo; the
// page read again), whatever happened.
PatchResult PatchRecords(IO& io, std::int64_t from, std::int64_t to, std::int64_t offset,
                         const std::vector<std::uint8_t>& image, ProgressBar* bar = nullptr,
                         const PatchOptions& opt = {});

}  // namespace qx
