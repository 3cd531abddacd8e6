#include "core/FileExchange.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "core/NativeName.h"

namespace qx {

namespace {

QByteArray Native(const QString& path) {
  return NativeName(path);
}

bool NoAtomicExchange(int e) {
  return e == EINVAL || e == ENOSYS || e == EOPNOTSUPP;
}

// The file system keeps no second name for a file (hard links).
bool NoHardLinks(int e) {
  return e == EPERM || e == EOPNOTSUPP || e == ENOSYS;
}

bool Exists(SysCalls& sys, const QByteArray& path) {
  struct stat st {};
  return sys.Lstat(path.constData(), &st) == 0;
}

// A new, unique name beside dir's files, held by an empty placeholder that
// the caller replaces (rename) or removes first (link). Empty on failure.
QByteArray SpareName(SysCalls& sys, const QString& dir) {
  QByteArray spare = Native(dir + QStringLiteral("/qxswapXXXXXX"));
  const int fd = sys.CreateTemp(spare.data());
  if (fd < 0) return {};
  (void)sys.Close(fd);
  return spare;
}

// Removes a spare name; one that stays is noted in r for the user.
void RemoveSpare(SysCalls& sys, const QByteArray& spare, RenameOutcome& r) {
  if (sys.Unlink(spare.constData()) != 0 && errno != ENOENT) {
    r.leftovers << NameFromNative(spare);
  }
}

RenameOutcome Failed(int e, const QByteArray& kept = {}) {
  RenameOutcome r;
  r.error = e;
  if (!kept.isEmpty()) r.keptAs << NameFromNative(kept);
  return r;
}

}  // namespace

QString DirectoryOf(const QString& path) {
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

RenameOutcome ExchangeFiles(SysCalls& sys, const QString& a, const QString& b, bool allowAtomic) {
  const QByteArray na = Native(a), nb = Native(b);
  if (allowAtomic) {
    if (sys.Exchange(na.constData(), nb.constData()) == 0) return {0, true, {}, false};
    if (!NoAtomicExchange(errno)) return Failed(errno);
  }
  if (!Exists(sys, na) || !Exists(sys, nb)) return Failed(ENOENT);
  const QByteArray spare = SpareName(sys, DirectoryOf(a));
  if (spare.isEmpty()) return Failed(errno);
  // a keeps its name throughout: its content gets a second name, then b's
  // content replaces it in one rename.
  bool linked = false;
  if (sys.Unlink(spare.constData()) == 0) {
    if (sys.Link(na.constData(), spare.constData()) == 0) {
      linked = true;
    } else if (!NoHardLinks(errno)) {
      return Failed(errno);
    }
  }
  if (!linked && sys.Rename(na.constData(), spare.constData()) != 0) {
    RenameOutcome r = Failed(errno);
    RemoveSpare(sys, spare, r);
    return r;
  }
  if (sys.Rename(nb.constData(), na.constData()) != 0) {
    const int e = errno;
    if (linked) {
      // Only a second name of a's own content is left over.
      return Failed(e, sys.Unlink(spare.constData()) == 0 ? QByteArray() : spare);
    }
    if (sys.Rename(spare.constData(), na.constData()) == 0) return Failed(e);
    RenameOutcome r = Failed(e, spare);
    r.nameMissing = true;
    return r;
  }
  if (sys.Rename(spare.constData(), nb.constData()) != 0) {
    // Half done: a holds b's version; a's former content keeps the spare name.
    RenameOutcome r = Failed(errno, spare);
    r.swapped = true;
    return r;
  }
  return {0, true, {}, false};
}

RenameOutcome ReplaceKeepingBackup(SysCalls& sys, const QString& file, const QString& replacement,
                                   const QString& backup, bool allowAtomic) {
  const QByteArray nf = Native(file), nr = Native(replacement), nb = Native(backup);
  if (allowAtomic) {
    // The file's name never goes missing: swap in the new content, then move
    // the old content (now under the replacement's name) to the backup.
    if (sys.Exchange(nr.constData(), nf.constData()) == 0) {
      if (sys.Rename(nr.constData(), nb.constData()) == 0) {
        // Renaming onto a hard link of the same file does nothing: drop the
        // extra name.
        RenameOutcome r{0, true, {}, false};
        if (Exists(sys, nr)) RemoveSpare(sys, nr, r);
        return r;
      }
      const int e = errno;
      if (sys.Exchange(nr.constData(), nf.constData()) == 0) return Failed(e);
      // The commit stands; the old content keeps the replacement's name.
      RenameOutcome r = Failed(e, nr);
      r.swapped = true;
      return r;
    }
    if (!NoAtomicExchange(errno)) return Failed(errno);
  }

  // The previous backup steps aside until the new content has the name, so
  // that a failure gives it back.
  QByteArray spare = SpareName(sys, DirectoryOf(file));
  if (spare.isEmpty()) return Failed(errno);
  QStringList leftovers;
  if (sys.Rename(nb.constData(), spare.constData()) != 0) {
    const int e = errno;
    RenameOutcome placeholder;
    RemoveSpare(sys, spare, placeholder);
    leftovers = placeholder.leftovers;
    if (e != ENOENT) {
      RenameOutcome r = Failed(e);
      r.leftovers = leftovers;
      return r;
    }
    spare.clear();  // there was no backup yet
  }
  const auto giveBackupBack = [&](int e) {
    RenameOutcome r = spare.isEmpty() || sys.Rename(spare.constData(), nb.constData()) == 0
                          ? Failed(e)
                          : Failed(e, spare);
    r.leftovers = leftovers;
    return r;
  };
  bool linked = sys.Link(nf.constData(), nb.constData()) == 0;
  if (!linked && (!NoHardLinks(errno) || sys.Rename(nf.constData(), nb.constData()) != 0)) {
    return giveBackupBack(errno);
  }
  if (sys.Rename(nr.constData(), nf.constData()) != 0) {
    const int e = errno;
    if (linked) {
      // The backup name is a second name of the file: remove it again.
      if (sys.Unlink(nb.constData()) != 0) {
        RenameOutcome r = Failed(e, spare);
        r.leftovers = leftovers;
        return r;
      }
      return giveBackupBack(e);
    }
    if (sys.Rename(nb.constData(), nf.constData()) != 0) {
      RenameOutcome r = Failed(e, nb);
      r.nameMissing = true;
      if (!spare.isEmpty()) r.keptAs << NameFromNative(spare);
      r.leftovers = leftovers;
      return r;
    }
    return giveBackupBack(e);
  }
  RenameOutcome r;
  r.swapped = true;
  r.leftovers = leftovers;
  if (!spare.isEmpty() && sys.Unlink(spare.constData()) != 0) r.keptAs << NameFromNative(spare);
  return r;
}

void SyncDirectoryOf(SysCalls& sys, const QString& path) {
  const int fd =
      sys.Open(Native(DirectoryOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)sys.Fsync(fd);
  (void)sys.Close(fd);
}

}  // namespace qx
