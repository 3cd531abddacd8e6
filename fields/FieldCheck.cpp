#include "fields/FieldCheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/CharacterSet.h"

namespace qx {

namespace {

using Fault = FieldCheck::Fault;

std::uint64_t ReadUnsigned(const std::uint8_t* bytes, int n, bool little) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | bytes[little ? n - 1 - i : i];
  return v;
}

bool All(const std::uint8_t* bytes, int n, std::uint8_t b) {
  for (int i = 0; i < n; ++i) {
    if (bytes[i] != b) return false;
  }
  return true;
}

QString Hex(int value, int digits) {
  return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

}  // namespace

QString FieldCheck::Why() const {
  switch (fault) {
    case Fault::None:
      return {};
    case Fault::BeyondPic:
      return kBeyondPic;
    case Fault::BadDigitByte:
      return QStringLiteral("bad digit byte ") + Hex(value, 2);
    case Fault::BadSignByte:
      return QStringLiteral("bad sign byte ") + Hex(value, 2);
    case Fault::BadDigitNibble:
      return QStringLiteral("bad digit nibble ") + Hex(value, 1);
    case Fault::BadSignNibble:
      return QStringLiteral("bad sign nibble ") + Hex(value, 1);
  }
  return {};
}

FieldChecker::FieldChecker(const FieldType& type, const CharacterSet& set,
                           const LayoutChoices& choices)
    : type_(type), choices_(choices), ebcdic_(set.IsEbcdic()) {
  space_ = set.Encode(QLatin1Char(' ')).value_or(ebcdic_ ? 0x40 : 0x20);
  plus_ = set.Encode(QLatin1Char('+')).value_or(ebcdic_ ? 0x4E : 0x2B);
  minus_ = set.Encode(QLatin1Char('-')).value_or(ebcdic_ ? 0x60 : 0x2D);
  if (type.storage == Storage::Binary && type.digits < 20) {
    picMax_ = type.digits > 0 ? 1 : 0;
    for (int i = 0; i < type.digits; ++i) picMax_ *= 10;
  }
}

bool FieldChecker::Special(const std::uint8_t* bytes) const {
  return All(bytes, type_.length, space_) || All(bytes, type_.length, 0);
}

template <bool kValue>
FieldCheck FieldChecker::Zoned(const std::uint8_t* bytes, Int128* scaled) const {
  const int n = type_.length;
  bool negative = false;
  int from = 0, to = n;
  if (type_.signSeparate) {
    const std::uint8_t sign = type_.signLeading ? bytes[0] : bytes[n - 1];
    if (sign != plus_ && sign != minus_) return {Fault::BadSignByte, sign};
    negative = sign == minus_;
    if (type_.signLeading) {
      from = 1;
    } else {
      to = n - 1;
    }
  }
  const int signAt = type_.signLeading ? from : to - 1;
  const int base = ebcdic_ ? 0xF0 : 0x30;
  Int128 v = 0;
  for (int i = from; i < to; ++i) {
    const std::uint8_t b = bytes[i];
    int digit = b - base;
    if (!type_.signSeparate && i == signAt && (digit < 0 || digit > 9 || ebcdic_)) {
      // The byte that carries the sign, as the codec reads it.
      digit = -1;
      if (ebcdic_) {
        const int zone = b >> 4;
        if ((b & 0x0F) <= 9) {
          if (zone == 0xC || zone == 0xA || zone == 0xE || zone == 0xF) digit = b & 0x0F;
          if (zone == 0xD || zone == 0xB) digit = b & 0x0F, negative = true;
        }
      } else if (choices_.asciiPToY) {
        if (b >= 0x70 && b <= 0x79) digit = b - 0x70, negative = true;
      } else if (b == '{' || b == '}') {
        digit = 0, negative = b == '}';
      } else if (b >= 'A' && b <= 'I') {
        digit = b - 'A' + 1;
      } else if (b >= 'J' && b <= 'R') {
        digit = b - 'J' + 1, negative = true;
      }
      if (digit < 0) return {Fault::BadSignByte, b};
    } else if (digit < 0 || digit > 9) {
      return {Fault::BadDigitByte, b};
    }
    if constexpr (kValue) v = v * 10 + digit;
  }
  if constexpr (kValue) *scaled = negative ? -v : v;
  return {};
}

template <bool kValue>
FieldCheck FieldChecker::Packed(const std::uint8_t* bytes, Int128* scaled) const {
  const int n = type_.length;
  Int128 v = 0;
  for (int i = 0; i + 1 < n; ++i) {
    const int high = bytes[i] >> 4, low = bytes[i] & 0x0F;
    if (high > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(high)};
    if (low > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(low)};
    if constexpr (kValue) v = v * 100 + high * 10 + low;
  }
  const int high = bytes[n - 1] >> 4, sign = bytes[n - 1] & 0x0F;
  if (high > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(high)};
  if (sign < 0xA) return {Fault::BadSignNibble, static_cast<std::uint8_t>(sign)};
  if constexpr (kValue) *scaled = (sign == 0xB || sign == 0xD ? -1 : 1) * (v * 10 + high);
  // An even count of digits leaves the first nibble as a pad.
  if (2 * n - 1 > type_.digits && bytes[0] >> 4 != 0) return {Fault::BeyondPic, 0};
  return {};
}

template <bool kValue>
FieldCheck FieldChecker::Binary(const std::uint8_t* bytes, Int128* scaled) const {
  const std::uint64_t raw = ReadUnsigned(bytes, type_.length, choices_.littleEndian);
  const int bits = 8 * type_.length;
  std::uint64_t magnitude = raw;
  const bool negative = type_.isSigned && (raw >> (bits - 1) & 1);
  if (negative) {
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    magnitude = (~raw + 1) & mask;
  }
  if constexpr (kValue) *scaled = negative ? -static_cast<Int128>(magnitude) : Int128{magnitude};
  if (type_.storage == Storage::Binary && type_.digits < 20 && magnitude >= picMax_)
    return {Fault::BeyondPic, 0};
  return {};
}

FieldCheck FieldChecker::Check(const std::uint8_t* bytes) const {
  switch (type_.storage) {
    // Blank and low-values are looked for only when the bytes fail: a
    // good field pays nothing for them.
    case Storage::Zoned: {
      const FieldCheck c = Zoned<false>(bytes, nullptr);
      return c.Ok() || Special(bytes) ? FieldCheck{} : c;
    }
    case Storage::Packed: {
      const FieldCheck c = Packed<false>(bytes, nullptr);
      return c.Ok() || Special(bytes) ? FieldCheck{} : c;
    }
    case Storage::Binary:
      return Binary<false>(bytes, nullptr);
    case Storage::Text:
    case Storage::Native:
    case Storage::Float:
      break;
  }
  return {};
}

std::optional<Int128> FieldChecker::Scaled(const std::uint8_t* bytes) const {
  Int128 v = 0;
  FieldCheck c;
  switch (type_.storage) {
    case Storage::Zoned:
      if (Special(bytes)) return std::nullopt;
      c = Zoned<true>(bytes, &v);
      break;
    case Storage::Packed:
      if (Special(bytes)) return std::nullopt;
      c = Packed<true>(bytes, &v);
      break;
    case Storage::Binary:
    case Storage::Native:
      c = Binary<true>(bytes, &v);
      break;
    case Storage::Text:
    case Storage::Float:
      return std::nullopt;
  }
  if (!c.Ok() && c.fault != Fault::BeyondPic) return std::nullopt;
  return v;
}

std::optional<long double> FieldChecker::Float(const std::uint8_t* bytes) const {
  if (type_.storage != Storage::Float || (type_.length != 4 && type_.length != 8))
    return std::nullopt;
  const std::uint64_t raw = ReadUnsigned(bytes, type_.length, choices_.littleEndian);
  if (choices_.ieeeFloat) {
    if (type_.length == 4) {
      float f;
      const auto bits = static_cast<std::uint32_t>(raw);
      std::memcpy(&f, &bits, 4);
      return f;
    }
    double d;
    std::memcpy(&d, &raw, 8);
    return d;
  }
  // IBM hexadecimal: a sign, a power of 16 in excess 64, a 24 or 56 bit fraction.
  const int fractionBits = type_.length == 4 ? 24 : 56;
  const int exponent = static_cast<int>(raw >> fractionBits & 0x7F);
  const std::uint64_t fraction = raw & ((std::uint64_t{1} << fractionBits) - 1);
  const long double v =
      std::ldexp(static_cast<long double>(fraction), 4 * (exponent - 64) - fractionBits);
  return raw >> (8 * type_.length - 1) & 1 ? -v : v;
}

UnusedCopies::UnusedCopies(const RecordKind& kind, std::int64_t recordLength,
                           const CharacterSet& set, const LayoutChoices& choices) {
  for (const VariableTable& t : kind.tables) {
    for (const LayoutField& f : kind.fields) {
      if (f.name == t.object && f.type.scale == 0 && f.offset + f.type.length <= recordLength) {
        tables_.push_back({&f, FieldChecker(f.type, set, choices), t.offset, t.stride, t.maximum});
        break;
      }
    }
  }
}

void UnusedCopies::Read(const std::uint8_t* record, std::int64_t have) {
  spans_.clear();
  for (const Table& t : tables_) {
    if (t.object->offset + t.object->type.length > have) continue;
    // A count that does not decode leaves every copy in use.
    const auto count = t.checker.Scaled(record + t.object->offset);
    if (count && *count < t.maximum) {
      spans_.emplace_back(
          t.first + std::max<std::int64_t>(static_cast<std::int64_t>(*count), 0) * t.stride,
          t.first + t.maximum * t.stride);
    }
  }
}

FieldCheck CheckField(const FieldType& type, std::span<const std::uint8_t> bytes,
                      const CharacterSet& set, const LayoutChoices& choices) {
  if (std::ssize(bytes) != type.length || type.length < 1) return {};
  return FieldChecker(type, set, choices).Check(bytes.data());
}

}  // namespace qx
