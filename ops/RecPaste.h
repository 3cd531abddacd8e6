// Record Paste: the clip file or a named file put into every record of a
// range at one offset: Insert and Append through the whole-file commit,
// Overlay in place over the field, as much of the source as fits.
#pragma once

#include <QString>
#include <cstdint>

#include "core/IO.h"
#include "core/Progress.h"
#include "ops/Paste.h"
#include "ops/PasteSource.h"
#include "ops/PatchRecords.h"
#include "ops/RecordRange.h"

namespace qx {

enum class RecPasteResult {
  Done,       // the file holds the result
  NoSource,   // nothing to paste from: said, and the dialog stays open
  Cancelled,  // Insert/Append: the file is as it was; Overlay: the records so far stay (said)
  Failed,     // said why
};

struct RecPasteOptions {
  // A source up to this size is read once and kept for all records; a
  // larger one is read again from its file for each record.
  std::int64_t keepInMemory = std::int64_t{4} << 20;
  PatchOptions patch;
};

// Pastes into records range.from..range.to (as ReadRecordFields clamps
// them) before byte range.startOffset of each record (Insert), after each
// record (Append), or over the record from startOffset on (Overlay). A
// short last record takes the source at the end of the file (Insert,
// Append) or only the bytes it has (Overlay). typedSource: the path the
// user typed, or empty for the clip file. A source that is the file itself
// gives what the file held before the paste.
RecPasteResult PasteToRecords(IO& io, PasteMode mode, const RecordRange& range,
                              const QString& typedSource, ProgressBar* bar = nullptr,
                              const RecPasteOptions& opt = {});

}  // namespace qx
