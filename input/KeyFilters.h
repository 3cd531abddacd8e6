// The key rules of the dialog fields, as pure decisions: which keys a field
// takes, the mark letters, Enter walking to the next control, and Ctrl+E.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

#include "core/Declare.h"

namespace qx {

enum class FieldKind {
  RangeStart,      // StartBox of Find, Replace, CutCopy
  FillRangeStart,  // StartBox of Fill
  RangeEnd,        // EndBox of Find, Replace, CutCopy, Fill
  FromRecord,      // FromRecordBox of RecChop, RecPaste
  ToRecord,        // ToRecordBox of RecChop, RecPaste
  FieldOffset,     // StartOffsetBox, EndOffsetBox
  PathName,        // PathNameBox of CutCopy, RecPaste
  Pattern,         // pattern boxes; hex rules when the hex kind is chosen
};

struct KeyDecision {
  bool accept = true;              // false: the key is discarded
  QChar key;                       // the key to insert when accepted (may be upper-cased)
  std::optional<QString> setText;  // replace the field's whole text
  bool focusNext = false;          // move the focus to the field's next control
};

// key is the typed character ('\r' for Enter, '\b' for Backspace).
KeyDecision FilterKey(FieldKind kind, QChar key, const EditorState& s, bool hexPattern = false);

// The text Ctrl+E puts in the field, if the field takes it: the last offset
// for a range end, the last record number for ToRecord, as plain digits.
std::optional<QString> CtrlEText(FieldKind kind, const EditorState& s);

}  // namespace qx
