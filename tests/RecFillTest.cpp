#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <cstring>
#include <random>
#include <thread>

#include "core/Navigation.h"
#include "input/Utility.h"
#include "ops/RecFill.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Find.h"
#include "ui/dialogs/RecFill.h"

namespace qx::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a record fill must leave: byte k of the field of every record of
// the clamped range gets pattern[(k - start) mod L] where the byte exists.
// records: how many records from the first had a field byte to write.
QByteArray Reference(QByteArray data, std::int64_t base, std::int64_t length, const Bytes& pat,
                     RecordRange g, std::int64_t* records = nullptr) {
  const std::int64_t size = data.size();
  const std::int64_t count = (size - base + length - 1) / length;
  const std::int64_t to = std::min(g.to, count - 1);
  const std::int64_t end = std::min(g.endOffset, length - 1);
  if (records) *records = 0;
  if (g.startOffset > end) return data;
  for (std::int64_t r = std::max<std::int64_t>(g.from, 0); r <= to; ++r) {
    const std::int64_t at = base + r * length;
    if (at + g.startOffset < size && records) ++*records;
    for (std::int64_t k = g.startOffset; k <= end && at + k < size; ++k)
      data[static_cast<qsizetype>(at + k)] =
          static_cast<char>(pat[static_cast<std::size_t>((k - g.startOffset) % pat.size())]);
  }
  return data;
}

QString Reopen(Rig& r, const QByteArray& bytes, std::int64_t length, std::int64_t base = 0) {
  r.io.CloseFile();
  const QString path = r.files.Write("f.bin", bytes);
  r.io.OpenFile(path);
  if (base > 0) {
    EXPECT_TRUE(SetWorkingBase(r.io, base));
  }
  EXPECT_TRUE(SetRecordLength(r.io, length));
  return path;
}

QByteArray Dots(int n) {
  return QByteArray(n, '.');
}

}  // namespace

TEST(RecFill, FillsTheFieldOfEveryRecordAndOnlyBytesThatExist) {
  struct Row {
    const char* what;
    int size;
    std::int64_t base, length;
    const char* pattern;
    FillKind kind;
    RecordRange range;
    std::int64_t blockSize;  // 0: the program's own
    const char* want;        // the whole file, when short
  };
  using enum FillKind;
  const Row rows[] = {
      {"ab over 2..5", 24, 0, 8, "ab", Ascii, {0, 2, 2, 5}, 8, "..abab....abab....abab.."},
      {"to the last byte", 24, 0, 8, "xyz", Ascii, {0, 2, 5, 7}, 0, ".....xyz.....xyz.....xyz"},
      {"past the ends", 24, 0, 8, "xyz", Ascii, {1, 99, 6, 100}, 16, "..............xy......xy"},
      {"reversed records", 24, 0, 8, "x", Ascii, {2, 1, 0, 7}, 0, nullptr},
      {"reversed offsets", 24, 0, 8, "x", Ascii, {0, 2, 5, 4}, 0, nullptr},
      {"working base 4", 20, 4, 8, "Q", Ascii, {0, 1, 1, 2}, 0, ".....QQ......QQ....."},
      {"short last record", 22, 0, 8, "abcde", Ascii, {0, 2, 3, 7}, 8, "...abcde...abcde...abc"},
      {"last field past the end", 20, 0, 8, "ab", Ascii, {0, 2, 5, 7}, 8, ".....aba.....aba...."},
      {"record length 1", 11, 0, 1, "ab", Ascii, {3, 7, 0, 0}, 2, "...aaaaa..."},
      {"whole record", 12, 0, 4, "41 42 43", Hex, {0, 2, 0, 3}, 8, "ABCAABCAABCA"},
      {"10 of every 100 bytes", 100000, 0, 100, "0123", Ascii, {0, 999, 10, 19}, 1000, nullptr},
      {"32767-byte field", 3 * 32767, 0, 32767, "0123456789", Ascii, {0, 2, 0, 32766}, 40000, {}},
  };
  Rig r;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const QByteArray before = Dots(row.size);
    const QString path = Reopen(r, before, row.length, row.base);
    r.io.SetUndoRedo(true, true);
    r.s.SearchType = kSearchUnicode;
    const Bytes pat = *BuildFillPattern(row.pattern, row.kind);
    PatchOptions opt;
    if (row.blockSize > 0) opt.blockSize = row.blockSize;
    const RecFillResult res = FillRecords(r.io, pat, row.kind, row.range, nullptr, opt);

    std::int64_t records = 0;
    const QByteArray want = Reference(before, row.base, row.length, pat, row.range, &records);
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == want);  // not printed: some are large
    if (row.want) {
      EXPECT_EQ(got, QByteArray(row.want));
    }
    EXPECT_EQ(res.status, RecFillStatus::Done);
    EXPECT_EQ(res.records, records);
    EXPECT_EQ(r.s.FileLength, row.size);
    EXPECT_EQ(r.s.SearchType, row.kind == FillKind::Hex ? kSearchHex : kSearchAscii);
    // A reversed range writes nothing and leaves Undo as it was.
    EXPECT_EQ(r.s.UndoEnabled || r.s.RedoEnabled, records == 0);
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }
  // An unsaved page edit is offered for saving before the fill.
  const QString path = Reopen(r, Dots(8), 4);
  r.s.PageBuffer[0] = 'E';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  (void)FillRecords(r.io, {'a'}, FillKind::Ascii, {0, 1, 2, 2});
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(path), "E.a...a.");
  EXPECT_FALSE(r.s.Dirty || r.s.UndoEnabled);
}

