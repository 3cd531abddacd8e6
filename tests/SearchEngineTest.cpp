#include <QByteArray>
#include <random>

#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> v) {
  std::vector<std::uint8_t> out;
  for (int b : v) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

// Opens bytes as the current file.
void OpenBytes(Rig& r, const QByteArray& bytes, const QString& name = "f.bin") {
  r.io.OpenFile(r.files.Write(name, bytes));
  ASSERT_EQ(r.s.FileLength, bytes.size());
}

void SetWorkingBase(Rig& r, std::int64_t base) {
  r.s.Current.WorkingBase = base;
  r.s.WorkingLength = r.s.FileLength - base;
}

// Occurrences of pat wholly inside data[first..last], overlaps included.
std::int64_t ReferenceCount(const QByteArray& data, const QByteArray& pat, std::int64_t first,
                            std::int64_t last) {
  std::int64_t n = 0;
  for (std::int64_t h = first; h + pat.size() - 1 <= last; ++h) {
    if (data.mid(h, pat.size()) == pat) ++n;
  }
  return n;
}

}  // namespace

TEST(SearchEngine, PreparesPatternsAndRangesFromTheFields) {
  Rig r;
  OpenBytes(r, TempFiles::Counting(2000));

  ASSERT_TRUE(PrepareSearch(r.s, "4a 42 7", "", "", kSearchHex));
  EXPECT_EQ(r.s.Pattern, Bytes({0x4A, 0x42}));
  EXPECT_EQ(r.s.PatternUpper(), 1);
  EXPECT_EQ(r.s.SearchText, "4a 42 7");
  EXPECT_EQ(r.s.SearchType, kSearchHex);
  EXPECT_EQ(r.s.RangeStart, 0);
  EXPECT_EQ(r.s.RangeEnd, 1999);

  ASSERT_TRUE(PrepareSearch(r.s, "AB", "1,000", "99999", kSearchUnicode));
  EXPECT_EQ(r.s.Pattern, Bytes({0x41, 0x00, 0x42, 0x00}));
  EXPECT_EQ(r.s.RangeStart, 1000);
  EXPECT_EQ(r.s.RangeEnd, 1999);  // never past the last byte

  ASSERT_TRUE(PrepareSearch(r.s, "Ab", "-5", "1,500", kSearchAscii));
  EXPECT_EQ(r.s.Pattern, Bytes({'A', 'b'}));
  EXPECT_EQ(r.s.RangeStart, 0);
  EXPECT_EQ(r.s.RangeEnd, 1500);

  ASSERT_TRUE(PrepareSearch(r.s, "   ", "", "", kSearchHex));
  EXPECT_TRUE(r.s.Pattern.empty());
}

TEST(SearchEngine, MatcherAndScanFindEveryOccurrenceInsideTheRangeOnly) {
  // "AB" at 0, straddling the 16-byte chunk border (15..16), and at the end.
  QByteArray data(40, '.');
  data.replace(0, 2, "AB");
  data.replace(15, 2, "AB");
  data.replace(38, 2, "AB");
  Rig r;
  OpenBytes(r, data);
  const ScanOptions small{16};

  const Matcher m(Bytes({'A', 'B'}));
  const auto* raw = reinterpret_cast<const std::uint8_t*>(data.constData());
  EXPECT_EQ(MatchPattern(m, raw, 0, 38), 0);
  EXPECT_EQ(MatchPattern(m, raw, 1, 38), 15);
  EXPECT_EQ(MatchPattern(m, raw, 16, 37), -1);
  EXPECT_EQ(MatchPattern(m, raw, 16, 38), 38);
  EXPECT_EQ(MatchPattern(m, raw, 0, -1), -1);
  EXPECT_EQ(Matcher({}).Find(raw, 0, 38), -1);

  const auto count = [&](const QString& start, const QString& end) {
    EXPECT_TRUE(PrepareSearch(r.s, "AB", start, end, kSearchAscii));
    return CountOccurrences(r.io, nullptr, small, false);
  };
  EXPECT_EQ(count("", ""), 3);
  EXPECT_EQ(count("0", "1"), 1);    // exactly the range
  EXPECT_EQ(count("0", "0"), 0);    // would reach past the end of the range
  EXPECT_EQ(count("1", "16"), 1);   // the one across the border
  EXPECT_EQ(count("16", "39"), 1);  // the last two bytes of the file
  EXPECT_EQ(count("16", "38"), 0);
  EXPECT_EQ(count("30", "20"), 0);  // a start after the end finds nothing

  // Find Next sees the same hits in file order, each once.
  ASSERT_TRUE(PrepareSearch(r.s, "41 42", "", "", kSearchHex));
  r.s.SearchPosition = 0;
  r.s.Found = false;
  for (std::int64_t want : {0, 15, 38}) {
    EXPECT_EQ(FindNext(r.io, nullptr, small), want);
    EXPECT_EQ(r.s.Current.CursorOffset, want);
  }
  EXPECT_EQ(FindNext(r.io, nullptr, small), -1);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found", "Not Found Within Range"}));
  // The byte-wise rules: no folding, and Unicode A is 41 00 only.
  ASSERT_TRUE(PrepareSearch(r.s, "ab", "", "", kSearchAscii));
  EXPECT_EQ(CountOccurrences(r.io, nullptr, small, false), 0);
}

