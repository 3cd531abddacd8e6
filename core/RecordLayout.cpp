#include "core/RecordLayout.h"

#include <algorithm>

#include "core/Declare.h"
#include "core/ScrollMath.h"

namespace qx {

namespace {

std::int64_t Length(int recordLength) {
  return std::max(recordLength, 1);
}

}  // namespace

RecordPosition PositionOf(std::int64_t offset, int recordLength) {
  const std::int64_t l = Length(recordLength);
  return {offset / l, static_cast<int>(offset % l)};
}

ByteSpan RecordBytes(std::int64_t record, int recordLength, std::int64_t workingLength) {
  const std::int64_t l = Length(recordLength);
  const std::int64_t end = std::max<std::int64_t>(workingLength, 0);
  const std::int64_t start = std::min(record * l, end);
  return {start, std::min(start + l, end) - start};
}

std::optional<std::int64_t> RecordScreen::OffsetAt(int row, int column) const {
  if (row < 0 || row >= Rows || column < 0 || column >= Columns) return std::nullopt;
  const std::int64_t recordColumn = static_cast<std::int64_t>(FirstColumn) + column;
  if (recordColumn >= Length(RecordLength)) return std::nullopt;
  const std::int64_t offset = (TopRecord + row) * Length(RecordLength) + recordColumn;
  if (offset >= WorkingLength) return std::nullopt;
  return offset;
}

std::optional<RecordPosition> RecordScreen::CellOf(std::int64_t offset) const {
  if (offset < 0 || offset >= WorkingLength) return std::nullopt;
  const RecordPosition p = PositionOf(offset, RecordLength);
  const std::int64_t row = p.Record - TopRecord;
  const int column = p.Column - FirstColumn;
  if (row < 0 || row >= Rows || column < 0 || column >= Columns) return std::nullopt;
  return RecordPosition{row, column};
}

ByteSpan RecordScreen::ReadSpan() const {
  const std::int64_t l = Length(RecordLength);
  const std::int64_t end = std::max<std::int64_t>(WorkingLength, 0);
  const std::int64_t start = std::min(TopRecord * l, end);
  return {start, std::min((TopRecord + std::max(Rows, 0)) * l, end) - start};
}

std::int64_t MoveInRecords(RecordMove move, std::int64_t offset, int recordLength,
                           std::int64_t workingLength, int pageRows) {
  if (workingLength < 1) return 0;
  const std::int64_t l = Length(recordLength);
  const std::int64_t last = workingLength - 1;
  offset = std::clamp<std::int64_t>(offset, 0, last);
  const std::int64_t start = offset / l * l;
  // A move by records keeps the column; it never passes the first or last record.
  const auto byRecords = [&](std::int64_t records) {
    const std::int64_t lastRecord = last / l;
    const std::int64_t record = std::clamp<std::int64_t>(offset / l + records, 0, lastRecord);
    return std::min(record * l + offset % l, last);
  };
  switch (move) {
    case RecordMove::Left:
      return std::max<std::int64_t>(offset - 1, 0);
    case RecordMove::Right:
      return std::min(offset + 1, last);
    case RecordMove::Up:
      return offset < l ? offset : byRecords(-1);
    case RecordMove::Down:
      return start + l > last ? offset : byRecords(1);
    case RecordMove::Home:
      return start;
    case RecordMove::End:
      return std::min(start + l - 1, last);
    case RecordMove::PageUp:
      return byRecords(-std::max(pageRows, 1));
    case RecordMove::PageDown:
      return byRecords(std::max(pageRows, 1));
  }
  return offset;
}

std::int64_t FirstToShow(std::int64_t item, std::int64_t first, std::int64_t visible) {
  visible = std::max<std::int64_t>(visible, 1);
  if (item < first) return item;
  if (item >= first + visible) return item - visible + 1;
  return first;
}

std::int64_t TopAfterPage(std::int64_t topRecord, int direction, int rows,
                          std::int64_t recordCount) {
  const std::int64_t top = topRecord + static_cast<std::int64_t>(direction) * std::max(rows, 1);
  return std::clamp<std::int64_t>(top, 0, std::max<std::int64_t>(recordCount - 1, 0));
}

int BarValueForTopRecord(std::int64_t topRecord, std::int64_t recordCount) {
  return BarValueForTop(topRecord, recordCount);
}

std::int64_t TopRecordForBar(int barValue, std::int64_t recordCount) {
  if (recordCount < 1) return 0;
  return TopForThumb(barValue, static_cast<double>(recordCount) / kScrollMax, recordCount);
}

int MaxFirstColumn(int recordLength, int columns) {
  return static_cast<int>(std::max<std::int64_t>(Length(recordLength) - std::max(columns, 1), 0));
}

std::optional<ByteSpan> SaveSpan(const std::vector<bool>& edited) {
  const auto first = std::find(edited.begin(), edited.end(), true);
  if (first == edited.end()) return std::nullopt;
  const auto end = edited.rend() - std::find(edited.rbegin(), edited.rend(), true);
  const std::int64_t lo = first - edited.begin();
  return ByteSpan{lo, end - lo};
}

std::string RulerText(int firstColumn, int columns, int recordLength) {
  const std::int64_t length = Length(recordLength);
  const std::int64_t first = std::max(firstColumn, 0);
  const std::int64_t end = first + std::max(columns, 0);
  std::string text(static_cast<std::size_t>(end - first), ' ');
  // A number starts at most five columns (32760) before the left edge.
  for (std::int64_t c = std::max<std::int64_t>(first / 10 * 10 - 10, 0); c < end && c < length;) {
    if (c % 10 == 0) {
      const std::string number = std::to_string(c);
      for (std::size_t i = 0; i < number.size(); ++i) {
        const std::int64_t at = c + static_cast<std::int64_t>(i);
        if (at >= first && at < end && at < length)
          text[static_cast<std::size_t>(at - first)] = number[i];
      }
      c += static_cast<std::int64_t>(number.size());
      continue;
    }
    if (c >= first) text[static_cast<std::size_t>(c - first)] = c % 5 == 0 ? '+' : '.';
    ++c;
  }
  return text;
}

}  // namespace qx
