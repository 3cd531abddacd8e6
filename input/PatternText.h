// Turning typed pattern text into bytes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Declare.h"

namespace qx {

constexpr int kPatternFieldLength = 40;  // characters a pattern box takes
constexpr int kMaxFillPattern = 41;      // bytes of a fill pattern

// Find and Replace: ASCII one byte per character, Unicode the byte then 0,
// Hexadecimal spaces removed and pairs of digits (a last lone digit is
// ignored). nullopt when a character has no 8-bit code.
std::optional<std::vector<std::uint8_t>> PatternBytes(const QString& text, int searchType);

// Fill and Record Fill: as above, but hexadecimal text shorter than two
// characters gets a leading "0", and at most kMaxFillPattern bytes are kept.
std::optional<std::vector<std::uint8_t>> FillPatternBytes(const QString& text, bool hex);

}  // namespace qx
