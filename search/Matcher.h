// Exact search for a short byte string in a buffer: memchr on the byte of
// the pattern that is likely rarest, then a compare at each candidate.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

class Matcher {
 public:
  explicit Matcher(std::vector<std::uint8_t> pattern);

  std::int64_t Size() const { return static_cast<std::int64_t>(pattern_.size()); }
  bool Empty() const { return pattern_.empty(); }
  const std::vector<std::uint8_t>& Pattern() const { return pattern_; }

  // The first start s in from..lastStart at which the whole pattern matches
  // data[s..s+Size()-1], or -1. The caller guarantees data holds
  // lastStart + Size() bytes. An empty pattern never matches.
  std::int64_t Find(const std::uint8_t* data, std::int64_t from, std::int64_t lastStart) const;

 private:
  std::vector<std::uint8_t> pattern_;
  std::int64_t rare_ = 0;  // index of the byte memchr looks for
};

}  // namespace qx
