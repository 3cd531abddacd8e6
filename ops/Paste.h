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
  Done,       // the file holds the result
  NoSource,   // nothing to paste from: said, and the dialog stays open
  Failed,     // said why; the file is as it was (Overlay: as far as written)
  Cancelled,  // Cancel stopped it: Insert and Append changed nothing; an
              // overlay said how far it got
  Busy,       // another operation runs: a beep, and nothing was done
};

// Pastes this many bytes or more show the progress bar.
constexpr std::int64_t kPasteProgressFrom = 8193;

// source: the path the user typed, or empty for the clip file. bar, when
// given, follows a long paste.
PasteResult PasteFile(IO& io, PasteMode mode, const QString& source, ProgressBar* bar = nullptr);

}  // namespace qx
