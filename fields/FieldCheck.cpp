#include "fields/FieldCheck.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/CharacterSet.h"
#include "fields/FieldCodec.h"

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

// Eight bytes as a little-endian number, whatever the machine's order.
std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
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

template <bool kValue, typename Sum>
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
  Sum v = 0;
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
    if constexpr (kValue) v = v * 10 + static_cast<Sum>(digit);
  }
  if constexpr (kValue) *scaled = negative ? -Int128{v} : Int128{v};
  return {};
}

template <bool kValue, typename Sum>
FieldCheck FieldChecker::Packed(const std::uint8_t* bytes, Int128* scaled) const {
  const int n = type_.length;
  Sum v = 0;
  for (int i = 0; i + 1 < n; ++i) {
    const int high = bytes[i] >> 4, low = bytes[i] & 0x0F;
    if (high > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(high)};
    if (low > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(low)};
    if constexpr (kValue) v = v * 100 + static_cast<Sum>(high * 10 + low);
  }
  const int high = bytes[n - 1] >> 4, sign = bytes[n - 1] & 0x0F;
  if (high > 9) return {Fault::BadDigitNibble, static_cast<std::uint8_t>(high)};
  if (sign < 0xA) return {Fault::BadSignNibble, static_cast<std::uint8_t>(sign)};
  if constexpr (kValue) {
    const Int128 m = v * 10 + static_cast<Sum>(high);
    *scaled = sign == 0xB || sign == 0xD ? -m : m;
  }
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
      const FieldCheck c = Zoned<false, int>(bytes, nullptr);
      return c.Ok() || Special(bytes) ? FieldCheck{} : c;
    }
    case Storage::Packed: {
      const FieldCheck c = Packed<false, int>(bytes, nullptr);
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
  const int n = type_.length;
  // Up to 19 digits add up in 64 bits, which is much the quicker.
  switch (type_.storage) {
    case Storage::Zoned:
      c = n <= 19 ? Zoned<true, std::uint64_t>(bytes, &v) : Zoned<true, Int128>(bytes, &v);
      break;
    case Storage::Packed:
      c = n <= 10 ? Packed<true, std::uint64_t>(bytes, &v) : Packed<true, Int128>(bytes, &v);
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
  // Blank and low-values, which never decode, are looked for only when
  // the first and last bytes could be theirs.
  const std::uint8_t last = bytes[type_.length - 1];
  if (type_.storage != Storage::Binary && type_.storage != Storage::Native &&
      ((bytes[0] == space_ && last == space_) || (bytes[0] == 0 && last == 0)) && Special(bytes))
    return std::nullopt;
  return v;
}

int FieldChecker::Digits(const std::uint8_t* bytes, char* digits, bool& negative) const {
  const int n = type_.length;
  if (type_.storage == Storage::Packed) {
    for (int i = 0; i + 1 < n; ++i) {
      *digits++ = static_cast<char>('0' + (bytes[i] >> 4));
      *digits++ = static_cast<char>('0' + (bytes[i] & 0x0F));
    }
    *digits = static_cast<char>('0' + (bytes[n - 1] >> 4));
    negative = (bytes[n - 1] & 0x0F) == 0xB || (bytes[n - 1] & 0x0F) == 0xD;
    return 2 * n - 1;
  }
  int from = 0, to = n;
  negative = false;
  if (type_.signSeparate) {
    negative = (type_.signLeading ? bytes[0] : bytes[n - 1]) == minus_;
    if (type_.signLeading) {
      from = 1;
    } else {
      to = n - 1;
    }
  } else if (ebcdic_) {
    const int zone = (type_.signLeading ? bytes[0] : bytes[n - 1]) >> 4;
    negative = zone == 0xB || zone == 0xD;
  }
  for (int i = from; i < to; ++i) *digits++ = static_cast<char>('0' + (bytes[i] & 0x0F));
  return to - from;
}

std::optional<long double> FieldChecker::Float(const std::uint8_t* bytes) const {
  if (type_.storage != Storage::Float || (type_.length != 4 && type_.length != 8))
    return std::nullopt;
  return FloatValue(ReadUnsigned(bytes, type_.length, choices_.littleEndian), type_.length,
                    choices_.ieeeFloat);
}

RecordChecker::RecordChecker(const std::vector<const LayoutField*>& fields, int recordLength,
                             const CharacterSet& set, const LayoutChoices& choices) {
  // Each byte's low and high nibble ranges; a byte two fields claim must
  // satisfy both, which at worst sends its records to the slow path.
  struct Range {
    std::uint8_t loMin = 0, loMax = 15, hiMin = 0, hiMax = 15;
  };
  std::vector<Range> ranges(static_cast<std::size_t>(std::max(recordLength, 0)));
  std::vector<bool> limited(ranges.size());
  const auto limit = [&](int at, int loMin, int loMax, int hiMin, int hiMax) {
    Range& r = ranges[static_cast<std::size_t>(at)];
    r.loMin = static_cast<std::uint8_t>(std::max<int>(r.loMin, loMin));
    r.loMax = static_cast<std::uint8_t>(std::min<int>(r.loMax, loMax));
    r.hiMin = static_cast<std::uint8_t>(std::max<int>(r.hiMin, hiMin));
    r.hiMax = static_cast<std::uint8_t>(std::min<int>(r.hiMax, hiMax));
    limited[static_cast<std::size_t>(at)] = true;
  };
  usable_ = recordLength >= 16;
  for (const LayoutField* f : fields) {
    const FieldType& t = f->type;
    const int n = t.length, at = f->offset;
    if (n < 1 || at < 0 || at + n > recordLength) usable_ = false;
    if (!usable_) break;
    const FieldChecker checker(t, set, choices);
    if (t.storage == Storage::Packed) {
      for (int i = 0; i + 1 < n; ++i) limit(at + i, 0, 9, 0, 9);
      limit(at + n - 1, 0xA, 0xF, 0, 9);
      if (2 * n - 1 > t.digits) limit(at, 0, 15, 0, 0);
    } else if (t.storage == Storage::Zoned) {
      const bool ebcdic = set.IsEbcdic();
      const int zone = ebcdic ? 0xF : 0x3;
      int from = 0, to = n;
      if (t.signSeparate) {
        signs_.push_back({t.signLeading ? at : at + n - 1, checker.plus_, checker.minus_});
        if (t.signLeading) {
          from = 1;
        } else {
          to = n - 1;
        }
      }
      const int signAt = t.signLeading ? from : to - 1;
      for (int i = from; i < to; ++i) {
        // An EBCDIC sign byte may carry any zone from A to F; an ASCII one
        // passes here only as a plain digit.
        const bool sign = !t.signSeparate && i == signAt && ebcdic;
        limit(at + i, 0, 9, sign ? 0xA : zone, sign ? 0xF : zone);
      }
    } else if (t.storage == Storage::Binary && t.digits < 20 && n <= 8) {
      const std::uint64_t mask = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << 8 * n) - 1;
      const std::uint64_t signBit = t.isSigned ? std::uint64_t{1} << (8 * n - 1) : 0;
      // A picture wider than the bytes can hold is never exceeded.
      if ((t.isSigned ? signBit : mask) < checker.picMax_) continue;
      const int window = at + 8 <= recordLength ? at : at + n - 8;
      const int k = at - window;
      binaries_.push_back({window, choices.littleEndian ? 8 * k : 8 * (8 - k - n), mask, signBit,
                           checker.picMax_, choices.littleEndian});
    } else if (t.storage == Storage::Binary && t.digits < 20) {
      usable_ = false;
    }
  }
  if (!usable_) return;
  for (int i = 0; i < recordLength; ++i) {
    if (!limited[static_cast<std::size_t>(i)]) continue;
    Chunk c{std::min(i, recordLength - 16), {}, {}, {}, {}};
    for (int j = 0; j < 16; ++j) {
      const Range& r = ranges[static_cast<std::size_t>(c.at + j)];
      c.loMin[j] = r.loMin, c.loMax[j] = r.loMax, c.hiMin[j] = r.hiMin, c.hiMax[j] = r.hiMax;
    }
    chunks_.push_back(c);
    i = c.at + 15;
  }
}

