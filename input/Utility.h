// Small input helpers shared by every dialog: hex digits, number format,
// mark offsets and reading numbers typed with or without separators.
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

#include "core/Declare.h"

namespace qx {

// "0".."9" or "A".."F" exactly (callers upper-case first).
bool IsHexChar(QChar c);
// The value of the first two characters read as hex; stops at the first
// non-hex character ("7F" -> 127, "7" -> 7, "G1" -> 0).
int HexByteValue(const QString& s);
// "##,###,##0": 1234567 -> "1,234,567", 0 -> "0", -5 -> "-5".
QString FormatCount(std::int64_t n);
// The cursor offset of mark letter ("A".."Z", either case), formatted.
QString MarkText(const EditorState& s, QChar letter);
// A whole number with optional "," separators (grouping the digits in threes,
// as FormatCount writes them) and an optional leading "-"; spaces around it
// are ignored. nullopt for anything else. A number beyond 64 bits reads as
// the nearest value that is not: still a number, just past every end.
std::optional<std::int64_t> ReadNumber(const QString& text);
// a + b, held at the int64 limits instead of overflowing.
constexpr std::int64_t AddClamped(std::int64_t a, std::int64_t b) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}
// The 8-bit (ISO 8859-1) code of c, or nullopt when it has none.
std::optional<std::uint8_t> ByteCode(QChar c);

}  // namespace qx
