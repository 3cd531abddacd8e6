#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <cstring>
#include <random>

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

}  // namespace

TEST(RecFill, FillsTheFieldOfEveryRecordAndOnlyBytesThatExist) {
  using enum FillKind;
  // what, size, length, pattern, kind, range, block size (0: the program's
  // own), the whole file when short
  const std::tuple<const char*, int, std::int64_t, const char*, FillKind, RecordRange, std::int64_t,
                   const char*>
      rows[] = {
          {"ab over 2..5", 24, 8, "ab", Ascii, {0, 2, 2, 5}, 8, "..abab....abab....abab.."},
          {"past the ends", 24, 8, "xyz", Ascii, {1, 99, 6, 100}, 16, "..............xy......xy"},
          {"offsets reversed", 24, 8, "x", Ascii, {0, 2, 5, 4}, 0, nullptr},
          {"short last record", 22, 8, "abcde", Ascii, {0, 2, 3, 7}, 8, "...abcde...abcde...abc"},
          {"last field past the end", 20, 8, "ab", Ascii, {0, 2, 5, 7}, 8, ".....aba.....aba...."},
          {"record length 1", 11, 1, "ab", Ascii, {3, 7, 0, 0}, 2, "...aaaaa..."},
          {"whole record", 12, 4, "41 42 43", Hex, {0, 2, 0, 3}, 8, "ABCAABCAABCA"},
          {"32767-byte field", 3 * 32767, 32767, "0123456789", Ascii, {0, 2, 0, 32766}, 40000, {}},
      };
  Rig r;
  for (const auto& [what, size, length, pattern, kind, range, blockSize, want] : rows) {
    SCOPED_TRACE(what);
    const QByteArray before(size, '.');
    const QString path = Reopen(r, before, length);
    r.io.SetUndoRedo(true, true);
    r.s.SearchType = kSearchUnicode;
    const Bytes pat = *BuildFillPattern(pattern, kind);
    PatchOptions opt;
    if (blockSize > 0) opt.blockSize = blockSize;
    const RecFillResult res = FillRecords(r.io, pat, kind, range, nullptr, opt);
    std::int64_t records = 0;
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == Reference(before, 0, length, pat, range, &records));  // some are large
    if (want) {
      EXPECT_EQ(got, QByteArray(want));
    }
    EXPECT_EQ(res.status, RecFillStatus::Done);
    EXPECT_EQ(res.records, records);
    EXPECT_EQ(r.s.FileLength, size);
    EXPECT_EQ(r.s.SearchType, kind == Hex ? kSearchHex : kSearchAscii);
    // A reversed range writes nothing and leaves Undo as it was.
    EXPECT_EQ(r.s.UndoEnabled || r.s.RedoEnabled, records == 0);
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }
  // An unsaved page edit is offered for saving before the fill.
  const QString path = Reopen(r, "........", 4);
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
  const QByteArray before(10000, '.');
  const Bytes pat{'x', 'y', 'z'};
  const RecordRange g{0, 99, 10, 19};  // 100 records of 100 bytes
  const PatchOptions opt{1000};        // 10 records a block
  const auto fill = [&] { return FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt); };

  // Where the write calls of the whole fill fall among its system calls.
  QString path = Reopen(r, before, 100);
  r.sys.Reset();
  ASSERT_EQ(fill().status, RecFillStatus::Done);
  std::vector<int> writes;
  for (int i = 0; i < static_cast<int>(r.sys.log.size()); ++i) {
    if (r.sys.log[i] == static_cast<int>(SysCalls::Call::Write)) writes.push_back(i);
  }
  ASSERT_EQ(writes.size(), 10u);
  // Cancel at the third event (block -2), the write of a block failing, or
  // every write failing with ENOSPC (-1): the blocks already written stay.
  for (const int block : {-2, 0, 1, 9, -1}) {
    SCOPED_TRACE(block);
    path = Reopen(r, before, 100);
    if (block == -2) {
      r.p.onEvents = CancelAtEvent(3, [&] { r.s.OperationRunning = false; });
      r.p.ExpectBox(
          "Record fill cancelled. Records 0 to 19 (20 records) were filled; the others "
          "are unchanged.");
    } else if (block >= 0) {
      r.sys.Reset({writes[static_cast<std::size_t>(block)]});
    } else {
      r.sys.always[SysCalls::Call::Write] = ENOSPC;
    }
    if (block >= -1) r.p.ExpectBox(QString());
    const RecFillResult res = fill();
    r.p.onEvents = nullptr;
    r.sys.Reset();
    r.sys.always.clear();
    r.p.Verify();
    const std::int64_t done = block == -2 ? 20 : std::max(block, 0) * 10;
    EXPECT_EQ(res.status, block == -2 ? RecFillStatus::Cancelled : RecFillStatus::Failed);
    EXPECT_EQ(res.records, done);
    EXPECT_TRUE(TempFiles::Read(path) == Reference(before, 0, 100, pat, {0, done - 1, 10, 19}));
    EXPECT_FALSE(r.s.UndoEnabled);
    if (block == -2) continue;
    const auto& box = r.p.boxes.back();
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(block < 0 ? ENOSPC : EIO))))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(done == 0 ? QString("No record was filled")
                                            : QString("(%1 records)").arg(done)))
        << box.text.toStdString();
  }

  // Another program changed the file: told, nothing written.
  path = Reopen(r, before, 100);
  const QByteArray theirs(5000, 'T');
  r.files.Write("f.bin", theirs);
  r.p.ExpectBox(QString());
  const RecFillResult res = fill();
  r.p.Verify();
  EXPECT_EQ(res.status, RecFillStatus::Failed);
  EXPECT_EQ(res.records, 0);
  EXPECT_TRUE(r.p.boxes.back().text.contains("changed by another program"));
  EXPECT_EQ(TempFiles::Read(path), theirs);
}

