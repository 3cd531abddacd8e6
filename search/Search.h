// The byte-pattern search behind Find, Find Next, Count and Search and
// Replace: reading the fields into the search state, and the scans over the
// current file. Plain code over the state, IO and Platform, so the dialogs,
// the tests and the benchmark call the same functions.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/IO.h"
#include "core/Progress.h"
#include "search/Matcher.h"

namespace qx {

// The texts of the notices and messages of the search.
inline const QString kFoundNotice = QStringLiteral("Found");
inline const QString kNotFoundNotice = QStringLiteral("Not Found Within Range");
inline const QString kMustEnterValues = QStringLiteral("You must enter values");
inline const QString kReadError =
    QStringLiteral("The file could not be read. The search was stopped.");

struct ScanOptions {
  // Bytes of start positions tested per read; memory is about this much.
  std::int64_t chunkSize = std::int64_t{1} << 20;
};

// The first start in from..last (buffer indexes) of a whole match of m in
// buf, or -1; buf holds at least last + m.Size() bytes.
std::int64_t MatchPattern(const Matcher& m, const std::uint8_t* buf, std::int64_t from,
                          std::int64_t last);

// The bytes the search range covers, as absolute file offsets, both
// included; empty (first > last) when nothing lies in it.
struct AbsoluteRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
};
AbsoluteRange SearchRange(const EditorState& s);

// Find's reading of its fields into SearchText, RangeStart, RangeEnd,
// SearchType and Pattern. False (pattern and type untouched) when the range
// end would be negative, that is when no file is open.
bool PrepareSearch(EditorState& s, const QString& findText, const QString& startText,
                   const QString& endText, int searchType);

enum class ScanStatus { Done, Cancelled, Failed };

// One Find Next scan from SearchPosition (one byte further after a hit).
// On a hit: cursor and SearchPosition on it, Found set, notice "Found" and
// the page brought to the cursor; returns the hit's absolute offset.
// Otherwise -1, with "Not Found Within Range" unless cancelled.
std::int64_t FindNext(IO& io, ProgressBar* bar = nullptr, const ScanOptions& opt = {});

// The end of a Find Next scan, whatever it looked for: on a hit (an
// absolute offset) the cursor goes there with "Found"; otherwise a read
// failure is said, or, when the scan ran to its end, "Not Found Within
// Range". Returns hit.
std::int64_t EndFind(IO& io, std::int64_t hit, bool readFailed, bool finished);

// Counts the occurrences of Pattern in the range, overlapping ones too.
// Shows the count message unless cancelled; -1 when cancelled or failed.
std::int64_t CountOccurrences(IO& io, ProgressBar* bar = nullptr, const ScanOptions& opt = {},
                              bool showMessage = true);
// The text of the count message: " 3 Occurrences".
QString CountMessage(std::int64_t count);

// Replace's checks of its fields; on success RangeStart and RangeEnd are
// set. An empty field, or a pattern text that yields no byte, gives
// "You must enter values".
bool ValidateReplaceFields(EditorState& s, Platform& p, const QString& findText,
                           const QString& replaceText, const QString& startText,
                           const QString& endText, int searchType);

// Asked at each occurrence under Ask First (offset relative to the working
// base, cursor already on it): Yes, No, or anything else to stop.
using AskFn = std::function<Answer(std::int64_t offset)>;

struct ReplaceResult {
  ScanStatus status = ScanStatus::Done;
  std::int64_t replaced = 0;
  bool committed = false;
};

// Sets SearchText, SearchType and Pattern from the texts (already checked
// by ValidateReplaceFields) and rewrites the file: the bytes before the
// range, each occurrence in the range replaced (or offered to ask when it is
// set), the rest; then the whole-file commit with its backup. Cancel or a
// failure leaves the file as it was; so does a Start past the last byte,
// which writes nothing at all.
ReplaceResult PrepareReplace(IO& io, const QString& findText, const QString& replaceText,
                             int searchType, const AskFn& ask = {}, ProgressBar* bar = nullptr,
                             const ScanOptions& opt = {});

// The rewrite alone, with the pattern in the state and the replacement given.
ReplaceResult ReplaceScan(IO& io, const std::vector<std::uint8_t>& replacement,
                          const AskFn& ask = {}, ProgressBar* bar = nullptr,
                          const ScanOptions& opt = {});

}  // namespace qx