TEST(RecFill, MatchesAByteArrayOnRandomRanges) {
  std::mt19937 rng(5353);
  Rig r;
  for (int round = 0; round < 60; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 3000), '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const std::int64_t base = rng() % 4 == 0 ? rng() % data.size() : 0;
    const std::int64_t length = 1 + rng() % std::min<std::int64_t>(300, data.size() - base);
    const QString path = Reopen(r, data, length, base);
    Bytes pat(1 + rng() % 41);
    for (auto& b : pat) b = static_cast<std::uint8_t>(rng());
    // As the boxes give them: clamped, and not reversed.
    const std::int64_t to = rng() % r.s.RecordCount;
    const std::int64_t end = rng() % length;
    const RecordRange g{static_cast<std::int64_t>(rng() % (to + 1)), to,
                        static_cast<std::int64_t>(rng() % (end + 1)), end};
    const PatchOptions opt{1 + static_cast<std::int64_t>(rng() % 2000)};
    (void)FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt);
    ASSERT_TRUE(TempFiles::Read(path) == Reference(data, base, length, pat, g))
        << "round " << round << " base " << base << " length " << length << " records " << g.from
        << ".." << g.to << " field " << g.startOffset << ".." << g.endOffset << " block "
        << opt.blockSize;
  }
}

TEST(RecFill, CancelFailureAndAnotherProgramStopCleanly) {
  Rig r;
  const QByteArray before = Dots(10000);
  const Bytes pat{'x', 'y', 'z'};
  const RecordRange g{0, 99, 10, 19};  // 100 records of 100 bytes
  const PatchOptions opt{1000};        // 10 records a block
  const auto filledUpTo = [&](std::int64_t records) {
    return Reference(before, 0, 100, pat, {0, records - 1, 10, 19});
  };

  // Cancel: the blocks already written stay, the rest is untouched.
  {
    const QString path = Reopen(r, before, 100);
    r.p.onEvents = CancelAtEvent(3, [&] { r.s.OperationRunning = false; });
    r.p.ExpectBox(
        "Record fill cancelled. Records 0 to 19 (20 records) were filled; the others "
        "are unchanged.");
    const RecFillResult res = FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt);
    r.p.onEvents = nullptr;
    r.p.Verify();
    EXPECT_EQ(res.status, RecFillStatus::Cancelled);
    EXPECT_EQ(res.records, 20);
    EXPECT_TRUE(TempFiles::Read(path) == filledUpTo(20));
    EXPECT_FALSE(r.s.UndoEnabled);
  }

  // A write that fails: the number of each write call among the fill's calls.
  Reopen(r, before, 100);
  r.sys.Reset();
  ASSERT_EQ(FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt).status, RecFillStatus::Done);
  std::vector<int> writes;
  for (int i = 0; i < static_cast<int>(r.sys.log.size()); ++i) {
    if (r.sys.log[i] == static_cast<int>(SysCalls::Call::Write)) writes.push_back(i);
  }
  ASSERT_EQ(writes.size(), 10u);
  struct Fault {
    int block;  // -1: every write fails with ENOSPC
    int error;
  };
  for (const Fault f : {Fault{0, EIO}, Fault{1, EIO}, Fault{9, EIO}, Fault{-1, ENOSPC}}) {
    SCOPED_TRACE(f.block);
    const QString path = Reopen(r, before, 100);
    if (f.block >= 0) {
      r.sys.Reset({writes[static_cast<std::size_t>(f.block)]});
    } else {
      r.sys.always[SysCalls::Call::Write] = ENOSPC;
    }
    r.p.ExpectBox(QString());
    const RecFillResult res = FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt);
    r.sys.Reset();
    r.sys.always.clear();
    r.p.Verify();
    const std::int64_t done = f.block > 0 ? f.block * 10 : 0;
    EXPECT_EQ(res.status, RecFillStatus::Failed);
    EXPECT_EQ(res.records, done);
    EXPECT_TRUE(TempFiles::Read(path) == filledUpTo(done));
    ASSERT_FALSE(r.p.boxes.empty());
    const auto& box = r.p.boxes.back();
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(f.error))))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(done == 0 ? QString("No record was filled")
                                            : QString("(%1 records)").arg(done)))
        << box.text.toStdString();
    EXPECT_FALSE(r.s.UndoEnabled);
  }

  // Another program changed the file: told, nothing written.
  {
    const QString path = Reopen(r, before, 100);
    const QByteArray theirs(5000, 'T');
    r.files.Write("f.bin", theirs);
    r.p.ExpectBox(QString());
    const RecFillResult res = FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt);
    r.p.Verify();
    EXPECT_EQ(res.status, RecFillStatus::Failed);
    EXPECT_EQ(res.records, 0);
    EXPECT_TRUE(r.p.boxes.back().text.contains("changed by another program"));
    EXPECT_EQ(TempFiles::Read(path), theirs);
  }
}

