#include "ops/RecordRewrite.h"

#include <algorithm>
#include <cstring>

#include "ops/RecordRange.h"

namespace qx {

namespace {

// Short pieces are copied as one fixed 16-byte move (the buffers have room
// past their ends): a call per few bytes would cost more than the bytes.
constexpr std::int64_t kSlack = 16;

inline void Put(std::uint8_t*& to, const std::uint8_t* from, std::int64_t n) {
  if (n <= kSlack) {
    std::memcpy(to, from, kSlack);
  } else {
    std::memcpy(to, from, static_cast<std::size_t>(n));
  }
  to += n;
}

// Memory stays about this much however long a record or the insert is.
constexpr std::int64_t kMaxBlockOut = std::int64_t{8} << 20;

}  // namespace

RewriteStatus RewriteRecords(IO& io, TempFileWriter& out, const RecordRewrite& job,
                             OperationPacer& pacer, QString& readError, std::int64_t blockSize) {
  EditorState& s = io.State();
  const std::int64_t length = s.Current.RecordLength;
  const auto insertLength = static_cast<std::int64_t>(job.insert.size());
  std::int64_t perBlock = std::max<std::int64_t>(blockSize / length, 1);
  perBlock = std::max<std::int64_t>(
      std::min(perBlock, kMaxBlockOut / std::max<std::int64_t>(length + insertLength, 1)), 1);
  std::vector<std::uint8_t> in(static_cast<std::size_t>(perBlock * length + kSlack));
  std::vector<std::uint8_t> built(
      static_cast<std::size_t>(perBlock * (length + insertLength) + kSlack));
  std::vector<std::uint8_t> insert(job.insert);
  insert.resize(job.insert.size() + kSlack);
  const std::int64_t end = std::min(RecordByte(s, job.to + 1, 0), s.FileLength);
  const std::int64_t total = job.to - job.from + 1;

  for (std::int64_t r = job.from; r <= job.to;) {
    const std::int64_t first = RecordByte(s, r, 0);
    if (first >= end) break;
    const std::int64_t count = std::min(perBlock, job.to - r + 1);
    const std::int64_t available = std::min(RecordByte(s, r + count, 0), end) - first;
    const std::int64_t got = s.File1.ReadAt(first, in.data(), available);
    if (got != available) {
      readError = CopyReadError(first, got);
      return RewriteStatus::Failed;
    }
    std::uint8_t* o = built.data();
    for (std::int64_t at = 0; at < available; at += length) {
      const std::int64_t bytes = std::min(length, available - at);
      const std::int64_t a = std::min(job.cutFrom, bytes);
      const std::int64_t b = std::min(job.cutTo, bytes);
      const std::uint8_t* record = in.data() + at;
      Put(o, record, a);
      if (insertLength > 0) Put(o, insert.data(), insertLength);
      Put(o, record + b, bytes - b);
    }
    if (!out.Write(built.data(), o - built.data())) return RewriteStatus::Failed;
    r += count;
    if (!pacer.Step(r - job.from, total)) return RewriteStatus::Cancelled;
  }
  return RewriteStatus::Done;
}

}  // namespace qx
