#include "search/CaseFold.h"

#include "core/Declare.h"

namespace qx {

std::vector<std::uint8_t> OtherCaseBytes(const std::vector<std::uint8_t>& pattern, int searchType,
                                         const CharacterSet& set) {
  std::vector<std::uint8_t> other = pattern;
  if (searchType != kSearchAscii && searchType != kSearchUnicode) return other;
  // The Unicode kind is a character byte, then 0, in every set.
  const CharacterSet& in = searchType == kSearchUnicode ? CharacterSetOf(kAsciiSetName) : set;
  const std::size_t step = searchType == kSearchUnicode ? 2 : 1;
  for (std::size_t i = 0; i < other.size(); i += step) {
    other[i] = in.OtherCase(pattern[i]).value_or(pattern[i]);
  }
  return other;
}

}  // namespace qx
