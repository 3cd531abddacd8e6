#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include "core/Navigation.h"
#include "input/Utility.h"
#include "ops/Fill.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Fill.h"
#include "ui/dialogs/Find.h"

namespace qx::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

QByteArray AsArray(const Bytes& b) {
  return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// What a fill of start..end must leave: range byte j gets pattern[j mod L].
QByteArray Reference(QByteArray data, std::int64_t base, const QByteArray& pat, std::int64_t start,
                     std::int64_t end) {
  const std::int64_t first = std::max<std::int64_t>(start, 0);
  const std::int64_t last = std::min<std::int64_t>(end, data.size() - base - 1);
  for (std::int64_t j = first; j <= last; ++j)
    data[static_cast<qsizetype>(base + j)] = pat[static_cast<qsizetype>((j - first) % pat.size())];
  return data;
}

// Closes the current file and opens fresh bytes as a new current file.
QString Reopen(Rig& r, const QByteArray& bytes, const QString& name = "f.bin") {
  r.io.CloseFile();
  const QString path = r.files.Write(name, bytes);
  r.io.OpenFile(path);
  return path;
}

}  // namespace

TEST(Fill, BuildsThePatternFromTheText) {
  struct Row {
    const char* text;
    FillKind kind;
    std::optional<QByteArray> want;
  };
  const Row rows[] = {
      {"AB", FillKind::Ascii, QByteArray("AB")},
      {"\xc3\xbf", FillKind::Ascii, QByteArray("\xff")},  // y-diaeresis, code 255
      {"\xc4\x80", FillKind::Ascii, std::nullopt},        // code 256: no byte
      {"", FillKind::Ascii, std::nullopt},
      {"7", FillKind::Hex, QByteArray("\x07")},
      {"f", FillKind::Hex, QByteArray("\x0f")},
      {"ABC", FillKind::Hex, QByteArray("\xab")},
      {"01 02 03", FillKind::Hex, QByteArray("\x01\x02\x03", 3)},
      {" ", FillKind::Hex, std::nullopt},
      {"", FillKind::Hex, std::nullopt},
  };
  for (const Row& row : rows) {
    const auto got = BuildFillPattern(QString::fromUtf8(row.text), row.kind);
    EXPECT_EQ(got ? std::optional<QByteArray>(AsArray(*got)) : std::nullopt, row.want) << row.text;
  }
}

