// Match case off: the other case of each letter of a text pattern, in the
// file's character set.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CharacterSet.h"

namespace qx {

// For each byte of pattern (of the search kind searchType) the byte that
// also matches there: the other case of its letter when set has it, else
// the byte itself. The Unicode kind folds its character bytes only, as ISO
// 8859-1; the hexadecimal and value kinds fold nothing.
std::vector<std::uint8_t> OtherCaseBytes(const std::vector<std::uint8_t>& pattern, int searchType,
                                         const CharacterSet& set);

}  // namespace qx
