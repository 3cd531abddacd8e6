// The field as the unit of the cursor's moves and of editing: the next or
// previous field's first byte, and a field's bytes from a typed value.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "core/Declare.h"
#include "fields/Copybook.h"

namespace qx {

// In use while each REDEFINES alternative f lies within is the one chosen
// in kind (the redefined item until another is).
bool InUse(const RecordKind& kind, const LayoutField& f);
// Whether alternatives names one alternative of each area of kind.
bool FitsAreas(const RecordKind& kind, const std::vector<int>& alternatives);
// The field in use at column of a record of kind; null on slack bytes and
// past the last field.
const LayoutField* FieldAt(const RecordKind& kind, std::int64_t column);

// The working offset of the first byte of the next (forward) or previous
// field in use after or before offset, in records of recordLength bytes laid
// out by kind; from inside a field, back goes to its own first byte. Slack
// bytes are no field; a field whose first byte is past the file is none.
// Where there is no such field, offset itself.
std::int64_t MoveByField(const RecordKind& kind, int recordLength, std::int64_t workingLength,
                         std::int64_t offset, bool forward);

// The field's value as the box of Change Value shows it: the whole text,
// or "blank", "low-values", "invalid". None when the screen of the view
// showing does not hold every byte of the field at working offset start.
std::optional<QString> FieldEditText(const EditorState& s, const LayoutField& field,
                                     std::int64_t start);

// Why the field at working offset start cannot take a value: it runs past
// the end of the file or of its record (a layout of longer records); empty
// when it can.
QString FieldOutOfReach(const EditorState& s, const LayoutField& field, std::int64_t start);

// Encodes text into the field at working offset start (in the current
// file's set and layout choices) and sets its bytes on the screen through
// the path of typing. The reason, changing nothing, when the field is out
// of reach, is not all on screen or refuses text; empty when changed.
QString ChangeFieldValue(EditorState& s, const LayoutField& field, std::int64_t start,
                         const QString& text);

}  // namespace qx
