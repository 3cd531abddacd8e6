#include "ops/PatchRecords.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Posix.h"
#include "input/Utility.h"
#include "ops/RecordRange.h"

namespace qx {

namespace {

// Writes the field into count records stride bytes apart. Narrow fields
// (a flag, a code) get a copy of constant size that the compiler inlines:
// a call per record would cost more than its bytes.
template <std::int64_t W>
void PatchFixed(std::uint8_t* block, std::int64_t count, std::int64_t stride,
                const std::uint8_t* image) {
  for (std::int64_t k = 0; k < count; ++k) std::memcpy(block + k * stride, image, W);
}

void PatchFields(std::uint8_t* block, std::int64_t count, std::int64_t stride,
                 const std::uint8_t* image, std::int64_t width) {
  switch (width) {
    case 1:
      return PatchFixed<1>(block, count, stride, image);
    case 2:
      return PatchFixed<2>(block, count, stride, image);
    case 3:
      return PatchFixed<3>(block, count, stride, image);
    case 4:
      return PatchFixed<4>(block, count, stride, image);
    case 5:
      return PatchFixed<5>(block, count, stride, image);
    case 6:
      return PatchFixed<6>(block, count, stride, image);
    case 7:
      return PatchFixed<7>(block, count, stride, image);
    case 8:
      return PatchFixed<8>(block, count, stride, image);
    default:
      for (std::int64_t k = 0; k < count; ++k) {
        std::memcpy(block + k * stride, image, static_cast<std::size_t>(width));
      }
  }
}

}  // namespace

QString HowFar(std::int64_t from, const PatchResult& patched, const QString& done) {
  const std::int64_t records = patched.records;
  const QString part =
      patched.partial
          ? QStringLiteral("record %1 was %2 in part; ").arg(FormatCount(from + records), done)
          : QString();
  if (records <= 0) {
    if (!patched.partial) return QStringLiteral("No record was %1.").arg(done);
    return QStringLiteral("No record was %1 whole; %2the others are unchanged.").arg(done, part);
  }
  return QStringLiteral("Records %1 to %2 (%3 records) were %4; %5the others are unchanged.")
      .arg(FormatCount(from), FormatCount(from + records - 1), FormatCount(records), done, part);
}

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
      // Whole fields first; a short last record takes what it has.
      const std::int64_t whole =
          span < width ? 0 : std::min(last - r + 1, (span - width) / length + 1);
      PatchFields(block.data(), whole, length, image.data(), width);
      const std::int64_t at = whole * length;
      if (whole <= last - r && at < span) {
        std::memcpy(block.data() + at, image.data(), static_cast<std::size_t>(span - at));
      }
      const std::int64_t put = s.File1.WriteCounted(begin, block.data(), span);
      if (put < span) {
        const int e = errno;
        // The fields that reached the file whole before the write failed.
        const std::int64_t landed = put < width ? 0 : (put - width) / length + 1;
        result.records = r - from + std::min(landed, last - r + 1);
        result.status = PatchStatus::Failed;
        result.error = QStringLiteral("Couldn't write %1 at offset %2: %3")
                           .arg(s.Current.FileName, FormatCount(begin + put), Reason(e));
        result.partial = landed <= last - r && put > landed * length;
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
