// The value of a field and the bytes of a value, exactly: numbers are decimal
// digit strings (31 digits are far past 64 bits), never binary floating
// point, but for the floating-point types themselves.
#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "fields/FieldType.h"

namespace qx {

class CharacterSet;

struct FieldValue {
  enum class State { Value, Blank, LowValues, Invalid };
  State state = State::Invalid;
  QString text;            // "-12,345.67", the characters of a text field
  bool beyondPic = false;  // more digits than the picture allows
  bool operator==(const FieldValue&) const = default;
};

// A COMP-1 (length 4) or COMP-2 (8) field's number from its bytes read as
// one unsigned integer: IBM hexadecimal floating point, or IEEE 754.
long double FloatValue(std::uint64_t raw, int length, bool ieee);

// bytes must be the field's length.
FieldValue DecodeField(const FieldType& type, std::span<const std::uint8_t> bytes,
                       const CharacterSet& set, const LayoutChoices& choices);

// The bytes of value in the field's preferred form, or the reason it does not
// fit, naming the field by name ("BALANCE holds -999.99 to 999.99").
std::variant<std::vector<std::uint8_t>, QString> EncodeField(const FieldType& type,
                                                             const QString& value,
                                                             const CharacterSet& set,
                                                             const LayoutChoices& choices,
                                                             const QString& name);

}  // namespace qx
