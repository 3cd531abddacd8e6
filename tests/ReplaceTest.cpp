#include <QByteArray>
#include <deque>
#include <random>

#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

struct ReplaceRig : Rig {
  QString path;

  void Open(const QByteArray& bytes, const QString& name = "DATA.BIN") {
    path = files.Write(name, bytes);
    io.OpenFile(path);
    ASSERT_EQ(s.FileLength, bytes.size());
  }
  // What the dialog does on Replace All / Ask First.
  ReplaceResult Run(const QString& find, const QString& repl, int type, const QString& start = "0",
                    const QString& end = "", const AskFn& ask = {}, std::int64_t chunk = 16) {
    const QString endText = end.isEmpty() ? QString::number(s.WorkingLength - 1) : end;
    if (!ValidateReplaceFields(s, p, find, repl, start, endText, type)) return {};
    return PrepareReplace(io, find, repl, type, ask, nullptr, ScanOptions{chunk});
  }
  QByteArray Content() const { return TempFiles::Read(path); }
  QByteArray Backup() const { return TempFiles::Read(files.Path("DATA.BAK")); }
  // Nothing but the file and its backup is left behind.
  void ExpectNoTemporaryFiles() const {
    for (const QString& name : files.Entries())
      EXPECT_FALSE(name.startsWith("qxtmp")) << name.toStdString();
  }
};

// Answers the Ask First questions in turn, recording where they were asked.
struct ScriptedAsk {
  explicit ScriptedAsk(std::initializer_list<Answer> a) : answers(a) {}
  std::deque<Answer> answers;
  std::vector<std::int64_t> asked;
  AskFn Fn() {
    return [this](std::int64_t offset) {
      asked.push_back(offset);
      if (answers.empty()) {
        ADD_FAILURE() << "unexpected question at " << offset;
        return Answer::Cancel;
      }
      Answer a = answers.front();
      answers.pop_front();
      return a;
    };
  }
};

// Non-overlapping replacement of pat inside data[first..last], left to right.
QByteArray ReferenceReplace(const QByteArray& data, const QByteArray& pat, const QByteArray& repl,
                            std::int64_t first, std::int64_t last) {
  QByteArray out = data.left(std::min<std::int64_t>(first, data.size()));
  std::int64_t h = first;
  while (h < data.size()) {
    if (h + pat.size() - 1 <= last && data.mid(h, pat.size()) == pat) {
      out += repl;
      h += pat.size();
    } else {
      out += data.at(static_cast<qsizetype>(h));
      ++h;
    }
  }
  return out;
}

}  // namespace

TEST(Replace, ReplaceAllGrowsAndShrinksTheFileKeepingABackup) {
  ReplaceRig r;
  r.Open("ABcAB");
  const ReplaceResult res = r.Run("AB", "XYZ", kSearchAscii);
  EXPECT_EQ(res.replaced, 2);
  EXPECT_TRUE(res.committed);
  EXPECT_EQ(r.Content(), "XYZcXYZ");
  EXPECT_EQ(r.Backup(), "ABcAB");
  EXPECT_EQ(r.s.FileLength, 7);
  EXPECT_TRUE(r.s.UndoEnabled);
  r.ExpectNoTemporaryFiles();

  ReplaceRig shrink;
  shrink.Open("aaa");
  shrink.Run("aa", "b", kSearchAscii);
  EXPECT_EQ(shrink.Content(), "ba");  // occurrences never overlap
  EXPECT_EQ(shrink.s.FileLength, 2);

  // Occurrences far apart, across chunks: every byte between kept, whether
  // it is copied from the file or from the scan's buffer.
  QByteArray far = TempFiles::Counting(400010);
  for (char& c : far) c = static_cast<char>(c & 0x7F);
  for (int at : {3, 20003, 150003, 399990}) far.replace(at, 2, "\xF0\xF1");
  far.replace(9000, 1, "\xF0");
  for (std::int64_t chunk : {1000, 1 << 17}) {
    ReplaceRig big;
    big.Open(far);
    big.Run("f0 f1", "01 02 03", kSearchHex, "0", "", {}, chunk);
    EXPECT_EQ(big.Content(), ReferenceReplace(far, "\xF0\xF1", "\x01\x02\x03", 0, 400009));
    EXPECT_EQ(big.s.SearchType, kSearchHex);  // the next dialog opens with it
  }
}

TEST(Replace, AskFirstAsksAtEachOccurrenceAndQuitKeepsTheRest) {
  ReplaceRig r;
  r.Open("ABxABxAB");
  ScriptedAsk ask{Answer::No, Answer::Yes, Answer::No};
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii, "0", "", ask.Fn()).replaced, 1);
  EXPECT_EQ(ask.asked, std::vector<std::int64_t>({0, 3, 6}));
  EXPECT_EQ(r.Content(), "ABxZxAB");

  ReplaceRig q;
  q.Open("ABxABxAB");
  ScriptedAsk quit{Answer::Cancel};
  const ReplaceResult res = q.Run("AB", "Z", kSearchAscii, "0", "", quit.Fn());
  EXPECT_EQ(res.replaced, 0);
  EXPECT_TRUE(res.committed);
  EXPECT_EQ(q.Content(), "ABxABxAB");
  EXPECT_EQ(q.Backup(), "ABxABxAB");
  EXPECT_EQ(q.s.Current.CursorOffset, 0);  // on the occurrence it asked about

  ReplaceRig later;
  later.Open("ABxABxAB");
  ScriptedAsk yesThenQuit{Answer::Yes, Answer::Cancel};
  later.Run("AB", "Z", kSearchAscii, "0", "", yesThenQuit.Fn());
  EXPECT_EQ(later.Content(), "ZxABxAB");
}

