// What the system says and sets: the words for an error number, and the
// permissions a new file of the user gets.
#pragma once

#include <sys/types.h>

#include <QString>

namespace qx {

// The system's words for error, for the end of a message ("No space left on
// device").
QString Reason(int error);
// 0666 less the user's umask.
mode_t NewFileMode();

}  // namespace qx
