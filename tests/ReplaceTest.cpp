#include <random>

#include "core/CharacterSet.h"
#include "ops/Fill.h"
#include "ops/FillPattern.h"
#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

struct ReplaceRig : Rig {
  QString path;
  std::vector<std::int64_t> asked;  // where Ask First asked

  explicit ReplaceRig(const QByteArray& bytes) : path(files.Write("DATA.BIN", bytes)) {
    io.OpenFile(path);
  }
  // What the dialog does: Replace All, or Ask First answering in turn, then Cancel.
  ReplaceResult Run(const QString& find, const QString& repl, int type = kSearchAscii,
                    const QString& start = "0", const QString& end = "99999999999999999999",
                    std::vector<Answer> answers = {}, std::int64_t chunk = 16) {
    if (!ValidateReplaceFields(s, p, find, repl, start, end, type)) return {};
    const AskFn ask = [this, answers](std::int64_t offset) {
      asked.push_back(offset);
      return asked.size() <= answers.size() ? answers[asked.size() - 1] : Answer::Cancel;
    };
    return PrepareReplace(io, find, repl, type, answers.empty() ? AskFn{} : ask, nullptr, {chunk});
  }
  QByteArray Content() const { return TempFiles::Read(path); }
  QByteArray Backup() const { return TempFiles::Read(files.Path("DATA.BAK")); }
  // Nothing is left behind but the file and, when committed, its backup.
  void ExpectLeftOnly(bool backup) const {
    EXPECT_EQ(files.Entries(),
              backup ? QStringList({"DATA.BAK", "DATA.BIN"}) : QStringList({"DATA.BIN"}));
  }
};

// Non-overlapping replacement of pat inside data[first..last], left to right.
QByteArray ReferenceReplace(const QByteArray& data, const QByteArray& pat, const QByteArray& repl,
                            std::int64_t first, std::int64_t last) {
  QByteArray out = data.left(std::min<std::int64_t>(first, data.size()));
  for (std::int64_t h = first; h < data.size();) {
    const bool hit = h + pat.size() - 1 <= last && data.mid(h, pat.size()) == pat;
    out += hit ? repl : data.mid(h, 1);
    h += hit ? pat.size() : 1;
  }
  return out;
}

}  // namespace

TEST(Replace, AsksAtEachOccurrenceKeepsABackupAndStopsCleanly) {
  // Occurrences far apart, across chunks: every byte between kept, whether
  // it is copied from the file or from the scan's buffer.
  QByteArray far = TempFiles::Counting(400010);
  for (char& c : far) c = static_cast<char>(c & 0x7F);
  for (int at : {3, 20003, 150003, 399990}) far.replace(at, 2, "\xF0\xF1");
  far.replace(9000, 1, "\xF0");
  for (std::int64_t chunk : {1000, 1 << 17}) {
    ReplaceRig big(far);
    big.Run("f0 f1", "01 02 03", kSearchHex, "0", "99999999999999999999", {}, chunk);
    EXPECT_EQ(big.Content(), ReferenceReplace(far, "\xF0\xF1", "\x01\x02\x03", 0, 400009));
  }

  // A changed page is offered for saving before the rewrite. Ask First: No
  // keeps, Yes replaces, Cancel keeps the rest.
  ReplaceRig r("ABxABxABxAB");
  r.s.PageBuffer[0] = 'Q';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii, "0", "99", {Answer::No, Answer::Yes}).replaced, 1);
  EXPECT_EQ(r.asked, std::vector<std::int64_t>({3, 6, 9}));
  EXPECT_EQ(r.Content(), "QBxABxZxAB");
  EXPECT_EQ(r.Backup(), "QBxABxABxAB");
  EXPECT_EQ(r.s.Current.CursorOffset, 9);  // on the occurrence it asked about

  // A lone hex digit, spaces only, an empty replacement: no bytes.
  for (auto [find, repl, type] :
       {std::tuple{"4", "41", kSearchHex}, {"41", "  ", kSearchHex}, {"AB", "", kSearchAscii}}) {
    r.p.ExpectBox("You must enter values");
    r.Run(find, repl, type);
  }
  r.p.Verify();

  // Cancel: no new backup, no temporary file, cursor at 0.
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(r.Run("AB", "Y").status, ScanStatus::Cancelled);
  EXPECT_EQ(r.Content(), "QBxABxZxAB");
  EXPECT_EQ(r.Backup(), "QBxABxABxAB");
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  r.ExpectLeftOnly(true);

  // A read failure halfway: told, nothing committed, nothing left behind.
  ReplaceRig f(QByteArray(5000, 'A'));
  f.sys.always[SysCalls::Call::Read] = EIO;
  f.p.ExpectBox("The file could not be read.\nOperation aborted; the file was not changed.");
  EXPECT_EQ(f.Run("AA", "B", kSearchAscii, "0", "99999", {}, 64).status, ScanStatus::Failed);
  f.p.Verify();
  EXPECT_EQ(f.Content(), QByteArray(5000, 'A'));
  f.ExpectLeftOnly(false);
}

