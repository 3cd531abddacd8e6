#include "core/TempFileWriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>

namespace qx {

namespace {

// Large enough that a copy runs at disk speed, small enough to stay bounded.
constexpr std::size_t kBufferSize = std::size_t{2} << 20;
// Shorter stretches go through the buffer: a system call for a few bytes
// costs more than copying them.
constexpr std::int64_t kLongStretch = std::int64_t{64} << 10;
// One kernel copy call at most; it blocks without events for its length.
constexpr std::int64_t kKernelCopyMax = std::int64_t{4} << 20;
// Written data is handed to writeback in steps of this, so that the final
// sync finds little left to write.
constexpr std::int64_t kWritebackStep = std::int64_t{32} << 20;
// How often Finish lets the window run while the sync goes on.
constexpr auto kWaitTick = std::chrono::milliseconds(10);

QString DirectoryOf(const QString& path) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// Errors with which copy_file_range says it cannot copy between these two
// files (another file system, an old kernel, a special file).
bool KernelCopyUnsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ||
         error == EBADF;
}

// 0 or the errno of a failed fsync.
int SyncFile(int fd) {
  return ::fsync(fd) == 0 ? 0 : errno;
}

// fsync on a thread of its own, calling whileWaiting until it ends.
int SyncWhileWaiting(int fd, const std::function<void()>& whileWaiting) {
  std::promise<int> result;
  std::future<int> done = result.get_future();
  std::jthread worker;
  try {
    worker = std::jthread([fd, &result] { result.set_value(SyncFile(fd)); });
  } catch (const std::system_error&) {
    return SyncFile(fd);  // no thread to be had: wait without events
  }
  while (done.wait_for(kWaitTick) != std::future_status::ready) whileWaiting();
  return done.get();  // worker joins as it goes out of scope
}

}  // namespace

// Starts writeback of what is written from a thread of its own: the call
// blocks while the device's queue is full, and the copy need not wait.
class TempFileWriter::Writeback {
 public:
  explicit Writeback(int fd) : fd_(fd), thread_([this](std::stop_token stop) { Run(stop); }) {}

  // Bytes up to upTo are in the file and may go to the disk.
  void Advance(std::int64_t upTo) {
    {
      std::lock_guard lock(mutex_);
      target_ = upTo;
    }
    wake_.notify_one();
  }

 private:
  void Run(const std::stop_token& stop) {
    std::int64_t done = 0;
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [&] { return target_ > done; })) {
      const std::int64_t to = target_;
      lock.unlock();
      // Only a head start: the final fsync waits for the rest and reports
      // any failure.
      (void)::sync_file_range(fd_, done, to - done, SYNC_FILE_RANGE_WRITE);
      done = to;
      lock.lock();
    }
  }

  const int fd_;
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::int64_t target_ = 0;
  std::jthread thread_;  // last: starts once the rest exists, stops first
};

TempFileWriter::TempFileWriter() = default;

TempFileWriter::~TempFileWriter() {
  Discard();
}

bool TempFileWriter::Create(const QString& forFile) {
  Discard();
  failed_ = false;
  error_.clear();
  written_ = 0;
  inFile_ = 0;
  writebackFrom_ = 0;
  kernelCopy_ = true;
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
  if (!WriteOut(buffer_.data(), used_)) return false;
  used_ = 0;
  return true;
}

bool TempFileWriter::WriteOut(const char* data, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = ::write(fd_, data + done, n - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(errno)));
    }
    if (put == 0) return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(ENOSPC)));
    done += static_cast<std::size_t>(put);
    inFile_ += put;
  }
  StartWriteback();
  return true;
}

void TempFileWriter::StartWriteback() {
  if (inFile_ - writebackFrom_ < kWritebackStep) return;
  writebackFrom_ = inFile_;
  if (!writeback_) {
    try {
      writeback_ = std::make_unique<Writeback>(fd_);
    } catch (const std::system_error&) {
      return;  // no thread to be had: the final sync does it all
    }
  }
  writeback_->Advance(inFile_);
}

void TempFileWriter::StopWriteback() {
  writeback_.reset();
}

bool TempFileWriter::KernelCopy(const BinaryFile& from, std::int64_t& at, std::int64_t last) {
  // What the buffer holds comes first in the file.
  if (!Flush()) return false;
  while (at <= last) {
    loff_t in = at;
    const auto want = static_cast<std::size_t>(std::min(last - at + 1, kKernelCopyMax));
    const ssize_t got = ::copy_file_range(from.Descriptor(), &in, fd_, nullptr, want, 0);
    if (got < 0) {
      const int e = errno;
      if (e == EINTR) continue;
      if (KernelCopyUnsupported(e)) {
        kernelCopy_ = false;
        return false;
      }
      return Fail(QStringLiteral("Couldn't copy the file at offset %1 to %2: %3")
                      .arg(at)
                      .arg(path_, Reason(e)));
    }
    if (got == 0) {
      // The source ended early, or its file system copies nothing this way:
      // the buffered copy tells the two apart.
      kernelCopy_ = false;
      return false;
    }
    at += got;
    written_ += got;
    inFile_ += got;
    StartWriteback();
  }
  return true;
}

bool TempFileWriter::Write(const void* data, std::int64_t n) {
  if (failed_) return false;
  if (fd_ < 0) return Fail(QStringLiteral("The temporary file is not open"));
  if (n < 0) return Fail(QStringLiteral("Invalid length written to %1").arg(path_));
  const auto* in = static_cast<const char*>(data);
  auto left = static_cast<std::size_t>(n);
  if (n >= kLongStretch) {
    // Straight to the file: a copy through the buffer would only cost time.
    if (!Flush() || !WriteOut(in, left)) return false;
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
  if (kernelCopy_ && last - first + 1 >= kLongStretch) {
    if (KernelCopy(from, at, last)) return true;
    if (failed_) return false;
  }
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

bool TempFileWriter::Finish(const std::function<void()>& whileWaiting) {
  if (failed_) return false;
  if (fd_ < 0) {
    // Finished already; a second call changes nothing.
    return !path_.isEmpty() || Fail(QStringLiteral("The temporary file is not open"));
  }
  if (!Flush()) return false;
  const int syncError = whileWaiting ? SyncWhileWaiting(fd_, whileWaiting) : SyncFile(fd_);
  StopWriteback();  // quick now: the sync left it nothing to wait for
  if (syncError != 0) {
    return Fail(QStringLiteral("Couldn't write %1 to disk: %2").arg(path_, Reason(syncError)));
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
  StopWriteback();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.isEmpty()) ::unlink(QFile::encodeName(path_).constData());
  path_.clear();
  used_ = 0;
  std::vector<char>().swap(buffer_);
}

void TempFileWriter::Release() {
  StopWriteback();
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
