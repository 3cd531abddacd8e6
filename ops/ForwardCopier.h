// Appends ascending stretches of a file to a temporary file through one
// large read buffer: a rewrite that copies a few bytes per record makes one
// read per MiB, not one per record. Long stretches go through the writer's
// own copy (in the kernel where it can), without events: a caller copies
// a long head or tail with IO::CopyRange, which lets the window run.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/BinaryFile.h"
#include "core/TempFileWriter.h"

namespace qx {

class ForwardCopier {
 public:
  ForwardCopier(const BinaryFile& from, TempFileWriter& out);

  // Appends bytes first..last (absolute offsets; nothing when first >
  // last). Stretches must not go backwards. False on a failure: a read
  // failure (or the file ending early) is in Error(), a write failure in
  // the writer's Error().
  [[nodiscard]] bool Copy(std::int64_t first, std::int64_t last);
  const QString& Error() const { return error_; }

 private:
  bool Fill(std::int64_t at);

  const BinaryFile& from_;
  TempFileWriter& out_;
  std::vector<std::uint8_t> buffer_;
  std::int64_t windowStart_ = 0;
  std::int64_t windowEnd_ = 0;  // one past the last byte in the buffer
  QString error_;
};

}  // namespace qx
