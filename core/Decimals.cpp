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
  const auto isDigit = [ebcdic](std::uint8_t b) {
    const int zone = b >> 4;
    if (ebcdic) return (b & 0x0F) <= 9 && (zone == 0xF || zone == 0xC || zone == 0xD);
    return b >= '0' && b <= '9';
  };
  DecimalNumber n;
  bool signZone = false;
  std::size_t i = 0;
  for (; i < bytes.size() && n.digits.size() < kMaxDecimalDigits && !signZone; ++i) {
    const std::uint8_t b = bytes[i];
    if (!isDigit(b)) break;
    n.digits += static_cast<char>('0' + (b & 0x0F));
    signZone = ebcdic && (b >> 4) != 0xF;
    n.negative = signZone && (b >> 4) == 0xD;
  }
  if (n.digits.empty()) return {};
  // One digit more than the longest number: a longer field, no number at all.
  if (!signZone && i < bytes.size() && isDigit(bytes[i])) return {};
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
