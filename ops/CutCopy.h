// Cut and Copy: a range of bytes, counted from the working base, to the
// clip file or a named file; Cut also removes it from the file through the
// whole-file commit, so that Undo brings it back.
#pragma once

#include <QString>
#include <cstdint>

#include "core/IO.h"

namespace qx {

inline const QString kNeedStartAndEnd = QStringLiteral("You must enter starting and ending points");

struct ByteRange {
  std::int64_t start = 0;  // both relative to the working base, both included
  std::int64_t end = -1;
};

enum class RangeCheck {
  Ok,
  EmptyBox,   // a box is empty or holds no whole number: say so, stay open
  NotInFile,  // start past the last byte, or end before start: close quietly
};

struct RangeFields {
  RangeCheck check = RangeCheck::Ok;
  int box = 0;  // the box at fault: 0 start, 1 end
  ByteRange range;
};

// Reads the start and end boxes: a negative start counts as 0, an end past
// the last byte as the last byte.
RangeFields GetRange(const EditorState& s, const QString& startText, const QString& endText);

// The target or source a path box names: the clip file when it is empty; a
// relative path names a file in the current directory.
QString BlockFilePath(const EditorState& s, const QString& typed);

// Writes the range to target whole, then removes it from the file. When
// either cannot be done, the message says why and neither the file nor the
// target changes. True when the cut was committed.
bool CutFile(IO& io, const ByteRange& range, const QString& target);

// Writes the range to target whole, or leaves the target as it was.
bool CopyFile(IO& io, const ByteRange& range, const QString& target);

}  // namespace qx
