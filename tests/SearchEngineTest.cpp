#include <QByteArray>
#include <limits>
#include <random>

#include "core/Navigation.h"
#include "input/Utility.h"
#include "ops/CutCopy.h"
#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// Find First: the fields read, the search starting at Start.
void FindFirst(Rig& r, const QString& text, const QString& start = "", const QString& end = "",
               int type = kSearchAscii) {
  ASSERT_TRUE(PrepareSearch(r.s, text, start, end, type));
  r.s.SearchPosition = AddClamped(r.s.Current.WorkingBase, r.s.RangeStart);
  r.s.Found = false;
}

// Occurrences of pat wholly inside data[first..last], overlaps included;
// with a field, only those wholly inside it (records of length from base).
std::int64_t ReferenceCount(const QByteArray& data, const QByteArray& pat, std::int64_t first,
                            std::int64_t last, bool matchCase = true, const FieldScope& field = {},
                            std::int64_t base = 0, std::int64_t length = 256) {
  std::int64_t n = 0;
  for (std::int64_t h = first; h + pat.size() - 1 <= last; ++h) {
    const std::int64_t in = (h - base) % length;
    n +=
        (!field.Active() || (in >= field.offset && in + pat.size() <= field.offset + field.length &&
                             in + pat.size() <= length)) &&
        data.mid(h, pat.size()).compare(pat, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) ==
            0;
  }
  return n;
}

}  // namespace

TEST(SearchEngine, FindAndCountSeeEveryOccurrenceInTheRangeOnlyOrTellOfAReadFailure) {
  // "AB" at 0, straddling the 16-byte chunk border (15..16), and at the end.
  QByteArray data(40, '.');
  for (int at : {0, 15, 38}) data.replace(at, 2, "AB");
  Rig r;
  OpenAnew(r, data);

  // (start, end, count, first hit): one byte short of a hit, across the border, the last
  // bytes, Start after End, numbers at and past the int64 limits (held there: past the end).
  const char* kMax = "9223372036854775807";
  const std::tuple<const char*, const char*, int, int> rows[] = {
      {"", "", 3, 0},      {"0", "0", 0, -1},
      {"1", "16", 1, 15},  {"15", "16", 1, 15},
      {"16", "39", 1, 38}, {"30", "20", 0, -1},
      {kMax, "", 0, -1},   {"-99999999999999999999", "99999999999999999999", 3, 0}};
  for (auto [start, end, want, first] : rows) {
    FindFirst(r, "AB", start, end);
    EXPECT_EQ(CountOccurrences(r.io, nullptr, {16}, false), want) << start << ".." << end;
    EXPECT_EQ(FindNext(r.io, nullptr, {16}), first) << start << ".." << end;
  }
  FindFirst(r, "AB", "", "40");
  EXPECT_EQ(r.s.RangeEnd, 39);  // the End the dialog shows next: the last byte
  FindFirst(r, "ab");           // no case folding
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {16}, false), 0);
  FindFirst(r, "AB");
  r.s.SearchPosition = 2;
  r.s.Current.CursorOffset = 5;
  r.p.ExpectBox(" 3 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 3);
  // Count leaves Find Next and the cursor where they were.
  EXPECT_EQ(std::tuple(r.s.SearchPosition, r.s.Current.CursorOffset), std::tuple(2, 5));

  // 8,193 bytes are not yet long enough for the bar.
  FakeBar bar;
  OpenAnew(r, QByteArray(8193, 'x'));
  FindFirst(r, "yy");
  EXPECT_EQ(FindNext(r.io, &bar), -1);
  EXPECT_FALSE(bar.shown);

  // A read failure is reported, not counted as nothing.
  OpenAnew(r, QByteArray(5000, 'x'));
  ASSERT_TRUE(QFile::resize(r.s.Current.FileName, 100));  // shrunk behind our back
  FindFirst(r, "yy");
  r.p.ExpectBox("The file could not be read. The search was stopped.");
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {64}), -1);
  r.p.Verify();
}

