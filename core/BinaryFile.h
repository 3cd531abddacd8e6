// An open file addressed by 0-based byte offsets; closes itself.
#pragma once

#include <sys/stat.h>

#include <QString>
#include <cstdint>
#include <ctime>

#include "core/SysCalls.h"

namespace qx {

// What tells a file apart from another, or from itself changed: its
// identity, length, last modification and last change (renames, links and
// mode changes count: take it again after each).
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t size = -1;
  timespec modified{};
  timespec changed{};  // st_ctim, which no program can set back

  static FileStamp Of(const struct stat& st);
  bool Valid() const { return size >= 0; }
  bool SameFile(const FileStamp& o) const { return device == o.device && inode == o.inode; }
  bool operator==(const FileStamp& o) const;
};

class BinaryFile {
 public:
  BinaryFile() = default;
  ~BinaryFile() { Close(); }
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;

  // Opens an existing regular file or block device without following a
  // link and without waiting; writable asks for read and write access.
  // On failure errno holds the reason, and Error() says it in words.
  [[nodiscard]] bool Open(const QString& path, bool writable, SysCalls& sys = SysCalls::Real());
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // A block device: pages can be edited, but it cannot be renamed.
  bool IsDevice() const { return device_; }
  const QString& Error() const { return error_; }
  SysCalls& Sys() const { return *sys_; }

  // Reads up to n bytes at offset; returns the count read (short at end of
  // file) or -1 on an error.
  [[nodiscard]] std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) const;
  // Writes all n bytes at offset or fails.
  [[nodiscard]] bool WriteAt(std::int64_t offset, const void* data, std::int64_t n);
  // The same, returning how many bytes reached the file before an error
  // (errno set) or n, so that a message can say exactly how far it got.
  [[nodiscard]] std::int64_t WriteCounted(std::int64_t offset, const void* data, std::int64_t n);
  // -1 on an error.
  std::int64_t Length() const;
  // Invalid on an error.
  FileStamp Stamp() const;
  [[nodiscard]] bool Sync();

 private:
  int fd_ = -1;
  bool device_ = false;
  QString error_;
  SysCalls* sys_ = &SysCalls::Real();
};

// Why a copy's read at offset at gave got bytes, fewer than it asked for:
// a read error (got < 0, errno set) or a file that ended early.
QString CopyReadError(std::int64_t at, std::int64_t got);

}  // namespace qx
