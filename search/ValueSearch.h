// Find and Count by value: the records whose numeric field holds a number,
// whatever valid form stores it (a packed sign C or F, a zoned zone C or
// F, -0 as 0). Plain code over IO like the byte search, so the dialogs,
// F4, the tests and the benchmark call the same functions.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

#include "fields/Copybook.h"
#include "fields/FieldCheck.h"
#include "search/Search.h"

namespace qx {

// The number a field is searched for, as the field would hold it.
struct ValueTarget {
  FieldChecker checker;
  std::optional<Int128> scaled;  // value x 10^scale; none for floating point
  long double real = 0;          // of a floating-point field
  bool Matches(const std::uint8_t* bytes) const;
};

// Text read as the field's number; the reason (the encoder's refusals,
// "CITY is not a numeric field") when the field cannot hold it.
std::variant<ValueTarget, QString> ValueTargetOf(const LayoutField& field, const QString& text,
                                                 const CharacterSet& set,
                                                 const LayoutChoices& choices);

// Find Next by value: SearchText in field of each record from the working
// base, the field wholly within the range (RangeStart, RangeEnd), from
// SearchPosition on (the record after it once Found). As FindNext: the
// cursor to the field's first byte, "Found", the hit's absolute offset;
// else -1 and "Not Found Within Range". A number the field cannot hold is
// said in a message box and changes nothing.
std::int64_t FindValue(IO& io, const LayoutField& field, ProgressBar* bar = nullptr,
                       const ScanOptions& opt = {});

// Count by value over the same records: " 3 Occurrences" unless
// showMessage is false; -1 when refused, cancelled or failed.
std::int64_t CountValue(IO& io, const LayoutField& field, ProgressBar* bar = nullptr,
                        const ScanOptions& opt = {}, bool showMessage = true);

}  // namespace qx
