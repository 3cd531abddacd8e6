#include "core/Decimals.h"

#include <algorithm>

#include "core/ValueFormat.h"

namespace qx {

DecimalNumber ReadPacked(std::span<const std::uint8_t> bytes) {
  DecimalNumber n;
  const std::size_t limit = std::min<std::size_t>(bytes.size(), kMaxPackedBytes);
  for (std::size_t i = 0; i < limit; ++i) {
    const int high = bytes[i] >> 4;
    const int low = bytes[i] & 0x0F;
    if (high > 9) return {};
    n.digits += static_cast<char>('0' + high);
    if (low <= 9) {
      n.digits += static_cast<char>('0' + low);
      continue;
    }
    n.valid = true;
    n.negative = low == 0x0B || low == 0x0D;
    n.byteCount = static_cast<int>(i) + 1;
    return n;
  }
  return {};  // no sign within reach
}

DecimalNumber ReadZoned(std::span<const std::uint8_t> bytes, bool ebcdic) {
  DecimalNumber n;
  std::size_t i = 0;
  for (; i < bytes.size() && n.digits.size() < kMaxDecimalDigits; ++i) {
    const std::uint8_t b = bytes[i];
    const int zone = b >> 4;
    const int digit = b & 0x0F;
    if (ebcdic) {
      if (digit > 9 || (zone != 0xF && zone != 0xC && zone != 0xD)) break;
      n.digits += static_cast<char>('0' + digit);
      if (zone != 0xF) {
        n.negative = zone == 0xD;
        ++i;
        break;
      }
    } else {
      if (b < '0' || b > '9') break;
      n.digits += static_cast<char>(b);
    }
  }
  if (n.digits.empty()) return {};
  if (!ebcdic && i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) {
    n.negative = bytes[i] == '-';
    ++i;
  }
  n.valid = true;
  n.byteCount = static_cast<int>(i);
  return n;
}

QString FormatDecimal(const DecimalNumber& n, const QString& notText) {
  if (!n.valid) return notText;
  const std::size_t first = std::min(n.digits.find_first_not_of('0'), n.digits.size() - 1);
  const std::string magnitude = n.digits.substr(first);
  // A negative zero is still zero.
  const bool minus = n.negative && magnitude != "0";
  return (minus ? QStringLiteral("-") : QString()) + GroupDigits(magnitude) +
         QStringLiteral(" (%1 %2)").arg(n.byteCount).arg(n.byteCount == 1 ? "byte" : "bytes");
}

}  // namespace qx
