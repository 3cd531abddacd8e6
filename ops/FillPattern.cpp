#include "ops/FillPattern.h"

#include "input/PatternText.h"

namespace qx {

std::optional<std::vector<std::uint8_t>> BuildFillPattern(const QString& text, FillKind kind,
                                                          const CharacterSet& set) {
  auto bytes = FillPatternBytes(text, kind == FillKind::Hex, set);
  // Nothing to repeat is no pattern: a fill with it would never end.
  if (bytes && bytes->empty()) return std::nullopt;
  return bytes;
}

}  // namespace qx
