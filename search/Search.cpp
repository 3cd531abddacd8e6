#include "search/Search.h"

#include <algorithm>
#include <utility>

#include "input/PatternText.h"
#include "input/Utility.h"

namespace qx {

namespace {

constexpr std::int64_t kStop = -1;

const QString kReadError = QStringLiteral("The file could not be read. The search was stopped.");
const QString kRewriteReadError =
    QStringLiteral("The file could not be read.\nOperation aborted; the file was not changed.");

// Walks the start positions from..last - n + 1 in windows of opt.chunkSize
// starts, each read with the n - 1 bytes that follow so that a match across
// a window border is seen whole, and only matches lying wholly at or before
// last are seen. onHit(h, buf, bufStart) gets each match at or after the
// start it returned last time (kStop ends the scan); onWindow(buf,
// bufStart, end) runs after the hits of a window, end being the first byte
// the next window owns, and returns false on a failure.
template <class OnHit, class OnWindow>
ScanStatus Scan(const BinaryFile& f, const Matcher& m, std::int64_t from, std::int64_t last,
                const ScanOptions& opt, OperationPacer& pacer, OnHit&& onHit, OnWindow&& onWindow) {
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
    while ((i = MatchPattern(m, buf.data(), i, lastStart)) >= 0) {
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
  const Matcher m(s.Pattern);
  std::int64_t hit = -1;
  ScanStatus status;
  {
    BarShown shown(bar, LongerThan(r, kProgressThreshold));
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    status = Scan(
        s.File1, m, from, r.last, opt, pacer,
        [&](std::int64_t h, const std::uint8_t*, std::int64_t) {
          hit = h;
          return kStop;
        },
        NoWindowWork);
  }
  // The scan is over: other commands may run again.
  const bool finished = std::exchange(s.OperationRunning, false);
  if (hit >= 0) {
    s.Current.CursorOffset = hit - s.Current.WorkingBase;
    s.SearchPosition = hit;
    s.Found = true;
    p.ShowNotice(kFoundNotice);
    io.GoToCursor();
    return hit;
  }
  if (status == ScanStatus::Failed) {
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
  const Matcher m(s.Pattern);
  std::int64_t count = 0;
  ScanStatus status;
  {
    BarShown shown(bar, LongerThan(r, kProgressThreshold));
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    // Overlapping occurrences all count: the next may begin one byte later.
    status = Scan(
        s.File1, m, r.first, r.last, opt, pacer,
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
  // Unsaved page edits would otherwise vanish with the rewrite.
  if (s.Dirty) io.CheckDirty();

  const Matcher m(s.Pattern);
  const std::int64_t n = m.Size();
  const std::int64_t length = s.FileLength;
  const AbsoluteRange r = SearchRange(s);
  TempFileWriter out;
  if (!io.BeginFileOperation(out)) {
    result.status = ScanStatus::Failed;
    return result;
  }
  s.OperationRunning = true;

  // next: the first byte of the file not yet written out.
  std::int64_t next = std::min(r.first, length);
  bool readFailed = false;
  if (io.CopyRange(out, 0, next - 1)) {
    BarShown shown(bar, true);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    // The scan has just read these bytes: writing them from its buffer is
    // cheaper than copying them again from the file.
    const auto flushTo = [&](const std::uint8_t* buf, std::int64_t bufStart, std::int64_t end) {
      if (next >= end) return true;
      const bool wrote = out.Write(buf + (next - bufStart), end - next);
      next = end;
      return wrote;
    };
    const ScanStatus status = Scan(
        s.File1, m, r.first, r.last, opt, pacer,
        [&](std::int64_t h, const std::uint8_t* buf, std::int64_t bufStart) {
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
            return h + n;
          }
          // No keeps the occurrence as it is and goes on after it.
          if (answer == Answer::No) return h + n;
          return kStop;
        },
        flushTo);
    readFailed = status == ScanStatus::Failed && !out.Failed();
    if (!readFailed && !out.Failed() && s.OperationRunning) {
      (void)io.CopyRange(out, next, length - 1);
    }
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