TEST(SearchEngine, FindNextGoesOnAfterAHitAndCancelLeavesTheCursor) {
  QByteArray data(3000, '.');
  for (int at : {500, 1200, 1203, 2500}) data.replace(at, 3, "XYZ");
  Rig r;
  OpenAnew(r, data);
  ASSERT_TRUE(SetWorkingBase(r.io, 1000));
  FindFirst(r, "XYZ", "0");
  // Each hit once, the next overlapping one too; a miss leaves the cursor.
  for (std::int64_t want : {1200, 1203, 2500, -1}) EXPECT_EQ(FindNext(r.io, nullptr, {64}), want);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found", "Not Found Within Range"}));
  EXPECT_EQ(r.s.Current.CursorOffset, 1500);                     // relative to the working base
  EXPECT_EQ(r.s.PageBuffer[1500 - r.s.Current.BufferTop], 'X');  // the page followed the hits
  // End at the last byte, then a cut shortens the file: the search reads to the new end.
  FindFirst(r, "XYZ", "1300");
  r.s.ClipFile = r.files.Path("clip");
  ASSERT_TRUE(CutFile(r.io, {1600, 1999}, r.s.ClipFile));
  EXPECT_EQ(FindNext(r.io), 2500);

  // A Start no offset can reach, past the working base: nothing, no overflow.
  FindFirst(r, "XYZ", "9223372036854775807");
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  r.s.SearchPosition = std::numeric_limits<std::int64_t>::max();
  r.s.Found = true;
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {64}, false), 0);
  EXPECT_EQ(r.s.Current.CursorOffset, 1500);

  // A new file resets the range to 0..0: nothing two bytes long fits.
  FindFirst(r, "XY", "0", "2999");
  r.io.OpenFile(r.files.Write("b.bin", "XYZXYZ"));
  EXPECT_EQ(FindNext(r.io), -1);

  // Cancel while the scan runs: no notice, no message, cursor unchanged.
  FindFirst(r, "XY", "1");
  const auto notices = r.p.notices.size();
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(FindNext(r.io), -1);
  EXPECT_EQ(CountOccurrences(r.io), -1);
  EXPECT_EQ(std::tuple(r.p.notices.size(), r.s.Current.CursorOffset, r.s.SearchPosition),
            std::tuple(notices, 0, 1));
}

// Every other round limited to a field, in records from a working base, and
// every other one ignoring case.
TEST(SearchEngine, CountMatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(12345);
  Rig r;
  for (int round = 0; round < 120; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 600), '\0');
    for (char& c : data) c = "aAb"[rng() % 3];  // a small alphabet: many overlaps
    const std::int64_t base = round % 2 ? rng() % std::min<std::int64_t>(data.size(), 9) : 0;
    const std::int64_t length =
        round % 2 ? 1 + rng() % std::min<std::int64_t>(30, data.size() - base) : 256;
    OpenAnew(r, data, base, length % 256);
    r.s.SearchField = {};
    if (round % 2) {
      r.s.SearchField = {"F", static_cast<std::int64_t>(rng() % length),
                         static_cast<std::int64_t>(1 + rng() % 12)};
    }
    r.s.MatchCase = round % 4 < 2;
    QByteArray pat(1 + static_cast<int>(rng() % 4), '\0');
    for (char& c : pat) c = "aAb"[rng() % 3];
    const std::int64_t start = rng() % (data.size() + 5), end = rng() % (data.size() + 5);
    FindFirst(r, QString::fromLatin1(pat), QString::number(start), QString::number(end));
    const ScanOptions opt{1 + static_cast<std::int64_t>(rng() % 100)};
    EXPECT_EQ(
        CountOccurrences(r.io, nullptr, opt, false),
        ReferenceCount(data, pat, base + start, std::min<std::int64_t>(base + end, data.size() - 1),
                       r.s.MatchCase, r.s.SearchField, base, length))
        << "round " << round << " pattern " << pat.toStdString() << " " << start << ".." << end
        << " chunk " << opt.chunkSize;
  }
}

