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
  // that fails: the old target is then as it was. With keepOld, the old
  // content stays under another name until Restore or Forget.
  [[nodiscard]] bool Commit(IO& io, bool keepOld = false);
  // Puts the old content back under the target's name (none: removes the
  // new file). Empty when done, else what could not be done, for the user.
  QString Restore(IO& io);
  // The old content is not needed any more.
  void Forget(IO& io);
  const QString& Path() const { return path_; }

 private:
  TempFileWriter out_;
  QString path_;
  // After Commit with keepOld: where the old content waits, or empty when
  // there was none; committed_ whether the name holds the new content.
  QString kept_;
  bool committed_ = false;
  FileStamp oldClipSeen_;
};

}  // namespace qx
