#include "ops/PatchRecords.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ops/RecordRange.h"

namespace qx {

namespace {

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// Ranges longer than this show the progress bar.
constexpr std::int64_t kProgressThreshold = 8192;

}  // namespace

PatchResult PatchRecords(IO& io, std::int64_t from, std::int64_t to, std::int64_t offset,
                         const std::vector<std::uint8_t>& image, ProgressBar* bar,
                         const PatchOptions& opt) {
  EditorState& s = io.State();
  PatchResult result;
  const std::int64_t length = s.Current.RecordLength;
  const auto n = static_cast<std::int64_t>(image.size());
  // The image never reaches past its own record.
  const std::int64_t width = std::min(n, length - offset);
  if (from > to || width <= 0) {
    io.EndInPlaceChange();
    return result;
  }
  const std::int64_t perBlock = std::max<std::int64_t>(opt.blockSize / length, 1);
  // A field that is the whole record needs nothing read around it.
  const bool wholeRecord = offset == 0 && width == length;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock * length));
  s.OperationRunning = true;
  {
    BarShown shown(bar, RecordByte(s, to, length) - RecordByte(s, from, 0) > kProgressThreshold);
    OperationPacer pacer(s, io.Plat(), shown.Bar());
    pacer.Flush();
    for (std::int64_t r = from; r <= to;) {
      if (!s.OperationRunning) {
        result.status = PatchStatus::Cancelled;
        break;
      }
      const std::int64_t last = std::min(to, r + perBlock - 1);
      // The bytes from this block's first field to its last that exist.
      const std::int64_t begin = RecordByte(s, r, offset);
      const std::int64_t end = std::min(RecordByte(s, last, offset + width), s.FileLength);
      if (begin >= end) break;  // the range's fields lie past the end of the file
      const std::int64_t span = end - begin;
      if (!wholeRecord && s.File1.ReadAt(begin, block.data(), span) != span) {
        result.status = PatchStatus::Failed;
        result.error = QStringLiteral("Couldn't read %1 at offset %2: %3")
                           .arg(s.Current.FileName)
                           .arg(begin)
                           .arg(Reason(errno ? errno : EIO));
        break;
      }
      for (std::int64_t k = 0; k <= last - r; ++k) {
        const std::int64_t at = k * length;
        if (at >= span) break;
        std::memcpy(block.data() + at, image.data(),
                    static_cast<std::size_t>(std::min(width, span - at)));
      }
      if (!s.File1.WriteAt(begin, block.data(), span)) {
        result.status = PatchStatus::Failed;
        result.error = QStringLiteral("Couldn't write %1 at offset %2: %3")
                           .arg(s.Current.FileName)
                           .arg(begin)
                           .arg(Reason(errno));
        break;
      }
      result.records = last - from + 1;
      r = last + 1;
      (void)pacer.Step(r - from, to - from + 1);
    }
  }
  s.OperationRunning = false;
  io.EndInPlaceChange();
  return result;
}

}  // namespace qx
