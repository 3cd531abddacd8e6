#include "print/PrintModule.h"

#include <QLatin1Char>
#include <algorithm>
#include <cerrno>

#include "core/IO.h"
#include "core/Posix.h"
#include "input/Utility.h"

namespace qx {

namespace {

constexpr int kZoneWidth = 14;
constexpr int kWorkingBaseColumn = 55;
constexpr int kOffsetColumn = 18;

const QString& Ruler() {
  static const QString ruler =
      QStringLiteral("         0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F 0123456789ABCDEF");
  return ruler;
}

QString Indent() {
  return QString(kPrintFirstColumn - 1, QLatin1Char(' '));
}

// Holds the page state of one job; breaks and the empty line between
// records wait for the next line, so a job never ends on an empty page.
class PageWriter {
 public:
  PageWriter(PrintSink& sink, const PrintJob& job) : sink_(sink), job_(job) {}

  bool Emit(const QString& text) {
    if (breakPending_) {
      if (job_.pageLimit > 0 && pages_ >= job_.pageLimit) {
        limitHit_ = true;
        return false;
      }
      if (!sink_.NewPage()) return Fail();
      ++pages_;
      lineCount_ = 0;
      breakPending_ = false;
    }
    if (!sink_.Line(text)) return Fail();
    ++lineCount_;
    return true;
  }
  // A page ends only after a dump line, once the page holds more lines than
  // its length.
  void DumpLineDone() {
    if (lineCount_ > job_.pageLength) breakPending_ = true;
  }
  bool StartRecord() {
    if (!blankPending_) return true;
    blankPending_ = false;
    return Emit(QString());
  }
  void EndRecord() { blankPending_ = true; }

  std::int64_t Pages() const { return pages_; }
  bool LimitHit() const { return limitHit_; }
  bool SinkFailed() const { return sinkFailed_; }

