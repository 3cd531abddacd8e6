// Renames that swap or replace a file and its backup within one directory,
// atomically where the file system allows it. They report an errno value
// (0 on success) and never show anything.
#pragma once

#include <QString>

namespace qx {

// Swaps the contents of the names a and b. With allowAtomic false (or on a
// file system without an atomic exchange) it renames three times through a
// uniquely named file beside a, putting everything back when a step fails.
[[nodiscard]] int ExchangeFiles(const QString& a, const QString& b, bool allowAtomic = true);

// Gives replacement the name file and keeps the old file as backup,
// replacing an old backup. On failure file keeps its name and content.
[[nodiscard]] int ReplaceKeepingBackup(const QString& file, const QString& replacement,
                                       const QString& backup, bool allowAtomic = true);

// Makes renames in the directory of path durable; errors are ignored.
void SyncDirectoryOf(const QString& path);

}  // namespace qx
