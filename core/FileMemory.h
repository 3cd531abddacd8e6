// Each file's geometry (working base, record length, character set, view),
// kept in the settings store under the file's resolved path for the files
// used last, so that a file opened again looks as it did when it was last
// open.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "core/Declare.h"
#include "platform/Platform.h"

namespace qx {

inline constexpr int kRememberedFiles = 200;
inline const QString kGeometrySection = QStringLiteral("Geometry");

struct FileGeometry {
  std::int64_t WorkingBase = 0;
  std::int16_t RecordLength = kDefaultRecordLength;
  QString CharSet = kAsciiSetName;
  bool RecordView = false;
  bool ShowHex = true;
  QString Copybook = {};  // empty: no layout
  int LayoutKind = 0;
  LayoutFlags Layout = {};
  bool operator==(const FileGeometry&) const = default;
};

// What was kept for path; none for a file never changed here (or an entry
// that does not read back).
std::optional<FileGeometry> RecallGeometry(Platform& p, const QString& path);
// Keeps g for path at once, so that it survives a crash; the file used
// longest ago makes room when all places are taken.
void RememberGeometry(Platform& p, const QString& path, const FileGeometry& g);
// The current file's geometry, kept as it is now.
void RememberGeometry(Platform& p, const FileState& file);

// The backup Quellox made of file (at the name backup), with its stamp as
// Quellox left it; kept in the file's entry.
void RememberBackup(Platform& p, const QString& file, const QString& backup,
                    const FileStamp& stamp);
// The remembered file whose backup is at backup with this stamp; empty when
// it is no backup Quellox made (or one it has forgotten).
QString BackupOwner(Platform& p, const QString& backup, const FileStamp& stamp);

}  // namespace qx