TEST(SearchEngine, CountsOverlapsAndShowsTheCount) {
  Rig r;
  OpenBytes(r, "aaaab");
  ASSERT_TRUE(PrepareSearch(r.s, "aa", "", "", kSearchAscii));
  r.s.SearchPosition = 2;
  r.p.ExpectBox(" 3 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 3);
  EXPECT_FALSE(r.s.Found);
  EXPECT_EQ(r.s.SearchPosition, 2);  // Count leaves Find Next where it was
  EXPECT_EQ(r.s.Current.CursorOffset, 0);

  ASSERT_TRUE(PrepareSearch(r.s, "ba", "", "", kSearchAscii));
  r.p.ExpectBox(" 0 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 0);
  r.p.Verify();
}

TEST(SearchEngine, FindNextGoesOnAfterAHitWithAWorkingBase) {
  QByteArray data(3000, '.');
  for (int at : {500, 1200, 1203, 2500}) data.replace(at, 3, "XYZ");
  Rig r;
  OpenBytes(r, data);
  SetWorkingBase(r, 1000);

  ASSERT_TRUE(PrepareSearch(r.s, "XYZ", "0", "", kSearchAscii));
  r.s.SearchPosition = r.s.Current.WorkingBase + r.s.RangeStart;
  r.s.Found = false;
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 1200);
  EXPECT_EQ(r.s.Current.CursorOffset, 200);
  EXPECT_EQ(r.s.SearchPosition, 1200);
  EXPECT_TRUE(r.s.Found);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 1203);  // never the same hit again
  EXPECT_EQ(r.s.Current.CursorOffset, 203);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), 2500);
  EXPECT_EQ(FindNext(r.io, nullptr, {64}), -1);
  EXPECT_EQ(r.s.Current.CursorOffset, 1500);  // a miss leaves the cursor
  EXPECT_EQ(r.s.SearchPosition, 2500);
  EXPECT_EQ(r.p.notices.back(), "Not Found Within Range");
  EXPECT_GT(r.v.loads, 0);  // the page followed the hits
}

TEST(SearchEngine, FindNextAfterANewFileIsNotFoundAndCancelLeavesTheCursor) {
  Rig r;
  OpenBytes(r, "..XY..XY..", "a.bin");
  ASSERT_TRUE(PrepareSearch(r.s, "XY", "", "", kSearchAscii));
  r.s.SearchPosition = 0;
  r.s.Found = false;
  EXPECT_EQ(FindNext(r.io), 2);

  // A new file resets the range to 0..0: nothing two bytes long fits.
  OpenBytes(r, "XYXYXY", "b.bin");
  EXPECT_EQ(FindNext(r.io), -1);
  EXPECT_EQ(r.p.notices.back(), "Not Found Within Range");

  // Cancel while the scan runs: no notice, no message, cursor unchanged.
  ASSERT_TRUE(PrepareSearch(r.s, "XY", "1", "", kSearchAscii));
  r.s.Current.CursorOffset = 1;
  r.s.SearchPosition = 1;
  r.s.Found = false;
  const auto notices = r.p.notices.size();
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(FindNext(r.io), -1);
  EXPECT_EQ(CountOccurrences(r.io), -1);
  EXPECT_EQ(r.p.notices.size(), notices);
  EXPECT_EQ(r.s.Current.CursorOffset, 1);
  EXPECT_EQ(r.s.SearchPosition, 1);
}

TEST(SearchEngine, ReadFailureIsReportedNotCountedAsNothing) {
  Rig r;
  OpenBytes(r, QByteArray(5000, 'x'));
  ASSERT_TRUE(QFile::resize(r.s.Current.FileName, 100));  // shrunk behind our back
  ASSERT_TRUE(PrepareSearch(r.s, "yy", "", "", kSearchAscii));
  r.p.ExpectBox("The file could not be read. The search was stopped.");
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {64}), -1);
  r.p.Verify();
}

TEST(SearchEngine, CountMatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(12345);
  Rig r;
  for (int round = 0; round < 60; ++round) {
    const int size = 1 + static_cast<int>(rng() % 600);
    QByteArray data(size, '\0');
    for (char& c : data) c = "aab"[rng() % 3];  // a small alphabet: many overlaps
    OpenBytes(r, data, QString("p%1.bin").arg(round % 4));
    QByteArray pat(1 + static_cast<int>(rng() % 4), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    const std::int64_t start = rng() % (size + 5);
    const std::int64_t end = rng() % (size + 5);
    ASSERT_TRUE(PrepareSearch(r.s, QString::fromLatin1(pat), QString::number(start),
                              QString::number(end), kSearchAscii));
    const ScanOptions opt{1 + static_cast<std::int64_t>(rng() % 40)};
    const std::int64_t want =
        ReferenceCount(data, pat, start, std::min<std::int64_t>(end, size - 1));
    EXPECT_EQ(CountOccurrences(r.io, nullptr, opt, false), want)
        << "round " << round << " pattern " << pat.toStdString() << " " << start << ".." << end
        << " chunk " << opt.chunkSize;
    r.io.CloseFile();
  }
}

}  // namespace qx::test
