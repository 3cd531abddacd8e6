#include "fields/ByField.h"

#include <algorithm>
#include <vector>

#include "core/CharacterSet.h"
#include "fields/FieldCodec.h"
#include "fields/FileLayouts.h"
#include "input/Typing.h"

namespace qx {

namespace {

// The first bytes of the fields in use within a record, in order, once each.
std::vector<std::int64_t> FieldStarts(const RecordKind& kind, int recordLength) {
  std::vector<std::int64_t> starts;
  for (const LayoutField& f : kind.fields) {
    if (InUse(kind, f) && f.offset < recordLength) starts.push_back(f.offset);
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

std::optional<std::vector<std::uint8_t>> ScreenBytes(const EditorState& s, std::int64_t start,
                                                     int length) {
  std::vector<std::uint8_t> bytes;
  for (std::int64_t at = start; at < start + length; ++at) {
    const std::optional<std::uint8_t> b = ScreenByte(s, at);
    if (!b) return std::nullopt;
    bytes.push_back(*b);
  }
  return bytes;
}

}  // namespace

bool InUse(const RecordKind& kind, const LayoutField& f) {
  const bool chosen = FitsAreas(kind, kind.chosen);
  return std::all_of(f.within.begin(), f.within.end(), [&](const Alternative& a) {
    return a.index == (chosen ? kind.chosen[static_cast<std::size_t>(a.area)] : 0);
  });
}

bool FitsAreas(const RecordKind& kind, const std::vector<int>& alternatives) {
  if (alternatives.size() != kind.areas.size()) return false;
  for (std::size_t i = 0; i < alternatives.size(); ++i) {
    if (alternatives[i] < 0 || alternatives[i] >= std::ssize(kind.areas[i].alternatives))
      return false;
  }
  return true;
}

const LayoutField* FieldAt(const RecordKind& kind, std::int64_t column) {
  const auto f = std::find_if(kind.fields.begin(), kind.fields.end(), [&](const LayoutField& f) {
    return InUse(kind, f) && column >= f.offset && column < f.offset + f.type.length;
  });
  return f == kind.fields.end() ? nullptr : &*f;
}

std::int64_t MoveByField(const RecordKind& kind, int recordLength, std::int64_t workingLength,
                         std::int64_t offset, bool forward) {
  const std::vector<std::int64_t> starts = FieldStarts(kind, recordLength);
  if (recordLength < 1 || starts.empty() || offset < 0 || offset >= workingLength) return offset;
  const std::int64_t record = offset / recordLength;
  const std::int64_t column = offset % recordLength;
  std::int64_t to = offset;
  if (forward) {
    const auto next = std::upper_bound(starts.begin(), starts.end(), column);
    to = next != starts.end() ? record * recordLength + *next
                              : (record + 1) * recordLength + starts.front();
  } else {
    const auto next = std::lower_bound(starts.begin(), starts.end(), column);
    if (next != starts.begin()) {
      to = record * recordLength + *std::prev(next);
    } else if (record > 0) {
      to = (record - 1) * recordLength + starts.back();
    }
  }
  return to < workingLength ? to : offset;
}

std::optional<QString> FieldEditText(const EditorState& s, const LayoutField& field,
                                     std::int64_t start) {
  const auto bytes = ScreenBytes(s, start, field.type.length);
  if (!bytes) return std::nullopt;
  const FieldValue v = DecodeField(field.type, *bytes, CharacterSetOf(s.Current.CharSet),
                                   ChoicesOf(s.Current.Layout));
  return v.state == FieldValue::State::Invalid ? QStringLiteral("invalid") : v.text;
}

QString FieldOutOfReach(const EditorState& s, const LayoutField& field, std::int64_t start) {
  if (s.WorkingLength - start < field.type.length)
    return QStringLiteral("%1 runs past the end of the file").arg(field.name);
  // Its bytes would go into the next record.
  if (field.offset + field.type.length > s.Current.RecordLength)
    return QStringLiteral("%1 runs past the end of the record").arg(field.name);
  return {};
}

QString ChangeFieldValue(EditorState& s, const LayoutField& field, std::int64_t start,
                         const QString& text) {
  if (const QString refusal = FieldOutOfReach(s, field, start); !refusal.isEmpty()) return refusal;
  // Typing never writes past the screen; neither does a value.
  if (!ScreenBytes(s, start, field.type.length))
    return QStringLiteral("%1 is not on the screen").arg(field.name);
  auto encoded = EncodeField(field.type, text, CharacterSetOf(s.Current.CharSet),
                             ChoicesOf(s.Current.Layout), field.name);
  if (const auto* refusal = std::get_if<QString>(&encoded)) return *refusal;
  const auto& bytes = std::get<std::vector<std::uint8_t>>(encoded);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    SetScreenByte(s, start + static_cast<std::int64_t>(i), bytes[i]);
  return {};
}

}  // namespace qx
