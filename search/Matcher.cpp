#include "search/Matcher.h"

#include <cstring>
#include <utility>

namespace qx {

namespace {

// A rough commonness of each byte value in typical files (text, records,
// executables): higher is more common. Only the order matters.
int Commonness(std::uint8_t b) {
  if (b == 0x00) return 255;
  if (b == ' ') return 230;
  if (b == 0xFF) return 200;
  if (std::strchr("etaoinsrhl", b) != nullptr && b != 0) return 190;
  if (b >= 'a' && b <= 'z') return 160;
  if (b == '\n' || b == '\r' || b == '\t' || b == 0x01) return 150;
  if (b >= '0' && b <= '9') return 140;
  if (std::strchr(".,;:-_/=()\"'", b) != nullptr && b != 0) return 130;
  if (b >= 'A' && b <= 'Z') return 120;
  if (b < 0x20) return 90;
  if (b < 0x80) return 80;
  return 60;
}

}  // namespace

Matcher::Matcher(std::vector<std::uint8_t> pattern) : pattern_(std::move(pattern)) {
  for (std::int64_t i = 1; i < Size(); ++i) {
    if (Commonness(pattern_[static_cast<std::size_t>(i)]) <
        Commonness(pattern_[static_cast<std::size_t>(rare_)])) {
      rare_ = i;
    }
  }
}

std::int64_t Matcher::Find(const std::uint8_t* data, std::int64_t from,
                           std::int64_t lastStart) const {
  if (pattern_.empty() || from < 0 || from > lastStart) return -1;
  const auto n = static_cast<std::size_t>(Size());
  const std::uint8_t* pat = pattern_.data();
  const std::uint8_t key = pat[rare_];
  // Candidates are the places of the key byte among the starts from..lastStart.
  const std::uint8_t* p = data + from + rare_;
  const std::uint8_t* const end = data + lastStart + rare_ + 1;
  while (p < end) {
    p = static_cast<const std::uint8_t*>(std::memchr(p, key, static_cast<std::size_t>(end - p)));
    if (p == nullptr) return -1;
    const std::uint8_t* s = p - rare_;
    if (s[0] == pat[0] && std::memcmp(s, pat, n) == 0) return s - data;
    ++p;
  }
  return -1;
}

}  // namespace qx