TEST(RecFillDialog, FollowsTheFieldRulesFillsAndFindOpensWithTheKind) {
  WindowRig r;
  const QString path = r.Open("w.bin", Dots(300));
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 10));
  r.w->Io().SetUndoRedo(true, false);
  struct Round {
    int kind;
    const char *pattern, *from, *start, *want;
    int findType;
  };
  for (const Round& row : {Round{1, "4142", "0", "2", "..ABABABAB", kSearchHex},
                           Round{0, "xy", "10", "5", "..ABAxyxyx", kSearchAscii}}) {
    {
      WhenModal<RecFill> fill([&](RecFill* d) {
        EXPECT_EQ(d->windowTitle(), "Fill Records");
        EXPECT_EQ(d->PatternBox->maxLength(), 40);
        EXPECT_TRUE(d->PatternTypeButton[0]->isChecked());
        EXPECT_EQ(d->focusWidget(), d->PatternBox);
        EXPECT_EQ(d->FromRecordBox->text(), "0");
        EXPECT_EQ(d->ToRecordBox->text(), "29");
        // Choosing a kind keeps the text; the hex kind filters the keys.
        QTest::keyClicks(d->PatternBox, "zz");
        d->PatternTypeButton[1]->click();
        EXPECT_EQ(d->PatternBox->text(), "zz");
        d->PatternBox->clear();
        QTest::keyClicks(d->PatternBox, "4g 1");
        EXPECT_EQ(d->PatternBox->text(), "41");
        d->PatternTypeButton[row.kind]->click();
        d->PatternBox->setText(row.pattern);
        QTest::keyClick(d->PatternBox, Qt::Key_Return);
        EXPECT_EQ(d->focusWidget(), d->StartOffsetBox);
        d->ToRecordBox->clear();
        QTest::keyClick(d->ToRecordBox, Qt::Key_E, Qt::ControlModifier);
        EXPECT_EQ(d->ToRecordBox->text(), "29");

        // Refusals keep the dialog open and write nothing.
        struct Refusal {
          const char *from, *start, *end;
          QWidget* focus;
        };
        for (const Refusal& f :
             {Refusal{"0", "", "9", d->PatternBox}, Refusal{"1-", "0", "9", d->FromRecordBox},
              Refusal{"0", "x", "9", d->StartOffsetBox},
              Refusal{"0", "0", "9 9", d->EndOffsetBox}}) {
          d->FromRecordBox->setText(f.from);
          d->StartOffsetBox->setText(f.start);
          d->EndOffsetBox->setText(f.end);
          r.p.ExpectBox("You must enter values");
          d->FillButton->click();
          r.p.Verify();
          EXPECT_TRUE(d->isVisible());
          EXPECT_EQ(d->focusWidget(), f.focus);
        }
        d->FromRecordBox->setText(row.from);
        d->StartOffsetBox->setText(row.start);
        d->EndOffsetBox->setText("99");
        QTest::keyClick(d->EndOffsetBox, Qt::Key_Return);
        EXPECT_EQ(d->focusWidget(), d->FillButton);
        d->FillButton->click();
      });
      r.w->mnuRecordFill_Click();
    }
    const QByteArray got = TempFiles::Read(path);
    EXPECT_EQ(got.left(10), QByteArray("..ABABABAB"));
    EXPECT_EQ(got.mid(290), QByteArray(row.want));
    EXPECT_FALSE(r.w->MenuItem("mnuEditUndo")->isEnabled());
    EXPECT_EQ(r.s.PageBuffer[12], static_cast<std::uint8_t>(got[12]));  // the page read again
    WhenModal<Find> find([&](Find* f) {
      EXPECT_TRUE(f->SearchTypeButton[row.findType]->isChecked());
      f->CancelButton->click();
    });
    r.w->mnuEditFind_Click();
  }

  // A reversed range closes the dialog and writes nothing; a long file
  // shows the progress bar during the fill.
  const auto fillQ = [&](const char* start, const char* end) {
    WhenModal<RecFill> fill([&](RecFill* d) {
      d->PatternBox->setText("q");
      d->StartOffsetBox->setText(start);
      d->EndOffsetBox->setText(end);
      d->FillButton->click();
    });
    r.w->mnuRecordFill_Click();
  };
  const QByteArray before = TempFiles::Read(path);
  fillQ("5", "4");
  EXPECT_EQ(TempFiles::Read(path), before);
  r.Open("long.bin", Dots(8193));
  bool barShown = false;
  r.p.onEvents = [&] {
    if (auto* d = qobject_cast<RecFill*>(QApplication::activeModalWidget()))
      barShown = barShown || d->Progress->isVisible();
  };
  fillQ("0", "0");
  r.p.onEvents = nullptr;
  EXPECT_TRUE(barShown);
}

}  // namespace qx::test
