#include "ops/Paste.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/TempFileWriter.h"
#include "input/Utility.h"
#include "ops/CutCopy.h"
#include "ops/PasteSource.h"

namespace qx {

namespace {

// The piece an overlay reads and writes at a time.
constexpr std::int64_t kPiece = std::int64_t{1} << 20;

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

PasteResult Insert(IO& io, const BinaryFile& source, std::int64_t length, std::int64_t at) {
  EditorState& s = io.State();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return PasteResult::Failed;
  s.OperationRunning = true;
  // A source that is the file itself is read as it was: the file does not
  // change until the commit.
  (void)(io.CopyRange(out, 0, at - 1) && io.CopyRange(out, source, 0, length - 1) &&
         io.CopyRange(out, at, s.FileLength - 1));
  return io.EndFileOperation(out) ? PasteResult::Done : PasteResult::Failed;
}

PasteResult Overlay(IO& io, const BinaryFile& source, std::int64_t length, std::int64_t at) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.RefuseIfChanged()) return PasteResult::Failed;
  // The file pasted over itself further on is copied from its end back, so
  // that no byte is overwritten before it was read.
  const bool backwards = source.Stamp().SameFile(s.Seen) && at > 0;
  std::vector<char> buffer(
      static_cast<std::size_t>(std::min(kPiece, std::max<std::int64_t>(length, 1))));
  OperationPacer pacer(s, p);
  std::int64_t done = 0;
  QString failure;
  while (done < length) {
    const std::int64_t n = std::min<std::int64_t>(kPiece, length - done);
    const std::int64_t from = backwards ? length - done - n : done;
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
    if (!s.File1.WriteAt(at + from, buffer.data(), n)) {
      failure = QStringLiteral("Couldn't write %1 at offset %2: %3")
                    .arg(s.Current.FileName, FormatCount(at + from), Reason(errno));
      break;
    }
    done += n;
    (void)pacer.Step(done, length);
  }
  io.EndInPlaceChange();
  if (failure.isEmpty()) return PasteResult::Done;
  p.MessageBox(failure + QStringLiteral("\n%1 of %2 bytes were pasted.")
                             .arg(FormatCount(done), FormatCount(length)),
               Buttons::Ok, Icon::Critical);
  return PasteResult::Failed;
}

}  // namespace

PasteResult PasteFile(IO& io, PasteMode mode, const QString& typed) {
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
  const std::int64_t cursor = s.Current.WorkingBase + s.Current.CursorOffset;
  switch (mode) {
    case PasteMode::Insert:
      return Insert(io, source, length, cursor);
    case PasteMode::Append:
      return Insert(io, source, length, s.FileLength);
    case PasteMode::Overlay:
      return Overlay(io, source, length, cursor);
  }
  return PasteResult::Failed;
}

}  // namespace qx
