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
void FindFirst(Rig& r, const QString& text, const QString& start = "", const QString& end = "") {
  ASSERT_TRUE(PrepareSearch(r.s, text, start, end, kSearchAscii));
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

TEST(SearchEngine, CountMatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(12345);
  Rig r;
  for (int round = 0; round < 60; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 600), '\0');
    for (char& c : data) c = "aab"[rng() % 3];  // a small alphabet: many overlaps
    OpenAnew(r, data);
    QByteArray pat(1 + static_cast<int>(rng() % 4), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    const std::int64_t start = rng() % (data.size() + 5), end = rng() % (data.size() + 5);
    FindFirst(r, QString::fromLatin1(pat), QString::number(start), QString::number(end));
    const ScanOptions opt{1 + static_cast<std::int64_t>(rng() % 40)};
    EXPECT_EQ(CountOccurrences(r.io, nullptr, opt, false),
              ReferenceCount(data, pat, start, std::min<std::int64_t>(end, data.size() - 1)))
        << "round " << round << " pattern " << pat.toStdString() << " " << start << ".." << end
        << " chunk " << opt.chunkSize;
  }
}

}  // namespace qx::test
