// A key typed over the bytes on screen: the one path of the page, the
// record view and every other editor of bytes in place.
#pragma once

#include <QChar>
#include <cstdint>

#include "core/Declare.h"

namespace qx {

class CharacterSet;

// Where a key typed over a byte goes: the character, or one of its digits.
enum class TypingSide { Character, HighDigit, LowDigit };
// What a typed key makes of the byte under the cursor: (byte & Keep) | Bits.
struct ByteChange {
  enum class Result { Changed, NoCode, InvalidHex, Ignored };
  Result Outcome = Result::Ignored;
  std::uint8_t Keep = 0xFF;
  std::uint8_t Bits = 0;
  std::uint8_t Over(std::uint8_t byte) const {
    return static_cast<std::uint8_t>((byte & Keep) | Bits);
  }
  // A character or a low digit completes the byte; a high digit waits.
  bool Completes() const { return Keep != 0x0F; }
};
// A character is stored as its code in the file's set (NoCode when it has
// none; in "ASCII" such a key is Ignored), a digit side takes a hex digit in
// either case (InvalidHex).
ByteChange TypedChange(QChar key, TypingSide side, const CharacterSet& set);

// Sets the byte at working offset at on the screen of the view showing and
// marks it edited (the marks start afresh after a save). False, changing
// nothing, when that screen does not hold the byte or it is past the file.
bool SetScreenByte(EditorState& s, std::int64_t at, std::uint8_t value);
// The byte at working offset at on the screen of the view showing, if held.
std::optional<std::uint8_t> ScreenByte(const EditorState& s, std::int64_t at);

enum class Typed { Byte, HighDigit, NoCode, InvalidHex, Ignored, OffScreen };
// Types key over the byte under the cursor through the file's set: Byte
// when the byte is complete, HighDigit when its low digit is still to come.
// cursorShown is false when the view has scrolled the cursor's byte out of
// sight: it is not typed over blind.
Typed TypeOnScreen(EditorState& s, QChar key, TypingSide side, bool cursorShown);

}  // namespace qx
