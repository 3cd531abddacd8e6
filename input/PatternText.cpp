#include "input/PatternText.h"

#include "input/Utility.h"

namespace qx {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> CharacterBytes(const QString& text, bool wide, const CharacterSet& set) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(text.size()) * (wide ? 2 : 1));
  for (QChar c : text) {
    const auto code = wide ? ByteCode(c) : set.Encode(c);
    if (!code) return std::nullopt;
    out.push_back(*code);
    if (wide) out.push_back(0);
  }
  return out;
}

// Text that is not hex (pasted rather than typed) is refused instead of
// quietly becoming zero bytes.
std::optional<Bytes> HexBytes(QString text, bool padSingle) {
  text.remove(QLatin1Char(' '));
  text = text.toUpper();
  for (QChar c : text) {
    if (!IsHexChar(c)) return std::nullopt;
  }
  if (padSingle && text.size() < 2) text.prepend(QLatin1Char('0'));
  Bytes out;
  out.reserve(static_cast<std::size_t>(text.size() / 2));
  for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(HexByteValue(text.mid(i, 2))));
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> PatternBytes(const QString& text, int searchType,
                                                      const CharacterSet& set) {
  switch (searchType) {
    case kSearchAscii:
      return CharacterBytes(text, false, set);
    case kSearchUnicode:
      return CharacterBytes(text, true, set);
    case kSearchHex:
      return HexBytes(text, false);
    default:
      return std::nullopt;
  }
}

std::optional<std::vector<std::uint8_t>> FillPatternBytes(const QString& text, bool hex,
                                                          const CharacterSet& set) {
  auto bytes = hex ? HexBytes(text, true) : CharacterBytes(text, false, set);
  if (bytes && bytes->size() > static_cast<std::size_t>(kMaxFillPattern)) {
    bytes->resize(kMaxFillPattern);
  }
  return bytes;
}

bool RefuseTextWithoutCode(Platform& p, const QString& text, const CharacterSet& set) {
  for (QChar c : text) {
    if (!set.Encode(c)) {
      p.ShowMessage(NoCodeNotice(c, set));
      return true;
    }
  }
  return false;
}

}  // namespace qx
