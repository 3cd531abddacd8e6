#include "core/TempFileWriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qx {

namespace {

// Large enough that a copy runs at disk speed, small enough to stay bounded.
constexpr std::size_t kBufferSize = std::size_t{2} << 20;

QString DirectoryOf(const QString& path) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// 0, or the errno of the write that failed.
int WriteAll(int fd, const char* data, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = ::write(fd, data + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return ENOSPC;
    done += static_cast<std::size_t>(put);
  }
  return 0;
}

}  // namespace

bool TempFileWriter::Create(const QString& forFile) {
  Discard();
  failed_ = false;
  error_.clear();
  written_ = 0;
  used_ = 0;

  const QString dir = DirectoryOf(forFile);
  QByteArray name = QFile::encodeName(dir + QStringLiteral("/qxtmpXXXXXX"));
  // mkostemp creates the file exclusively with mode 0600: nothing that
  // already exists is ever reused.
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    return Fail(
        QStringLiteral("Couldn't create a temporary file in %1: %2").arg(dir, Reason(errno)));
  }
  fd_ = fd;
  path_ = QFile::decodeName(name);
  buffer_.resize(kBufferSize);
  return true;
}

bool TempFileWriter::Fail(const QString& why) {
  if (!failed_) error_ = why;
  failed_ = true;
  return false;
}

bool TempFileWriter::Flush() {
  if (const int e = WriteAll(fd_, buffer_.data(), used_); e != 0) {
    return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(e)));
  }
  used_ = 0;
  return true;
}

bool TempFileWriter::Write(const void* data, std::int64_t n) {
  if (failed_) return false;
  if (fd_ < 0) return Fail(QStringLiteral("The temporary file is not open"));
  if (n < 0) return Fail(QStringLiteral("Invalid length written to %1").arg(path_));
  const auto* in = static_cast<const char*>(data);
  auto left = static_cast<std::size_t>(n);
  if (left >= buffer_.size()) {
    // A large block goes out as it is, after what was buffered before it.
    if (!Flush()) return false;
    if (const int e = WriteAll(fd_, in, left); e != 0) {
      return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(e)));
    }
    written_ += n;
    return true;
  }
  while (left > 0) {
    if (used_ == buffer_.size() && !Flush()) return false;
    const std::size_t take = std::min(left, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, in, take);
    used_ += take;
    in += take;
    left -= take;
    written_ += static_cast<std::int64_t>(take);
  }
  return true;
}

bool TempFileWriter::CopyRange(const BinaryFile& from, std::int64_t first, std::int64_t last) {
  if (failed_) return false;
  if (fd_ < 0) return Fail(QStringLiteral("The temporary file is not open"));
  if (first > last) return true;
  if (first < 0) return Fail(QStringLiteral("Invalid offset %1 to copy").arg(first));
  std::int64_t at = first;
  while (at <= last) {
    if (used_ == buffer_.size() && !Flush()) return false;
    // Read straight into the free part of the buffer: no second copy.
    const std::int64_t want =
        std::min<std::int64_t>(last - at + 1, static_cast<std::int64_t>(buffer_.size() - used_));
    const std::int64_t got = from.ReadAt(at, buffer_.data() + used_, want);
    if (got < 0) {
      return Fail(
          QStringLiteral("Couldn't read the file at offset %1: %2").arg(at).arg(Reason(errno)));
    }
    if (got < want) {
      return Fail(QStringLiteral("The file ended at offset %1 while it was being copied; it may "
                                 "have been changed by another program")
                      .arg(at + got));
    }
    used_ += static_cast<std::size_t>(got);
    written_ += got;
    at += got;
  }
  return true;
}

bool TempFileWriter::Finish() {
  if (failed_) return false;
  if (fd_ < 0) {
    // Finished already; a second call changes nothing.
    return !path_.isEmpty() || Fail(QStringLiteral("The temporary file is not open"));
  }
  if (!Flush()) return false;
  if (::fsync(fd_) != 0) {
    return Fail(QStringLiteral("Couldn't write %1 to disk: %2").arg(path_, Reason(errno)));
  }
  const int fd = fd_;
  fd_ = -1;
  // Some file systems report a failed write only at close.
  if (::close(fd) != 0 && errno != EINTR) {
    return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(errno)));
  }
  std::vector<char>().swap(buffer_);
  return true;
}

void TempFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.isEmpty()) ::unlink(QFile::encodeName(path_).constData());
  path_.clear();
  used_ = 0;
  std::vector<char>().swap(buffer_);
}

void TempFileWriter::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  used_ = 0;
  std::vector<char>().swap(buffer_);
}

QString BackupName(const QString& path) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  const QString dir = path.left(slash + 1);
  const QString name = path.mid(slash + 1);
  // A leading "." belongs to the name (".profile"), so the search starts after it.
  const int dot = name.indexOf(QLatin1Char('.'), 1);
  const QString stem = dot > 0 ? name.left(dot) : name;
  const QString backup = dir + stem + QStringLiteral(".BAK");
  return backup == path ? path + QStringLiteral(".BAK") : backup;
}

}  // namespace qx
