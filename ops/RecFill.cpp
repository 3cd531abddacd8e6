#include "ops/RecFill.h"

#include <algorithm>

#include "fields/FieldCodec.h"
#include "fields/FileLayouts.h"
#include "input/Utility.h"
#include "search/Search.h"

namespace qx {

std::vector<std::uint8_t> FieldImage(const std::vector<std::uint8_t>& pattern, std::int64_t n) {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
  if (pattern.empty()) return image;
  for (std::size_t j = 0; j < image.size(); ++j) image[j] = pattern[j % pattern.size()];
  return image;
}

RecFillResult FillRecords(IO& io, const std::vector<std::uint8_t>& pattern, FillKind kind,
                          const RecordRange& range, ProgressBar* bar, const PatchOptions& opt) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.BusyRefused() || io.ReadOnlyRefused()) return {RecFillStatus::Failed, 0};
  if (pattern.empty()) {
    p.MessageBox(kMustEnterValues, Buttons::Ok, Icon::None, QString());
    return {RecFillStatus::Failed, 0};
  }
  s.SearchType = kind == FillKind::Hex ? kSearchHex : kSearchAscii;

  // The same clamps as the boxes: a field never reaches into the next record.
  const std::int64_t length = s.Current.RecordLength;
  const std::int64_t from = std::max<std::int64_t>(range.from, 0);
  const std::int64_t to = std::min(range.to, s.RecordCount - 1);
  const std::int64_t start = std::max<std::int64_t>(range.startOffset, 0);
  const std::int64_t end = std::min(range.endOffset, length - 1);
  if (s.WorkingLength < 1 || from > to || start > end) return {};

  // Another program's bytes are never overwritten with a fill meant for
  // the file as the editor saw it.
  if (io.RefuseIfChanged()) return {RecFillStatus::Failed, 0};
  // An unsaved page edit would vanish when the page is read again.
  if (s.Dirty) io.CheckDirty();

  const std::vector<std::uint8_t> image = FieldImage(pattern, end - start + 1);
  const PatchResult patched = PatchRecords(io, from, to, start, image, bar, opt);
  const RecordRange done{from, to, start, end};
  switch (patched.status) {
    case PatchStatus::Done:
      return {RecFillStatus::Done, patched.records};
    case PatchStatus::Cancelled:
      p.MessageBox(QStringLiteral("Record fill cancelled. %1")
                       .arg(HowFar(done.from, patched, QStringLiteral("filled"))),
                   Buttons::Ok, Icon::None, QString());
      return {RecFillStatus::Cancelled, patched.records};
    case PatchStatus::Failed:
      break;
  }
  p.MessageBox(QStringLiteral("%1\n%2").arg(patched.error,
                                            HowFar(done.from, patched, QStringLiteral("filled"))),
               Buttons::Ok, Icon::Critical);
  return {RecFillStatus::Failed, patched.records};
}

}  // namespace qx

namespace qx {

RecFillResult FillRecordsByValue(IO& io, const LayoutField& field, const QString& value,
                                 const RecordRange& range, ProgressBar* bar,
                                 const PatchOptions& opt) {
  EditorState& s = io.State();
  if (io.BusyRefused() || io.ReadOnlyRefused()) return {RecFillStatus::Failed, 0};
  const std::int64_t length = s.Current.RecordLength;
  QString why;
  std::vector<std::uint8_t> bytes;
  if (field.type.storage == Storage::Text) {
    why = QStringLiteral("%1 is not a numeric field").arg(field.name);
  } else if (field.offset + field.type.length > length) {
    why = QStringLiteral("%1 runs past the end of the record").arg(field.name);
  } else {
    auto encoded = EncodeField(field.type, value, CharacterSetOf(s.Current.CharSet),
                               ChoicesOf(s.Current.Layout), field.name);
    if (QString* refused = std::get_if<QString>(&encoded)) {
      why = *refused;
    } else {
      bytes = std::get<std::vector<std::uint8_t>>(std::move(encoded));
    }
  }
  if (!why.isEmpty()) {
    io.Plat().MessageBox(why, Buttons::Ok, Icon::None, QString());
    return {RecFillStatus::Failed, 0};
  }
  RecordRange fieldRange = range;
  fieldRange.startOffset = field.offset;
  fieldRange.endOffset = field.offset + field.type.length - 1;
  const std::int64_t room = s.WorkingLength - field.offset - field.type.length;
  fieldRange.to = std::min(range.to, room < 0 ? -1 : room / length);
  const RecFillResult result = FillRecords(io, bytes, FillKind::Hex, fieldRange, bar, opt);
  // The value search that Find then offers, and F4 runs, is this one: its
  // kind alone would read the last search's text as a number.
  s.SearchType = kSearchValue;
  s.SearchText = value;
  s.SearchField = {field.name, field.offset, field.type.length, false, s.SearchField.pad};
  return result;
}

}  // namespace qx
