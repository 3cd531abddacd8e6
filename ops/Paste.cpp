#include "ops/Paste.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/Posix.h"
#include "core/TempFileWriter.h"
#include "input/Utility.h"
#include "ops/CutCopy.h"
#include "ops/PasteSource.h"

namespace qx {

namespace {

// The piece a paste reads, writes or copies at a time.
constexpr std::int64_t kPiece = std::int64_t{1} << 20;

// Copies first..last of from to out a piece at a time, so that the bar
// follows the whole paste. False when out failed or Cancel stopped it.
bool CopyPaced(IO& io, TempFileWriter& out, const BinaryFile& from, std::int64_t first,
               std::int64_t last, OperationPacer& pacer, std::int64_t& done, std::int64_t total) {
  for (std::int64_t at = first; at <= last;) {
    const std::int64_t to = std::min(last, at + kPiece - 1);
    if (!io.CopyRange(out, from, at, to)) return false;
    done += to - at + 1;
    if (!pacer.Step(done, total)) return false;
    at = to + 1;
  }
  return true;
}

PasteResult Insert(IO& io, const BinaryFile& source, std::int64_t length, std::int64_t at,
                   ProgressBar* bar) {
  EditorState& s = io.State();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return PasteResult::Failed;
  s.OperationRunning = true;
  const std::int64_t total = s.FileLength + length;
  {
    BarShown shown(bar, total >= kPasteProgressFrom);
    OperationPacer pacer(s, io.Plat(), shown.Bar());
    pacer.Flush();
    std::int64_t done = 0;
    // A source that is the file itself is read as it was: the file does not
    // change until the commit.
    (void)(CopyPaced(io, out, s.File1, 0, at - 1, pacer, done, total) &&
           CopyPaced(io, out, source, 0, length - 1, pacer, done, total) &&
           CopyPaced(io, out, s.File1, at, s.FileLength - 1, pacer, done, total));
  }
  const bool cancelled = !s.OperationRunning && !out.Failed();
  if (io.EndFileOperation(out)) return PasteResult::Done;
  return cancelled ? PasteResult::Cancelled : PasteResult::Failed;
}

PasteResult Overlay(IO& io, const BinaryFile& source, std::int64_t length, std::int64_t at,
                    ProgressBar* bar) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.RefuseIfChanged()) return PasteResult::Failed;
  const std::int64_t base = s.Current.WorkingBase;
  // The file pasted over itself further on is copied from its end back, so
  // that no byte is overwritten before it was read.
  const bool backwards = source.Stamp().SameFile(s.Seen) && at > 0;
  std::vector<char> buffer(
      static_cast<std::size_t>(std::min(kPiece, std::max<std::int64_t>(length, 1))));
  std::int64_t done = 0;
  // The next byte the paste would have written.
  std::int64_t next = at;
  QString failure;
  s.OperationRunning = true;
  {
    BarShown shown(bar, length >= kPasteProgressFrom);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    while (done < length && s.OperationRunning) {
      const std::int64_t n = std::min<std::int64_t>(kPiece, length - done);
      const std::int64_t from = backwards ? length - done - n : done;
      next = at + from;
      const std::int64_t got = source.ReadAt(from, buffer.data(), n);
      if (got != n) {
        failure = got < 0 ? QStringLiteral("Couldn't read the source at offset %1: %2")
                                .arg(FormatCount(from), Reason(errno))
                          : QStringLiteral(
                                "The source ended at offset %1; it may have been changed "
                                "by another program")
                                .arg(FormatCount(from + got));
        break;
      }
      // Bytes that reached the file before an error count as pasted.
      const std::int64_t put = s.File1.WriteCounted(at + from, buffer.data(), n);
      done += put;
      if (put != n) {
        const int error = errno;
        failure = QStringLiteral("Couldn't write %1 at offset %2: %3")
                      .arg(s.Current.FileName, FormatCount(at + from + put - base), Reason(error));
        break;
      }
      next = backwards ? at + length - done - 1 : at + done;
      (void)pacer.Step(done, length);
    }
  }
  s.OperationRunning = false;
  io.EndInPlaceChange();
  const QString howFar =
      QStringLiteral("%1 of %2 bytes were pasted.").arg(FormatCount(done), FormatCount(length));
  if (!failure.isEmpty()) {
    p.MessageBox(failure + QLatin1Char('\n') + howFar, Buttons::Ok, Icon::Critical);
    return PasteResult::Failed;
  }
  if (done == length) return PasteResult::Done;
  p.MessageBox(
      QStringLiteral("The paste was cancelled at offset %1; ").arg(FormatCount(next - base)) +
          howFar,
      Buttons::Ok, Icon::None, QString());
  return PasteResult::Cancelled;
}

}  // namespace

PasteResult PasteFile(IO& io, PasteMode mode, const QString& typed, ProgressBar* bar) {
  if (io.BusyRefused()) return PasteResult::Busy;
  EditorState& s = io.State();
  if (io.ReadOnlyRefused()) return PasteResult::Failed;
  BinaryFile source;
  if (!OpenPasteSource(io, typed, source)) return PasteResult::NoSource;
  const std::int64_t length = source.Length();
  if (length < 0) {
    io.Plat().MessageBox(QStringLiteral("Couldn't open ") + BlockFilePath(s, typed) +
                             QStringLiteral(": ") + Reason(errno),
                         Buttons::Ok, Icon::Critical);
    return PasteResult::NoSource;
  }
  // The paste reads and writes the file, so an unsaved page edit would be lost.
  if (s.Dirty) io.CheckDirty();
  // A cursor left past the end (after a cut of the bytes under it, say)
  // pastes at the end.
  const std::int64_t cursor =
      std::min(s.Current.WorkingBase + s.Current.CursorOffset, s.FileLength);
  switch (mode) {
    case PasteMode::Insert:
      return Insert(io, source, length, cursor, bar);
    case PasteMode::Append:
      return Insert(io, source, length, s.FileLength, bar);
    case PasteMode::Overlay:
      return Overlay(io, source, length, cursor, bar);
  }
  return PasteResult::Failed;
}

}  // namespace qx
