// Packed (COMP-3) and zoned decimal numbers as record files store them: the
// decoders return the digits themselves, so a number of 31 digits, far past
// 64 bits, is shown exactly.
#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <string>

namespace qx {

inline constexpr int kMaxPackedBytes = 16;
inline constexpr int kMaxDecimalDigits = 31;
// A zoned number of the most digits plus its trailing sign byte.
inline constexpr int kMaxZonedBytes = kMaxDecimalDigits + 1;

struct DecimalNumber {
  bool valid = false;
  bool negative = false;
  std::string digits;  // most significant first, as stored (leading zeros kept)
  int byteCount = 0;   // bytes the number takes in the file
};

// Digit nibbles up to the first byte whose low nibble is a sign (A, C, E, F
// positive; B, D negative), within the first 16 bytes.
DecimalNumber ReadPacked(std::span<const std::uint8_t> bytes);
// EBCDIC: F0..F9 continue, C0..C9 / D0..D9 end the number with its sign.
// Other sets: 30..39 and an optional trailing "+" or "-". At most 31 digits:
// a 32nd digit byte (of any zone) makes the bytes no zoned number.
DecimalNumber ReadZoned(std::span<const std::uint8_t> bytes, bool ebcdic);

// "-12,345 (3 bytes)", or notText when the bytes hold no such number.
QString FormatDecimal(const DecimalNumber& n, const QString& notText);

inline const QString kNotPacked = QStringLiteral("not packed decimal");
inline const QString kNotZoned = QStringLiteral("not zoned decimal");

}  // namespace qx