bool RecordChecker::Passes(const std::uint8_t* record) const {
  if (!usable_) return false;
#if defined(__SSE2__)
  const auto load = [](const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const __m128i nibble = _mm_set1_epi8(0x0F);
  __m128i bad = _mm_setzero_si128();
  for (const Chunk& c : chunks_) {
    const __m128i v = load(record + c.at);
    const __m128i lo = _mm_and_si128(v, nibble);
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
    // A saturating difference is not zero exactly where a nibble is out of range.
    bad = _mm_or_si128(bad, _mm_or_si128(_mm_subs_epu8(lo, load(c.loMax.data())),
                                         _mm_subs_epu8(load(c.loMin.data()), lo)));
    bad = _mm_or_si128(bad, _mm_or_si128(_mm_subs_epu8(hi, load(c.hiMax.data())),
                                         _mm_subs_epu8(load(c.hiMin.data()), hi)));
  }
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) return false;
#else
  // Eight nibbles a word, each in a byte of its own: adding 0x7F - max or
  // taking x from min + 0x7F sets a byte's top bit exactly when x is out of range.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  std::uint64_t bad = 0;
  for (const Chunk& c : chunks_) {
    for (int h = 0; h < 16; h += 8) {
      const std::uint64_t w = Load64(record + c.at + h);
      const std::uint64_t lo = w & 0x0F * kOnes, hi = w >> 4 & 0x0F * kOnes;
      bad |= (lo + (0x7F * kOnes - Load64(c.loMax.data() + h))) |
             (Load64(c.loMin.data() + h) + 0x7F * kOnes - lo) |
             (hi + (0x7F * kOnes - Load64(c.hiMax.data() + h))) |
             (Load64(c.hiMin.data() + h) + 0x7F * kOnes - hi);
    }
  }
  if ((bad & 0x80 * kOnes) != 0) return false;
#endif
  for (const Binary& b : binaries_) {
    const std::uint64_t w = Load64(record + b.at);
    const std::uint64_t raw = (b.little ? w : __builtin_bswap64(w)) >> b.shift & b.mask;
    const std::uint64_t magnitude = raw & b.signBit ? (~raw + 1) & b.mask : raw;
    if (magnitude >= b.picMax) return false;
  }
  for (const SignByte& sign : signs_) {
    if (record[sign.at] != sign.plus && record[sign.at] != sign.minus) return false;
  }
  return true;
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
