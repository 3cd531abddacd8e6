// What a layout says of one elementary field: where it lies in the record,
// how it is stored and how many digits and decimals it holds.
#pragma once

#include <QString>
#include <cstdint>

namespace qx {

enum class Storage {
  Text,    // X, A, N, G and edited pictures: characters of the file's set
  Zoned,   // numeric DISPLAY: a digit a byte, the sign in a zone or a byte of its own
  Packed,  // COMP-3: two digits a byte, the last nibble the sign
  Binary,  // COMP, COMP-4, BINARY: held to the picture's digits
  Native,  // COMP-5: the whole range of its bytes
  Float,   // COMP-1 (4 bytes), COMP-2 (8 bytes)
};

struct FieldType {
  Storage storage = Storage::Text;
  int length = 1;  // bytes in the record
  int digits = 0;  // of the picture's 9s
  // Decimal places: V places the point; each leading P adds one, each
  // trailing P takes one away (the value is then a multiple of ten).
  int scale = 0;
  bool isSigned = false;
  bool signLeading = false;
  bool signSeparate = false;
};

// The choices a copybook cannot say, made for a layout as a whole.
struct LayoutChoices {
  bool littleEndian = false;  // binary and floating point byte order
  bool asciiPToY = false;     // ASCII negative sign as p..y instead of overpunch
  bool ieeeFloat = false;     // IEEE 754 instead of IBM hexadecimal
  bool operator==(const LayoutChoices&) const = default;
};

}  // namespace qx
