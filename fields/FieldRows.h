// The rows of the field panel: each field in use of the cursor's record,
// with its value as the screen holds it, unsaved edits and all.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "core/Declare.h"

namespace qx {

class FileLayouts;

struct FieldRow {
  QString name;
  int offset = 0;  // in the record
  int length = 0;
  QString type;  // the picture and usage as written: "S9(9)V99 COMP-3"
  QString value;
  QString hex;          // "00 00 50 0D"
  bool unused = false;  // a copy of a table past the count its record holds
  // The REDEFINES area whose choice the row shows: its alternatives and
  // the one in use.
  int area = -1;
  QStringList alternatives{};
  int alternative = 0;
  bool operator==(const FieldRow&) const = default;
};

struct FieldRows {
  std::vector<FieldRow> rows;
  int cursor = -1;               // the row of the cursor's field; -1 on slack or none
  std::int64_t recordStart = 0;  // working offset of the record's first byte
};

// Empty without a layout or a record length.
FieldRows RowsAtCursor(const EditorState& s, const FileLayouts& layouts);

}  // namespace qx
