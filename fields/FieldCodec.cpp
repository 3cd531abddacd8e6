#include "fields/FieldCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "core/CharacterSet.h"
#include "core/ValueFormat.h"

namespace qx {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A number as the field stores it: the digits of value x 10^scale.
struct Scaled {
  bool negative = false;
  std::string digits;
};

std::string Trimmed(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

QString FormatScaled(const Scaled& n, int scale) {
  std::string digits = Trimmed(n.digits);
  const bool zero = digits == "0";
  QString text;
  if (scale <= 0) {
    if (!zero) digits.append(static_cast<std::size_t>(-scale), '0');
    text = GroupDigits(digits);
  } else {
    const auto s = static_cast<std::size_t>(scale);
    if (digits.size() < s + 1) digits = std::string(s + 1 - digits.size(), '0') + digits;
    text = GroupDigits(digits.substr(0, digits.size() - s)) + QLatin1Char('.') +
           QString::fromStdString(digits.substr(digits.size() - s));
  }
  return n.negative && !zero ? QLatin1Char('-') + text : text;
}

// "-1,234.5" for a field of the given scale; none when the text is no number
// or holds a digit the scale cannot keep.
std::optional<Scaled> ParseScaled(const QString& value, int scale) {
  const QString t = value.trimmed();
  Scaled n;
  qsizetype i = 0;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) n.negative = t[i++] == u'-';
  std::string whole, fraction;
  bool point = false;
  for (; i < t.size(); ++i) {
    const char16_t c = t[i].unicode();
    if (c >= u'0' && c <= u'9') {
      (point ? fraction : whole) += static_cast<char>(c);
    } else if (c == u',' && !point && !whole.empty() && i + 1 < t.size()) {
      continue;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  // Decimals past the scale may only be zeros; a scale below zero (trailing
  // P) takes whole tens.
  const int keep = std::max(scale, 0);
  if (std::ssize(fraction) > keep) {
    if (fraction.find_first_not_of('0', static_cast<std::size_t>(keep)) != std::string::npos)
      return std::nullopt;
    fraction.resize(static_cast<std::size_t>(keep));
  }
  fraction.append(static_cast<std::size_t>(keep) - fraction.size(), '0');
  std::string digits = Trimmed(whole + fraction);
  if (scale < 0 && digits != "0") {
    const auto tens = static_cast<std::size_t>(-scale);
    if (digits.size() <= tens ||
        digits.find_first_not_of('0', digits.size() - tens) != std::string::npos)
      return std::nullopt;
    digits.resize(digits.size() - tens);
  }
  n.digits = digits;
  if (n.digits == "0") n.negative = false;
  return n;
}

// The digits of an unsigned 64-bit number, and back (none past 64 bits).
std::string DigitsOf(std::uint64_t v) {
  return std::to_string(v);
}
std::optional<std::uint64_t> ValueOf(const std::string& digits) {
  std::uint64_t v = 0;
  for (const char c : digits) {
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (v > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return std::nullopt;
    v = v * 10 + d;
  }
  return v;
}

bool AllBytes(std::span<const std::uint8_t> bytes, std::uint8_t b) {
  return std::all_of(bytes.begin(), bytes.end(), [b](std::uint8_t x) { return x == b; });
}

std::uint8_t SpaceOf(const CharacterSet& set) {
  return set.Encode(QLatin1Char(' ')).value_or(set.IsEbcdic() ? 0x40 : 0x20);
}

// The largest magnitude of a binary field of n bytes.
std::uint64_t NativeMax(int bytes, bool isSigned, bool negative) {
  const int bits = 8 * bytes - (isSigned ? 1 : 0);
  if (bits >= 64) return std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t top = std::uint64_t{1} << bits;
  return negative ? top : top - 1;
}

QString RangeText(const FieldType& type, const QString& name) {
  const std::string zero(1, '0');
  Scaled high;
  Scaled low{type.isSigned, {}};
  if (type.storage == Storage::Native) {
    high.digits = DigitsOf(NativeMax(type.length, type.isSigned, false));
    low.digits = type.isSigned ? DigitsOf(NativeMax(type.length, true, true)) : zero;
  } else {
    high.digits = std::string(static_cast<std::size_t>(type.digits), '9');
    low.digits = type.isSigned ? high.digits : zero;
  }
  return QStringLiteral("%1 holds %2 to %3")
      .arg(name, FormatScaled(low, type.scale), FormatScaled(high, type.scale));
}

// ---- Zoned ----

struct ZoneSigns {
  std::uint8_t plus, minus;
};

ZoneSigns SeparateSigns(const CharacterSet& set) {
  return {set.Encode(QLatin1Char('+')).value_or(set.IsEbcdic() ? 0x4E : 0x2B),
          set.Encode(QLatin1Char('-')).value_or(set.IsEbcdic() ? 0x60 : 0x2D)};
}

std::optional<int> PlainDigit(std::uint8_t b, bool ebcdic) {
  const int base = ebcdic ? 0xF0 : 0x30;
  if (b < base || b > base + 9) return std::nullopt;
  return b - base;
}

// The digit and sign of the byte that carries the sign; none when it is no such byte.
std::optional<std::pair<int, bool>> SignedDigit(std::uint8_t b, bool ebcdic,
                                                const LayoutChoices& choices) {
  if (ebcdic) {
    const int zone = b >> 4, digit = b & 0x0F;
    if (digit > 9) return std::nullopt;
    if (zone == 0xC || zone == 0xA || zone == 0xE || zone == 0xF) return std::pair{digit, false};
    if (zone == 0xD || zone == 0xB) return std::pair{digit, true};
    return std::nullopt;
  }
  if (b >= '0' && b <= '9') return std::pair{b - '0', false};
  if (choices.asciiPToY) {
    if (b >= 0x70 && b <= 0x79) return std::pair{b - 0x70, true};
    return std::nullopt;
  }
  if (b == '{') return std::pair{0, false};
  if (b == '}') return std::pair{0, true};
  if (b >= 'A' && b <= 'I') return std::pair{b - 'A' + 1, false};
  if (b >= 'J' && b <= 'R') return std::pair{b - 'J' + 1, true};
  return std::nullopt;
}

// Why the bytes do not decode: "bad sign nibble 4", "bad digit byte C3".
FieldValue Bad(const char* what, int value, int hexDigits) {
  return {FieldValue::State::Invalid,
          QStringLiteral("bad %1 %2")
              .arg(QLatin1String(what), QString::number(value, 16).toUpper().rightJustified(
                                            hexDigits, QLatin1Char('0')))};
}

FieldValue DecodeZoned(const FieldType& type, std::span<const std::uint8_t> bytes,
                       const CharacterSet& set, const LayoutChoices& choices) {
  const bool ebcdic = set.IsEbcdic();
  Scaled n;
  std::size_t from = 0, to = bytes.size();
  if (type.signSeparate) {
    const std::uint8_t sign = type.signLeading ? bytes.front() : bytes.back();
    const ZoneSigns signs = SeparateSigns(set);
    if (sign != signs.plus && sign != signs.minus) return Bad("sign byte", sign, 2);
    n.negative = sign == signs.minus;
    if (type.signLeading) {
      from = 1;
    } else {
      to = bytes.size() - 1;
    }
  }
  const std::size_t signAt = type.signLeading ? from : to - 1;
  for (std::size_t i = from; i < to; ++i) {
    if (!type.signSeparate && i == signAt) {
      const auto digit = SignedDigit(bytes[i], ebcdic, choices);
      if (!digit) return Bad("sign byte", bytes[i], 2);
      n.digits += static_cast<char>('0' + digit->first);
      n.negative = digit->second;
      continue;
    }
    const auto digit = PlainDigit(bytes[i], ebcdic);
    if (!digit) return Bad("digit byte", bytes[i], 2);
    n.digits += static_cast<char>('0' + *digit);
  }
  return {FieldValue::State::Value, FormatScaled(n, type.scale)};
}

Bytes EncodeZoned(const FieldType& type, const Scaled& n, const CharacterSet& set,
                  const LayoutChoices& choices) {
  const bool ebcdic = set.IsEbcdic();
  std::string digits = n.digits;
  digits.insert(0, static_cast<std::size_t>(type.digits) - digits.size(), '0');
  Bytes out;
  for (const char c : digits)
    out.push_back(static_cast<std::uint8_t>((ebcdic ? 0xF0 : 0x30) + c - '0'));
  if (type.signSeparate) {
    const ZoneSigns signs = SeparateSigns(set);
    const std::uint8_t sign = n.negative ? signs.minus : signs.plus;
    out.insert(type.signLeading ? out.begin() : out.end(), sign);
    return out;
  }
  if (!type.isSigned) return out;
  std::uint8_t& b = type.signLeading ? out.front() : out.back();
  const int d = b & 0x0F;
  if (ebcdic) {
    b = static_cast<std::uint8_t>((n.negative ? 0xD0 : 0xC0) | d);
  } else if (choices.asciiPToY) {
    if (n.negative) b = static_cast<std::uint8_t>(0x70 + d);
  } else if (n.negative) {
    b = static_cast<std::uint8_t>(d == 0 ? '}' : 'J' + d - 1);
  } else {
    b = static_cast<std::uint8_t>(d == 0 ? '{' : 'A' + d - 1);
  }
  return out;
}

// ---- Packed ----

FieldValue DecodePacked(const FieldType& type, std::span<const std::uint8_t> bytes) {
  Scaled n;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = bytes[i] >> 4, low = bytes[i] & 0x0F;
    if (high > 9) return Bad("digit nibble", high, 1);
    n.digits += static_cast<char>('0' + high);
    if (i + 1 < bytes.size()) {
      if (low > 9) return Bad("digit nibble", low, 1);
      n.digits += static_cast<char>('0' + low);
    } else if (low == 0xB || low == 0xD) {
      n.negative = true;
    } else if (low != 0xA && low != 0xC && low != 0xE && low != 0xF) {
      return Bad("sign nibble", low, 1);
    }
  }
  FieldValue v{FieldValue::State::Value, FormatScaled(n, type.scale)};
  // An even count of digits leaves the first nibble as a pad.
  v.beyondPic = std::ssize(n.digits) > type.digits && n.digits.front() != '0';
  return v;
}

Bytes EncodePacked(const FieldType& type, const Scaled& n) {
  std::string nibbles = n.digits;
  nibbles.insert(0, static_cast<std::size_t>(2 * type.length - 1) - nibbles.size(), '0');
  const int sign = !type.isSigned ? 0xF : n.negative ? 0xD : 0xC;
  Bytes out;
  for (std::size_t i = 0; i + 1 < nibbles.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>((nibbles[i] - '0') << 4 | (nibbles[i + 1] - '0')));
  out.push_back(static_cast<std::uint8_t>((nibbles.back() - '0') << 4 | sign));
  return out;
}

// ---- Binary ----

std::uint64_t ReadUnsigned(std::span<const std::uint8_t> bytes, bool little) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    v = v << 8 | bytes[little ? bytes.size() - 1 - i : i];
  return v;
}

Bytes WriteUnsigned(std::uint64_t v, int length, bool little) {
  Bytes out(static_cast<std::size_t>(length));
  for (int i = length - 1; i >= 0; --i, v >>= 8)
    out[static_cast<std::size_t>(little ? length - 1 - i : i)] = static_cast<std::uint8_t>(v);
  return out;
}

FieldValue DecodeBinary(const FieldType& type, std::span<const std::uint8_t> bytes,
                        const LayoutChoices& choices) {
  const std::uint64_t raw = ReadUnsigned(bytes, choices.littleEndian);
  const int bits = 8 * type.length;
  Scaled n;
  std::uint64_t magnitude = raw;
  if (type.isSigned && raw >> (bits - 1) & 1) {
    n.negative = true;
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    magnitude = (~raw + 1) & mask;
  }
  n.digits = DigitsOf(magnitude);
  FieldValue v{FieldValue::State::Value, FormatScaled(n, type.scale)};
  v.beyondPic = type.storage == Storage::Binary && std::ssize(n.digits) > type.digits;
  return v;
}

Bytes EncodeBinary(const FieldType& type, const Scaled& n, std::uint64_t magnitude,
                   const LayoutChoices& choices) {
  const std::uint64_t raw = n.negative ? ~magnitude + 1 : magnitude;
  return WriteUnsigned(raw, type.length, choices.littleEndian);
}

// ---- Floating point ----

// IBM hexadecimal floating point: a sign, a power of 16 in excess 64, and a
// fraction of 24 or 56 bits.
long double FromIbm(std::uint64_t raw, int length) {
  const int fractionBits = length == 4 ? 24 : 56;
  const bool negative = raw >> (8 * length - 1) & 1;
  const int exponent = static_cast<int>(raw >> fractionBits & 0x7F);
  const std::uint64_t fraction = raw & ((std::uint64_t{1} << fractionBits) - 1);
  const long double v =
      std::ldexp(static_cast<long double>(fraction), 4 * (exponent - 64) - fractionBits);
  return negative ? -v : v;
}

std::optional<std::uint64_t> ToIbm(long double v, int length) {
  const int fractionBits = length == 4 ? 24 : 56;
  const std::uint64_t sign = std::signbit(v) ? std::uint64_t{1} << (8 * length - 1) : 0;
  v = std::fabs(v);
  if (v == 0) return sign;
  int exponent = 64;
  // Scale into [1/16, 1): the fraction's first hex digit is not zero.
  while (v >= 1) {
    v /= 16;
    ++exponent;
  }
  while (v < 1.0L / 16) {
    v *= 16;
    --exponent;
  }
  std::uint64_t fraction = static_cast<std::uint64_t>(std::nearbyint(std::ldexp(v, fractionBits)));
  if (fraction >> fractionBits) {
    fraction >>= 4;
    ++exponent;
  }
  if (exponent > 127) return std::nullopt;
  if (exponent < 0) return sign;  // below the smallest: zero
  return sign | static_cast<std::uint64_t>(exponent) << fractionBits | fraction;
}

std::optional<std::uint64_t> FloatBits(long double v, int length, bool ieee) {
  if (!ieee) return ToIbm(v, length);
  if (length == 4) {
    const auto f = static_cast<float>(v);
    if (std::isinf(f) && !std::isinf(v)) return std::nullopt;
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
  }
  const auto d = static_cast<double>(v);
  if (std::isinf(d) && !std::isinf(v)) return std::nullopt;
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  return bits;
}

FieldValue DecodeFloat(const FieldType& type, std::span<const std::uint8_t> bytes,
                       const LayoutChoices& choices) {
  const std::uint64_t raw = ReadUnsigned(bytes, choices.littleEndian);
  const long double v = FloatValue(raw, type.length, choices.ieeeFloat);
  if (std::isnan(v)) return {FieldValue::State::Value, QStringLiteral("NaN")};
  if (std::isinf(v)) {
    return {FieldValue::State::Value,
            v < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity")};
  }
  // The shortest text that is stored as these very bytes again.
  char text[64];
  for (int digits = 1; digits <= 21; ++digits) {
    std::snprintf(text, sizeof text, "%.*Lg", digits, v);
    if (FloatBits(std::strtold(text, nullptr), type.length, choices.ieeeFloat) == raw) break;
  }
  return {FieldValue::State::Value, QString::fromLatin1(text)};
}

std::variant<Bytes, QString> EncodeFloat(const FieldType& type, const QString& value,
                                         const LayoutChoices& choices, const QString& name) {
  const QString t = value.trimmed();
  long double v = 0;
  if (choices.ieeeFloat && (t == u"NaN" || t == u"Infinity" || t == u"-Infinity")) {
    v = t == u"NaN" ? std::numeric_limits<long double>::quiet_NaN()
                    : (t.startsWith(u'-') ? -1 : 1) * std::numeric_limits<long double>::infinity();
  } else {
    QByteArray latin = t.toLatin1();
    latin.replace(',', "");
    char* end = nullptr;
    v = std::strtold(latin.constData(), &end);
    if (latin.isEmpty() || *end != '\0' || !std::isfinite(v))
      return QStringLiteral("\"%1\" is not a number for %2").arg(t, name);
  }
  const std::optional<std::uint64_t> raw = FloatBits(v, type.length, choices.ieeeFloat);
  if (!raw) return QStringLiteral("%1 is too large for %2").arg(t, name);
  return WriteUnsigned(*raw, type.length, choices.littleEndian);
}

// ---- Text ----

FieldValue DecodeText(std::span<const std::uint8_t> bytes, const CharacterSet& set) {
  QString text;
  for (const std::uint8_t b : bytes) text += set.Shown(b);
  return {FieldValue::State::Value, text};
}

std::variant<Bytes, QString> EncodeText(const FieldType& type, const QString& value,
                                        const CharacterSet& set, const QString& name) {
  if (value.size() > type.length)
    return QStringLiteral("%1 holds %2 characters").arg(name).arg(type.length);
  Bytes out;
  for (const QChar c : value) {
    const std::optional<std::uint8_t> code = set.Encode(c);
    if (!code) return NoCodeNotice(c, set);
    out.push_back(*code);
  }
  out.resize(static_cast<std::size_t>(type.length), SpaceOf(set));
  return out;
}

}  // namespace

long double FloatValue(std::uint64_t raw, int length, bool ieee) {
  if (!ieee) return FromIbm(raw, length);
  if (length == 4) {
    float f;
    const auto bits = static_cast<std::uint32_t>(raw);
    std::memcpy(&f, &bits, 4);
    return f;
  }
  double d;
  std::memcpy(&d, &raw, 8);
  return d;
}

FieldValue DecodeField(const FieldType& type, std::span<const std::uint8_t> bytes,
                       const CharacterSet& set, const LayoutChoices& choices) {
  if (std::ssize(bytes) != type.length || type.length < 1) return {};
  if (type.storage == Storage::Zoned || type.storage == Storage::Packed) {
    if (AllBytes(bytes, SpaceOf(set))) return {FieldValue::State::Blank, QStringLiteral("blank")};
    if (AllBytes(bytes, 0)) return {FieldValue::State::LowValues, QStringLiteral("low-values")};
  }
  switch (type.storage) {
    case Storage::Text:
      return DecodeText(bytes, set);
    case Storage::Zoned:
      return DecodeZoned(type, bytes, set, choices);
    case Storage::Packed:
      return DecodePacked(type, bytes);
    case Storage::Binary:
    case Storage::Native:
      return DecodeBinary(type, bytes, choices);
    case Storage::Float:
      return DecodeFloat(type, bytes, choices);
  }
  return {};
}

std::variant<std::vector<std::uint8_t>, QString> EncodeField(const FieldType& type,
                                                             const QString& value,
                                                             const CharacterSet& set,
                                                             const LayoutChoices& choices,
                                                             const QString& name) {
  if (type.storage == Storage::Text) return EncodeText(type, value, set, name);
  if (type.storage == Storage::Float) return EncodeFloat(type, value, choices, name);
  const std::optional<Scaled> n = ParseScaled(value, type.scale);
  const QString range = RangeText(type, name);
  if (!n || (n->negative && !type.isSigned)) return range;
  if (type.storage == Storage::Native || type.storage == Storage::Binary) {
    const std::optional<std::uint64_t> magnitude = ValueOf(n->digits);
    const bool fits =
        magnitude && (type.storage == Storage::Native
                          ? *magnitude <= NativeMax(type.length, type.isSigned, n->negative)
                          : std::ssize(n->digits) <= type.digits);
    if (!fits) return range;
    return EncodeBinary(type, *n, *magnitude, choices);
  }
  if (std::ssize(n->digits) > type.digits) return range;
  if (type.storage == Storage::Packed) return EncodePacked(type, *n);
  return EncodeZoned(type, *n, set, choices);
}

}  // namespace qx