TEST(Replace, TheRangeDecidesWhatIsTouched) {
  QByteArray data(300, '.');
  data.replace(50, 2, "AB");
  data.replace(150, 2, "AB");
  data.replace(298, 2, "AB");
  ReplaceRig r;
  r.Open(data);
  r.s.Current.WorkingBase = 100;
  r.s.WorkingLength = 200;
  r.Run("AB", "Q", kSearchAscii, "0");
  QByteArray want = data;
  want.replace(298, 2, "Q");
  want.replace(150, 2, "Q");
  EXPECT_EQ(r.Content(), want);  // the 100 bytes before the base unchanged

  // An occurrence that runs past the range end stays.
  ReplaceRig edge;
  edge.Open(data);
  edge.Run("AB", "Q", kSearchAscii, "51", "298");
  want = data;
  want.replace(150, 2, "Q");
  EXPECT_EQ(edge.Content(), want);

  // Start after End: nothing replaced, yet the rewrite is committed.
  ReplaceRig none;
  none.Open(data);
  EXPECT_EQ(none.Run("AB", "Q", kSearchAscii, "200", "100").replaced, 0);
  EXPECT_EQ(none.Content(), data);
  EXPECT_EQ(none.Backup(), data);
}

TEST(Replace, AnUnsavedPageEditIsOfferedBeforeTheRewrite) {
  ReplaceRig r;
  r.Open("..AB..");
  r.s.PageBuffer[0] = 'A';
  r.s.PageBuffer[1] = 'B';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii).replaced, 2);
  r.p.Verify();
  EXPECT_EQ(r.Content(), "ZZ..");
  EXPECT_EQ(r.Backup(), "ABAB..");  // the saved edit, before the rewrite
}

TEST(Replace, UnicodeReplacementAndUndoRedo) {
  ReplaceRig r;
  r.Open(QByteArray("xA\0B\0y", 6));
  r.Run("AB", "Z", kSearchUnicode);
  EXPECT_EQ(r.Content(), QByteArray("xZ\0y", 4));

  r.io.UndoChange();
  EXPECT_EQ(r.Content(), QByteArray("xA\0B\0y", 6));
  EXPECT_EQ(r.s.FileLength, 6);
  r.io.RedoChange();
  EXPECT_EQ(r.Content(), QByteArray("xZ\0y", 4));
  EXPECT_EQ(r.s.FileLength, 4);
}

TEST(Replace, RefusesTextWithoutBytesAndStopsCleanlyOnFailureOrCancel) {
  ReplaceRig r;
  r.Open("ABAB");
  r.p.ExpectBox("You must enter values");
  r.Run("4", "41", kSearchHex);  // a lone digit is no byte
  r.p.ExpectBox("You must enter values");
  r.Run("41", "  ", kSearchHex);
  r.p.ExpectBox("You must enter values");
  r.Run("AB", "", kSearchAscii);
  r.p.Verify();
  EXPECT_EQ(r.Content(), "ABAB");
  EXPECT_FALSE(QFile::exists(r.files.Path("DATA.BAK")));

  // Cancel: the file as it was, no backup, no temporary file, cursor at 0.
  r.s.Current.CursorOffset = 3;
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii).status, ScanStatus::Cancelled);
  r.p.onEvents = nullptr;
  EXPECT_EQ(r.Content(), "ABAB");
  EXPECT_FALSE(QFile::exists(r.files.Path("DATA.BAK")));
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  r.ExpectNoTemporaryFiles();

  // A read failure halfway: told, nothing committed, nothing left behind.
  ReplaceRig f;
  f.Open(QByteArray(5000, 'A'));
  ASSERT_TRUE(QFile::resize(f.path, 1000));
  f.p.ExpectBox("The file could not be read.\nOperation aborted; the file was not changed.");
  EXPECT_EQ(f.Run("AA", "B", kSearchAscii, "0", "", {}, 64).status, ScanStatus::Failed);
  f.p.Verify();
  EXPECT_EQ(f.Content(), QByteArray(1000, 'A'));
  EXPECT_FALSE(QFile::exists(f.files.Path("DATA.BAK")));
  f.ExpectNoTemporaryFiles();
}

TEST(Replace, MatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(777);
  for (int round = 0; round < 40; ++round) {
    const int size = 1 + static_cast<int>(rng() % 400);
    QByteArray data(size, '\0');
    for (char& c : data) c = "aab"[rng() % 3];
    QByteArray pat(1 + static_cast<int>(rng() % 3), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    QByteArray repl(static_cast<int>(rng() % 4) + 1, 'Z');
    const std::int64_t start = rng() % (size + 3);
    const std::int64_t end = rng() % (size + 3);
    ReplaceRig r;
    r.Open(data);
    r.Run(QString::fromLatin1(pat), QString::fromLatin1(repl), kSearchAscii, QString::number(start),
          QString::number(end), {}, 1 + rng() % 30);
    EXPECT_EQ(r.Content(),
              ReferenceReplace(data, pat, repl, start, std::min<std::int64_t>(end, size - 1)))
        << "round " << round << " " << pat.toStdString() << " " << start << ".." << end;
    EXPECT_EQ(r.Backup(), data);
  }
}

}  // namespace qx::test
