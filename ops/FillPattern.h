// The repeated bytes of Fill and Record Fill, built from the pattern box.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/CharacterSet.h"

namespace qx {

// The pattern kinds of the fill dialogs, as their option buttons number them.
enum class FillKind { Ascii = 0, Hex = 1 };

// ASCII: one byte per character (its code in set). Hexadecimal: a text
// shorter than two characters gets a leading "0", spaces go, digits are
// upper-cased and read in pairs from the left; a lone last digit is ignored.
// nullopt when the text gives no byte, or holds a character without an
// code in set (or, pasted into a hex box, a character that is not a digit).
std::optional<std::vector<std::uint8_t>> BuildFillPattern(
    const QString& text, FillKind kind, const CharacterSet& set = CharacterSetOf(kAsciiSetName));

}  // namespace qx
