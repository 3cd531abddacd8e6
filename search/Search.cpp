#include "search/Search.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

#include "input/PatternText.h"
#include "input/Utility.h"
#include "search/CaseFold.h"

namespace qx {

namespace {

constexpr std::int64_t kStop = -1;

const QString kRewriteReadError =
    QStringLiteral("The file could not be read.\nOperation aborted; the file was not changed.");

// Where the field lies in each record, records counted from the working
// base; a short last record has only what the file holds.
struct FieldGrid {
  std::int64_t base = 0;
  std::int64_t record = 1;
  std::int64_t offset = 0;
  std::int64_t length = 0;  // cut at the record's end

  // The first and last byte of the field of the record holding at.
  std::pair<std::int64_t, std::int64_t> FieldAt(std::int64_t at) const {
    const std::int64_t first = base + (at - base) / record * record + offset;
    return {first, first + length - 1};
  }
};

std::optional<FieldGrid> GridOf(const EditorState& s) {
  if (!s.SearchField.Active()) return std::nullopt;
  FieldGrid g;
  g.base = s.Current.WorkingBase;
  g.record = std::max<std::int64_t>(s.Current.RecordLength, 1);
  g.offset = std::clamp<std::int64_t>(s.SearchField.offset, 0, g.record);
  g.length = std::clamp<std::int64_t>(s.SearchField.length, 0, g.record - g.offset);
  return g;
}

// The first start in i..lastStart (buffer indexes, the buffer holding the
// bytes from bufStart on) of a match lying wholly inside the field of its
// record, or -1: each record's field is searched, the bytes between skipped.
std::int64_t FindInFields(const Matcher& m, const FieldGrid& g, const std::uint8_t* buf,
                          std::int64_t bufStart, std::int64_t i, std::int64_t lastStart) {
  const std::int64_t n = m.Size();
  if (g.length < n) return -1;
  i = std::max(i, g.base - bufStart);
  while (i <= lastStart) {
    const auto [first, last] = g.FieldAt(bufStart + i);
    const std::int64_t to = std::min(last - n + 1 - bufStart, lastStart);
    const std::int64_t from = std::max(i, first - bufStart);
    if (from <= to) {
      const std::int64_t h = m.Find(buf, from, to);
      if (h >= 0) return h;
    }
    i = first + g.record - g.offset - bufStart;  // the next record
  }
  return -1;
}

// Walks the start positions from..last - n + 1 in windows of opt.chunkSize
// starts, each read with the n - 1 bytes that follow so that a match across
// a window border is seen whole, and only matches lying wholly at or before
// last are seen. onHit(h, buf, bufStart) gets each match at or after the
// start it returned last time (kStop ends the scan); onWindow(buf,
// bufStart, end) runs after the hits of a window, end being the first byte
// the next window owns, and returns false on a failure.
template <class OnHit, class OnWindow>
ScanStatus Scan(const BinaryFile& f, const Matcher& m, const std::optional<FieldGrid>& field,
                std::int64_t from, std::int64_t last, const ScanOptions& opt, OperationPacer& pacer,
                OnHit&& onHit, OnWindow&& onWindow) {
  const std::int64_t n = m.Size();
  // Written as differences: from may lie anywhere up to the int64 limit.
  if (n == 0 || from < 0 || from > last || last - from < n - 1) return ScanStatus::Done;
  const std::int64_t chunk = std::max<std::int64_t>(opt.chunkSize, 1);
  const std::int64_t total = last - from + 1;
  const std::int64_t window = AddClamped(chunk, n - 1);
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min(window, total)));
  std::int64_t resume = from;
  for (std::int64_t p = from;; p += chunk) {
    if (!pacer.Step(p - from, total)) return ScanStatus::Cancelled;
    const std::int64_t len = std::min(window, last + 1 - p);
    if (f.ReadAt(p, buf.data(), len) != len) return ScanStatus::Failed;
    const std::int64_t lastStart = len - n;
    std::int64_t i = std::max<std::int64_t>(resume - p, 0);
    const auto find = [&](std::int64_t at) {
      return field ? FindInFields(m, *field, buf.data(), p, at, lastStart)
                   : MatchPattern(m, buf.data(), at, lastStart);
    };
    while ((i = find(i)) >= 0) {
      resume = onHit(p + i, buf.data(), p);
      if (resume == kStop) return ScanStatus::Done;
      i = resume - p;
    }
    if (!onWindow(buf.data(), p, std::min(AddClamped(p, chunk), last + 1))) {
      return ScanStatus::Failed;
    }
    if (last - p < window) break;  // no whole match starts in a next window
  }
  return ScanStatus::Done;
}