TEST(Fill, WritesThePatternAlignedToTheRangeAndNeverGrowsTheFile) {
  struct Row {
    const char* what;
    int size;
    std::int64_t base;
    const char* pattern;
    FillKind kind;
    std::int64_t start, end;
    std::int64_t pieceSize;  // 0: the program's own
    const char* want;        // the whole file, when short
  };
  const Row rows[] = {
      {"AB over 0..4", 8, 0, "AB", FillKind::Ascii, 0, 4, 0, "ABABA..."},
      {"3 bytes over 20000", 30000, 0, "xyz", FillKind::Ascii, 5, 20004, 0, nullptr},
      {"3 bytes over small pieces", 30000, 0, "xyz", FillKind::Ascii, 5, 20004, 1000, nullptr},
      {"3 bytes over big pieces", 5 << 19, 0, "xyz", FillKind::Ascii, 1, (5 << 19) - 2, 0, nullptr},
      {"hex 7", 4, 0, "7", FillKind::Hex, 1, 2, 0, ".\x07\x07."},
      {"hex ABC", 4, 0, "ABC", FillKind::Hex, 0, 3, 0, "\xab\xab\xab\xab"},
      {"end past the last byte", 6, 0, "ab", FillKind::Ascii, 3, 100, 0, "...aba"},
      {"start past the last byte", 6, 0, "ab", FillKind::Ascii, 6, 100, 0, "......"},
      {"negative start", 6, 0, "ab", FillKind::Ascii, -5, 2, 0, "aba..."},
      {"working base 16", 24, 16, "Q", FillKind::Ascii, 0, 3, 0, "................QQQQ...."},
  };
  Rig r;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const QByteArray before(row.size, '.');
    const QString path = Reopen(r, before);
    if (row.base > 0) {
      ASSERT_TRUE(SetWorkingBase(r.io, row.base));
    }
    r.io.SetUndoRedo(true, true);
    r.s.WholeFileUndo = true;
    const Bytes pat = *BuildFillPattern(row.pattern, row.kind);
    FillOptions opt;
    if (row.pieceSize > 0) opt.pieceSize = row.pieceSize;
    const FillResult res = FillRange(r.io, pat, row.kind, row.start, row.end, nullptr, opt);

    const QByteArray want = Reference(before, row.base, AsArray(pat), row.start, row.end);
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == want);  // not printed: some are megabytes
    if (row.want) {
      EXPECT_EQ(got, QByteArray(row.want));
    }
    EXPECT_EQ(res.status, FillStatus::Done);
    EXPECT_EQ(res.written, std::count_if(got.begin(), got.end(), [](char c) { return c != '.'; }));
    EXPECT_EQ(r.s.FileLength, row.size);
    EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled || r.s.WholeFileUndo);
    EXPECT_EQ(r.s.SearchType, row.kind == FillKind::Hex ? kSearchHex : kSearchAscii);
    // Our own write is not taken for another program's change.
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }
  // An unsaved page edit: kept by a fill that writes nothing, offered for
  // saving before one that writes.
  const QString path = Reopen(r, "......");
  r.s.PageBuffer[0] = 'E';
  r.s.Dirty = true;
  (void)FillRange(r.io, {'a'}, FillKind::Ascii, 6, 9);
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_EQ(r.s.PageBuffer[0], 'E');
  r.p.ExpectBox("Save Change?", Answer::Yes);
  (void)FillRange(r.io, {'a'}, FillKind::Ascii, 2, 3);
  EXPECT_EQ(TempFiles::Read(path), "E.aa..");
  EXPECT_FALSE(r.s.Dirty || r.s.UndoEnabled);
  r.p.Verify();
}

TEST(Fill, MatchesAByteArrayOnRandomRanges) {
  std::mt19937 rng(4242);
  Rig r;
  for (int round = 0; round < 80; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 3000), '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const QString path = Reopen(r, data, QString("r%1.bin").arg(round % 3));
    const std::int64_t base = rng() % 4 == 0 ? rng() % data.size() : 0;
    if (base > 0) {
      ASSERT_TRUE(SetWorkingBase(r.io, base));
    }
    Bytes pat(1 + rng() % 41);
    for (auto& b : pat) b = static_cast<std::uint8_t>(rng());
    const std::int64_t start = static_cast<std::int64_t>(rng() % (data.size() + 20)) - 10;
    const std::int64_t end = start + static_cast<std::int64_t>(rng() % (data.size() + 20));
    const FillOptions opt{1 + static_cast<std::int64_t>(rng() % 200)};
    (void)FillRange(r.io, pat, FillKind::Ascii, start, end, nullptr, opt);
    ASSERT_TRUE(TempFiles::Read(path) == Reference(data, base, AsArray(pat), start, end))
        << "round " << round << " base " << base << " " << start << ".." << end << " pattern "
        << pat.size() << " piece " << opt.pieceSize;
  }
}