TEST(Replace, NumbersAtAndPastTheInt64LimitsAreHeldThere) {
  QByteArray data(300, '.');
  for (int at : {50, 150, 298}) data.replace(at, 2, "AB");
  // (base, start, end, replaced, the first byte of the range): a Start past the
  // last byte writes nothing, no backup either; a negative End is refused;
  // Start 0 is at the working base; a range just as long as the pattern.
  const char* kMax = "9223372036854775807";
  for (auto [base, start, end, want, first] :
       {std::tuple{100, kMax, kMax, 0, 0},
        {0, "0", "-99999999999999999999", 0, 0},
        {100, "-99999999999999999999", "99999999999999999999", 2, 100},
        {100, "198", "199", 1, 298}}) {
    ReplaceRig huge(data);
    huge.s.Current.WorkingBase = base;
    huge.s.WorkingLength = 300 - base;
    EXPECT_EQ(huge.Run("AB", "Q", kSearchAscii, start, end).replaced, want) << start;
    EXPECT_EQ(huge.Content(), want > 0 ? ReferenceReplace(data, "AB", "Q", first, 299) : data);
    huge.ExpectLeftOnly(want > 0);
  }
}

// Grows and shrinks, overlapping candidates, ranges past the end or empty.
TEST(Replace, MatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(777);
  for (int round = 0; round < 40; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 400), '\0');
    for (char& c : data) c = "aab"[rng() % 3];
    QByteArray pat(1 + static_cast<int>(rng() % 3), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    const QByteArray repl(static_cast<int>(rng() % 4) + 1, 'Z');
    const std::int64_t start = rng() % (data.size() + 3), end = rng() % (data.size() + 3);
    ReplaceRig r(data);
    r.Run(QString::fromLatin1(pat), QString::fromLatin1(repl), kSearchAscii, QString::number(start),
          QString::number(end), {}, 1 + rng() % 30);
    EXPECT_EQ(r.Content(), ReferenceReplace(data, pat, repl, start, end)) << "round " << round;
    EXPECT_EQ(r.Backup(), data);
  }
}

// Text patterns take the file's character set: found, counted, replaced
// (with text of another length) and filled in EBCDIC; switched back to
// ASCII, Find Next encodes the last text anew; a character the set lacks
// is refused with its notice.
TEST(Replace, TextPatternsAreEncodedInTheFilesCharacterSet) {
  const CharacterSet& ebcdic = CharacterSetOf("IBM037");
  const auto encoded = [&](const QString& text) {
    QByteArray b;
    for (QChar c : text) b += static_cast<char>(*ebcdic.Encode(c));
    return b;
  };
  ReplaceRig r(encoded("HELLO WORLD, HELLO"));
  r.s.Current.CharSet = "IBM037";
  ASSERT_TRUE(PrepareSearch(r.s, "HELLO", "0", "17", kSearchAscii));
  EXPECT_EQ(r.s.Pattern, (std::vector<std::uint8_t>{0xC8, 0xC5, 0xD3, 0xD3, 0xD6}));
  EXPECT_EQ(FindNext(r.io, nullptr, {}), 0);
  EXPECT_EQ(FindNext(r.io, nullptr, {}), 13);
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {}, false), 2);
  r.s.Current.CharSet = kAsciiSetName;
  r.s.Found = false;
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {}, false), 0);
  EXPECT_EQ(r.s.Pattern, (std::vector<std::uint8_t>{'H', 'E', 'L', 'L', 'O'}));
  r.s.Current.CharSet = "IBM037";

  EXPECT_EQ(r.Run("HELLO", "HI!").replaced, 2);
  EXPECT_EQ(r.Content(), encoded("HI! WORLD, HI!"));
  r.p.messages.clear();
  EXPECT_EQ(r.Run("WORLD", "\u20AC").replaced, 0);  // the euro is not in IBM037
  EXPECT_EQ(r.p.messages, QStringList{"No code for \"\u20AC\" in IBM037"});
  EXPECT_EQ(r.Content(), encoded("HI! WORLD, HI!"));

  const auto pattern = BuildFillPattern("ab", FillKind::Ascii, ebcdic);
  ASSERT_TRUE(pattern);
  (void)FillRange(r.io, *pattern, FillKind::Ascii, 4, 8);
  EXPECT_EQ(r.Content(), encoded("HI! ababa, HI!"));
}

}  // namespace qx::test
