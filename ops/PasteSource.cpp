#include "ops/PasteSource.h"

#include "ops/CutCopy.h"

namespace qx {

bool OpenPasteSource(IO& io, const QString& typed, BinaryFile& source) {
  EditorState& s = io.State();
  const QString path = BlockFilePath(s, typed);
  if (typed.isEmpty() && !IO::FileExists(path)) {
    io.Plat().MessageBox(QStringLiteral("Nothing cut or copied"));
    return false;
  }
  if (!IO::FileExists(path)) {
    io.Plat().MessageBox(
        QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") + IO::WhyMissing(path),
        Buttons::Ok, Icon::Critical);
    return false;
  }
  if (!source.Open(path, false, *s.Sys)) {
    io.Plat().MessageBox(
        QStringLiteral("Couldn't open ") + path + QStringLiteral(": ") + source.Error(),
        Buttons::Ok, Icon::Critical);
    return false;
  }
  return true;
}

}  // namespace qx
