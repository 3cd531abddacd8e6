#include "core/Declare.h"

namespace qx {

std::int64_t RecordCountFor(std::int64_t length, std::int64_t recordLength) {
  if (recordLength < 1 || length < 1) return 0;
  return length / recordLength + (length % recordLength > 0 ? 1 : 0);
}

void ClearMarks(EditorState& s) {
  s.Current.MarkTable.fill(MarkEntry{});
}

}  // namespace qx
