#include "print/PdfOutput.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
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

// path with its directory's links resolved; the last name stays as it is.
QString InRealDirectory(const QString& path) {
  const QFileInfo info(path);
  const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
  return dir.isEmpty() ? info.absoluteFilePath() : QDir(dir).filePath(info.fileName());
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

QString PdfTargetOf(const QString& path) {
  QString at = QFileInfo(path).absoluteFilePath();
  for (int i = 0; i < kMaxLinkDepth; ++i) {
    const QFileInfo info(at);
    if (!info.isSymLink()) break;
    at = info.symLinkTarget();
  }
  return InRealDirectory(at);
}

QString PdfTargetRefusal(const EditorState& s, const QString& path) {
  const QString target = PdfTargetOf(path);
  struct stat st {};
  const bool exists = ::stat(Native(target).constData(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    return QStringLiteral("Couldn't write %1: it is not a file.").arg(path);
  }
  for (const Guarded& g : GuardedFiles(s)) {
    // By name for a file not made yet (a backup), by identity through a hard link.
    bool same = InRealDirectory(g.path) == target;
    struct stat gs {};
    if (!same && exists && ::stat(Native(g.path).constData(), &gs) == 0) {
      same = gs.st_dev == st.st_dev && gs.st_ino == st.st_ino;
    }
    if (!same) continue;
    const QString what = g.path == path ? g.what : g.what + QStringLiteral(", ") + g.path;
    return QStringLiteral("%1 is %2; choose another name for the PDF.").arg(path, what);
  }
  return {};
}

bool ChoosePrintOutput(const EditorState& s, Platform& p, PrintSetup& setup) {
  setup.outputFile.clear();
  if (setup.printer != kPdfPrinter) return true;
  // The file's own name with ".pdf", in the folder last used for PDFs.
  QString folder = p.ReadSetting(kPrinterSection, kPdfFolderKey, QString());
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  const QString suggested =
      s.Current.FileName.isEmpty()
          ? QString()
          : QDir(folder).filePath(QFileInfo(s.Current.FileName).fileName() + kPdfSuffix);
  const QString typed = p.SaveFileName(QStringLiteral("Print To PDF File"), suggested,
                                       QStringLiteral("PDF files (*.pdf)"));
  if (typed.isEmpty()) return false;
  QString path = QFileInfo(typed).absoluteFilePath();
  const bool suffixAdded = QFileInfo(path).suffix().isEmpty();
  if (suffixAdded) path += kPdfSuffix;
  const QString why = PdfTargetRefusal(s, path);
  if (!why.isEmpty()) {
    p.MessageBox(why, Buttons::Ok, Icon::Critical);
    return false;
  }
  // The chooser asked about the name as typed, not about this one.
  if (suffixAdded && QFileInfo::exists(path) &&
      p.MessageBox(
          QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(DisplayName(path)),
          Buttons::YesNo) != Answer::Yes)
    return false;
  // The link's end is replaced, not the link.
  setup.outputFile = PdfTargetOf(path);
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
  const bool replacing = ::stat(Native(name).constData(), &old) == 0 && S_ISREG(old.st_mode);
  QByteArray pattern = Native(DirectoryOf(name) + QStringLiteral("/qxtmpXXXXXX"));
  fd_ = sys_.CreateTemp(pattern.data());
  if (fd_ < 0) return fail(errno);
  temp_ = NameFromNative(pattern);
  if (sys_.Flock(fd_, LOCK_EX | LOCK_NB) != 0) return fail(errno);
  if (sys_.Fchmod(fd_, replacing ? old.st_mode & 07777 : NewFileMode()) != 0) return fail(errno);
  return true;
}

bool ReplacingFile::Commit(QString& error) {
  const auto fail = [&](const QString& why) {
    error = QStringLiteral("Couldn't write %1: %2\nNothing was written to it.").arg(name_, why);
    Discard();
    return false;
  };
  if (fd_ < 0) return fail(QStringLiteral("the new file is not open"));
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

void ReplacingFile::CloseFile() {
  if (fd_ >= 0) (void)sys_.Close(fd_);
  fd_ = -1;
}

}  // namespace qx
