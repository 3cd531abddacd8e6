#include "ops/RecordRange.h"

#include <algorithm>
#include <optional>

#include "input/Utility.h"

namespace qx {

RecordFields ReadRecordFields(const EditorState& s, const QString& from, const QString& to,
                              const QString& start, const QString* end) {
  RecordFields f;
  const std::optional<std::int64_t> numbers[] = {
      ReadNumber(from), ReadNumber(to), ReadNumber(start),
      end ? ReadNumber(*end) : std::optional<std::int64_t>(0)};
  for (int box = kFromBox; box <= kEndBox; ++box) {
    if (!numbers[box]) {
      f.check = RecordCheck::EmptyBox;
      f.box = box;
      return f;
    }
  }
  const std::int64_t lastRecord = std::max<std::int64_t>(s.RecordCount - 1, 0);
  const std::int64_t lastByte = std::max<std::int64_t>(s.Current.RecordLength - 1, 0);
  RecordRange& r = f.range;
  r.to = std::clamp<std::int64_t>(*numbers[kToBox], 0, lastRecord);
  r.from = std::max<std::int64_t>(*numbers[kFromBox], 0);
  if (end) {
    r.endOffset = std::clamp<std::int64_t>(*numbers[kEndBox], 0, lastByte);
    r.startOffset = std::max<std::int64_t>(*numbers[kStartBox], 0);
  } else {
    r.startOffset = std::clamp<std::int64_t>(*numbers[kStartBox], 0, lastByte);
    r.endOffset = r.startOffset;
  }
  if (r.from > r.to || r.startOffset > r.endOffset) f.check = RecordCheck::Reversed;
  return f;
}

std::int64_t RecordByte(const EditorState& s, std::int64_t r, std::int64_t offset) {
  return AddClamped(AddClamped(s.Current.WorkingBase, r * s.Current.RecordLength), offset);
}

}  // namespace qx
