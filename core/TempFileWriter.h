// The temporary file of a whole-file operation: a new, uniquely named
// "qxtmp" file beside the edited file, locked while it is written (an
// unlocked one is a leftover), written sequentially through a large buffer,
// long copies done in the kernel. It deletes itself unless it was committed
// (Release).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/BinaryFile.h"
#include "core/SysCalls.h"

namespace qx {

class TempFileWriter {
 public:
  TempFileWriter();
  ~TempFileWriter();
  TempFileWriter(const TempFileWriter&) = delete;
  TempFileWriter& operator=(const TempFileWriter&) = delete;

  // Creates the file exclusively in the directory of forFile.
  [[nodiscard]] bool Create(const QString& forFile, SysCalls& sys = SysCalls::Real());
  // Leaves a hole wherever a whole aligned block of zeros is written, so
  // that a sparse file stays sparse.
  void KeepHoles(bool on);
  // A file that only mirrors bytes kept elsewhere (a copy) need not wait for
  // the disk: Finish then flushes without syncing.
  void SetDurable(bool on) { durable_ = on; }
  // Gives the file the owner and permissions of original, through its
  // descriptor; a change of owner that is not allowed keeps the user's own.
  [[nodiscard]] bool MatchOwnerAndMode(const struct stat& original);
  // Appends n bytes. After any failure every later call fails too.
  [[nodiscard]] bool Write(const void* data, std::int64_t n);
  // Appends bytes first..last (both included, absolute offsets) of from;
  // nothing when first > last. Fails on a read error or a short read.
  [[nodiscard]] bool CopyRange(const BinaryFile& from, std::int64_t first, std::int64_t last);
  // Flushes the buffer and syncs; the file is then ready to commit. It stays
  // open (and locked) until Release or Discard.
  // While the sync runs, whileWaiting (when given) is called every few
  // milliseconds, so that a window can repaint.
  [[nodiscard]] bool Finish(const std::function<void()>& whileWaiting = {});
  // Closes and deletes the file (does nothing once released). Returns its
  // name when it could not be deleted, for the user; else empty.
  QString Discard();
  // The file now belongs to someone else (it was renamed into place).
  void Release();

  const QString& Path() const { return path_; }
  // Of the open file; invalid once it is closed.
  FileStamp Stamp() const;
  bool Failed() const { return failed_; }
  // What went wrong, for the user; empty when nothing did.
  const QString& Error() const { return error_; }
  std::int64_t BytesWritten() const { return written_; }

 private:
  bool Flush();
  bool WriteOut(const char* data, std::size_t n);
  bool Fail(const QString& why);
  // Copies in the kernel; false with nothing failed when the file system
  // cannot, after which the caller copies the rest through the buffer.
  bool KernelCopy(const BinaryFile& from, std::int64_t& at, std::int64_t last);
  bool WriteSparse(const char* data, std::size_t n);
  void CloseFile();
  void StartWriteback();
  void StopWriteback();
  class Writeback;

  QString path_;
  int fd_ = -1;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::int64_t written_ = 0;
  // Bytes in the file itself (written_ less the buffer), and how many of
  // them have been handed to writeback.
  std::int64_t inFile_ = 0;
  std::int64_t writebackFrom_ = 0;
  std::unique_ptr<Writeback> writeback_;
  bool kernelCopy_ = true;
  bool keepHoles_ = false;
  bool durable_ = true;
  bool finished_ = false;
  SysCalls* sys_ = &SysCalls::Real();
  bool failed_ = false;
  QString error_;
};

// The backup name of path: the file name up to its first "." that is not
// its first character, then ".BAK", in the same directory. A name that
// would equal path itself gets ".BAK" appended instead.
QString BackupName(const QString& path);

}  // namespace qx
