#include "core/ValueFormat.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <string>

namespace qx {

namespace {

template <typename T>
T Ordered(const std::array<std::uint8_t, kValueByteCount>& bytes, bool big) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    u |= static_cast<U>(static_cast<U>(bytes[big ? sizeof(T) - 1 - i : i]) << (8 * i));
  return static_cast<T>(u);
}

template <typename T>
T LittleEndian(const std::array<std::uint8_t, kValueByteCount>& bytes) {
  return Ordered<T>(bytes, false);
}

QString GroupedDigits(std::uint64_t n) {
  return GroupDigits(std::to_string(n));
}

std::uint64_t Magnitude(std::int64_t n) {
  // Two's complement negation in unsigned arithmetic: safe for the minimum.
  return n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
}

// Lays out the shortest round-trip digits: plain decimals for moderate
// magnitudes, "d.dddE+xx" beyond them.
template <typename F>
QString ShortestText(F value) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value))
    return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string sci(buf, res.ptr);  // "-1.2345e+16"
  std::string sign;
  if (!sci.empty() && sci[0] == '-') {
    sign = "-";
    sci.erase(0, 1);
  }
  const auto e = sci.find('e');
  std::string mantissa = sci.substr(0, e);
  const int exponent = std::stoi(sci.substr(e + 1));
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits += c;

  std::string out;
  if (exponent >= -5 && exponent < 15) {
    const int point = exponent + 1;  // digits before the decimal point
    if (point <= 0) {
      out = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
      out = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
      out = digits.substr(0, static_cast<std::size_t>(point)) + "." +
            digits.substr(static_cast<std::size_t>(point));
    }
  } else {
    out = digits.substr(0, 1);
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    std::string exp = std::to_string(std::abs(exponent));
    if (exp.size() < 2) exp.insert(0, "0");
    out += (exponent < 0 ? "E-" : "E+") + exp;
  }
  return QString::fromStdString(sign + out);
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

QString TwoDigits(std::int64_t n) {
  return QStringLiteral("%1").arg(n, 2, 10, QChar('0'));
}

}  // namespace

QString GroupDigits(const std::string& digits) {
  std::string out;
  const std::size_t len = digits.size();
  for (std::size_t i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return QString::fromStdString(out);
}

QString GroupedNumber(std::int64_t n) {
  return (n < 0 ? QStringLiteral("-") : QString()) + GroupedDigits(Magnitude(n));
}

QString FormatBits(std::uint8_t b) {
  QString s;
  for (int bit = 7; bit >= 0; --bit) {
    s += (b >> bit) & 1 ? QChar('1') : QChar('0');
    if (bit == 4) s += QChar(' ');
  }
  return s;
}

QString FormatSingle(float f) {
  return ShortestText(f);
}
QString FormatDouble(double d) {
  return ShortestText(d);
}

QString FormatCurrency(std::int64_t tenThousandths) {
  // Round half away from zero to whole cents.
  const std::uint64_t cents = (Magnitude(tenThousandths) + 50) / 100;
  const QString text = QStringLiteral("$") + GroupedDigits(cents / 100) + QChar('.') +
                       TwoDigits(static_cast<std::int64_t>(cents % 100));
  return tenThousandths < 0 && cents > 0 ? QStringLiteral("-") + text : text;
}

QString FormatDate(double days) {
  // Well outside the years 100..9999 either way; keeps the casts below safe.
  if (std::isnan(days) || days < -1.0e6 || days > 1.0e7) return kNotADate;
  // The whole part is the day; the fraction is the time of that day, also
  // for days before the base date.
  const double whole = std::trunc(days);
  auto day = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  const std::int64_t base = DaysFromCivil(1899, 12, 30);
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(base + day, y, m, d);
  if (y < 100 || y > 9999) return kNotADate;

  const QString time = TwoDigits(seconds / 3600) + ':' + TwoDigits(seconds / 60 % 60) + ':' +
                       TwoDigits(seconds % 60);
  if (day == 0) return time;
  const QString date =
      QStringLiteral("%1-%2-%3").arg(y, 4, 10, QChar('0')).arg(TwoDigits(m), TwoDigits(d));
  return seconds == 0 ? date : date + ' ' + time;
}

ValueTexts FormatValues(const ValueBytes& b) {
  ValueTexts t;
  // Text reads the bytes as the page shows them, as the character column does.
  const auto shown =
      std::span(b.shown).first(static_cast<std::size_t>(std::clamp(b.count, 0, kValueByteCount)));
  const CharacterSet& set = b.set ? *b.set : CharacterSetOf(kAsciiSetName);
  for (std::uint8_t c : shown.first(std::min<std::size_t>(shown.size(), kValueTextBytes)))
    t.Text += set.Shown(c);
  if (shown.empty()) t.Text = kTooShort;
  const int n = std::clamp(b.count, 0, 8);
  if (n >= 8) {
    const auto raw = LittleEndian<std::int64_t>(b.stored);
    const double d = std::bit_cast<double>(raw);
    t.Double = FormatDouble(d);
    t.Currency = FormatCurrency(raw);
    t.Date = FormatDate(d);
  } else {
    t.Double = t.Currency = t.Date = kTooShort;
  }
  if (n >= 4) {
    const auto raw = LittleEndian<std::int32_t>(b.stored);
    t.Long = GroupedNumber(raw);
    t.LongBig = GroupedNumber(Ordered<std::int32_t>(b.stored, true));
    t.Single = FormatSingle(std::bit_cast<float>(raw));
  } else {
    t.Long = t.LongBig = t.Single = kTooShort;
  }
  if (n >= 2) {
    const auto raw = LittleEndian<std::int16_t>(b.stored);
    t.Integer = GroupedNumber(raw);
    t.IntegerBig = GroupedNumber(Ordered<std::int16_t>(b.stored, true));
    t.Boolean = raw != 0 ? QStringLiteral("True") : QStringLiteral("False");
    t.RightByte = FormatBits(b.shown[1]);
  } else {
    t.Integer = t.IntegerBig = t.Boolean = t.RightByte = kTooShort;
  }
  if (n >= 1) {
    t.Byte = QString::number(b.shown[0]);
    t.LeftByte = FormatBits(b.shown[0]);
  } else {
    t.Byte = t.LeftByte = kTooShort;
  }
  return t;
}

bool CollectValueBytes(const EditorState& s, ValueBytes& out) {
  out = ValueBytes{};
  const FileState& c = s.Current;
  out.set = &CharacterSetOf(s.Current.CharSet);
  out.count = static_cast<int>(
      std::clamp<std::int64_t>(s.WorkingLength - c.CursorOffset, 0, kValueByteCount));
  if (out.count == 0) return true;
  const std::int64_t got =
      s.File1.ReadAt(s.Current.WorkingBase + c.CursorOffset, out.stored.data(), out.count);
  if (got != out.count) return false;
  // What the screen shows, unsaved edits and all: the page, or the records.
  const RecordBuffer& r = s.Records;
  for (int i = 0; i < out.count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (c.RecordView) {
      const std::int64_t at = c.WorkingBase + c.CursorOffset + i;
      out.shown[k] =
          at >= r.At && at < r.End() ? r.Bytes[static_cast<std::size_t>(at - r.At)] : out.stored[k];
      continue;
    }
    const std::int64_t at = c.CursorOffset + i - c.BufferTop;
    out.shown[k] =
        at >= 0 && at < kPageSize ? s.PageBuffer[static_cast<std::size_t>(at)] : out.stored[k];
  }
  return true;
}

}  // namespace qx