// Whether the range holds more than bytes bytes past its first.
bool LongerThan(const AbsoluteRange& r, std::int64_t bytes) {
  return r.first <= r.last && r.last - r.first > bytes;
}

bool NoWindowWork(const std::uint8_t*, std::int64_t, std::int64_t) {
  return true;
}

// In the file's set, as it is now: Find Next after a switch of the set
// finds the same text in the new set.
std::vector<std::uint8_t> BytesOf(const EditorState& s, const QString& text, int searchType) {
  return PatternBytes(text, searchType, CharacterSetOf(s.Current.CharSet))
      .value_or(std::vector<std::uint8_t>{});
}

// Text is encoded again in the file's set as it is now; false, said, when
// the set has no code for one of its characters.
bool EncodeInCurrentSet(EditorState& s, Platform& p) {
  if (s.SearchType != kSearchAscii) return true;
  const CharacterSet& set = CharacterSetOf(s.Current.CharSet);
  if (RefuseTextWithoutCode(p, s.SearchText, set)) return false;
  s.Pattern = PatternBytes(s.SearchText, s.SearchType, set).value_or(s.Pattern);
  return true;
}

// Match case off folds the letters of a text pattern.
Matcher MatcherOf(const EditorState& s) {
  if (s.MatchCase) return Matcher(s.Pattern);
  return Matcher(s.Pattern,
                 OtherCaseBytes(s.Pattern, s.SearchType, CharacterSetOf(s.Current.CharSet)));
}

// "1 byte", "2 bytes".
QString Bytes(std::int64_t n) {
  return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n);
}

}  // namespace

std::int64_t MatchPattern(const Matcher& m, const std::uint8_t* buf, std::int64_t from,
                          std::int64_t last) {
  if (last < 0) return -1;
  return m.Find(buf, from, last);
}

AbsoluteRange SearchRange(const EditorState& s) {
  const std::int64_t base = s.Current.WorkingBase;
  AbsoluteRange r;
  // A typed Start or End may be anything up to the int64 limits: held
  // there, it simply lies past the end of the file.
  r.first = AddClamped(base, std::max<std::int64_t>(s.RangeStart, 0));
  r.last = std::min(AddClamped(base, s.RangeEnd), s.FileLength - 1);
  return r;
}

bool PrepareSearch(EditorState& s, const QString& findText, const QString& startText,
                   const QString& endText, int searchType) {
  s.SearchText = findText;
  s.RangeStart = std::max<std::int64_t>(ReadNumber(startText).value_or(0), 0);
  const std::int64_t lastOffset = s.WorkingLength - 1;
  const std::int64_t end = ReadNumber(endText).value_or(lastOffset);
  if (end < 0) return false;
  s.RangeEnd = std::min(end, lastOffset);
  s.SearchType = searchType;
  s.Pattern = BytesOf(s, findText, searchType);
  return true;
}

std::int64_t FindNext(IO& io, ProgressBar* bar, const ScanOptions& opt) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (io.BusyRefused() || s.SearchText.isEmpty() || !EncodeInCurrentSet(s, p)) return -1;
  s.OperationRunning = true;
  const AbsoluteRange r = SearchRange(s);
  // After a hit the next scan begins one byte after it, never on it again.
  const std::int64_t from = std::max(AddClamped(s.SearchPosition, s.Found ? 1 : 0), r.first);
  const Matcher m = MatcherOf(s);
  std::int64_t hit = -1;
  ScanStatus status;
  {
    BarShown shown(bar, LongerThan(r, kProgressThreshold));
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    status = Scan(
        s.File1, m, GridOf(s), from, r.last, opt, pacer,
        [&](std::int64_t h, const std::uint8_t*, std::int64_t) {
          hit = h;
          return kStop;
        },
        NoWindowWork);
  }
  // The scan is over: other commands may run again.
  const bool finished = std::exchange(s.OperationRunning, false);
  return EndFind(io, hit, status == ScanStatus::Failed, finished);
}

std::int64_t EndFind(IO& io, std::int64_t hit, bool readFailed, bool finished) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  if (hit >= 0) {
    s.Current.CursorOffset = hit - s.Current.WorkingBase;
    s.SearchPosition = hit;
    s.Found = true;
    p.ShowNotice(kFoundNotice);
    io.GoToCursor();
    return hit;
  }
  if (readFailed) {
    p.MessageBox(kReadError, Buttons::Ok, Icon::Critical);
  } else if (finished) {
    p.ShowNotice(kNotFoundNotice);
  }
  return -1;
}

QString CountMessage(std::int64_t count) {
  return (count >= 0 ? QStringLiteral(" ") : QString()) + QString::number(count) +
         QStringLiteral(" Occurrences");
}

