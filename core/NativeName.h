// File names as the system has them: bytes, mostly but not always UTF-8
// (old disks carry Latin-1 names). A byte that is not part of valid UTF-8
// becomes one reserved code point (U+DC80 + byte) and goes back to the same
// byte, so every name survives the round trip through QString.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "core/SysCalls.h"

namespace qx {

QString NameFromNative(const QByteArray& bytes);
QByteArray NativeName(const QString& name);
// The name for the eye: each byte that was not UTF-8 shows as U+FFFD.
QString DisplayName(const QString& name);
// The local path of a file: URL (a drop), its percent-encoded bytes kept.
QString LocalPathOf(const QUrl& url);
// The absolute path without links, ".." or "."; empty when it cannot be
// resolved (the reason in errno).
QString CanonicalPath(const QString& path, SysCalls& sys = SysCalls::Real());

}  // namespace qx
