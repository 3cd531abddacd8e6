#include "ops/Fill.h"

#include <algorithm>
#include <cerrno>
#include <numeric>

#include "core/Posix.h"
#include "input/Utility.h"

namespace qx {

namespace {

// Ranges longer than this show the progress bar.
constexpr std::int64_t kFillProgressThreshold = 8192;
// The page size the pieces keep to where they can.
constexpr std::int64_t kPageBytes = 4096;

QString FillFailure(const EditorState& s, int error, std::int64_t first, std::int64_t written) {
  const QString how =
      written > 0
          ? QStringLiteral(
                "Bytes %1 to %2 (%3 bytes) were filled; the rest of the range "
                "is unchanged.")
                .arg(FormatCount(first), FormatCount(first + written - 1), FormatCount(written))
          : QStringLiteral("Nothing was filled.");
  return QStringLiteral("Couldn't fill %1: %2.\n%3").arg(s.Current.FileName, Reason(error), how);
}

// What every fill leaves behind, however far it got: the bytes written
// cannot be undone, and the file is what the editor now knows.
void AfterFill(IO& io) {
  io.State().OperationRunning = false;
  io.EndInPlaceChange();
}

}  // namespace

FillResult FillRange(IO& io, const std::vector<std::uint8_t>& pattern, FillKind kind,
                     std::int64_t start, std::int64_t end, ProgressBar* bar,
                     const FillOptions& opt) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.BusyRefused() || io.ReadOnlyRefused()) return {FillStatus::Failed, 0};
  if (pattern.empty()) {
    p.MessageBox(QStringLiteral("You must enter values"), Buttons::Ok, Icon::None, QString());
    return {FillStatus::Failed, 0};
  }
  s.SearchType = kind == FillKind::Hex ? kSearchHex : kSearchAscii;

  const std::int64_t first = std::max<std::int64_t>(start, 0);
  const std::int64_t last = std::min(end, s.WorkingLength - 1);
  if (last < first) {
    // Nothing written: the page, and an unsaved edit on it, stay as they are.
    s.WholeFileUndo = false;
    io.SetUndoRedo(false, false);
    return {};
  }
  // Another program's bytes are never overwritten with a fill meant for
  // the file as the editor saw it.
  if (io.RefuseIfChanged()) return {FillStatus::Failed, 0};
  // An unsaved page edit would vanish when the page is read again.
  if (s.Dirty) io.CheckDirty();

  const std::int64_t total = last - first + 1;
  const auto L = static_cast<std::int64_t>(pattern.size());
  // Whole copies only, so that each piece continues where the last stopped;
  // and, where they fit, whole pages too: writes that begin and end on page
  // borders go into the page cache much faster.
  const std::int64_t aligned = std::lcm<std::int64_t>(L, kPageBytes);
  const std::int64_t unit = aligned <= opt.pieceSize ? aligned : L;
  const std::int64_t copies = std::max<std::int64_t>(opt.pieceSize / unit, 1) * (unit / L);
  const std::int64_t piece = std::min(copies, total / L + (total % L != 0 ? 1 : 0)) * L;
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(piece));
  for (std::int64_t i = 0; i < piece; i += L) {
    std::copy(pattern.begin(), pattern.end(), buf.begin() + i);
  }

  const std::int64_t at = s.Current.WorkingBase + first;
  FillResult result;
  s.OperationRunning = true;
  {
    BarShown shown(bar, total - 1 > kFillProgressThreshold);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    while (result.written < total) {
      if (!s.OperationRunning) {
        result.status = FillStatus::Cancelled;
        break;
      }
      const std::int64_t n = std::min(piece, total - result.written);
      const std::int64_t put = s.File1.WriteCounted(at + result.written, buf.data(), n);
      result.written += put;
      if (put < n) {
        const int e = errno;
        result.status = FillStatus::Failed;
        AfterFill(io);
        p.MessageBox(FillFailure(s, e, first, result.written), Buttons::Ok, Icon::Critical);
        return result;
      }
      if (!pacer.Step(result.written, total) && result.written < total) {
        result.status = FillStatus::Cancelled;
        break;
      }
    }
  }
  AfterFill(io);
  return result;
}

}  // namespace qx
