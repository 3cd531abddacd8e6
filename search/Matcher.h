// Search for a short byte string in a buffer: memchr on the byte of the
// pattern that is likely rarest, then a compare at each candidate. A pattern
// may allow a second value at some places (the other case of a letter); the
// candidates are then found sixteen at a time, by looking for either of two
// values at two places at once.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

class Matcher {
 public:
  explicit Matcher(std::vector<std::uint8_t> pattern);
  // other[i] also matches at place i (other[i] == pattern[i]: only itself);
  // other is as long as pattern.
  Matcher(std::vector<std::uint8_t> pattern, std::vector<std::uint8_t> other);

  std::int64_t Size() const { return static_cast<std::int64_t>(pattern_.size()); }
  bool Empty() const { return pattern_.empty(); }
  const std::vector<std::uint8_t>& Pattern() const { return pattern_; }

  // The first start s in from..lastStart at which the whole pattern matches
  // data[s..s+Size()-1], or -1. The caller guarantees data holds
  // lastStart + Size() bytes. An empty pattern never matches.
  std::int64_t Find(const std::uint8_t* data, std::int64_t from, std::int64_t lastStart) const;

 private:
  std::int64_t FindEither(const std::uint8_t* data, std::int64_t from,
                          std::int64_t lastStart) const;
  // Whether s[0..Size()-1] holds the pattern, each place either value.
  bool Matches(const std::uint8_t* s) const;

  std::vector<std::uint8_t> pattern_;
  std::vector<std::uint8_t> other_;  // empty: every place matches itself only
  std::int64_t rare_ = 0;            // index of the byte the candidate scan looks for
  std::int64_t second_ = 0;          // with other_: the place tested beside rare_
};

// The first p in from..end-1 with *p == a or *p == b, or end.
const std::uint8_t* FindEitherByte(const std::uint8_t* from, const std::uint8_t* end,
                                   std::uint8_t a, std::uint8_t b);

}  // namespace qx
