// The PDF printer's file: the name the user gives it, checked so that a
// printout never replaces a file the editor holds, and the new file that is
// written beside that name and takes it only once the job is complete.
#pragma once

#include <QString>
#include <memory>

#include "core/Declare.h"
#include "core/SysCalls.h"
#include "platform/Platform.h"
#include "platform/Printing.h"
#include "print/CheckedWriteDevice.h"

namespace qx {

// Why a PDF may not be written to path (an absolute name, as it will be
// written): it leads through a link that another user made in a shared
// folder (the kernel's protected_symlinks rule, which the system may not
// enforce), or it is, through any link, an open file, the backup of one,
// the clip file, or not a file at all. Empty when it may; target is then
// the file the name leads to: links followed to their end (a link to a name
// that does not exist yet leads to that name), the directory without links.
// what names the file in the refusal ("the PDF", "the CSV file").
QString PdfTargetRefusal(const EditorState& s, const QString& path, QString& target,
                         const QString& what = QStringLiteral("the PDF"));

// The name a save dialog first offers: the current file's name with suffix
// in the folder kept under section/key when it is still a folder, else in
// fallback; empty without a current file.
QString SuggestedOutputName(const EditorState& s, Platform& p, const QString& section,
                            const QString& key, const QString& fallback, const QString& suffix);

// Completes setup for its printer: the PDF printer asks for the file's name
// and checks it, and outputFile becomes the file to write; other printers
// need no file. False when nothing is to be printed: the user cancelled the
// name, or was told why it was refused.
[[nodiscard]] bool ChoosePrintOutput(const EditorState& s, Platform& p, PrintSetup& setup);

// The notice that a PDF job is done, with the file's path.
void SayPdfWritten(Platform& p, const PrintSetup& setup);

// A new file beside name that is renamed over it only when complete, so that
// a failed job never leaves a half-written or a missing file under the name.
// It is created exclusively (never an existing file) and locked, like the
// temporary files of whole-file operations, so that one left by a killed
// program is offered for deletion. Deleted unless committed.
class ReplacingFile {
 public:
  explicit ReplacingFile(SysCalls& sys = SysCalls::Real()) : sys_(sys) {}
  ~ReplacingFile() { Discard(); }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The new file gets the permissions of the file it will replace, or a new
  // file's under the user's umask. False, with error, when it cannot be made.
  [[nodiscard]] bool Create(const QString& name, QString& error);
  // Where the PDF is written, once Create succeeded; every write is checked.
  QIODevice& Device() { return *device_; }
  const QString& TempPath() const { return temp_; }
  const QString& Name() const { return name_; }
  // Why the PDF cannot be whole: a write to Device failed. Empty while none did.
  QString WriteFailure() const;
  // Checks that every write went through and the file ends as a PDF does
  // (%%EOF), syncs it, renames it over the name and syncs the directory.
  // On failure the new file is deleted and the name keeps what it held.
  [[nodiscard]] bool Commit(QString& error);
  void Discard();

 private:
  void CloseFile();
  bool EndsAsPdf(std::int64_t size) const;

  SysCalls& sys_;
  QString name_;
  QString temp_;
  int fd_ = -1;
  std::unique_ptr<CheckedWriteDevice> device_;
};

}  // namespace qx
