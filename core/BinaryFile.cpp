#include "core/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>

namespace qx {

BinaryFile::BinaryFile(BinaryFile&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool BinaryFile::Open(const QString& path, bool writable) {
  Close();
  const QByteArray name = QFile::encodeName(path);
  int fd = ::open(name.constData(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void BinaryFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::int64_t BinaryFile::ReadAt(std::int64_t offset, void* buffer, std::int64_t n) const {
  if (fd_ < 0 || offset < 0 || n < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd_, out + done, static_cast<size_t>(n - done), offset + done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool BinaryFile::WriteAt(std::int64_t offset, const void* data, std::int64_t n) {
  if (fd_ < 0 || offset < 0 || n < 0) return false;
  const auto* in = static_cast<const char*>(data);
  std::int64_t done = 0;
  while (done < n) {
    ssize_t put = ::pwrite(fd_, in + done, static_cast<size_t>(n - done), offset + done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    done += put;
  }
  return true;
}

std::int64_t BinaryFile::Length() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool BinaryFile::Sync() {
  return fd_ >= 0 && ::fsync(fd_) == 0;
}

}  // namespace qx
