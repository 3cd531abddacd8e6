#include "search/ValueSearch.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "fields/FieldCodec.h"
#include "fields/FileLayouts.h"
#include "input/Utility.h"

namespace qx {

namespace {

enum class Walk { Done, Cancelled, Failed };

// Calls onHit(absolute offset) for each record, from the first whose field
// starts at or after from, whose field matches and lies wholly in r, until
// it returns false. Reads whole blocks of records.
template <class OnHit>
Walk WalkRecords(IO& io, const LayoutField& field, const ValueTarget& target, std::int64_t from,
                 const AbsoluteRange& r, ProgressBar* bar, const ScanOptions& opt, OnHit&& onHit) {
  EditorState& s = io.State();
  const std::int64_t length = s.Current.RecordLength;
  const std::int64_t base = s.Current.WorkingBase + field.offset;
  const std::int64_t n = field.type.length;
  from = std::max(from, r.first);
  if (from > r.last || r.last - from < n - 1 || base > r.last) return Walk::Done;
  const std::int64_t first = from <= base ? 0 : (from - base + length - 1) / length;
  const std::int64_t last = (r.last - n + 1 - base) / length;
  if (r.last - n + 1 < base || first > last) return Walk::Done;
  const std::int64_t perBlock = std::max<std::int64_t>(opt.chunkSize / length, 1);
  const std::int64_t total = last - first + 1;
  std::vector<std::uint8_t> buf(
      static_cast<std::size_t>((std::min(perBlock, total) - 1) * length + n));
  BarShown shown(bar, total * length > kProgressThreshold);
  OperationPacer pacer(s, io.Plat(), shown.Bar());
  pacer.Flush();
  for (std::int64_t rec = first; rec <= last; rec += perBlock) {
    if (!pacer.Step(rec - first, total)) return Walk::Cancelled;
    const std::int64_t records = std::min(perBlock, last - rec + 1);
    const std::int64_t want = (records - 1) * length + n;
    if (s.File1.ReadAt(base + rec * length, buf.data(), want) != want) return Walk::Failed;
    for (std::int64_t i = 0; i < records; ++i) {
      if (target.Matches(buf.data() + i * length) && !onHit(base + (rec + i) * length))
        return Walk::Done;
    }
  }
  return Walk::Done;
}

// The target, or nothing after saying why not.
std::optional<ValueTarget> TargetOrSay(IO& io, const LayoutField& field) {
  EditorState& s = io.State();
  auto target = ValueTargetOf(field, s.SearchText, CharacterSetOf(s.Current.CharSet),
                              ChoicesOf(s.Current.Layout));
  QString why = std::holds_alternative<QString>(target) ? std::get<QString>(target) : QString();
  if (why.isEmpty() && field.offset + field.type.length > s.Current.RecordLength)
    why = QStringLiteral("%1 runs past the end of the record").arg(field.name);
  if (!why.isEmpty()) {
    io.Plat().MessageBox(why, Buttons::Ok, Icon::None, QString());
    return std::nullopt;
  }
  return std::get<ValueTarget>(std::move(target));
}

}  // namespace

bool ValueTarget::Matches(const std::uint8_t* bytes) const {
  if (scaled) return checker.Scaled(bytes) == scaled;
  return checker.Float(bytes) == real;
}

std::variant<ValueTarget, QString> ValueTargetOf(const LayoutField& field, const QString& text,
                                                 const CharacterSet& set,
                                                 const LayoutChoices& choices) {
  if (field.type.storage == Storage::Text)
    return QStringLiteral("%1 is not a numeric field").arg(field.name);
  const auto bytes = EncodeField(field.type, text, set, choices, field.name);
  if (const QString* why = std::get_if<QString>(&bytes)) return *why;
  const std::vector<std::uint8_t>& b = std::get<std::vector<std::uint8_t>>(bytes);
  ValueTarget target{FieldChecker(field.type, set, choices), std::nullopt, 0};
  if (field.type.storage == Storage::Float) {
    target.real = target.checker.Float(b.data()).value_or(0);
  } else {
    target.scaled = target.checker.Scaled(b.data());
  }
  return target;
}

std::int64_t FindValue(IO& io, const LayoutField& field, ProgressBar* bar, const ScanOptions& opt) {
  EditorState& s = io.State();
  if (io.BusyRefused() || s.SearchText.isEmpty()) return -1;
  const std::optional<ValueTarget> target = TargetOrSay(io, field);
  if (!target) return -1;
  const std::int64_t from = AddClamped(s.SearchPosition, s.Found ? 1 : 0);
  std::int64_t hit = -1;
  s.OperationRunning = true;
  const Walk walk =
      WalkRecords(io, field, *target, from, SearchRange(s), bar, opt, [&](std::int64_t h) {
        hit = h;
        return false;
      });
  const bool finished = std::exchange(s.OperationRunning, false);
  return EndFind(io, hit, walk == Walk::Failed, finished && walk == Walk::Done);
}

std::int64_t CountValue(IO& io, const LayoutField& field, ProgressBar* bar, const ScanOptions& opt,
                        bool showMessage) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.BusyRefused()) return -1;
  if (s.SearchText.isEmpty()) return 0;
  const std::optional<ValueTarget> target = TargetOrSay(io, field);
  if (!target) return -1;
  s.Found = false;
  std::int64_t count = 0;
  s.OperationRunning = true;
  const Walk walk = WalkRecords(io, field, *target, 0, SearchRange(s), bar, opt, [&](std::int64_t) {
    ++count;
    return true;
  });
  const bool finished = std::exchange(s.OperationRunning, false);
  if (walk == Walk::Failed) {
    p.MessageBox(kReadError, Buttons::Ok, Icon::Critical);
    return -1;
  }
  if (walk == Walk::Cancelled || !finished) return -1;
  if (showMessage) p.MessageBox(CountMessage(count));
  return count;
}

}  // namespace qx
