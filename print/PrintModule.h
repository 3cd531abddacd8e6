// The record dump: the text of each record's header and dump lines and the
// page breaks between them, streamed to a sink that puts them on paper.
// No printer here: the sink is the printer (or a test's recorder).
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/Declare.h"
#include "core/Progress.h"
#include "platform/Platform.h"
#include "platform/Printing.h"

namespace qx {

// Every printed line starts at this column (1-based); the lines handed to
// the sink carry the indent as spaces, one character per column.
inline constexpr int kPrintFirstColumn = 5;
inline constexpr int kDumpLineWidth = 72;
inline constexpr int kBytesPerDumpLine = 16;
inline constexpr int kDefaultPrintPageLength = 60;

// A print statement's column rules, as the layout relies on them: items one
// after the other, Tab(n) to column n, NextZone() to the start of the next
// 14-column print zone. An item that would start left of where the line
// already is follows after one space instead of wrapping: a record's header
// stays four lines, which the page count relies on, whatever the length of
// the file's path.
class PrintLineBuilder {
 public:
  PrintLineBuilder& Text(const QString& s);
  PrintLineBuilder& Tab(int column);
  PrintLineBuilder& NextZone();
  // The line so far; the builder starts a new one.
  QString Finish();

 private:
  QString line_;
};

// The four header lines of record r.
std::vector<QString> RecordHeaderLines(const EditorState& s, std::int64_t r);

// The 72 characters of one dump line. lineOffset: the offset in the record
// of bytes[0]; cells: how many of the 16 columns belong to the record;
// have: how many of those hold a byte of the file (the rest stay blank);
// the cell of requestedOffset is bracketed. The character column shows the
// bytes as the screen does in set.
QString DumpLineText(const std::uint8_t* bytes, int have, int cells, std::int64_t lineOffset,
                     std::int64_t requestedOffset, const CharacterSet& set);

// Dump lines of a record of length bytes: every byte printed, the last line
// short when the length is not a multiple of 16.
std::int64_t DumpLineCount(std::int64_t recordLength);

// The records a job of asked records prints from RequestedRecord on: never
// past the last record of the file, 0 when asked is 0 or less.
std::int64_t PrintCount(const EditorState& s, std::int64_t asked);

enum class PrintStatus { Done, Nothing, Cancelled, PageLimit, Failed };

struct PrintResult {
  PrintStatus status = PrintStatus::Done;
  std::int64_t records = 0;  // records printed whole
  std::int64_t pages = 0;
  QString message;  // for the user when the job did not end normally
};

struct PrintJob {
  std::int64_t count = 1;  // records asked for (clamped by PrintCount)
  int pageLength = kDefaultPrintPageLength;
  std::int64_t pageLimit = 0;  // pages of the job at most; 0: no limit
};

// Prints the records of the job from RequestedRecord on, reading the current
// file, and ends the document. A page ends after the dump line that brings
// its line count above pageLength. Cancel (OperationRunning cleared) stops
// after the record being printed; the page limit stops before the first line
// of the page past it, and says so. Nothing reaches the sink when no record
// is to be printed.
PrintResult PrintRecords(EditorState& s, Platform& p, PrintSink& sink, const PrintJob& job,
                         ProgressBar* bar = nullptr);

}  // namespace qx
