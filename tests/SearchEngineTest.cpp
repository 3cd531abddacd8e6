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

void FindFirst(Rig& r, const QString& text, const QString& start = "", const QString& end = "",
               int type = kSearchAscii) {
  ASSERT_TRUE(PrepareSearch(r.s, text, start, end, type));
  r.s.SearchPosition = AddClamped(r.s.Current.WorkingBase, r.s.RangeStart);
  r.s.Found = false;
}

// Starts of pat wholly inside data[first..last], overlaps included; with a
// field, only those wholly inside it (records of length from base).
std::vector<std::int64_t> ReferenceHits(const QByteArray& data, const QByteArray& pat,
                                        std::int64_t first, std::int64_t last, bool matchCase,
                                        const FieldScope& field, std::int64_t base,
                                        std::int64_t length) {
  const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const std::int64_t end = std::min(field.offset + field.length, length);  // in the record
  std::vector<std::int64_t> hits;
  for (std::int64_t h = first; h + pat.size() - 1 <= last; ++h) {
    const std::int64_t in = (h - base) % length;
    const bool inField = !field.Active() || (in >= field.offset && in + pat.size() <= end);
    if (inField && data.mid(h, pat.size()).compare(pat, cs) == 0) hits.push_back(h);
  }
  return hits;
}

}  // namespace

TEST(SearchEngine, FindNextGoesOnCountLeavesTheCursorAndBothStopCleanly) {
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
  // Numbers past the int64 limits are held there, and the End the dialog
  // shows next is the last byte; Count leaves Find Next and the cursor.
  FindFirst(r, "XYZ", "-99999999999999999999", "99999999999999999999");
  EXPECT_EQ(r.s.RangeEnd, 1999);
  r.p.ExpectBox(" 3 Occurrences");
  EXPECT_EQ(CountOccurrences(r.io), 3);
  EXPECT_EQ(std::tuple(r.s.SearchPosition, r.s.Current.CursorOffset), std::tuple(1000, 1500));
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
  r.p.onEvents = {};

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

TEST(SearchEngine, CountAndFindNextMatchAReferenceOnRandomDataAndRanges) {
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
    const std::vector<std::int64_t> want =
        ReferenceHits(data, pat, base + start, std::min<std::int64_t>(base + end, data.size() - 1),
                      r.s.MatchCase, r.s.SearchField, base, length);
    EXPECT_EQ(CountOccurrences(r.io, nullptr, opt, false), std::ssize(want))
        << "round " << round << " pattern " << pat.toStdString() << " " << start << ".." << end
        << " chunk " << opt.chunkSize;
    // Stopped past the count: a Find Next that repeats a hit must not run forever.
    std::vector<std::int64_t> hits;
    for (std::int64_t h; hits.size() <= want.size() && (h = FindNext(r.io, nullptr, opt)) >= 0;)
      hits.push_back(h);
    EXPECT_EQ(hits, want) << "round " << round;
  }
}

// "ÿ" has no other case in ISO 8859-1 or IBM037; the Unicode kind folds as ISO 8859-1
// in every set; the hexadecimal kind folds nothing.
TEST(SearchEngine, MatchCaseOffFoldsTheLettersOfTheFilesSet) {
  const QByteArray unicode = QByteArray("Q\0u\0I\0m\0B\0y\0 \0\xC9\0", 16);
  // (set, file, pattern, kind, occurrences with Match case off, on); the
  // IBM037 files are "ÉCOLE école" and "ÿ¤ÿß".
  const std::tuple<QString, QByteArray, QString, int, int, int> rows[] = {
      {"ISO-8859-1", QString("\u00C9COLE \u00E9cole").toLatin1(), "\u00E9cole", kSearchAscii, 2, 1},
      {"ISO-8859-1", QString("\u00FF\u00DF\u00FF").toLatin1(), "\u00FF", kSearchAscii, 2, 2},
      {"IBM037", QByteArray::fromHex("71C3D6D3C5405183969385"), "\u00C9COLE", kSearchAscii, 2, 1},
      {"IBM037", QByteArray::fromHex("DF9FDF59"), "\u00FF", kSearchAscii, 2, 2},
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
