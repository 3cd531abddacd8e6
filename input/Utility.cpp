#include "input/Utility.h"

#include <limits>

namespace qx {

namespace {

int HexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}

bool IsAsciiDigit(QChar c) {
  return c.unicode() >= u'0' && c.unicode() <= u'9';
}

}  // namespace

bool IsHexChar(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F');
}

int HexByteValue(const QString& s) {
  int value = 0;
  for (qsizetype i = 0; i < s.size() && i < 2; ++i) {
    const int d = HexDigitValue(s[i]);
    if (d < 0) break;
    value = value * 16 + d;
  }
  return value;
}

QString FormatCount(std::int64_t n) {
  // The magnitude as unsigned, so the most negative value formats too.
  std::uint64_t m = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  QString digits = QString::number(m);
  QString out;
  out.reserve(digits.size() + digits.size() / 3 + 1);
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += QLatin1Char(',');
    out += digits[i];
  }
  return n < 0 ? QLatin1Char('-') + out : out;
}

QString MarkText(const EditorState& s, QChar letter) {
  const char16_t u = letter.toUpper().unicode();
  if (u < u'A' || u > u'Z') return QStringLiteral("0");
  return FormatCount(s.Current.MarkTable[u - u'A'].CursorOffset);
}

std::optional<std::int64_t> ReadNumber(const QString& text) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  const bool negative = t.startsWith(QLatin1Char('-'));
  if (negative) ++i;
  if (i >= t.size()) return std::nullopt;

  // Separators, when used, must group the digits in threes as FormatCount
  // writes them, so that a slip such as "1,00" is not read as 100.
  const bool grouped = t.contains(QLatin1Char(','));
  std::uint64_t m = 0;
  const std::uint64_t limit =
      negative ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1
               : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  int groupDigits = 0;
  bool firstGroup = true;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c == QLatin1Char(',')) {
      if (groupDigits == 0 || (firstGroup ? groupDigits > 3 : groupDigits != 3)) {
        return std::nullopt;
      }
      firstGroup = false;
      groupDigits = 0;
      continue;
    }
    if (!IsAsciiDigit(c)) return std::nullopt;
    const std::uint64_t d = c.unicode() - u'0';
    // Past the limit the digits still have to form a number; the value
    // stays at the limit.
    m = m > (limit - d) / 10 ? limit : m * 10 + d;
    ++groupDigits;
  }
  if (grouped && groupDigits != 3) return std::nullopt;
  if (groupDigits == 0) return std::nullopt;
  if (negative) {
    // -limit is representable: limit is at most 2^63.
    return m == 0 ? 0 : -static_cast<std::int64_t>(m - 1) - 1;
  }
  return static_cast<std::int64_t>(m);
}

std::optional<std::uint8_t> ByteCode(QChar c) {
  if (c.unicode() > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(c.unicode());
}

}  // namespace qx
