#include <QByteArray>
#include <deque>
#include <random>

#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

struct ReplaceRig : Rig {
  QString path;
  std::vector<std::int64_t> asked;  // where Ask First asked

  explicit ReplaceRig(const QByteArray& bytes) {
    path = files.Write("DATA.BIN", bytes);
    io.OpenFile(path);
    EXPECT_EQ(s.FileLength, bytes.size());
  }
  // What the dialog does: Replace All, or Ask First answering in turn.
  ReplaceResult Run(const QString& find, const QString& repl, int type = kSearchAscii,
                    const QString& start = "0", const QString& end = "",
                    std::deque<Answer> answers = {}, std::int64_t chunk = 16) {
    const QString endText = end.isEmpty() ? QString::number(s.WorkingLength - 1) : end;
    if (!ValidateReplaceFields(s, p, find, repl, start, endText, type)) return {};
    AskFn ask;
    if (!answers.empty()) {
      ask = [this, answers](std::int64_t offset) mutable {
        asked.push_back(offset);
        EXPECT_FALSE(answers.empty()) << "unexpected question at " << offset;
        if (answers.empty()) return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
      };
    }
    return PrepareReplace(io, find, repl, type, ask, nullptr, ScanOptions{chunk});
  }
  QByteArray Content() const { return TempFiles::Read(path); }
  QByteArray Backup() const { return TempFiles::Read(files.Path("DATA.BAK")); }
  // Nothing is left behind but the file and its backup.
  void ExpectNoTemporaryFiles() const {
    for (const QString& name : files.Entries())
      EXPECT_FALSE(name.startsWith("qxtmp")) << name.toStdString();
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

TEST(Replace, ReplaceAllGrowsAndShrinksTheFileKeepingABackup) {
  ReplaceRig r("ABcAB");
  const ReplaceResult res = r.Run("AB", "XYZ");
  EXPECT_EQ(res.replaced, 2);
  EXPECT_TRUE(res.committed);
  EXPECT_EQ(r.Content(), "XYZcXYZ");
  EXPECT_EQ(r.Backup(), "ABcAB");
  EXPECT_EQ(r.s.FileLength, 7);
  EXPECT_TRUE(r.s.UndoEnabled);
  r.ExpectNoTemporaryFiles();

  ReplaceRig shrink("aaa");
  shrink.Run("aa", "b");
  EXPECT_EQ(shrink.Content(), "ba");  // occurrences never overlap
  EXPECT_EQ(shrink.s.FileLength, 2);

  // Occurrences far apart, across chunks: every byte between kept, whether
  // it is copied from the file or from the scan's buffer.
  QByteArray far = TempFiles::Counting(400010);
  for (char& c : far) c = static_cast<char>(c & 0x7F);
  for (int at : {3, 20003, 150003, 399990}) far.replace(at, 2, "\xF0\xF1");
  far.replace(9000, 1, "\xF0");
  for (std::int64_t chunk : {1000, 1 << 17}) {
    ReplaceRig big(far);
    big.Run("f0 f1", "01 02 03", kSearchHex, "0", "", {}, chunk);
    EXPECT_EQ(big.Content(), ReferenceReplace(far, "\xF0\xF1", "\x01\x02\x03", 0, 400009));
  }
}

TEST(Replace, AskFirstAsksAtEachOccurrenceAndQuitKeepsTheRest) {
  ReplaceRig r("ABxABxAB");
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii, "0", "", {Answer::No, Answer::Yes, Answer::No}).replaced,
            1);
  EXPECT_EQ(r.asked, std::vector<std::int64_t>({0, 3, 6}));
  EXPECT_EQ(r.Content(), "ABxZxAB");

  ReplaceRig quit("ABxABxAB");
  const ReplaceResult res = quit.Run("AB", "Z", kSearchAscii, "0", "", {Answer::Cancel});
  EXPECT_EQ(res.replaced, 0);
  EXPECT_TRUE(res.committed);
  EXPECT_EQ(quit.Content(), "ABxABxAB");
  EXPECT_EQ(quit.Backup(), "ABxABxAB");
  EXPECT_EQ(quit.s.Current.CursorOffset, 0);  // on the occurrence it asked about

  ReplaceRig later("ABxABxAB");
  later.Run("AB", "Z", kSearchAscii, "0", "", {Answer::Yes, Answer::Cancel});
  EXPECT_EQ(later.Content(), "ZxABxAB");
}

