#include <QByteArray>
#include <limits>
#include <random>

#include "core/Navigation.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

void OpenBytes(Rig& r, const QByteArray& bytes, const QString& name = "f.bin") {
  r.io.OpenFile(r.files.Write(name, bytes));
  ASSERT_EQ(r.s.FileLength, bytes.size());
}

// Find First: the fields read, the search starting at Start.
void FindFirst(Rig& r, const QString& text, const QString& start = "", int type = kSearchAscii) {
  ASSERT_TRUE(PrepareSearch(r.s, text, start, "", type));
  r.s.SearchPosition = AddClamped(r.s.Current.WorkingBase, r.s.RangeStart);
  r.s.Found = false;
}

// Occurrences of pat wholly inside data[first..last], overlaps included.
std::int64_t ReferenceCount(const QByteArray& data, const QByteArray& pat, std::int64_t first,
                            std::int64_t last) {
  std::int64_t n = 0;
  for (std::int64_t h = first; h + pat.size() - 1 <= last; ++h) n += data.mid(h, pat.size()) == pat;
  return n;
}

}  // namespace

TEST(SearchEngine, PreparesPatternsAndRangesFromTheFields) {
  Rig r;
  OpenBytes(r, TempFiles::Counting(2000));
  ASSERT_TRUE(PrepareSearch(r.s, "4a 42 7", "", "", kSearchHex));
  EXPECT_EQ(r.s.Pattern, (Bytes{0x4A, 0x42}));
  EXPECT_EQ(r.s.RangeStart, 0);
  EXPECT_EQ(r.s.RangeEnd, 1999);

  ASSERT_TRUE(PrepareSearch(r.s, "AB", "1,000", "99999", kSearchUnicode));
  EXPECT_EQ(r.s.Pattern, (Bytes{0x41, 0x00, 0x42, 0x00}));
  EXPECT_EQ(r.s.RangeStart, 1000);
  EXPECT_EQ(r.s.RangeEnd, 1999);  // never past the last byte

  ASSERT_TRUE(PrepareSearch(r.s, "Ab", "-5", "1,500", kSearchAscii));
  EXPECT_EQ(r.s.Pattern, (Bytes{'A', 'b'}));
  EXPECT_EQ(r.s.RangeStart, 0);
  EXPECT_EQ(r.s.RangeEnd, 1500);

  ASSERT_TRUE(PrepareSearch(r.s, "   ", "", "", kSearchHex));
  EXPECT_TRUE(r.s.Pattern.empty());
}

TEST(SearchEngine, MatcherAndScanFindEveryOccurrenceInsideTheRangeOnly) {
  // "AB" at 0, straddling the 16-byte chunk border (15..16), and at the end.
  QByteArray data(40, '.');
  for (int at : {0, 15, 38}) data.replace(at, 2, "AB");
  Rig r;
  OpenBytes(r, data);
  const ScanOptions small{16};

  const Matcher m(Bytes{'A', 'B'});
  const auto* raw = reinterpret_cast<const std::uint8_t*>(data.constData());
  EXPECT_EQ(MatchPattern(m, raw, 1, 38), 15);
  EXPECT_EQ(MatchPattern(m, raw, 16, 37), -1);
  EXPECT_EQ(MatchPattern(m, raw, 16, 38), 38);
  EXPECT_EQ(MatchPattern(m, raw, 0, -1), -1);
  EXPECT_EQ(Matcher({}).Find(raw, 0, 38), -1);

  // (start, end, count, first hit): exactly the range, one byte short of it,
  // across the border, the last two bytes of the file, a start after the end,
  // then numbers at and past the int64 limits (held there: far past the end).
  const char* kMax = "9223372036854775807";
  for (auto [start, end, want, first] : {std::tuple{"", "", 3, 0},
                                         {"0", "1", 1, 0},
                                         {"0", "0", 0, -1},
                                         {"1", "16", 1, 15},
                                         {"16", "39", 1, 38},
                                         {"16", "38", 0, -1},
                                         {"30", "20", 0, -1},
                                         {kMax, kMax, 0, -1},
                                         {kMax, "", 0, -1},
                                         {"99999999999999999999", "1", 0, -1},
                                         {"-9223372036854775808", kMax, 3, 0},
                                         {"-99999999999999999999", "99999999999999999999", 3, 0}}) {
    ASSERT_TRUE(PrepareSearch(r.s, "AB", start, end, kSearchAscii));
    EXPECT_EQ(CountOccurrences(r.io, nullptr, small, false), want) << start << ".." << end;
    r.s.SearchPosition = AddClamped(r.s.Current.WorkingBase, r.s.RangeStart);
    r.s.Found = false;
    EXPECT_EQ(FindNext(r.io, nullptr, small), first) << start << ".." << end;
  }
  r.p.notices.clear();

  // Find Next sees the same hits in file order, each once.
  FindFirst(r, "41 42", "", kSearchHex);
  for (std::int64_t want : {0, 15, 38}) {
    EXPECT_EQ(FindNext(r.io, nullptr, small), want);
    EXPECT_EQ(r.s.Current.CursorOffset, want);
  }
  EXPECT_EQ(FindNext(r.io, nullptr, small), -1);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found", "Not Found Within Range"}));
  ASSERT_TRUE(PrepareSearch(r.s, "ab", "", "", kSearchAscii));  // no case folding
  EXPECT_EQ(CountOccurrences(r.io, nullptr, small, false), 0);
}

