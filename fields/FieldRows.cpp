#include "fields/FieldRows.h"

#include <algorithm>

#include "core/CharacterSet.h"
#include "core/Declare.h"
#include "core/ValueFormat.h"
#include "fields/ByField.h"
#include "fields/FieldCodec.h"
#include "fields/FileLayouts.h"
#include "input/Typing.h"

namespace qx {

namespace {

// The record's bytes as the screen of the view showing holds them; short
// when the file ends inside the record.
std::vector<std::uint8_t> ScreenRecord(const EditorState& s, std::int64_t start, int length) {
  const FileState& c = s.Current;
  const auto n = static_cast<int>(std::clamp<std::int64_t>(s.WorkingLength - start, 0, length));
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
  if (n > 0 && s.File1.ReadAt(c.WorkingBase + start, bytes.data(), n) != n) return {};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (const auto b = ScreenByte(s, start + static_cast<std::int64_t>(i))) bytes[i] = *b;
  }
  return bytes;
}

}  // namespace

FieldRows RowsAtCursor(const EditorState& s, const FileLayouts& layouts) {
  FieldRows out;
  const RecordKind* kind = layouts.Kind(s);
  const FileState& c = s.Current;
  if (!kind || c.RecordLength < 1) return out;
  const std::int64_t column = c.CursorOffset % c.RecordLength;
  out.recordStart = c.CursorOffset - column;
  const std::vector<std::uint8_t> bytes = ScreenRecord(s, out.recordStart, kind->length);
  const CharacterSet& set = CharacterSetOf(c.CharSet);
  const LayoutChoices choices = ChoicesOf(c.Layout);
  std::vector<FieldValue> values;
  for (const LayoutField& f : kind->fields) {
    const auto from = static_cast<std::size_t>(f.offset);
    const bool whole = from + static_cast<std::size_t>(f.type.length) <= bytes.size();
    values.push_back(
        whole ? DecodeField(f.type, std::span(bytes).subspan(from, f.type.length), set, choices)
              : FieldValue{});
  }
  // The copies past the count each table's record holds are unused.
  std::vector<std::pair<int, int>> unused;
  for (const VariableTable& t : kind->tables) {
    const auto object = std::find_if(kind->fields.begin(), kind->fields.end(),
                                     [&](const LayoutField& f) { return f.name == t.object; });
    if (object == kind->fields.end()) continue;
    const FieldValue& v = values[static_cast<std::size_t>(object - kind->fields.begin())];
    bool ok = false;
    const int count = QString(v.text).remove(QLatin1Char(',')).toInt(&ok);
    if (v.state == FieldValue::State::Value && ok && count < t.maximum) {
      unused.emplace_back(t.offset + std::max(count, 0) * t.stride,
                          t.offset + t.maximum * t.stride);
    }
  }
  const LayoutField* atCursor = FieldAt(*kind, column);
  std::vector<int> areas;
  for (std::size_t i = 0; i < kind->fields.size(); ++i) {
    const LayoutField& f = kind->fields[i];
    if (!InUse(*kind, f)) continue;
    if (&f == atCursor) out.cursor = static_cast<int>(out.rows.size());
    const auto from = static_cast<std::size_t>(f.offset);
    const bool whole = from + static_cast<std::size_t>(f.type.length) <= bytes.size();
    QByteArray hex;
    if (whole) {
      hex = QByteArray(reinterpret_cast<const char*>(bytes.data() + from), f.type.length)
                .toHex(' ')
                .toUpper();
    }
    const bool off = std::any_of(unused.begin(), unused.end(), [&](const auto& u) {
      return f.offset >= u.first && f.offset < u.second;
    });
    out.rows.push_back({f.name, f.offset, f.type.length, f.written,
                        whole ? FieldValueText(values[i]) : kTooShort, QString::fromLatin1(hex),
                        off});
    // The first row of an area's alternative in use carries its choice.
    for (const Alternative& a : f.within) {
      if (out.rows.back().area < 0 && !std::count(areas.begin(), areas.end(), a.area)) {
        out.rows.back().area = a.area;
        out.rows.back().alternatives = kind->areas[static_cast<std::size_t>(a.area)].alternatives;
        out.rows.back().alternative = a.index;
        areas.push_back(a.area);
      }
    }
  }
  return out;
}

}  // namespace qx
