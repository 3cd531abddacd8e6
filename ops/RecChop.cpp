#include "ops/RecChop.h"

#include <algorithm>

#include "core/TempFileWriter.h"
#include "ops/ForwardCopier.h"

namespace qx {

namespace {

// Files longer than this past the working base show the progress bar.
constexpr std::int64_t kProgressThreshold = 8192;
// At most 8 MiB even of the longest records.
constexpr std::int64_t kRecordsPerStep = 256;

}  // namespace

ChopStatus ChopRecords(IO& io, const RecordRange& range, ProgressBar* bar) {
  EditorState& s = io.State();
  if (range.from > range.to || range.startOffset > range.endOffset) return ChopStatus::Cancelled;
  // The rewrite reads the file: an unsaved page would be lost under it.
  if (s.Dirty) io.CheckDirty();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return ChopStatus::Failed;
  const std::int64_t length = s.FileLength;
  // Where a field of a record begins, or the end of the file when it lies past it.
  const auto fieldStart = [&](std::int64_t r) {
    return std::min(RecordByte(s, r, range.startOffset), length);
  };
  const auto afterField = [&](std::int64_t r) {
    return std::min(RecordByte(s, r, range.endOffset + 1), length);
  };

  s.OperationRunning = true;
  QString readError;
  {
    ProgressBar* const shownBar = s.WorkingLength > kProgressThreshold ? bar : nullptr;
    OperationPacer pacer(s, io.Plat(), shownBar);
    BarShown shown(shownBar, true);
    if (io.CopyRange(out, 0, fieldStart(range.from) - 1)) {
      // Between two fields lie a few bytes at most a record long: gathered
      // through one large read, not read record by record.
      ForwardCopier copier(s.File1, out);
      bool going = true;
      for (std::int64_t r = range.from + 1; r <= range.to; ++r) {
        if (!copier.Copy(afterField(r - 1), fieldStart(r) - 1)) {
          if (!out.Failed()) readError = copier.Error();
          going = false;
          break;
        }
        // A clock read per record would cost more than its copy.
        if ((r - range.from) % kRecordsPerStep == 0 &&
            !pacer.Step(r - range.from, range.to - range.from)) {
          going = false;
          break;
        }
      }
      if (going && s.OperationRunning) (void)io.CopyRange(out, afterField(range.to), length - 1);
    }
  }

  if (!readError.isEmpty()) {
    io.Plat().MessageBox(
        readError + QStringLiteral("\nOperation aborted; the file was not changed."), Buttons::Ok,
        Icon::Critical);
    out.Discard();
    s.OperationRunning = false;
    (void)io.RefuseIfChanged();
    return ChopStatus::Failed;
  }
  const bool cancelled = !s.OperationRunning && !out.Failed();
  if (io.EndFileOperation(out)) return ChopStatus::Done;
  return cancelled ? ChopStatus::Cancelled : ChopStatus::Failed;
}

}  // namespace qx
