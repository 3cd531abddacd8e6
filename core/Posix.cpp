#include "core/Posix.h"

#include <sys/stat.h>

#include <cstring>

namespace qx {

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

mode_t NewFileMode() {
  // umask can only be read by setting it; it is put back at once.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace qx