TEST(Fill, CancelFailureAndAnotherProgramStopCleanly) {
  Rig r;
  const QByteArray zeros(1 << 20, '\0');
  const Bytes pat{'x', 'y', 'z'};
  // Whole copies of the pattern and whole pages at once.
  const std::int64_t piece = 3 * 4096 * 5;
  const FillOptions opt{piece};
  // The file holds exactly the first `written` bytes of the fill from 10 on.
  const auto expectFilledUpTo = [&](const QString& path, std::int64_t written) {
    EXPECT_TRUE(TempFiles::Read(path) == Reference(zeros, 0, "xyz", 10, 10 + written - 1));
  };

  // Cancel: the pieces already written stay, the rest is untouched.
  {
    const QString path = Reopen(r, zeros);
    r.p.onEvents = CancelAtEvent(3, [&] { r.s.OperationRunning = false; });
    const FillResult res = FillRange(r.io, pat, FillKind::Ascii, 10, (1 << 20) - 1, nullptr, opt);
    r.p.onEvents = nullptr;
    EXPECT_EQ(res.status, FillStatus::Cancelled);
    EXPECT_EQ(res.written, 2 * piece);
    expectFilledUpTo(path, res.written);
    EXPECT_FALSE(r.s.UndoEnabled);
  }

  // A write that fails: the number of each write call among the fill's calls.
  Reopen(r, zeros);
  r.sys.Reset();
  ASSERT_EQ(FillRange(r.io, pat, FillKind::Ascii, 10, (1 << 20) - 1, nullptr, opt).status,
            FillStatus::Done);
  std::vector<int> writes;
  for (int i = 0; i < static_cast<int>(r.sys.log.size()); ++i) {
    if (r.sys.log[i] == static_cast<int>(SysCalls::Call::Write)) writes.push_back(i);
  }
  ASSERT_EQ(static_cast<std::int64_t>(writes.size()), ((1 << 20) - 10 + piece - 1) / piece);
  for (std::size_t k : {std::size_t{0}, std::size_t{1}, writes.size() - 1}) {
    SCOPED_TRACE(k);
    const QString path = Reopen(r, zeros);
    r.sys.Reset({writes[k]});
    r.p.ExpectBox(QString());
    const FillResult res = FillRange(r.io, pat, FillKind::Ascii, 10, (1 << 20) - 1, nullptr, opt);
    r.sys.Reset();
    r.p.Verify();
    EXPECT_EQ(res.status, FillStatus::Failed);
    EXPECT_EQ(res.written, static_cast<std::int64_t>(k) * piece);
    expectFilledUpTo(path, res.written);
    ASSERT_FALSE(r.p.boxes.empty());
    const auto& box = r.p.boxes.back();
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(EIO))))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(k == 0 ? QString("Nothing was filled")
                                         : QString("(%1 bytes)").arg(FormatCount(res.written))))
        << box.text.toStdString();
    EXPECT_FALSE(r.s.UndoEnabled);
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }

  // Another program changed the file: told, nothing written.
  {
    const QString path = Reopen(r, zeros);
    const QByteArray theirs(5000, 'T');
    r.files.Write("f.bin", theirs);
    r.p.ExpectBox(QString());
    const FillResult res = FillRange(r.io, pat, FillKind::Ascii, 0, 99, nullptr, opt);
    r.p.Verify();
    EXPECT_EQ(res.status, FillStatus::Failed);
    EXPECT_EQ(res.written, 0);
    EXPECT_TRUE(r.p.boxes.back().text.contains("changed by another program"));
    EXPECT_EQ(TempFiles::Read(path), theirs);
  }
}