TEST(Replace, TheRangeDecidesWhatIsTouched) {
  QByteArray data(300, '.');
  for (int at : {50, 150, 298}) data.replace(at, 2, "AB");
  // The working base at 100, Start 0: the 100 bytes before the base unchanged.
  ReplaceRig r(data);
  r.s.Current.WorkingBase = 100;
  r.s.WorkingLength = 200;
  r.Run("AB", "Q");
  EXPECT_EQ(r.Content(), ReferenceReplace(data, "AB", "Q", 100, 299));

  ReplaceRig edge(data);  // an occurrence that runs past the range end stays
  edge.Run("AB", "Q", kSearchAscii, "51", "298");
  EXPECT_EQ(edge.Content(), ReferenceReplace(data, "AB", "Q", 51, 298));
  EXPECT_EQ(edge.Content().count('Q'), 1);

  ReplaceRig none(data);  // Start after End: nothing replaced, yet committed
  EXPECT_EQ(none.Run("AB", "Q", kSearchAscii, "200", "100").replaced, 0);
  EXPECT_EQ(none.Content(), data);
  EXPECT_EQ(none.Backup(), data);

  // (base, start, end, replaced): numbers at and past the int64 limits are
  // held there. A Start past the last byte leaves nothing to do: no
  // temporary file, no backup, the file as it was. A negative End is refused.
  const char* kMax = "9223372036854775807";
  for (auto [base, start, end, want] : {std::tuple{0, kMax, kMax, 0},
                                        {100, kMax, kMax, 0},
                                        {100, "200", "", 0},
                                        {0, "99999999999999999999", "", 0},
                                        {0, "0", "-99999999999999999999", 0},
                                        {100, "-9223372036854775808", kMax, 2},
                                        {0, "-99999999999999999999", "99999999999999999999", 3}}) {
    ReplaceRig huge(data);
    huge.s.Current.WorkingBase = base;
    huge.s.WorkingLength = 300 - base;
    const ReplaceResult res = huge.Run("AB", "Q", kSearchAscii, start, end);
    EXPECT_EQ(res.replaced, want) << base << " " << start << ".." << end;
    EXPECT_EQ(res.committed, want > 0) << base << " " << start << ".." << end;
    EXPECT_EQ(huge.Content(), want > 0 ? ReferenceReplace(data, "AB", "Q", base, 299) : data);
    EXPECT_EQ(QFile::exists(huge.files.Path("DATA.BAK")), want > 0);
    huge.ExpectNoTemporaryFiles();
  }
}

TEST(Replace, UnsavedEditUnicodeAndUndoRedo) {
  // A changed page is offered for saving before the rewrite.
  ReplaceRig r("..AB..");
  r.s.PageBuffer[0] = 'A';
  r.s.PageBuffer[1] = 'B';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_EQ(r.Run("AB", "Z").replaced, 2);
  r.p.Verify();
  EXPECT_EQ(r.Content(), "ZZ..");
  EXPECT_EQ(r.Backup(), "ABAB..");

  ReplaceRig u(QByteArray("xA\0B\0y", 6));
  u.Run("AB", "Z", kSearchUnicode);
  EXPECT_EQ(u.Content(), QByteArray("xZ\0y", 4));
  u.io.UndoChange();
  EXPECT_EQ(u.Content(), QByteArray("xA\0B\0y", 6));
  EXPECT_EQ(u.s.FileLength, 6);
  u.io.RedoChange();
  EXPECT_EQ(u.Content(), QByteArray("xZ\0y", 4));
  EXPECT_EQ(u.s.FileLength, 4);
}

TEST(Replace, RefusesTextWithoutBytesAndStopsCleanlyOnFailureOrCancel) {
  ReplaceRig r("ABAB");
  // A lone hex digit, spaces only, an empty replacement: no bytes.
  for (auto [find, repl, type] :
       {std::tuple{"4", "41", kSearchHex}, {"41", "  ", kSearchHex}, {"AB", "", kSearchAscii}}) {
    r.p.ExpectBox("You must enter values");
    r.Run(find, repl, type);
  }
  r.p.Verify();

  // Cancel: no backup, no temporary file, cursor at 0.
  r.s.Current.CursorOffset = 3;
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(r.Run("AB", "Z").status, ScanStatus::Cancelled);
  r.p.onEvents = nullptr;
  EXPECT_EQ(r.Content(), "ABAB");
  EXPECT_FALSE(QFile::exists(r.files.Path("DATA.BAK")));
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  r.ExpectNoTemporaryFiles();

  // A read failure halfway: told, nothing committed, nothing left behind.
  ReplaceRig f(QByteArray(5000, 'A'));
  f.sys.always[SysCalls::Call::Read] = EIO;
  f.p.ExpectBox("The file could not be read.\nOperation aborted; the file was not changed.");
  EXPECT_EQ(f.Run("AA", "B", kSearchAscii, "0", "", {}, 64).status, ScanStatus::Failed);
  f.p.Verify();
  EXPECT_EQ(f.Content(), QByteArray(5000, 'A'));
  EXPECT_FALSE(QFile::exists(f.files.Path("DATA.BAK")));
  f.ExpectNoTemporaryFiles();
}

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
    EXPECT_EQ(r.Content(), ReferenceReplace(data, pat, repl, start,
                                            std::min<std::int64_t>(end, data.size() - 1)))
        << "round " << round << " " << pat.toStdString() << " " << start << ".." << end;
    EXPECT_EQ(r.Backup(), data);
  }
}

}  // namespace qx::test
