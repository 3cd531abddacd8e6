#include "ops/ForwardCopier.h"

#include <algorithm>

namespace qx {

namespace {

constexpr std::int64_t kWindow = std::int64_t{1} << 20;

}  // namespace

ForwardCopier::ForwardCopier(const BinaryFile& from, TempFileWriter& out)
    : from_(from), out_(out) {}

bool ForwardCopier::Fill(std::int64_t at) {
  if (buffer_.empty()) buffer_.resize(static_cast<std::size_t>(kWindow));
  const std::int64_t got = from_.ReadAt(at, buffer_.data(), kWindow);
  if (got <= 0) {
    error_ = CopyReadError(at, got);
    return false;
  }
  windowStart_ = at;
  windowEnd_ = at + got;
  return true;
}

bool ForwardCopier::Copy(std::int64_t first, std::int64_t last) {
  while (first <= last) {
    const bool inWindow = first >= windowStart_ && first < windowEnd_;
    if (!inWindow && last - first + 1 >= kWindow) {
      // Long: straight through the writer; the window is of no use here.
      if (out_.CopyRange(from_, first, last)) return true;
      error_ = out_.Error();
      return false;
    }
    if (!inWindow && !Fill(first)) return false;
    const std::int64_t to = std::min(last, windowEnd_ - 1);
    if (!out_.Write(buffer_.data() + (first - windowStart_), to - first + 1)) {
      error_ = out_.Error();
      return false;
    }
    first = to + 1;
  }
  return true;
}

}  // namespace qx
