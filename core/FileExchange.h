// Renames that swap or replace a file and its backup within one directory,
// atomically where the file system allows it. They never show anything:
// the outcome says what happened, down to a version left under another name.
#pragma once

#include <QString>
#include <QStringList>

#include "core/SysCalls.h"

namespace qx {

struct RenameOutcome {
  int error = 0;         // errno of the step that failed; 0 when all went as asked
  bool swapped = false;  // the file's name now holds the other (new) version
  // Names that now hold a version that lost its usual name, for the user.
  QStringList keptAs;
  // The file's own name is gone; its content is under keptAs.front().
  bool nameMissing = false;
  // Spare names (an empty placeholder, a second name of a file) that could
  // not be removed again, for the user.
  QStringList leftovers = {};
};

// Swaps the contents of the names a and b. With allowAtomic false (or on a
// file system without an atomic exchange) a keeps its name throughout where
// hard links are possible, through a uniquely named file beside a.
[[nodiscard]] RenameOutcome ExchangeFiles(SysCalls& sys, const QString& a, const QString& b,
                                          bool allowAtomic = true);

// Gives replacement the name file and keeps the old file as backup,
// replacing an old backup only once the new content has the name. On
// failure with swapped false, file keeps its name and content and
// replacement still has its own name.
[[nodiscard]] RenameOutcome ReplaceKeepingBackup(SysCalls& sys, const QString& file,
                                                 const QString& replacement, const QString& backup,
                                                 bool allowAtomic = true);

// Makes renames in the directory of path durable; errors are ignored.
void SyncDirectoryOf(SysCalls& sys, const QString& path);

QString DirectoryOf(const QString& path);

}  // namespace qx
