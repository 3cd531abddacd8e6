// Turning typed pattern text into bytes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/CharacterSet.h"
#include "core/Declare.h"
#include "platform/Platform.h"

namespace qx {

constexpr int kPatternFieldLength = 40;  // characters a pattern box takes
constexpr int kMaxFillPattern = 41;      // bytes of a fill pattern

// Find and Replace: ASCII one byte per character, its code in the file's
// set; Unicode the ISO 8859-1 byte then 0, in every set; Hexadecimal spaces
// removed and pairs of digits (a last lone digit is ignored). nullopt when
// a character has no code.
std::optional<std::vector<std::uint8_t>> PatternBytes(
    const QString& text, int searchType, const CharacterSet& set = CharacterSetOf(kAsciiSetName));

// Fill and Record Fill: as above, but hexadecimal text shorter than two
// characters gets a leading "0", and at most kMaxFillPattern bytes are kept.
std::optional<std::vector<std::uint8_t>> FillPatternBytes(
    const QString& text, bool hex, const CharacterSet& set = CharacterSetOf(kAsciiSetName));

// Text of the ASCII kind with a character the set has no code for (pasted,
// since typing discards it) is refused with the notice that names it.
bool RefuseTextWithoutCode(Platform& p, const QString& text, const CharacterSet& set);

}  // namespace qx
