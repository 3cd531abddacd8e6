#include "core/TempFileWriter.h"

#include <fcntl.h>
#include <sys/file.h>
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

#include "core/FileExchange.h"
#include "core/NativeName.h"
#include "core/Posix.h"

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
// The unit of holes kept in a sparse file: the usual file-system block.
constexpr std::size_t kHoleBlock = 4096;
// How often Finish lets the window run while the sync goes on.
constexpr auto kWaitTick = std::chrono::milliseconds(10);

// Errors with which copy_file_range says it cannot copy between these two
// files (another file system, an old kernel, a special file).
bool KernelCopyUnsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ||
         error == EBADF;
}

// 0 or the errno of a failed fsync.
int SyncFile(SysCalls& sys, int fd) {
  return sys.Fsync(fd) == 0 ? 0 : errno;
}

// fsync on a thread of its own, calling whileWaiting until it ends.
int SyncWhileWaiting(SysCalls& sys, int fd, const std::function<void()>& whileWaiting) {
  std::promise<int> result;
  std::future<int> done = result.get_future();
  std::jthread worker;
  try {
    worker = std::jthread([&sys, fd, &result] { result.set_value(SyncFile(sys, fd)); });
  } catch (const std::system_error&) {
    return SyncFile(sys, fd);  // no thread to be had: wait without events
  }
  while (done.wait_for(kWaitTick) != std::future_status::ready) whileWaiting();
  return done.get();  // worker joins as it goes out of scope
}

bool AllZero(const char* p, std::size_t n) {
  return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0);
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
  (void)Discard();
}

bool TempFileWriter::Create(const QString& forFile, SysCalls& sys) {
  (void)Discard();
  sys_ = &sys;
  keepHoles_ = false;
  durable_ = true;
  finished_ = false;
  failed_ = false;
  error_.clear();
  written_ = 0;
  inFile_ = 0;
  writebackFrom_ = 0;
  kernelCopy_ = true;
  used_ = 0;

  const QString dir = DirectoryOf(forFile);
  QByteArray name = NativeName(dir + QStringLiteral("/qxtmpXXXXXX"));
  // mkostemp creates the file exclusively with mode 0600: nothing that
  // already exists is ever reused.
  const int fd = sys.CreateTemp(name.data());
  if (fd < 0) {
    return Fail(
        QStringLiteral("Couldn't create a temporary file in %1: %2").arg(dir, Reason(errno)));
  }
  fd_ = fd;
  path_ = NameFromNative(name);
  // The lock tells a running operation's file from a leftover of one that
  // was killed.
  if (sys.Flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    const QString left = Discard();
    QString why = QStringLiteral("Couldn't lock the temporary file in %1: %2").arg(dir, Reason(e));
    if (!left.isEmpty()) {
      why += QStringLiteral(
                 "\nCouldn't delete the temporary file %1; opening the file again "
                 "offers to delete it.")
                 .arg(left);
    }
    return Fail(why);
  }
  buffer_.resize(kBufferSize);
  return true;
}

void TempFileWriter::KeepHoles(bool on) {
  keepHoles_ = on;
  if (on) kernelCopy_ = false;  // a kernel copy would fill the holes in
}

bool TempFileWriter::MatchOwnerAndMode(const struct stat& original) {
  if (failed_) return false;
  if (fd_ < 0) return Fail(QStringLiteral("The temporary file is not open"));
  // Through the descriptor: a name could meanwhile lead somewhere else.
  if (sys_->Fchown(fd_, original.st_uid, original.st_gid) != 0 && errno != EPERM) {
    return Fail(QStringLiteral("Couldn't set the owner of %1: %2").arg(path_, Reason(errno)));
  }
  // After the owner: a change of owner clears the set-id bits.
  if (sys_->Fchmod(fd_, original.st_mode & 07777) != 0) {
    return Fail(QStringLiteral("Couldn't set the permissions of %1: %2").arg(path_, Reason(errno)));
  }
  return true;
}

FileStamp TempFileWriter::Stamp() const {
  struct stat st {};
  if (fd_ < 0 || sys_->Fstat(fd_, &st) != 0) return {};
  return FileStamp::Of(st);
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

bool TempFileWriter::WriteSparse(const char* data, std::size_t n) {
  // Runs of data blocks go out in one write, runs of zero blocks are skipped.
  std::size_t done = 0;
  while (done < n) {
    // Blocks are aligned to the file's own offsets, as the file system's are.
    const auto into = static_cast<std::size_t>(inFile_ % static_cast<std::int64_t>(kHoleBlock));
    std::size_t run = std::min(n - done, kHoleBlock - into);
    const bool zeros = into == 0 && run == kHoleBlock && AllZero(data + done, run);
    while (done + run + kHoleBlock <= n && AllZero(data + done + run, kHoleBlock) == zeros) {
      run += kHoleBlock;
    }
    if (zeros) {
      if (sys_->Seek(fd_, static_cast<off_t>(run), SEEK_CUR) < 0) {
        return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(errno)));
      }
      inFile_ += static_cast<std::int64_t>(run);
    } else {
      keepHoles_ = false;
      const bool wrote = WriteOut(data + done, run);
      keepHoles_ = true;
      if (!wrote) return false;
    }
    done += run;
  }
  return true;
}

bool TempFileWriter::WriteOut(const char* data, std::size_t n) {
  if (keepHoles_) return WriteSparse(data, n);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t put = sys_->Write(fd_, data + done, n - done);
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
  if (!durable_ || inFile_ - writebackFrom_ < kWritebackStep) return;
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
    off_t in = at;
    const auto want = static_cast<std::size_t>(std::min(last - at + 1, kKernelCopyMax));
    const ssize_t got = sys_->CopyFileRange(from.Descriptor(), &in, fd_, want);
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
    if (got < want) return Fail(CopyReadError(at, got));
    used_ += static_cast<std::size_t>(got);
    written_ += got;
    at += got;
  }
  return true;
}

bool TempFileWriter::Finish(const std::function<void()>& whileWaiting) {
  if (failed_) return false;
  if (fd_ < 0) return Fail(QStringLiteral("The temporary file is not open"));
  if (finished_) return true;  // a second call changes nothing
  if (!Flush()) return false;
  // A hole at the end is only a length.
  if (keepHoles_ && sys_->Truncate(fd_, inFile_) != 0) {
    return Fail(QStringLiteral("Couldn't write %1: %2").arg(path_, Reason(errno)));
  }
  int syncError = 0;
  if (durable_) {
    syncError = whileWaiting ? SyncWhileWaiting(*sys_, fd_, whileWaiting) : SyncFile(*sys_, fd_);
  }
  StopWriteback();  // quick now: the sync left it nothing to wait for
  if (syncError != 0) {
    return Fail(QStringLiteral("Couldn't write %1 to disk: %2").arg(path_, Reason(syncError)));
  }
  finished_ = true;
  std::vector<char>().swap(buffer_);
  return true;
}

void TempFileWriter::CloseFile() {
  StopWriteback();
  if (fd_ >= 0) (void)sys_->Close(fd_);
  fd_ = -1;
  used_ = 0;
  std::vector<char>().swap(buffer_);
}

QString TempFileWriter::Discard() {
  CloseFile();
  QString left;
  if (!path_.isEmpty() && sys_->Unlink(NativeName(path_).constData()) != 0 && errno != ENOENT) {
    left = path_;
  }
  path_.clear();
  return left;
}

void TempFileWriter::Release() {
  CloseFile();
  path_.clear();
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
