#include "print/CheckedWriteDevice.h"

#include <cerrno>

#include "core/Posix.h"

namespace qx {

CheckedWriteDevice::CheckedWriteDevice(SysCalls& sys, int fd) : sys_(sys), fd_(fd) {
  QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 CheckedWriteDevice::readData(char*, qint64) {
  return -1;
}

qint64 CheckedWriteDevice::writeData(const char* data, qint64 n) {
  if (failure_ != 0) return -1;
  qint64 done = 0;
  while (done < n) {
    const ssize_t put = sys_.Write(fd_, data + done, static_cast<std::size_t>(n - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      // A write that moves nothing at all is a full disk.
      failure_ = put < 0 ? errno : ENOSPC;
      setErrorString(Reason(failure_));
      return -1;
    }
    done += put;
    written_ += put;
  }
  return n;
}

}  // namespace qx