std::int64_t CountOccurrences(IO& io, ProgressBar* bar, const ScanOptions& opt, bool showMessage) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  // With nothing typed the dialog has closed: there is nothing to count.
  if (io.BusyRefused()) return -1;
  if (s.SearchText.isEmpty()) return 0;
  if (!EncodeInCurrentSet(s, p)) return -1;
  s.OperationRunning = true;
  s.Found = false;
  const AbsoluteRange r = SearchRange(s);
  const Matcher m = MatcherOf(s);
  std::int64_t count = 0;
  ScanStatus status;
  {
    BarShown shown(bar, LongerThan(r, kProgressThreshold));
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    // Overlapping occurrences all count: the next may begin one byte later.
    status = Scan(
        s.File1, m, GridOf(s), r.first, r.last, opt, pacer,
        [&](std::int64_t h, const std::uint8_t*, std::int64_t) {
          ++count;
          return h + 1;
        },
        NoWindowWork);
  }
  const bool finished = std::exchange(s.OperationRunning, false);
  if (status == ScanStatus::Failed) {
    p.MessageBox(kReadError, Buttons::Ok, Icon::Critical);
    return -1;
  }
  if (!finished) return -1;
  if (showMessage) p.MessageBox(CountMessage(count));
  return count;
}

bool ValidateReplaceFields(EditorState& s, Platform& p, const QString& findText,
                           const QString& replaceText, const QString& startText,
                           const QString& endText, int searchType) {
  if (searchType == kSearchAscii) {
    const CharacterSet& set = CharacterSetOf(s.Current.CharSet);
    if (RefuseTextWithoutCode(p, findText, set) || RefuseTextWithoutCode(p, replaceText, set))
      return false;
  }
  if (findText.isEmpty() || replaceText.isEmpty() || startText.isEmpty() || endText.isEmpty() ||
      BytesOf(s, findText, searchType).empty() || BytesOf(s, replaceText, searchType).empty()) {
    p.MessageBox(kMustEnterValues);
    return false;
  }
  const std::int64_t start = std::max<std::int64_t>(ReadNumber(startText).value_or(0), 0);
  const std::int64_t lastOffset = s.WorkingLength - 1;
  const std::int64_t end = ReadNumber(endText).value_or(lastOffset);
  if (end < 0) return false;
  s.RangeStart = start;
  s.RangeEnd = std::min(end, lastOffset);
  return true;
}

ReplaceResult PrepareReplace(IO& io, const QString& findText, const QString& replaceText,
                             int searchType, const AskFn& ask, ProgressBar* bar,
                             const ScanOptions& opt) {
  if (io.BusyRefused()) return {ScanStatus::Failed, 0, false};
  EditorState& s = io.State();
  s.SearchText = findText;
  s.SearchType = searchType;
  s.Pattern = BytesOf(s, findText, searchType);
  const std::vector<std::uint8_t> replacement = BytesOf(s, replaceText, searchType);
  if (s.Pattern.empty() || replacement.empty()) {
    io.Plat().MessageBox(kMustEnterValues);
    return {ScanStatus::Failed, 0, false};
  }
  return ReplaceScan(io, replacement, ask, bar, opt);
}

