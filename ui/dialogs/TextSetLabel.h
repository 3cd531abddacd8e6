// The line under a dialog's pattern kinds that tells which character set
// text patterns are encoded in: "Text in IBM037".
#pragma once

#include "core/Declare.h"

class QGroupBox;

namespace qx {

void AddTextSetLabel(QGroupBox* kinds);
// The file's set may change between two showings of a dialog.
void ShowTextSet(QGroupBox* kinds, const EditorState& s);

}  // namespace qx