// Records of 10 bytes from base 3, the field their bytes 2..5: "AB" at the
// field's left edge in the first record, its right edge, across either
// edge, outside, before the base, and in the short last record (cut to
// 45..47). Found and counted only inside, over 4-byte blocks.
TEST(SearchEngine, AFieldLimitsMatchesToItsPlaceInEveryRecord) {
  QByteArray data(48, '.');
  for (int at : {0, 5, 17, 24, 38, 40, 46}) data.replace(at, 2, "AB");
  Rig r;
  OpenAnew(r, data, 3, 10);
  // (offset, length, start, end, hits)
  const std::tuple<int, int, const char*, const char*, std::vector<std::int64_t>> rows[] = {
      {2, 4, "", "", {5, 17, 46}},
      {2, 4, "3", "43", {17}},
      {2, 1, "", "", {}},
      {0, 10, "", "", {5, 17, 24, 38, 40, 46}},
      {7, 5, "", "", {40}}};
  for (const auto& [offset, length, start, end, hits] : rows) {
    r.s.SearchField = {"CITY", offset, length, true};
    FindFirst(r, "AB", start, end);
    EXPECT_EQ(CountOccurrences(r.io, nullptr, {4}, false), std::ssize(hits)) << offset << length;
    std::vector<std::int64_t> found;
    for (std::int64_t h; (h = FindNext(r.io, nullptr, {4})) >= 0;) found.push_back(h);
    EXPECT_EQ(found, hits) << offset << " " << length << " " << start;
  }
}

// Match case off: either case of each letter the file's set has both cases
// of (accented ones too); "ÿ" has no other case in ISO 8859-1 or IBM037;
// the Unicode kind folds its character bytes as ISO 8859-1 in every set; the
// hexadecimal kind folds nothing.
TEST(SearchEngine, MatchCaseOffFoldsTheLettersOfTheFilesSet) {
  const auto bytes = [](const QString& set, const QString& text) {
    QByteArray b;
    for (QChar c : text) b += static_cast<char>(*CharacterSetOf(set).Encode(c));
    return b;
  };
  const QByteArray unicode = QByteArray("Q\0u\0I\0m\0B\0y\0 \0\xC9\0", 16);
  // (set, file, pattern, kind, occurrences with Match case off, on)
  const std::tuple<QString, QByteArray, QString, int, int, int> rows[] = {
      {"ASCII", "QUIMBY quimby QuImBy quimbx", "quimby", kSearchAscii, 3, 1},
      {"ISO-8859-1", bytes("ISO-8859-1", "\u00C9COLE \u00E9cole"), "\u00E9cole", kSearchAscii, 2,
       1},
      {"ISO-8859-1", bytes("ISO-8859-1", "\u00FF\u00DF\u00FF"), "\u00FF", kSearchAscii, 2, 2},
      {"IBM037", bytes("IBM037", "\u00C9COLE \u00E9cole"), "\u00C9COLE", kSearchAscii, 2, 1},
      {"IBM037", bytes("IBM037", "\u00FF\u00A4\u00FF\u00DF"), "\u00FF", kSearchAscii, 2, 2},
      {"IBM037", unicode, "quimby", kSearchUnicode, 1, 0},
      {"IBM037", unicode, "\u00E9", kSearchUnicode, 1, 0},
      {"ASCII", "qQ", "71", kSearchHex, 1, 1}};
  Rig r;
  for (const auto& [set, file, pattern, kind, off, on] : rows) {
    OpenAnew(r, file);
    r.s.Current.CharSet = set;
    for (const bool matchCase : {false, true}) {
      r.s.MatchCase = matchCase;
      FindFirst(r, pattern, "", "", kind);
      EXPECT_EQ(CountOccurrences(r.io, nullptr, {4}, false), matchCase ? on : off)
          << set.toStdString() << " " << pattern.toStdString() << " " << matchCase;
    }
  }
}

}  // namespace qx::test
