// Paste: the bytes of the clip file or a named file put into the current
// file at the cursor (Insert), after its last byte (Append), both through
// the whole-file commit, or over the bytes from the cursor on (Overlay),
// in place and without Undo.
#pragma once

#include <QString>

#include "core/IO.h"
#include "core/Progress.h"

namespace qx {

enum class PasteMode { Insert = 1, Overlay = 2, Append = 3 };

enum class PasteResult {
  Done,      // the file holds the result
  NoSource,  // nothing to paste from: said, and the dialog stays open
  Failed,    // said why; the file is as it was (Overlay: as far as written)
};

// source: the path the user typed, or empty for the clip file.
PasteResult PasteFile(IO& io, PasteMode mode, const QString& source);

}  // namespace qx
