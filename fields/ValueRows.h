// The texts of Show Values: the plain values at the cursor, and the packed
// and zoned numbers that begin there, read by the field codec.
#pragma once

#include <cstdint>
#include <span>

#include "core/ValueFormat.h"

namespace qx {

inline const QString kNotPacked = QStringLiteral("not packed decimal");
inline const QString kNotZoned = QStringLiteral("not zoned decimal");

// Digit nibbles up to the first byte whose low nibble is a sign, within 16
// bytes: "-12,345 (3 bytes)".
QString PackedAtCursor(std::span<const std::uint8_t> bytes);
// EBCDIC: F0..F9 continue, C0..C9 / D0..D9 end the number with its sign.
// Other sets: 30..39 and an optional trailing "+" or "-". At most 31 digits:
// a 32nd digit byte (of any zone) makes the bytes no zoned number.
QString ZonedAtCursor(std::span<const std::uint8_t> bytes, const CharacterSet& set);

// Every row of the value display.
ValueTexts ValueRows(const ValueBytes& b);

}  // namespace qx
