// Whether a field's bytes decode, without making its value's text: for a
// scan over every record, where only the bad fields need words. Also the
// number a numeric field holds, as one comparable value whatever form
// stores it.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "fields/Copybook.h"
#include "fields/FieldType.h"

namespace qx {

class CharacterSet;

__extension__ typedef __int128 Int128;

inline const QString kBeyondPic = QStringLiteral("beyond PIC");

struct FieldCheck {
  enum class Fault : std::uint8_t {
    None,
    BeyondPic,
    BadDigitByte,
    BadSignByte,
    BadDigitNibble,
    BadSignNibble,
  };
  Fault fault = Fault::None;
  std::uint8_t value = 0;  // the byte or nibble at fault
  bool Ok() const { return fault == Fault::None; }
  // As DecodeField words it: "bad sign nibble 4", "bad digit byte C3",
  // "beyond PIC"; empty when the field is fine.
  QString Why() const;
};

// What one field needs of its set and choices, worked out once per scan.
class FieldChecker {
 public:
  FieldChecker(const FieldType& type, const CharacterSet& set, const LayoutChoices& choices);

  // bytes: the field's length of them. Blank and low-values are fine.
  FieldCheck Check(const std::uint8_t* bytes) const;
  // value x 10^scale of a zoned, packed or binary field; none when the
  // bytes do not decode, are blank or low-values, or the field is of
  // another storage. -0 is 0.
  std::optional<Int128> Scaled(const std::uint8_t* bytes) const;
  // The value of a floating-point field; none for another storage.
  std::optional<long double> Float(const std::uint8_t* bytes) const;
  const FieldType& Type() const { return type_; }

 private:
  bool Special(const std::uint8_t* bytes) const;  // blank or low-values
  // With kValue the number is worked out too; a check alone skips it.
  template <bool kValue>
  FieldCheck Zoned(const std::uint8_t* bytes, Int128* scaled) const;
  template <bool kValue>
  FieldCheck Packed(const std::uint8_t* bytes, Int128* scaled) const;
  template <bool kValue>
  FieldCheck Binary(const std::uint8_t* bytes, Int128* scaled) const;

  FieldType type_;
  LayoutChoices choices_;
  bool ebcdic_ = false;
  std::uint8_t space_ = 0x20, plus_ = 0x2B, minus_ = 0x2D;
  std::uint64_t picMax_ = 0;  // of a Binary field; 0: no limit
};

// The copies of a kind's OCCURS ... DEPENDING ON tables past the count
// each record holds: they are not in use in that record.
class UnusedCopies {
 public:
  UnusedCopies(const RecordKind& kind, std::int64_t recordLength, const CharacterSet& set,
               const LayoutChoices& choices);
  // For each record: its bytes, have of them (a last record may be short).
  void Read(const std::uint8_t* record, std::int64_t have);
  bool Unused(int offset) const {
    for (const auto& [from, to] : spans_) {
      if (offset >= from && offset < to) return true;
    }
    return false;
  }

 private:
  struct Table {
    const LayoutField* object;
    FieldChecker checker;
    std::int64_t first, stride, maximum;
  };
  std::vector<Table> tables_;
  std::vector<std::pair<std::int64_t, std::int64_t>> spans_;
};

// One field at a time; bytes must be the field's length.
FieldCheck CheckField(const FieldType& type, std::span<const std::uint8_t> bytes,
                      const CharacterSet& set, const LayoutChoices& choices);

}  // namespace qx
