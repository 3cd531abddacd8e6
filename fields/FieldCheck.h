// Whether a field's bytes decode, without making its value's text: for a
// scan over every record, where only the bad fields need words. Also the
// number a numeric field holds, as one comparable value whatever form
// stores it.
#pragma once

#include <QString>
#include <array>
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
  // The digits of a zoned or packed field that a RecordChecker passed, as
  // characters, the most significant first, leading zeros and all; their
  // count. digits: room for type.length * 2 of them.
  int Digits(const std::uint8_t* bytes, char* digits, bool& negative) const;
  // The value of a floating-point field; none for another storage.
  std::optional<long double> Float(const std::uint8_t* bytes) const;
  const FieldType& Type() const { return type_; }

 private:
  friend class RecordChecker;

  bool Special(const std::uint8_t* bytes) const;  // blank or low-values
  // With kValue the number is worked out too; a check alone skips it.
  template <bool kValue, typename Sum>
  FieldCheck Zoned(const std::uint8_t* bytes, Int128* scaled) const;
  template <bool kValue, typename Sum>
  FieldCheck Packed(const std::uint8_t* bytes, Int128* scaled) const;
  template <bool kValue>
  FieldCheck Binary(const std::uint8_t* bytes, Int128* scaled) const;

  FieldType type_;
  LayoutChoices choices_;
  bool ebcdic_ = false;
  std::uint8_t space_ = 0x20, plus_ = 0x2B, minus_ = 0x2D;
  std::uint64_t picMax_ = 0;  // of a Binary field; 0: no limit
};

// Every field of a record at once, for a scan where nearly every record is
// fine: the nibbles of the zoned and packed fields against the ranges their
// forms allow, sixteen bytes a compare, and the few fields a range cannot
// say one by one. A record it passes is fine; one it does not pass may still
// be (a blank field, an ASCII sign in a letter): ask each FieldChecker then.
class RecordChecker {
 public:
  RecordChecker(const std::vector<const LayoutField*>& fields, int recordLength,
                const CharacterSet& set, const LayoutChoices& choices);
  // record: recordLength bytes.
  bool Passes(const std::uint8_t* record) const;

 private:
  struct Chunk {
    int at;  // the first of its 16 bytes in the record
    alignas(16) std::array<std::uint8_t, 16> loMin, loMax, hiMin, hiMax;
  };
  struct Binary {
    int at, shift;  // an 8-byte window of the record and the field's place in it
    std::uint64_t mask, signBit, picMax;
    bool little;
  };
  struct SignByte {
    int at;
    std::uint8_t plus, minus;
  };
  bool usable_ = false;
  std::vector<Chunk> chunks_;
  std::vector<Binary> binaries_;
  std::vector<SignByte> signs_;
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
