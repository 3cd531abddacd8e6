// What the record view shows of a layout over one screen of columns: the
// band of field names above the ruler, the lines between fields, the tint
// of every other field and the cells of numbers that do not decode.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

#include "fields/Copybook.h"

namespace qx {

class CharacterSet;

struct FieldBand {
  QString text;                 // a character a screen column; slack is blank
  std::vector<int> boundaries;  // screen columns (0..columns) a line lies left of
  std::vector<bool> tinted;     // a screen column each
  QStringList tips;             // a screen column each; empty on slack
  bool operator==(const FieldBand&) const = default;
};

// The band over screen columns 0..columns - 1, record column firstColumn in
// the first, for records of recordLength bytes laid out by kind.
FieldBand BandOf(const RecordKind& kind, int recordLength, int firstColumn, int columns);

// Its full name and picture as written: "BALANCE S9(9)V99 COMP-3, 6 bytes".
QString FieldTip(const LayoutField& field);

// The screen columns of a zoned or packed field that does not decode or holds
// more digits than its picture, in record, the bytes of one record from its
// first (a short last record is shorter; a field past its end is not judged).
std::vector<bool> FailingColumns(const RecordKind& kind, int recordLength, int firstColumn,
                                 int columns, std::span<const std::uint8_t> record,
                                 const CharacterSet& set, const LayoutChoices& choices);

}  // namespace qx
