#include "core/FileExchange.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace qx {

namespace {

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

QString DirectoryOf(const QString& path) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

// -1 when the file system (or the kernel) has no atomic exchange.
int AtomicExchange(const QByteArray& a, const QByteArray& b) {
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) ==
      0) {
    return 0;
  }
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) return -1;
  return errno;
#else
  (void)a;
  (void)b;
  return -1;
#endif
}

bool Exists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

int RenameExchange(const QByteArray& a, const QByteArray& b, const QString& dirOfA) {
  if (!Exists(a) || !Exists(b)) return ENOENT;
  // A new, unique name; the first rename replaces this empty placeholder.
  QByteArray spare = Native(dirOfA + QStringLiteral("/qxswapXXXXXX"));
  const int fd = ::mkostemp(spare.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  if (::rename(a.constData(), spare.constData()) != 0) {
    const int e = errno;
    ::unlink(spare.constData());
    return e;
  }
  if (::rename(b.constData(), a.constData()) != 0) {
    const int e = errno;
    (void)::rename(spare.constData(), a.constData());
    return e;
  }
  if (::rename(spare.constData(), b.constData()) != 0) {
    const int e = errno;
    (void)::rename(a.constData(), b.constData());
    (void)::rename(spare.constData(), a.constData());
    return e;
  }
  return 0;
}

}  // namespace

int ExchangeFiles(const QString& a, const QString& b, bool allowAtomic) {
  const QByteArray na = Native(a), nb = Native(b);
  if (allowAtomic) {
    const int e = AtomicExchange(na, nb);
    if (e >= 0) return e;
  }
  return RenameExchange(na, nb, DirectoryOf(a));
}

int ReplaceKeepingBackup(const QString& file, const QString& replacement, const QString& backup,
                         bool allowAtomic) {
  const QByteArray nf = Native(file), nr = Native(replacement), nb = Native(backup);
  if (allowAtomic) {
    // The file's name never goes missing: swap in the new content, then move
    // the old content (now under the replacement's name) to the backup.
    int e = AtomicExchange(nr, nf);
    if (e == 0) {
      if (::rename(nr.constData(), nb.constData()) == 0) {
        // Renaming onto a hard link of the same file does nothing: drop the
        // extra name.
        if (Exists(nr)) ::unlink(nr.constData());
        return 0;
      }
      e = errno;
      // Should the swap back fail too, the commit stands: the old content
      // keeps the replacement's name rather than being deleted with it.
      if (AtomicExchange(nr, nf) != 0) return 0;
      return e;
    }
    if (e > 0) return e;
  }
  if (::rename(nf.constData(), nb.constData()) != 0) return errno;
  if (::rename(nr.constData(), nf.constData()) != 0) {
    const int e = errno;
    // The old content is only under the backup's name: give it its own back.
    (void)::rename(nb.constData(), nf.constData());
    return e;
  }
  return 0;
}

void SyncDirectoryOf(const QString& path) {
  const int fd = ::open(Native(DirectoryOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace qx