TEST(FillDialog, FollowsTheFieldRulesAndFillsOrCancels) {
  Rig r;
  const QString path = Reopen(r, QByteArray(20000, '.'));
  r.s.Current.CursorOffset = 1234;
  ASSERT_TRUE(SetMark(r.s, 1));  // mark B
  Fill d(nullptr, r.io);
  d.show();
  EXPECT_EQ(d.PatternBox->maxLength(), 40);
  EXPECT_TRUE(d.PatternTypeButton[0]->isChecked());
  EXPECT_EQ(d.focusWidget(), d.PatternBox);
  EXPECT_FALSE(d.Progress->isVisible());

  // Hexadecimal: the box empties, digits are upper-cased, the rest refused;
  // the kind and the text survive a repaint.
  QTest::keyClicks(d.PatternBox, "zz");
  d.PatternTypeButton[1]->click();
  EXPECT_TRUE(d.PatternBox->text().isEmpty());
  QTest::keyClicks(d.PatternBox, "4g 1");
  EXPECT_EQ(d.PatternBox->text(), "41");
  d.repaint();
  QApplication::processEvents();
  EXPECT_TRUE(d.PatternTypeButton[1]->isChecked());
  EXPECT_EQ(d.PatternBox->text(), "41");
  QTest::keyClick(d.PatternBox, Qt::Key_Return);
  EXPECT_EQ(d.focusWidget(), d.StartBox);

  // Range boxes: digits only, a letter is its mark, Ctrl+E the last byte.
  QTest::keyClicks(d.StartBox, "1-,2");
  EXPECT_EQ(d.StartBox->text(), "12");
  QTest::keyClicks(d.StartBox, "b");
  EXPECT_EQ(d.StartBox->text(), "1,234");
  QTest::keyClick(d.EndBox, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(d.EndBox->text(), "19999");

  // Refusals keep the dialog open and write nothing.
  struct Refusal {
    const char *pattern, *start, *end;
    QWidget* focus;
    bool message;
  };
  const Refusal refusals[] = {
      {"41", "", "5", d.PatternBox, true},   {"", "0", "5", d.PatternBox, true},
      {"41", "1x", "5", d.StartBox, true},   {"41", "0", "5-", d.EndBox, true},
      {"41", "9", "5", d.FillButton, false},  // end before start: nothing at all
  };
  for (const Refusal& f : refusals) {
    d.PatternBox->setText(f.pattern);
    d.StartBox->setText(f.start);
    d.EndBox->setText(f.end);
    d.PatternBox->setFocus();
    if (f.message) r.p.ExpectBox("You must enter values");
    QTest::mouseClick(d.FillButton, Qt::LeftButton);
    r.p.Verify();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), f.focus) << f.start << " " << f.end;
  }
  EXPECT_EQ(TempFiles::Read(path), QByteArray(20000, '.'));

  // Cancel during a long fill: the progress bar shows, the dialog closes.
  d.Options.pieceSize = 1000;
  d.PatternBox->setText("41");
  d.StartBox->setText("0");
  d.EndBox->setText("19,999");
  bool barShown = false;
  r.p.onEvents = CancelAtEvent(2, [&] {
    barShown = d.Progress->isVisible();
    d.CancelButton->click();
  });
  QTest::mouseClick(d.FillButton, Qt::LeftButton);
  r.p.onEvents = nullptr;
  EXPECT_TRUE(barShown);
  EXPECT_FALSE(d.isVisible());
  EXPECT_FALSE(d.Progress->isVisible());
  EXPECT_EQ(TempFiles::Read(path), QByteArray(1000, 'A') + QByteArray(19000, '.'));
}

TEST(FillDialog, MenuCommandFillsAndFindOpensWithTheFillsKind) {
  WindowRig r;
  const QString path = r.Open("w.bin", QByteArray(300, '.'));
  r.w->Io().SetUndoRedo(true, false);
  struct Row {
    int kind;
    const char *pattern, *want;
    int findType;
  };
  for (const Row& row :
       {Row{1, "4142", "ABABA", kSearchHex}, Row{0, "xy", "xyxyx", kSearchAscii}}) {
    {
      WhenModal<Fill> fill([&](Fill* d) {
        d->PatternTypeButton[row.kind]->click();
        QTest::keyClicks(d->PatternBox, row.pattern);
        QTest::keyClicks(d->StartBox, "2");
        QTest::keyClicks(d->EndBox, "6");
        QTest::keyClick(d->EndBox, Qt::Key_Return);
        EXPECT_EQ(d->focusWidget(), d->FillButton);
        d->FillButton->click();
      });
      r.w->mnuEditFill_Click();
    }
    EXPECT_EQ(TempFiles::Read(path).mid(2, 5), QByteArray(row.want));
    EXPECT_FALSE(r.w->MenuItem("mnuEditUndo")->isEnabled());
    EXPECT_FALSE(r.w->MenuItem("mnuEditRedo")->isEnabled());
    EXPECT_EQ(r.s.PageBuffer[2], static_cast<std::uint8_t>(row.want[0]));  // the page read again
    WhenModal<Find> find([&](Find* f) {
      EXPECT_TRUE(f->SearchTypeButton[row.findType]->isChecked());
      f->CancelButton->click();
    });
    r.w->mnuEditFind_Click();
  }
}

}  // namespace qx::test
