#include "print/PdfOutput.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "core/FileExchange.h"
#include "core/NativeName.h"
#include "core/Posix.h"
#include "core/TempFileWriter.h"
#include "print/PrintUtilities.h"

namespace qx {

namespace {

// Deeper than this a chain of links is a loop; the kernel gives up sooner.
constexpr int kMaxLinkDepth = 40;
const QString kPdfFolderKey = QStringLiteral("PdfFolder");
const QString kPdfSuffix = QStringLiteral(".pdf");

QByteArray Native(const QString& path) {
  return NativeName(path);
}

QString Said(int error, const QString& path) {
  return QStringLiteral("Couldn't write %1: %2").arg(DisplayName(path), Reason(error));
}

// path with its directory's links resolved; the last name stays as it is.
QString InRealDirectory(SysCalls& sys, const QString& path) {
  const QFileInfo info(path);
  QByteArray real(PATH_MAX, '\0');
  if (sys.Realpath(Native(info.absolutePath()).constData(), real.data()) == nullptr) {
    return info.absoluteFilePath();
  }
  return QDir(NameFromNative(QByteArray(real.constData()))).filePath(info.fileName());
}

// The kernel's protected_symlinks rule, which a system may leave off: in a
// folder that anyone may write to but only owners may delete from (mode
// 1777), a link is followed only when it is the user's own or the folder
// owner's, so that nobody can plant one there that sends a file elsewhere.
bool MayFollow(SysCalls& sys, const struct stat& link, const QString& folder) {
  if (link.st_uid == ::geteuid()) return true;
  struct stat dir {};
  if (sys.Lstat(Native(folder.isEmpty() ? QStringLiteral("/") : folder).constData(), &dir) != 0) {
    return false;
  }
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return !shared || dir.st_uid == link.st_uid;
}

// The file path leads to, each link on the way followed as the kernel does,
// name by name (a link to a name that does not exist yet leads to that
// name). Empty, with why, when a link may not or cannot be followed.
QString TargetOf(SysCalls& sys, const QString& path, QString& why) {
  QStringList todo = QFileInfo(path).absoluteFilePath().split(u'/', Qt::SkipEmptyParts);
  QString at;  // the names taken so far, no link among them; empty: the root
  int links = 0;
  while (!todo.isEmpty()) {
    const QString part = todo.takeFirst();
    if (part == QStringLiteral(".")) continue;
    if (part == QStringLiteral("..")) {
      at.truncate(std::max<qsizetype>(at.lastIndexOf(u'/'), 0));
      continue;
    }
    const QString next = at + u'/' + part;
    struct stat st {};
    if (sys.Lstat(Native(next).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      at = next;  // a file, a folder, or a name not made yet
      continue;
    }
    if (!MayFollow(sys, st, at)) {
      why = QStringLiteral("%1 is a link that another user made; choose another name.")
                .arg(DisplayName(next));
      return {};
    }
    if (++links > kMaxLinkDepth) {
      why = Said(ELOOP, path);
      return {};
    }
    QByteArray to(PATH_MAX, '\0');
    const ssize_t n = sys.Readlink(Native(next).constData(), to.data(), to.size());
    if (n < 0) {
      why = Said(errno, path);
      return {};
    }
    to.truncate(n);
    if (to.startsWith('/')) at.clear();
    todo = NameFromNative(to).split(u'/', Qt::SkipEmptyParts) + todo;
  }
  return at.isEmpty() ? QStringLiteral("/") : at;
}

struct Guarded {
  QString path;
  QString what;
};

// The files a printout must never replace, the file being edited first.
std::vector<Guarded> GuardedFiles(const EditorState& s) {
  std::vector<Guarded> files;
  const auto add = [&files](const QString& file, const QString& what, const QString& backupOf) {
    if (file.isEmpty()) return;
    files.push_back({file, what});
    // Where a file's backup will be, whether or not there is one yet; a name
    // that only differs from its backup name in case keeps it under ".BAK"
    // appended on a file system that ignores case.
    const QString backup = BackupName(file);
    files.push_back({backup, backupOf});
    if (backup.compare(file, Qt::CaseInsensitive) == 0 && backup != file + QStringLiteral(".BAK")) {
      files.push_back({file + QStringLiteral(".BAK"), backupOf});
    }
  };
  add(s.Current.FileName, QStringLiteral("the file being edited"),
      QStringLiteral("the backup of the file being edited"));
  for (const FileState& f : s.OpenFiles) {
    if (f.FileName == s.Current.FileName) continue;
    add(f.FileName, QStringLiteral("another file open in Quellox"),
        QStringLiteral("the backup of another file open in Quellox"));
  }
  if (!s.ClipFile.isEmpty()) files.push_back({s.ClipFile, QStringLiteral("the clip file")});
  return files;
}

}  // namespace

QString PdfTargetRefusal(const EditorState& s, const QString& path, QString& target,
                         const QString& what) {
  SysCalls& sys = *s.Sys;
  QString why;
  target = TargetOf(sys, path, why);
  if (!why.isEmpty()) return why;
  struct stat st {};
  const bool exists = sys.Lstat(Native(target).constData(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    target.clear();
    return QStringLiteral("Couldn't write %1: it is not a file.").arg(path);
  }
  for (const Guarded& g : GuardedFiles(s)) {
    // By name for a file not made yet (a backup), by identity through a hard link.
    bool same = InRealDirectory(sys, g.path) == target;
    struct stat gs {};
    if (!same && exists && sys.Stat(Native(g.path).constData(), &gs) == 0) {
      same = gs.st_dev == st.st_dev && gs.st_ino == st.st_ino;
    }
    if (!same) continue;
    target.clear();
    const QString held = g.path == path ? g.what : g.what + QStringLiteral(", ") + g.path;
    return QStringLiteral("%1 is %2; choose another name for %3.").arg(path, held, what);
  }
  return {};
}

QString SuggestedOutputName(const EditorState& s, Platform& p, const QString& section,
                            const QString& key, const QString& fallback, const QString& suffix) {
  if (s.Current.FileName.isEmpty()) return {};
  struct stat st {};
  QString folder = p.ReadSetting(section, key, QString());
  if (folder.isEmpty() || s.Sys->Stat(Native(folder).constData(), &st) != 0 ||
      !S_ISDIR(st.st_mode)) {
    folder = fallback;
  }
  return QDir(folder).filePath(QFileInfo(s.Current.FileName).fileName() + suffix);
}

bool ChoosePrintOutput(const EditorState& s, Platform& p, PrintSetup& setup) {
  setup.outputFile.clear();
  if (setup.printer != kPdfPrinter) return true;
  // The file's own name with ".pdf", in the folder last used for PDFs.
  const QString suggested =
      SuggestedOutputName(s, p, kPrinterSection, kPdfFolderKey, QDir::homePath(), kPdfSuffix);
  const QString typed = p.SaveFileName(QStringLiteral("Print To PDF File"), suggested,
                                       QStringLiteral("PDF files (*.pdf)"));
  if (typed.isEmpty()) return false;
  QString path = QFileInfo(typed).absoluteFilePath();
  const bool suffixAdded = QFileInfo(path).suffix().isEmpty();
  if (suffixAdded) path += kPdfSuffix;
  QString target;
  const QString why = PdfTargetRefusal(s, path, target);
  if (!why.isEmpty()) {
    p.MessageBox(why, Buttons::Ok, Icon::Critical);
    return false;
  }
  // The chooser asked about the name as typed, not about this one.
  struct stat st {};
  if (suffixAdded && s.Sys->Lstat(Native(target).constData(), &st) == 0 &&
      p.MessageBox(
          QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(DisplayName(path)),
          Buttons::YesNo) != Answer::Yes)
    return false;
  // The link's end is replaced, not the link.
  setup.outputFile = target;
  p.WriteSetting(kPrinterSection, kPdfFolderKey, QFileInfo(path).absolutePath());
  return true;
}

void SayPdfWritten(Platform& p, const PrintSetup& setup) {
  p.ShowMessage(QStringLiteral("The PDF is written: %1").arg(DisplayName(setup.outputFile)));
}

bool ReplacingFile::Create(const QString& name, QString& error) {
  Discard();
  name_ = name;
  const auto fail = [&](int e) {
    error = QStringLiteral("Couldn't write %1: %2").arg(name_, Reason(e));
    Discard();
    return false;
  };
  struct stat old {};
  const bool replacing = sys_.Stat(Native(name).constData(), &old) == 0 && S_ISREG(old.st_mode);
  QByteArray pattern = Native(DirectoryOf(name) + QStringLiteral("/qxtmpXXXXXX"));
  fd_ = sys_.CreateTemp(pattern.data());
  if (fd_ < 0) return fail(errno);
  temp_ = NameFromNative(pattern);
  device_ = std::make_unique<CheckedWriteDevice>(sys_, fd_);
  if (sys_.Flock(fd_, LOCK_EX | LOCK_NB) != 0) return fail(errno);
  if (sys_.Fchmod(fd_, replacing ? old.st_mode & 07777 : NewFileMode()) != 0) return fail(errno);
  return true;
}

QString ReplacingFile::WriteFailure() const {
  if (!device_ || device_->Failure() == 0) return {};
  return QStringLiteral("Couldn't write the PDF %1: %2")
      .arg(DisplayName(name_), Reason(device_->Failure()));
}

bool ReplacingFile::Commit(QString& error) {
  const auto fail = [&](const QString& why) {
    error = QStringLiteral("Couldn't write %1: %2\nNothing was written to it.").arg(name_, why);
    Discard();
    return false;
  };
  if (fd_ < 0) return fail(QStringLiteral("the new file is not open"));
  error = WriteFailure();
  if (!error.isEmpty()) {
    Discard();
    return false;
  }
  if (sys_.Fsync(fd_) != 0) return fail(Reason(errno));
  // The name must still be the file written, not something put in its place.
  struct stat mine {};
  struct stat named {};
  if (sys_.Fstat(fd_, &mine) != 0) return fail(Reason(errno));
  if (sys_.Lstat(Native(temp_).constData(), &named) != 0 || !S_ISREG(named.st_mode) ||
      named.st_dev != mine.st_dev || named.st_ino != mine.st_ino) {
    temp_.clear();  // not ours to delete
    return fail(QStringLiteral("the new file was removed or replaced while it was written"));
  }
  // A writer that lost bytes without a word leaves a PDF without its end.
  if (mine.st_size != device_->Written() || !EndsAsPdf(mine.st_size)) {
    error =
        QStringLiteral("Couldn't write the PDF %1: it does not end with %%EOF as a whole PDF does")
            .arg(DisplayName(name_));
    Discard();
    return false;
  }
  if (sys_.Rename(Native(temp_).constData(), Native(name_).constData()) != 0) {
    return fail(Reason(errno));
  }
  temp_.clear();
  CloseFile();
  SyncDirectoryOf(sys_, name_);
  return true;
}

void ReplacingFile::Discard() {
  CloseFile();
  if (!temp_.isEmpty()) (void)sys_.Unlink(Native(temp_).constData());
  temp_.clear();
}

bool ReplacingFile::EndsAsPdf(std::int64_t size) const {
  char tail[8];
  const std::int64_t n = std::min<std::int64_t>(size, sizeof tail);
  if (sys_.Pread(fd_, tail, static_cast<std::size_t>(n), size - n) != n) return false;
  QByteArray end(tail, static_cast<qsizetype>(n));
  while (end.endsWith('\n') || end.endsWith('\r')) end.chop(1);
  return end.endsWith("%%EOF");
}

void ReplacingFile::CloseFile() {
  // Nothing more may reach the descriptor's number once it is closed.
  if (device_) device_->close();
  if (fd_ >= 0) (void)sys_.Close(fd_);
  fd_ = -1;
}

}  // namespace qx
