#include "ops/RecChop.h"

#include <algorithm>

#include "core/TempFileWriter.h"
#include "ops/RecordRange.h"
#include "ops/RecordRewrite.h"

namespace qx {

ChopStatus ChopRecords(IO& io, const RecordRange& range, ProgressBar* bar) {
  EditorState& s = io.State();
  if (io.BusyRefused()) return ChopStatus::Failed;
  if (range.from > range.to || range.startOffset > range.endOffset) return ChopStatus::Cancelled;
  // The rewrite reads the file: an unsaved page would be lost under it.
  if (s.Dirty) io.CheckDirty();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return ChopStatus::Failed;
  const std::int64_t length = s.FileLength;
  RecordRewrite job;
  job.from = range.from;
  job.to = range.to;
  job.cutFrom = range.startOffset;
  job.cutTo = range.endOffset + 1;

  s.OperationRunning = true;
  QString readError;
  {
    ProgressBar* const shownBar = s.WorkingLength > kProgressThreshold ? bar : nullptr;
    OperationPacer pacer(s, io.Plat(), shownBar);
    BarShown shown(shownBar, true);
    if (io.CopyRange(out, 0, std::min(RecordByte(s, range.from, 0), length) - 1) &&
        RewriteRecords(io, out, job, pacer, readError) == RewriteStatus::Done &&
        s.OperationRunning) {
      (void)io.CopyRange(out, std::min(RecordByte(s, range.to + 1, 0), length), length - 1);
    }
  }

  if (!readError.isEmpty()) {
    io.Plat().MessageBox(
        readError + QStringLiteral("\nOperation aborted; the file was not changed."), Buttons::Ok,
        Icon::Critical);
    io.SayLeftovers({out.Discard()});
    s.OperationRunning = false;
    (void)io.RefuseIfChanged();
    return ChopStatus::Failed;
  }
  const bool cancelled = !s.OperationRunning && !out.Failed();
  if (io.EndFileOperation(out)) return ChopStatus::Done;
  return cancelled ? ChopStatus::Cancelled : ChopStatus::Failed;
}

}  // namespace qx
