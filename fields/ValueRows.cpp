#include "fields/ValueRows.h"

#include <algorithm>

#include "fields/FieldCodec.h"

namespace qx {

namespace {

constexpr std::size_t kMaxPackedBytes = 16;
constexpr std::size_t kMaxZonedDigits = 31;

QString WithLength(const FieldValue& v, int bytes, const QString& notText) {
  if (v.state != FieldValue::State::Value) return notText;
  return v.text + QStringLiteral(" (%1 %2)").arg(bytes).arg(bytes == 1 ? "byte" : "bytes");
}

}  // namespace

QString PackedAtCursor(std::span<const std::uint8_t> bytes) {
  const std::size_t limit = std::min(bytes.size(), kMaxPackedBytes);
  for (std::size_t i = 0; i < limit; ++i) {
    if (bytes[i] >> 4 > 9) return kNotPacked;
    if ((bytes[i] & 0x0F) <= 9) continue;
    const int n = static_cast<int>(i) + 1;
    const FieldType type{Storage::Packed, n, 2 * n - 1, 0, true};
    return WithLength(DecodeField(type, bytes.first(i + 1), CharacterSetOf(kAsciiSetName), {}), n,
                      kNotPacked);
  }
  return kNotPacked;  // no sign within reach
}

QString ZonedAtCursor(std::span<const std::uint8_t> bytes, const CharacterSet& set) {
  const bool ebcdic = set.IsEbcdic();
  const auto isDigit = [ebcdic](std::uint8_t b) {
    const int zone = b >> 4;
    if (ebcdic) return (b & 0x0F) <= 9 && (zone == 0xF || zone == 0xC || zone == 0xD);
    return b >= '0' && b <= '9';
  };
  std::size_t n = 0;
  bool signZone = false;
  for (; n < bytes.size() && n < kMaxZonedDigits && !signZone && isDigit(bytes[n]); ++n)
    signZone = ebcdic && bytes[n] >> 4 != 0xF;
  if (n == 0) return kNotZoned;
  // One digit more than the longest number: a longer field, no number at all.
  if (!signZone && n < bytes.size() && isDigit(bytes[n])) return kNotZoned;
  const bool sign = !ebcdic && n < bytes.size() && (bytes[n] == '+' || bytes[n] == '-');
  const int length = static_cast<int>(n) + (sign ? 1 : 0);
  const FieldType type{Storage::Zoned, length, static_cast<int>(n), 0, true, false, sign};
  return WithLength(DecodeField(type, bytes.first(static_cast<std::size_t>(length)), set, {}),
                    length, kNotZoned);
}

ValueTexts ValueRows(const ValueBytes& b) {
  ValueTexts t = FormatValues(b);
  // As the character column does, they read the bytes as the screen shows them.
  const auto shown =
      std::span(b.shown).first(static_cast<std::size_t>(std::clamp(b.count, 0, kValueByteCount)));
  t.Packed = PackedAtCursor(shown);
  t.Zoned = ZonedAtCursor(shown, b.set ? *b.set : CharacterSetOf(kAsciiSetName));
  return t;
}

}  // namespace qx