// One run through the dialog on a file long enough for the bar, then a
// reversed range.
TEST(RecFillDialog, FieldsReachTheFillFindOpensWithItsKind) {
  WindowRig r;
  const QString path = r.Open("w.bin", QByteArray(8300, '.'));
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 10));
  r.w->Io().SetUndoRedo(true, false);
  bool barShown = false;
  r.p.onEvents = [&] {
    if (auto* d = qobject_cast<RecFill*>(QApplication::activeModalWidget()))
      barShown = barShown || d->Progress->isVisible();
  };
  {
    WhenModal<RecFill> fill([&](RecFill* d) {
      EXPECT_EQ(d->focusWidget(), d->PatternBox);
      EXPECT_EQ(d->ToRecordBox->text(), "829");
      // Choosing a kind keeps the text.
      QTest::keyClicks(d->PatternBox, "zz");
      d->PatternTypeButton[1]->click();
      EXPECT_EQ(d->PatternBox->text(), "zz");
      d->PatternBox->setText("4142");
      QTest::keyClick(d->PatternBox, Qt::Key_Return);
      EXPECT_EQ(d->focusWidget(), d->StartOffsetBox);
      // Refusals keep the dialog open and write nothing.
      for (const auto& [from, start, end, focus] :
           {std::tuple<const char*, const char*, const char*, QWidget*>{"0", "", "9",
                                                                        d->PatternBox},
            {"1-", "0", "9", d->FromRecordBox},
            {"0", "x", "9", d->StartOffsetBox},
            {"0", "0", "9 9", d->EndOffsetBox}}) {
        d->FromRecordBox->setText(from);
        d->StartOffsetBox->setText(start);
        d->EndOffsetBox->setText(end);
        r.p.ExpectBox("You must enter values");
        d->FillButton->click();
        r.p.Verify();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->focusWidget(), focus);
      }
      d->FromRecordBox->setText("1");
      d->StartOffsetBox->setText("2");
      d->EndOffsetBox->setText("99");
      QTest::keyClick(d->EndOffsetBox, Qt::Key_Return);
      EXPECT_EQ(d->focusWidget(), d->FillButton);
      d->FillButton->click();
    });
    r.w->mnuRecordFill_Click();
  }
  r.p.onEvents = nullptr;
  EXPECT_TRUE(barShown);
  const QByteArray want = QByteArray(10, '.') + QByteArray("..ABABABAB").repeated(829);
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_FALSE(r.w->MenuItem("mnuEditUndo")->isEnabled());
  EXPECT_EQ(r.s.PageBuffer[12], 'A');  // the page read again
  {
    WhenModal<Find> find([&](Find* f) {
      EXPECT_TRUE(f->SearchTypeButton[kSearchHex]->isChecked());
      f->CancelButton->click();
    });
    r.w->mnuEditFind_Click();
  }

  // A reversed range closes the dialog and writes nothing.
  WhenModal<RecFill> reversed([&](RecFill* d) {
    d->PatternBox->setText("q");
    d->StartOffsetBox->setText("5");
    d->EndOffsetBox->setText("4");
    d->FillButton->click();
  });
  r.w->mnuRecordFill_Click();
  EXPECT_EQ(TempFiles::Read(path), want);
}

}  // namespace qx::test
