// The clip file: where it lives, that its directory is the user's own, and
// its removal when the program ends.
#pragma once

#include <sys/stat.h>

#include <QString>

#include "core/Declare.h"
#include "core/SysCalls.h"

namespace qx {

// TEMP (made absolute) when set, else XDG_RUNTIME_DIR, else a directory of
// the user's own in the system's temporary directory; then "qx$$qx.$$$".
QString ClipFilePath();

// Creates the clip file's directory when it is the user's own one in the
// shared temporary directory, and checks that nobody else owns or can
// enter it. Empty when the directory may be used, else the reason.
QString PrepareClipDirectory(const QString& clipPath, SysCalls& sys = SysCalls::Real());

// Why the clip file, opened with the status opened, must not be pasted:
// another user could have made its private directory or put it there.
// Empty when it is this user's own.
QString ClipSourceRefusal(const QString& clipPath, const struct stat& opened,
                          SysCalls& sys = SysCalls::Real());

// Deletes the clip file if it is still the one this program wrote, never
// another running copy's or another user's.
void DeleteClipFile(EditorState& s);

}  // namespace qx
