// The bytes at the cursor read as typed values: the texts of the value
// display. Pure formatting plus the one routine that gathers the bytes.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "core/CharacterSet.h"
#include "core/Declare.h"

namespace qx {

// Enough for the longest zoned number with its sign.
inline constexpr int kValueByteCount = 32;
inline constexpr int kValueTextBytes = 16;

// The bytes starting at the cursor. shown holds them as the page displays
// them (unsaved edits included), stored as the file holds them.
struct ValueBytes {
  std::array<std::uint8_t, kValueByteCount> shown{};
  std::array<std::uint8_t, kValueByteCount> stored{};
  int count = 0;  // bytes that exist from the cursor to the end of the working area
  const CharacterSet* set = nullptr;  // the file's set; null is "ASCII"
};

struct ValueTexts {
  QString Byte, Integer, IntegerBig, Long, LongBig, Single, Double, Currency, Date, Boolean;
  QString LeftByte, RightByte, Packed, Zoned, Text;
};

inline const QString kTooShort = QStringLiteral("Too Short");
inline const QString kNotADate = QStringLiteral("Not a Date");

// Digit groups of three joined by ",", with a leading "-" when negative.
QString GroupedNumber(std::int64_t n);
// The same for a string of decimal digits of any length.
QString GroupDigits(const std::string& digits);
// "0101 1010".
QString FormatBits(std::uint8_t b);
// Shortest text that reads back to the same value; exponents as "1E+16".
QString FormatSingle(float f);
QString FormatDouble(double d);
// A 64-bit count of ten-thousandths: "$1.00", "-$1,234.57".
QString FormatCurrency(std::int64_t tenThousandths);
// Days from 1899-12-30: "YYYY-MM-DD hh:mm:ss", the date alone at midnight,
// the time alone on 1899-12-30; "Not a Date" outside the years 100..9999.
QString FormatDate(double days);

// The labels of the value display that read plain values (not Packed and
// Zoned: the field layer reads those).
ValueTexts FormatValues(const ValueBytes& b);

// Gathers the bytes at the cursor of the current file: bytes on the page
// from the page, the rest from the file. False when the file cannot be read.
[[nodiscard]] bool CollectValueBytes(const EditorState& s, ValueBytes& out);

}  // namespace qx
