// An open file addressed by 0-based byte offsets; closes itself.
#pragma once

#include <QString>
#include <cstdint>

namespace qx {

class BinaryFile {
 public:
  BinaryFile() = default;
  ~BinaryFile() { Close(); }
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;

  // Opens an existing file; writable asks for read and write access.
  [[nodiscard]] bool Open(const QString& path, bool writable);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

  // Reads up to n bytes at offset; returns the count read (short at end of
  // file) or -1 on an error.
  [[nodiscard]] std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) const;
  // Writes all n bytes at offset or fails.
  [[nodiscard]] bool WriteAt(std::int64_t offset, const void* data, std::int64_t n);
  // -1 on an error.
  std::int64_t Length() const;
  [[nodiscard]] bool Sync();

 private:
  int fd_ = -1;
};

}  // namespace qx
