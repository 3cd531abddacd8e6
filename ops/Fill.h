// Fill: overwrites a range of the current file in place with a repeated
// pattern. Plain code over IO, so the dialog, the tests and the benchmark
// run the same fill.
#pragma once

#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/FillPattern.h"

namespace qx {

struct FillOptions {
  // Bytes written per call, rounded down to whole pattern copies (and to
  // whole 4 KiB pages of the range when that leaves at least one); memory
  // is about this much. Tests shrink it.
  std::int64_t pieceSize = std::int64_t{1} << 20;
};

enum class FillStatus { Done, Cancelled, Failed };

struct FillResult {
  FillStatus status = FillStatus::Done;
  std::int64_t written = 0;  // bytes filled from the start of the range on
};

// Fills bytes start..end (relative to the working base, both included) so
// that range byte j gets pattern[j mod L]. A negative start counts as 0 and
// an end past the last byte as the last byte: the file never grows; a start
// past the last byte writes nothing. Refused (nothing written, with the
// message) on a read-only file, an empty pattern, or a file another program
// changed. Cancel stops after the piece being written; a failed write stops
// with a message saying why and how far the fill got. Afterwards Undo and
// Redo are off, SearchType follows the pattern kind, and the page is read
// again.
FillResult FillRange(IO& io, const std::vector<std::uint8_t>& pattern, FillKind kind,
                     std::int64_t start, std::int64_t end, ProgressBar* bar = nullptr,
                     const FillOptions& opt = {});

}  // namespace qx