TEST(SearchEngine, CountsOverlapsAndShowsTheCountOrAReadFailure) {
  Rig r;
  OpenBytes(r, "aaaab");
  ASSERT_TRUE(PrepareSearch(r.s, "aa", "", "", kSearchAscii));
  r.s.SearchPosition = 2;
  r.p.ExpectBox(" 3 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 3);
  EXPECT_EQ(r.s.SearchPosition, 2);  // Count leaves Find Next where it was
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  ASSERT_TRUE(PrepareSearch(r.s, "ba", "", "", kSearchAscii));
  r.p.ExpectBox(" 0 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 0);

  // A read failure is reported, not counted as nothing.
  OpenBytes(r, QByteArray(5000, 'x'), "x.bin");
  ASSERT_TRUE(QFile::resize(r.s.Current.FileName, 100));  // shrunk behind our back
  ASSERT_TRUE(PrepareSearch(r.s, "yy", "", "", kSearchAscii));
  r.p.ExpectBox("The file could not be read. The search was stopped.");
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {64}), -1);
  r.p.Verify();
}

TEST(SearchEngine, FindNextGoesOnAfterAHitWithAWorkingBase) {
  QByteArray data(3000, '.');
  for (int at : {500, 1200, 1203, 2500}) data.replace(at, 3, "XYZ");
  Rig r;
  OpenBytes(r, data);
  ASSERT_TRUE(SetWorkingBase(r.io, 1000));
  FindFirst(r, "XYZ", "0");
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 1200);
  EXPECT_EQ(r.s.Current.CursorOffset, 200);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 1203);  // never the same hit again
  EXPECT_EQ(r.s.Current.CursorOffset, 203);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 2500);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  EXPECT_EQ(r.s.Current.CursorOffset, 1500);  // a miss leaves the cursor
  EXPECT_EQ(r.s.SearchPosition, 2500);
  EXPECT_EQ(r.s.PageBuffer[1500 - r.s.Current.BufferTop], 'X');  // the page followed the hits

  // A Start no offset can reach, past the working base: nothing, no overflow.
  FindFirst(r, "XYZ", "9223372036854775807");
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  r.s.SearchPosition = std::numeric_limits<std::int64_t>::max();
  r.s.Found = true;
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {64}, false), 0);
  EXPECT_EQ(r.s.Current.CursorOffset, 1500);
}

TEST(SearchEngine, FindNextAfterANewFileIsNotFoundAndCancelLeavesTheCursor) {
  Rig r;
  OpenBytes(r, "..XY..XY..", "a.bin");
  FindFirst(r, "XY");
  EXPECT_EQ(FindNext(r.io), 2);

  // A new file resets the range to 0..0: nothing two bytes long fits.
  OpenBytes(r, "XYXYXY", "b.bin");
  EXPECT_EQ(FindNext(r.io), -1);
  EXPECT_EQ(r.p.notices.back(), "Not Found Within Range");

  // Cancel while the scan runs: no notice, no message, cursor unchanged.
  FindFirst(r, "XY", "1");
  r.s.Current.CursorOffset = 1;
  const auto notices = r.p.notices.size();
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(FindNext(r.io), -1);
  EXPECT_EQ(CountOccurrences(r.io), -1);
  EXPECT_EQ(r.p.notices.size(), notices);
  EXPECT_EQ(r.s.Current.CursorOffset, 1);
  EXPECT_EQ(r.s.SearchPosition, 1);
}

TEST(SearchEngine, CountMatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(12345);
  Rig r;
  for (int round = 0; round < 60; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 600), '\0');
    for (char& c : data) c = "aab"[rng() % 3];  // a small alphabet: many overlaps
    OpenBytes(r, data, QString("p%1.bin").arg(round % 4));
    QByteArray pat(1 + static_cast<int>(rng() % 4), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    const std::int64_t start = rng() % (data.size() + 5), end = rng() % (data.size() + 5);
    ASSERT_TRUE(PrepareSearch(r.s, QString::fromLatin1(pat), QString::number(start),
                              QString::number(end), kSearchAscii));
    const ScanOptions opt{1 + static_cast<std::int64_t>(rng() % 40)};
    EXPECT_EQ(CountOccurrences(r.io, nullptr, opt, false),
              ReferenceCount(data, pat, start, std::min<std::int64_t>(end, data.size() - 1)))
        << "round " << round << " pattern " << pat.toStdString() << " " << start << ".." << end
        << " chunk " << opt.chunkSize;
    r.io.CloseFile();
  }
}

}  // namespace qx::test