 private:
  bool Fail() {
    sinkFailed_ = true;
    return false;
  }
  PrintSink& sink_;
  const PrintJob& job_;
  int lineCount_ = 0;
  std::int64_t pages_ = 1;
  bool breakPending_ = false;
  bool blankPending_ = false;
  bool limitHit_ = false;
  bool sinkFailed_ = false;
};

QString HexPair(std::uint8_t b) {
  return QStringLiteral("%1").arg(static_cast<uint>(b), 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

PrintLineBuilder& PrintLineBuilder::Text(const QString& s) {
  line_ += s;
  return *this;
}

PrintLineBuilder& PrintLineBuilder::Tab(int column) {
  const qsizetype want = std::max(column, 1) - 1;
  if (line_.size() > want) {
    line_ += QLatin1Char(' ');
  } else {
    line_ += QString(want - line_.size(), QLatin1Char(' '));
  }
  return *this;
}

PrintLineBuilder& PrintLineBuilder::NextZone() {
  // Already at a zone's first column counts as inside that zone.
  const qsizetype next = (line_.size() / kZoneWidth + 1) * kZoneWidth;
  line_ += QString(next - line_.size(), QLatin1Char(' '));
  return *this;
}

QString PrintLineBuilder::Finish() {
  QString line;
  line.swap(line_);
  return line;
}

std::vector<QString> RecordHeaderLines(const EditorState& s, std::int64_t r) {
  const std::int64_t offset = r * s.Current.RecordLength;
  PrintLineBuilder b;
  b.Tab(kPrintFirstColumn)
      .Text(s.Current.FileName)
      .NextZone()
      .Text(QStringLiteral("Working Base:"))
      .Tab(kWorkingBaseColumn)
      .Text(FormatCount(s.Current.WorkingBase));
  std::vector<QString> lines{b.Finish()};
  b.Tab(kPrintFirstColumn)
      .Text(QStringLiteral("File Offset:"))
      .Tab(kOffsetColumn)
      .Text(FormatCount(offset))
      .NextZone()
      .Text(QStringLiteral("Record Number:"))
      .Tab(kWorkingBaseColumn)
      .Text(FormatCount(r));
  lines.push_back(b.Finish());
  lines.push_back(Indent() + Ruler());
  lines.push_back(Indent() + QString(kDumpLineWidth, QLatin1Char('-')));
  return lines;
}

QString DumpLineText(const std::uint8_t* bytes, int have, int cells, std::int64_t lineOffset,
                     std::int64_t requestedOffset, const CharacterSet& set) {
  QString t(kDumpLineWidth, QLatin1Char(' '));
  const QString head = QStringLiteral("%1").arg(lineOffset, 5, 10, QLatin1Char('0'));
  t.replace(0, head.size(), head);
  for (int i = 0; i < std::min(cells, kBytesPerDumpLine); ++i) {
    const int hex = 8 + 3 * i;  // 0-based column of the first hex digit
    if (lineOffset + i == requestedOffset) {
      t[hex - 1] = QLatin1Char('<');
      t[hex + 2] = QLatin1Char('>');
    }
    if (i >= have) continue;
    const QString pair = HexPair(bytes[i]);
    t[hex] = pair[0];
    t[hex + 1] = pair[1];
    t[56 + i] = set.Shown(bytes[i]);
  }
  return t;
}

std::int64_t DumpLineCount(std::int64_t recordLength) {
  if (recordLength <= 0) return 0;
  return (recordLength + kBytesPerDumpLine - 1) / kBytesPerDumpLine;
}

std::int64_t PrintCount(const EditorState& s, std::int64_t asked) {
  const std::int64_t left = std::max<std::int64_t>(0, s.RecordCount - s.Current.RequestedRecord);
  return std::clamp<std::int64_t>(asked, 0, left);
}

PrintResult PrintRecords(EditorState& s, Platform& p, PrintSink& sink, const PrintJob& job,
                         ProgressBar* bar) {
  PrintResult result;
  const std::int64_t count = PrintCount(s, job.count);
  if (count <= 0 || IO::BusyRefused(s, p)) {
    result.status = PrintStatus::Nothing;
    return result;
  }
  const std::int64_t length = s.Current.RecordLength;
  const CharacterSet& set = CharacterSetOf(s.Current.CharSet);
  const std::int64_t lines = DumpLineCount(length);
  std::vector<std::uint8_t> record(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
  PageWriter out(sink, job);
  QString readError;

  s.OperationRunning = true;
  {
    OperationPacer pacer(s, p, bar);
    BarShown shown(bar, true);
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t r = s.Current.RequestedRecord + i;
      if (!out.StartRecord()) break;
      bool ok = true;
      for (const QString& l : RecordHeaderLines(s, r)) {
        if (!(ok = out.Emit(l))) break;
      }
      if (!ok) break;

      // r lies below RecordCount, so these stay within the file's range.
      const std::int64_t start = r * length;
      const std::int64_t available = std::clamp<std::int64_t>(s.WorkingLength - start, 0, length);
      std::int64_t got = 0;
      if (available > 0) {
        got = s.File1.ReadAt(s.Current.WorkingBase + start, record.data(), available);
        if (got < 0) {
          readError = QStringLiteral("Couldn't read the file at offset %1: %2")
                          .arg(FormatCount(s.Current.WorkingBase + start), Reason(errno));
          break;
        }
      }
      for (std::int64_t line = 0; line < lines && ok; ++line) {
        const std::int64_t first = line * kBytesPerDumpLine;
        const int cells = static_cast<int>(std::min<std::int64_t>(length - first, 16));
        const int have = static_cast<int>(std::clamp<std::int64_t>(got - first, 0, cells));
        ok = out.Emit(Indent() + DumpLineText(record.data() + first, have, cells, first,
                                              s.Current.RequestedOffset, set));
        out.DumpLineDone();
      }
      if (!ok) break;
      out.EndRecord();
      ++result.records;
      if (!pacer.Step(i + 1, count)) break;
    }
  }
  const bool cancelled = !s.OperationRunning;
  s.OperationRunning = false;
  const bool whole = readError.isEmpty() && !(cancelled && result.records < count);
  const bool ended = whole ? sink.EndDocument() : sink.EndIncomplete();
  result.pages = out.Pages();

  const QString printed = QStringLiteral("%1 of %2 records were printed.")
                              .arg(FormatCount(result.records), FormatCount(count));
  if (!readError.isEmpty()) {
    result.status = PrintStatus::Failed;
    result.message = readError + QLatin1Char('\n') + printed;
  } else if (out.SinkFailed() || !ended) {
    result.status = PrintStatus::Failed;
    // A job refused at its end (a PDF that could not be written) delivered none.
    result.message =
        QStringLiteral("The printer did not accept the job. ") +
        (out.SinkFailed()
             ? printed
             : QStringLiteral("0 of %1 records were printed.").arg(FormatCount(count)));
  } else if (out.LimitHit()) {
    result.status = PrintStatus::PageLimit;
    result.message = QStringLiteral("Printing stopped at the page limit of %1 pages. ")
                         .arg(FormatCount(job.pageLimit)) +
                     printed;
  } else if (cancelled && result.records < count) {
    result.status = PrintStatus::Cancelled;
  }
  return result;
}

}  // namespace qx
