#include "ops/CutCopy.h"

#include <QDir>
#include <QFileInfo>

#include "core/TempFileWriter.h"
#include "input/Utility.h"
#include "ops/BlockTarget.h"

namespace qx {

RangeFields GetRange(const EditorState& s, const QString& startText, const QString& endText) {
  RangeFields f;
  const std::optional<std::int64_t> start = ReadNumber(startText);
  const std::optional<std::int64_t> end = ReadNumber(endText);
  if (!start || !end) {
    f.check = RangeCheck::EmptyBox;
    f.box = start ? 1 : 0;
    return f;
  }
  f.range.start = std::max<std::int64_t>(*start, 0);
  f.range.end = std::min(*end, s.WorkingLength - 1);
  if (f.range.start >= s.WorkingLength || *end < f.range.start) f.check = RangeCheck::NotInFile;
  return f;
}

QString BlockFilePath(const EditorState& s, const QString& typed) {
  if (typed.isEmpty()) return s.ClipFile;
  return QFileInfo(QDir::current(), typed).absoluteFilePath();
}

bool CutFile(IO& io, const ByteRange& range, const QString& target) {
  if (io.BusyRefused()) return false;
  EditorState& s = io.State();
  // The rewrite reads the file, so an unsaved page edit would be lost.
  if (s.Dirty) io.CheckDirty();
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) return false;
  BlockTarget to;
  if (!to.Begin(io, target, true)) {
    io.SayLeftovers({out.Discard()});
    return false;
  }
  const std::int64_t first = s.Current.WorkingBase + range.start;
  const std::int64_t last = s.Current.WorkingBase + range.end;
  if (!io.CopyRange(out, 0, first - 1) || !io.CopyRange(to.Out(), first, last) ||
      !io.CopyRange(out, last + 1, s.FileLength - 1)) {
    const QString why = out.Failed() ? out.Error() : to.Out().Error();
    io.Plat().MessageBox(why + QStringLiteral("\nOperation aborted; the file was not changed."),
                         Buttons::Ok, Icon::Critical);
    io.SayLeftovers({out.Discard(), to.Out().Discard()});
    (void)io.RefuseIfChanged();
    return false;
  }
  // The range leaves the file only once it is safe in the target; the
  // target's old content is set aside until the file's own commit is done.
  if (!to.Commit(io, true)) {
    io.SayLeftovers({out.Discard()});
    return false;
  }
  if (io.CommitFileOperation(out)) {
    to.Forget(io);
    return true;
  }
  const QString why = to.Restore(io);
  io.Plat().MessageBox(
      why.isEmpty()
          ? QStringLiteral("Nothing was cut: %1 and %2 are as they were.")
                .arg(s.Current.FileName, to.Path())
          : QStringLiteral("Nothing was cut: %1 is as it was, but %2").arg(s.Current.FileName, why),
      Buttons::Ok, Icon::Critical);
  return false;
}

bool CopyFile(IO& io, const ByteRange& range, const QString& target) {
  if (io.BusyRefused()) return false;
  EditorState& s = io.State();
  if (io.RefuseIfChanged()) return false;
  // The bytes stay in the file: the copy need not wait for the disk.
  BlockTarget to;
  if (!to.Begin(io, target, false)) return false;
  const std::int64_t base = s.Current.WorkingBase;
  if (!io.CopyRange(to.Out(), base + range.start, base + range.end)) {
    io.Plat().MessageBox(
        to.Out().Error() + QStringLiteral("\nNothing was written to %1.").arg(to.Path()),
        Buttons::Ok, Icon::Critical);
    io.SayLeftovers({to.Out().Discard()});
    (void)io.RefuseIfChanged();
    return false;
  }
  return to.Commit(io);
}

}  // namespace qx
