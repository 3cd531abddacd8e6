#include "ops/RecPaste.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/Posix.h"
#include "core/TempFileWriter.h"
#include "input/Utility.h"
#include "ops/CutCopy.h"
#include "ops/ForwardCopier.h"
#include "ops/RecordRange.h"
#include "ops/RecordRewrite.h"

namespace qx {

namespace {

// Files of at least this many bytes show the progress bar.
constexpr std::int64_t kProgressFrom = 8193;

RecPasteResult Insert(IO& io, const BinaryFile& source, std::int64_t length,
                      const std::vector<std::uint8_t>& held, std::int64_t from, std::int64_t to,
                      std::int64_t offset, ProgressBar* bar) {
  EditorState& s = io.State();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return RecPasteResult::Failed;
  // A short last record takes the source at the end of the file.
  const auto point = [&s, offset](std::int64_t r) {
    return std::min(RecordByte(s, r, offset), s.FileLength);
  };
  const bool inMemory = !held.empty();
  QString readError;
  // The bytes before the first record rewritten whole, or before the first
  // insertion point when the source is streamed record by record.
  const std::int64_t head = inMemory ? std::min(RecordByte(s, from, 0), s.FileLength) : point(from);
  bool ok = io.CopyRange(out, 0, head - 1);
  if (ok) {
    BarShown shown(bar, s.WorkingLength >= kProgressFrom);
    OperationPacer pacer(s, io.Plat(), shown.Bar());
    s.OperationRunning = true;
    pacer.Flush();
    if (inMemory) {
      // Every record rewritten in one pass over large blocks.
      RecordRewrite job{from, to, offset, offset, held};
      ok = RewriteRecords(io, out, job, pacer, readError) == RewriteStatus::Done;
      if (ok)
        (void)io.CopyRange(out, std::min(RecordByte(s, to + 1, 0), s.FileLength), s.FileLength - 1);
    } else {
      // A large source is streamed into each record from its file.
      ForwardCopier copier(s.File1, out);
      for (std::int64_t r = from; ok && r <= to; ++r) {
        ok = io.CopyRange(out, source, 0, length - 1);
        if (ok && r < to && !copier.Copy(point(r), point(r + 1) - 1)) {
          ok = false;
          if (!out.Failed()) readError = copier.Error();
        }
        if (ok) ok = pacer.Step(r - from + 1, to - from + 1);
      }
      if (ok) (void)io.CopyRange(out, point(to), s.FileLength - 1);
    }
  }
  if (!readError.isEmpty()) {
    io.Plat().MessageBox(
        readError + QStringLiteral("\nOperation aborted; the file was not changed."), Buttons::Ok,
        Icon::Critical);
    s.OperationRunning = false;
  }
  const bool cancelled = !s.OperationRunning && !out.Failed() && readError.isEmpty();
  if (io.EndFileOperation(out)) return RecPasteResult::Done;
  return cancelled ? RecPasteResult::Cancelled : RecPasteResult::Failed;
}

RecPasteResult Overlay(IO& io, const BinaryFile& source, const QString& path, std::int64_t length,
                       std::int64_t from, std::int64_t to, std::int64_t offset, ProgressBar* bar,
                       const PatchOptions& opt) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  // Another program's bytes are never overwritten with a paste meant for
  // the file as the editor saw it.
  if (io.RefuseIfChanged()) return RecPasteResult::Failed;
  // An unsaved page edit would vanish when the page is read again.
  if (s.Dirty) io.CheckDirty();
  // At most one record's worth is used, read before anything is written: a
  // source that is the file itself gives what it held before.
  const std::int64_t n = std::min(length, s.Current.RecordLength - offset);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(n));
  const std::int64_t got = source.ReadAt(0, image.data(), n);
  if (got != n) {
    p.MessageBox(QStringLiteral("Couldn't read %1: %2")
                     .arg(path, got < 0 ? Reason(errno)
                                        : QStringLiteral("it ended early; it may have been "
                                                         "changed by another program")),
                 Buttons::Ok, Icon::Critical);
    return RecPasteResult::Failed;
  }
  const PatchResult patched = PatchRecords(io, from, to, offset, image,
                                           s.WorkingLength >= kProgressFrom ? bar : nullptr, opt);
  switch (patched.status) {
    case PatchStatus::Done:
      return RecPasteResult::Done;
    case PatchStatus::Cancelled:
      p.MessageBox(QStringLiteral("Record paste cancelled. %1")
                       .arg(HowFar(from, patched, QStringLiteral("pasted into"))),
                   Buttons::Ok, Icon::None, QString());
      return RecPasteResult::Cancelled;
    case PatchStatus::Failed:
      break;
  }
  p.MessageBox(QStringLiteral("%1\n%2").arg(patched.error,
                                            HowFar(from, patched, QStringLiteral("pasted into"))),
               Buttons::Ok, Icon::Critical);
  return RecPasteResult::Failed;
}

}  // namespace

RecPasteResult PasteToRecords(IO& io, PasteMode mode, const RecordRange& range,
                              const QString& typedSource, ProgressBar* bar,
                              const RecPasteOptions& opt) {
  EditorState& s = io.State();
  if (io.BusyRefused() || io.ReadOnlyRefused()) return RecPasteResult::Failed;
  BinaryFile source;
  if (!OpenPasteSource(io, typedSource, source)) return RecPasteResult::NoSource;
  const QString path = BlockFilePath(s, typedSource);
  const std::int64_t length = source.Length();
  if (length < 0) {
    io.Plat().MessageBox(QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") +
                         Reason(errno));
    return RecPasteResult::NoSource;
  }
  // The same clamps as the boxes.
  const std::int64_t recordLength = s.Current.RecordLength;
  const std::int64_t from = std::max<std::int64_t>(range.from, 0);
  const std::int64_t to = std::min(range.to, s.RecordCount - 1);
  if (s.WorkingLength < 1 || from > to || length == 0) return RecPasteResult::Done;
  const std::int64_t offset =
      mode == PasteMode::Append ? recordLength
                                : std::clamp<std::int64_t>(range.startOffset, 0, recordLength - 1);
  if (mode == PasteMode::Overlay)
    return Overlay(io, source, path, length, from, to, offset, bar, opt.patch);

  if (s.Dirty) io.CheckDirty();
  // Read once: a small source stays in memory for every record. The file
  // itself as the source is read as it was: it changes only at the commit.
  std::vector<std::uint8_t> held;
  if (length <= opt.keepInMemory) {
    held.resize(static_cast<std::size_t>(length));
    const std::int64_t got = source.ReadAt(0, held.data(), length);
    if (got != length) {
      io.Plat().MessageBox(
          QStringLiteral("Couldn't read %1: %2")
              .arg(path, got < 0 ? Reason(errno)
                                 : QStringLiteral("it ended early; it may have been changed "
                                                  "by another program")),
          Buttons::Ok, Icon::Critical);
      return RecPasteResult::Failed;
    }
  }
  return Insert(io, source, length, held, from, to, offset, bar);
}

}  // namespace qx
