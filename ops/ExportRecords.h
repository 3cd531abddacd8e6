// Export Records: fields of a range of records written to a CSV file
// (UTF-8, a header row of the field names, CRLF lines, quoted as RFC 4180
// asks), streamed through a new file beside the name that takes the name
// only when complete. Plain code over IO, so the dialog, the tests and the
// benchmark run the same export.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "fields/Copybook.h"

namespace qx {

struct ExportOptions {
  std::vector<int> fields;  // indexes into the kind's fields, in column order
  std::int64_t from = 0;    // records, both included
  std::int64_t to = -1;
  bool keepTrailingSpaces = false;
  bool addHex = false;                             // a "NAME-HEX" column after each field's
  std::int64_t blockSize = std::int64_t{1} << 20;  // bytes a read; tests shrink it
};

enum class ExportStatus { Done, Cancelled, Failed };

struct ExportResult {
  ExportStatus status = ExportStatus::Done;
  std::int64_t records = 0;
  std::int64_t emptyCells = 0;  // blank, low-values, or bytes that do not decode
};

// A cell as RFC 4180 has it: quoted, its quotes doubled, when it holds a
// comma, a quote, CR or LF.
QString CsvCell(const QString& text);

// The message of a finished export: "60 records exported; 3 cells are
// empty (blank, low-values, or bytes that do not decode)".
QString ExportMessage(const ExportResult& result);

// Asks for the CSV file's name (the file's name with ".csv", in the folder
// last used) and checks it as a PDF's is: never a file the editor holds,
// never through a link another user made in a shared folder. The file to
// write (links followed), or empty when cancelled or refused (said).
QString ChooseExportFile(const EditorState& s, Platform& p);

// Writes records opt.from..opt.to (clamped to the file's) of the current
// file, laid out by kind, to target, and says how it went in a message box.
// Cancel or any failure leaves target as it was and no other file.
ExportResult ExportRecords(IO& io, const RecordKind& kind, const ExportOptions& opt,
                           const QString& target, ProgressBar* bar = nullptr);

}  // namespace qx