ReplaceResult ReplaceScan(IO& io, const std::vector<std::uint8_t>& replacement, const AskFn& ask,
                          ProgressBar* bar, const ScanOptions& opt) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  ReplaceResult result;
  if (io.BusyRefused() || s.Pattern.empty() || replacement.empty() || s.FileLength < 1) {
    result.status = ScanStatus::Failed;
    return result;
  }
  // A Start past the last byte leaves nothing to replace and nothing to
  // rewrite: the file stays exactly as it is, without a temporary file.
  if (SearchRange(s).first > s.FileLength - 1) return result;
  const Matcher m = MatcherOf(s);
  const std::int64_t n = m.Size();
  const std::int64_t grow = std::ssize(replacement) - n;
  const std::optional<FieldGrid> field = GridOf(s);
  // Within a field the record length is kept: the field may only shrink
  // (text, padded at its end) or keep its length.
  if (field && grow != 0 && !s.SearchField.text) {
    p.MessageBox(QStringLiteral("%1 is not a text field: the replacement must be as long as the "
                                "text it replaces")
                     .arg(s.SearchField.name));
    result.status = ScanStatus::Failed;
    return result;
  }
  if (field && grow > 0) {
    p.MessageBox(QStringLiteral("The replacement is %1 longer than the text it replaces; within a "
                                "field the record length is kept")
                     .arg(Bytes(grow)));
    result.status = ScanStatus::Failed;
    return result;
  }
  // Without a field a change of length moves every later record: asked
  // once, at the first match, when the file has records of its own (a file
  // shorter than 256 bytes is one record of its length unless set).
  bool askMove =
      !field && grow != 0 &&
      (!s.Current.Copybook.isEmpty() || (s.Current.RecordLength != kDefaultRecordLength &&
                                         s.Current.RecordLength < s.WorkingLength));
  bool declined = false;
  // Unsaved page edits would otherwise vanish with the rewrite.
  if (s.Dirty) io.CheckDirty();

  const std::int64_t length = s.FileLength;
  const AbsoluteRange r = SearchRange(s);
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) {
    result.status = ScanStatus::Failed;
    return result;
  }
  s.OperationRunning = true;

  // next: the first byte of the file not yet written out. A shorter
  // replacement in a field owes pad bytes, written just before padAt (the
  // byte after the field's end).
  std::int64_t next = std::min(r.first, length);
  std::int64_t pad = 0;
  std::int64_t padAt = 0;
  const auto writePad = [&] {
    const std::vector<std::uint8_t> fill(static_cast<std::size_t>(pad), s.SearchField.pad);
    pad = 0;
    return out.Write(fill.data(), std::ssize(fill));
  };
  bool readFailed = false;
  if (io.CopyRange(out, 0, next - 1)) {
    BarShown shown(bar, true);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    // The scan has just read these bytes: writing them from its buffer is
    // cheaper than copying them again from the file.
    const auto flushTo = [&](const std::uint8_t* buf, std::int64_t bufStart, std::int64_t end) {
      if (pad > 0 && padAt <= end) {
        if (padAt > next && !out.Write(buf + (next - bufStart), padAt - next)) return false;
        next = std::max(next, padAt);
        if (!writePad()) return false;
      }
      if (next >= end) return true;
      const bool wrote = out.Write(buf + (next - bufStart), end - next);
      next = end;
      return wrote;
    };
    const ScanStatus status = Scan(
        s.File1, m, field, r.first, r.last, opt, pacer,
        [&](std::int64_t h, const std::uint8_t* buf, std::int64_t bufStart) {
          if (std::exchange(askMove, false) &&
              p.MessageBox(QStringLiteral("The replacement is %1 %2 than the text: every record "
                                          "after the first match will move. Replace anyway?")
                               .arg(Bytes(std::abs(grow)), grow < 0 ? QStringLiteral("shorter")
                                                                    : QStringLiteral("longer")),
                           Buttons::YesNo, Icon::None, kProductTitle, Answer::No) != Answer::Yes) {
            declined = true;
            return kStop;
          }
          Answer answer = Answer::Yes;
          if (ask) {
            s.Current.CursorOffset = h - s.Current.WorkingBase;
            io.GoToCursor();
            answer = ask(h - s.Current.WorkingBase);
          }
          if (answer == Answer::Yes) {
            if (!flushTo(buf, bufStart, h) ||
                !out.Write(replacement.data(), static_cast<std::int64_t>(replacement.size()))) {
              return kStop;
            }
            next = h + n;
            ++result.replaced;
            if (field && grow < 0) {
              pad -= grow;
              padAt = std::min(field->FieldAt(h).second + 1, length);
            }
            return h + n;
          }
          // No keeps the occurrence as it is and goes on after it.
          if (answer == Answer::No) return h + n;
          return kStop;
        },
        flushTo);
    readFailed = status == ScanStatus::Failed && !out.Failed();
    if (!readFailed && !declined && !out.Failed() && s.OperationRunning) {
      // The rest of the last field changed still owes its pad bytes.
      if (pad == 0 || (io.CopyRange(out, next, padAt - 1) && writePad())) {
        (void)io.CopyRange(out, std::max(next, padAt), length - 1);
      }
    }
  }
  if (declined) {
    // Nothing was replaced: the file stays, and so does the view.
    io.SayLeftovers({out.Discard()});
    s.OperationRunning = false;
    result.status = ScanStatus::Cancelled;
    return result;
  }
  if (readFailed) {
    io.SayLeftovers({out.Discard()});
    s.OperationRunning = false;
    p.MessageBox(kRewriteReadError, Buttons::Ok, Icon::Critical);
    result.status = ScanStatus::Failed;
    return result;
  }
  // EndFileOperation tells of a failed write and discards a cancelled one.
  if (out.Failed()) {
    result.status = ScanStatus::Failed;
  } else if (!s.OperationRunning) {
    result.status = ScanStatus::Cancelled;
  }
  result.committed = io.EndFileOperation(out);
  return result;
}

}  // namespace qx
