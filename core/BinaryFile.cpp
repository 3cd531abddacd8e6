#include "core/BinaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "core/NativeName.h"
#include "core/Posix.h"

namespace qx {

namespace {

// Why a file of this type is not opened: reading a pipe, socket or terminal
// would wait for ever or consume what another program expects.
QString TypeRefusal(mode_t mode) {
  if (S_ISDIR(mode)) return Reason(EISDIR);
  if (S_ISFIFO(mode)) return QStringLiteral("It is a named pipe, not a file");
  if (S_ISSOCK(mode)) return QStringLiteral("It is a socket, not a file");
  if (S_ISCHR(mode)) return QStringLiteral("It is a character device, not a file");
  return QStringLiteral("It is not a regular file");
}

}  // namespace

FileStamp FileStamp::Of(const struct stat& st) {
  FileStamp f;
  f.device = st.st_dev;
  f.inode = st.st_ino;
  f.size = st.st_size;
  f.modified = st.st_mtim;
  f.changed = st.st_ctim;
  return f;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return SameFile(o) && size == o.size && modified.tv_sec == o.modified.tv_sec &&
         modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
         changed.tv_nsec == o.changed.tv_nsec;
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(other.fd_), device_(other.device_), error_(other.error_), sys_(other.sys_) {
  other.fd_ = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    device_ = other.device_;
    error_ = other.error_;
    sys_ = other.sys_;
    other.fd_ = -1;
  }
  return *this;
}

bool BinaryFile::Open(const QString& path, bool writable, SysCalls& sys) {
  Close();
  sys_ = &sys;
  error_.clear();
  const QByteArray name = NativeName(path);
  const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW;
  const int fd = sys.Open(name.constData(), flags);
  if (fd < 0) {
    const int e = errno;
    error_ = Reason(e);
    errno = e;
    return false;
  }
  struct stat st {};
  int e = 0;
  if (sys.Fstat(fd, &st) != 0) {
    e = errno;
    error_ = Reason(e);
  } else if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
    e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    error_ = TypeRefusal(st.st_mode);
  } else {
    // Reads and writes of a file or device may block like any other.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
      e = errno;
      error_ = Reason(e);
    }
  }
  if (e != 0) {
    (void)sys.Close(fd);
    errno = e;
    return false;
  }
  fd_ = fd;
  device_ = S_ISBLK(st.st_mode);
  return true;
}

void BinaryFile::Close() {
  if (fd_ >= 0) (void)sys_->Close(fd_);
  fd_ = -1;
  device_ = false;
}

std::int64_t BinaryFile::ReadAt(std::int64_t offset, void* buffer, std::int64_t n) const {
  if (fd_ < 0 || offset < 0 || n < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t got = sys_->Pread(fd_, out + done, static_cast<size_t>(n - done), offset + done);
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
  return n >= 0 && WriteCounted(offset, data, n) == n;
}

std::int64_t BinaryFile::WriteCounted(std::int64_t offset, const void* data, std::int64_t n) {
  if (fd_ < 0 || offset < 0 || n < 0) {
    errno = EBADF;
    return 0;
  }
  const auto* in = static_cast<const char*>(data);
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t put = sys_->Pwrite(fd_, in + done, static_cast<size_t>(n - done), offset + done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return done;
    }
    if (put == 0) {
      errno = ENOSPC;
      return done;
    }
    done += put;
  }
  return done;
}

std::int64_t BinaryFile::Length() const {
  if (fd_ < 0) return -1;
  if (device_) return sys_->Seek(fd_, 0, SEEK_END);
  struct stat st {};
  if (sys_->Fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

FileStamp BinaryFile::Stamp() const {
  struct stat st {};
  if (fd_ < 0 || sys_->Fstat(fd_, &st) != 0) return {};
  FileStamp f = FileStamp::Of(st);
  if (device_) f.size = Length();
  return f;
}

bool BinaryFile::Sync() {
  return fd_ >= 0 && sys_->Fsync(fd_) == 0;
}

QString CopyReadError(std::int64_t at, std::int64_t got) {
  if (got < 0) {
    return QStringLiteral("Couldn't read the file at offset %1: %2").arg(at).arg(Reason(errno));
  }
  return QStringLiteral(
             "The file ended at offset %1 while it was being copied; it may have been changed by "
             "another program")
      .arg(at + got);
}

}  // namespace qx
