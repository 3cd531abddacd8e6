#include "core/EbcdicHint.h"

#include "core/CharacterSet.h"

namespace qx {

namespace {

bool IsWordly(QChar c) {
  return c == QLatin1Char(' ') || c.isLetterOrNumber();
}

}  // namespace

bool LooksLikeEbcdic(std::span<const std::uint8_t> sample) {
  const CharacterSet* ebcdic = FindCharacterSet(QStringLiteral("IBM037"));
  if (!ebcdic || sample.size() < kHintMinimumBytes) return false;
  std::size_t ascii = 0, inEbcdic = 0;
  for (std::uint8_t b : sample) {
    // Latin-1 would count EBCDIC's capitals (C1..E9) as accented letters.
    if (b >= 32 && b <= 126 && IsWordly(QChar(b))) ++ascii;
    const std::optional<QChar> c = ebcdic->Decode(b);
    if (c && IsWordly(*c)) ++inEbcdic;
  }
  return inEbcdic >= 4 * ascii && inEbcdic * 4 >= sample.size() && inEbcdic > 0;
}

}  // namespace qx
