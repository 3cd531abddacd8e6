// The file that receives a cut or copied range: the clip file or a file the
// user names. It is written beside its name, synced, and only then renamed
// over it, so a failure never leaves a half-written or a deleted target.
#pragma once

#include <QString>

#include "core/IO.h"
#include "core/TempFileWriter.h"

namespace qx {

class BlockTarget {
 public:
  // Refuses (with the message) the file being edited, its backup, and
  // anything that is not a file; then creates the new file beside path. A
  // durable target (a cut's: the range will live only there) reaches the
  // disk before Commit gives it the name.
  [[nodiscard]] bool Begin(IO& io, const QString& path, bool durable);
  TempFileWriter& Out() { return out_; }
  // Gives the new content the target's name. False, with the message, when
  // that fails: the old target is then as it was.
  [[nodiscard]] bool Commit(IO& io);
  const QString& Path() const { return path_; }

 private:
  TempFileWriter out_;
  QString path_;
  bool durable_ = true;
};

}  // namespace qx
