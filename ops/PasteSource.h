// The file a paste reads: the clip file, or a file the user names.
#pragma once

#include <QString>

#include "core/BinaryFile.h"
#include "core/IO.h"

namespace qx {

// Opens the source that typed names (empty: the clip file) for reading;
// false after saying "Nothing cut or copied" or "Couldn't open ..." (with
// the reason when it exists but cannot be read).
bool OpenPasteSource(IO& io, const QString& typed, BinaryFile& source);

}  // namespace qx
