#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

#include "core/Navigation.h"
#include "fields/Copybook.h"
#include "ops/RecFill.h"
#include "tests/RecordOpContract.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/RecFill.h"

namespace qx::test {

namespace {
using Bytes = std::vector<std::uint8_t>;
}  // namespace

TEST(RecFill, FillsTheFieldOfEveryRecordAndOnlyBytesThatExist) {
  using enum FillKind;
  // what, size, length, pattern, kind, range, block size, records with a
  // field byte, the whole file when short
  using Row = std::tuple<const char*, int, std::int64_t, const char*, FillKind, RecordRange,
                         std::int64_t, std::int64_t, const char*>;
  const Row rows[] = {
      {"past the ends", 24, 8, "xyz", Ascii, {1, 99, 6, 100}, 16, 2, "..............xy......xy"},
      {"offsets reversed", 24, 8, "x", Ascii, {0, 2, 5, 4}, 8, 0, nullptr},
      {"short last record", 22, 8, "abcde", Ascii, {0, 2, 3, 7}, 8, 3, "...abcde...abcde...abc"},
      {"last field gone", 20, 8, "ab", Ascii, {0, 2, 5, 7}, 8, 2, ".....aba.....aba...."},
      {"length 1, hex", 11, 1, "61 62", Hex, {3, 7, 0, 0}, 2, 5, "...aaaaa..."},
      {"from = to", 24, 8, "q", Ascii, {1, 1, 0, 0}, 8, 1, "........q..............."},
      {"32767-byte field", 3 * 32767, 32767, "0123456789", Ascii, {0, 2, 0, 32766}, 40000, 3, {}},
  };
  Rig r;
  for (const auto& [what, size, length, pattern, kind, range, blockSize, records, want] : rows) {
    SCOPED_TRACE(what);
    const QByteArray before(size, '.');
    const QString path = OpenAnew(r, before, 0, length);
    r.io.SetUndoRedo(true, true);
    r.s.SearchType = kSearchUnicode;
    const Bytes pat = *BuildFillPattern(pattern, kind);
    const RecFillResult res = FillRecords(r.io, pat, kind, range, nullptr, {blockSize});
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == FieldFill(before, 0, length, pat, range));  // some are large
    EXPECT_EQ(got, want ? QByteArray(want) : got);
    EXPECT_EQ(std::tuple(res.status, res.records, r.s.FileLength),
              std::tuple(RecFillStatus::Done, records, size));
    EXPECT_EQ(r.s.SearchType, kind == Hex ? kSearchHex : kSearchAscii);
    // A reversed range writes nothing and leaves Undo as it was.
    EXPECT_EQ(r.s.UndoEnabled || r.s.RedoEnabled, records == 0);
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }
  const auto fill = [&] { (void)FillRecords(r.io, {'a'}, FillKind::Ascii, {0, 1, 2, 2}); };
  SavesThePageFirst(r, OpenAnew(r, "........", 0, 4), fill, "E.a...a.");
}

TEST(RecFill, MatchesAByteArrayOnRandomRanges) {
  MatchesReference(5353, 60, 97, [](Rig& r, std::mt19937& rng, int) {
    const QByteArray data = RngBytes(rng, 1 + rng() % 3000);
    const std::int64_t base = rng() % 4 == 0 ? rng() % data.size() : 0;
    const std::int64_t length = 1 + rng() % std::min<std::int64_t>(300, data.size() - base);
    const QString path = OpenAnew(r, data, base, length);
    const Bytes pat = RngBytes<Bytes>(rng, 1 + rng() % 41);
    // As the boxes give them: clamped, and not reversed.
    const std::int64_t to = rng() % r.s.RecordCount;
    const std::int64_t end = rng() % length;
    const RecordRange g{static_cast<std::int64_t>(rng() % (to + 1)), to,
                        static_cast<std::int64_t>(rng() % (end + 1)), end};
    const PatchOptions opt{static_cast<std::int64_t>(1 + rng() % 2000)};
    if (rng() % 3 == 0 && length >= 2) {
      // By value: a packed S9(3) in the records that hold all of it.
      const int at = static_cast<int>(rng() % (length - 1)),
                v = static_cast<int>(rng() % 1999) - 999;
      const LayoutField f{"P", at, {Storage::Packed, 2, 3, 0, true}, {}, {}};
      const int a = std::abs(v);
      const Bytes packed{static_cast<std::uint8_t>(a / 100 << 4 | a / 10 % 10),
                         static_cast<std::uint8_t>(a % 10 << 4 | (v < 0 ? 0xD : 0xC))};
      const std::int64_t room = data.size() - base - at - 2;
      (void)FillRecordsByValue(r.io, f, QString::number(v), g, nullptr, opt);
      return std::pair(
          path, FieldFill(data, base, length, packed,
                          {g.from, room < 0 ? -1 : std::min(to, room / length), at, at + 1}));
    }
    (void)FillRecords(r.io, pat, FillKind::Ascii, g, nullptr, opt);
    return std::pair(path, FieldFill(data, base, length, pat, g));
  });
}

TEST(RecFill, CancelFailureAndAnotherProgramStopCleanly) {
  Rig r;
  const QByteArray before(10000, '.');
  const Bytes pat{'x', 'y', 'z'};
  // Records 1 to 99 of 100 bytes, 10 records a block.
  const auto fill = [&] {
    return FillRecords(r.io, pat, FillKind::Ascii, {1, 99, 10, 19}, nullptr, PatchOptions{1000});
  };
  // Where the write calls of the whole fill fall among its system calls, on
  // a disk that takes so many bytes a write (0: all).
  const auto writesOf = [&](std::size_t bytes) {
    OpenAnew(r, before, 0, 100);
    r.sys.Reset();
    r.sys.shortWrites = bytes;
    EXPECT_EQ(fill().status, RecFillStatus::Done);
    r.sys.shortWrites = 0;
    return WriteCalls(r.sys);
  };
  // Ten writes, one a block; 205 bytes a write: five writes a block, four the last.
  ASSERT_EQ(std::pair(writesOf(0).size(), writesOf(205).size()), std::pair(10ul, 49ul));
  using enum Stop;
  // The blocks already written stay. How it stops, bytes a write, the write that fails,
  // records filled, the last field byte filled in part (-1: none), errno, the message
  const std::tuple<Stop, std::size_t, int, std::int64_t, std::int64_t, int, const char*> rows[] = {
      {Cancel, 0, 0, 20, -1, 0, "Record fill cancelled. Records 1 to 20 (20 records) were filled;"},
      {FailCall, 0, 0, 0, -1, EIO, "No record was filled"},
      {FailCall, 0, 1, 10, -1, EIO, "(10 records)"},
      {FailCall, 0, 9, 90, -1, EIO, "(90 records)"},
      // The second write of block 1 fails: 205 bytes of it reached the file,
      // the fields of records 11 and 12 and half of record 13's.
      {FailCall, 205, 6, 12, 14, EIO,
       "f.bin at offset 1,315: Input/output error\nRecords 1 to 12 (12 records) "
       "were filled; record 13 was filled in part; the others are unchanged."},
      // The first write of block 1 ends exactly where record 14's field
      // starts: 13 records filled whole, none in part.
      {FailCall, 300, 5, 13, -1, EIO,
       "Records 1 to 13 (13 records) were filled; the others are unchanged."},
      // Just after the first field reached the file whole.
      {FailCall, 10, 1, 1, -1, EIO,
       "Records 1 to 1 (1 records) were filled; the others are unchanged."},
      {NoSpace, 0, 0, 0, -1, ENOSPC, "No record was filled"},
      {Theirs, 0, 0, 0, -1, 0, "changed by another program"},
  };
  for (const auto& [stop, bytes, write, done, part, err, says] : rows) {
    SCOPED_TRACE(says);
    const std::vector<int> writes = writesOf(bytes);
    const QString path = OpenAnew(r, before, 0, 100);
    Arm(r, stop, stop == Cancel ? 3 : writes.at(static_cast<std::size_t>(write)));
    r.sys.shortWrites = bytes;
    r.p.ExpectBox(QString());
    const RecFillResult res = fill();
    Disarm(r);
    EXPECT_EQ(res.status, stop == Cancel ? RecFillStatus::Cancelled : RecFillStatus::Failed);
    EXPECT_EQ(res.records, done);
    QByteArray want = FieldFill(before, 0, 100, pat, {1, done, 10, 19});
    if (part >= 0) want = FieldFill(want, 0, 100, pat, {done + 1, done + 1, 10, part});
    EXPECT_TRUE(TempFiles::Read(path) == (stop == Theirs ? TheirBytes() : want));
    r.p.ExpectLastSaid(says, err);
  }
}

TEST(RecFillDialog, FieldsReachTheFillAndAReversedRangeCloses) {
  WindowRig r;
  const QString path = r.Open("w.bin", QByteArray(8300, '.'));
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 10));
  ThroughDialog<RecFill>(r, &QX::mnuRecordFill_Click, [&](RecFill* d) {
    // Choosing a kind keeps the text.
    QTest::keyClicks(d->PatternBox, "4142");
    d->PatternTypeButton[1]->click();
    EXPECT_EQ(d->PatternBox->text(), "4142");
    QTest::keyClick(d->PatternBox, Qt::Key_Return);
    EXPECT_EQ(d->focusWidget(), d->StartOffsetBox);
    // Any empty box sends the focus to the pattern; a bad number to its box.
    r.ExpectRefused({{d->FromRecordBox, "0"}, {d->EndOffsetBox, "9"}}, d->FillButton,
                    d->PatternBox);
    r.ExpectRefused({{d->FromRecordBox, "1-"}, {d->StartOffsetBox, "0"}}, d->FillButton,
                    d->FromRecordBox);
    // The to-record box takes keys as any text box: Ctrl+E means nothing there.
    QTest::keyClicks(d->ToRecordBox, "y");
    QTest::keyClick(d->ToRecordBox, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(d->ToRecordBox->text(), "829y");
    QTest::keyClick(d->ToRecordBox, Qt::Key_Backspace);
    r.SetBoxes({{d->FromRecordBox, "1"}, {d->StartOffsetBox, "2"}, {d->EndOffsetBox, "99"}});
    d->FillButton->click();
  });
  const QByteArray want = QByteArray(10, '.') + QByteArray("..ABABABAB").repeated(829);
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_EQ(r.s.PageBuffer[12], 'A');  // the page read again

  ThroughDialog<RecFill>(r, &QX::mnuRecordFill_Click, [&](RecFill* d) {
    r.SetBoxes({{d->PatternBox, "q"}, {d->StartOffsetBox, "5"}, {d->EndOffsetBox, "4"}});
    d->FillButton->click();
  });
  EXPECT_EQ(TempFiles::Read(path), want);

  // Cancel stops the fill and closes the dialog.
  bool barShown = false;
  ThroughDialog<RecFill>(r, &QX::mnuRecordFill_Click, [&](RecFill* d) {
    r.SetBoxes({{d->PatternBox, "q"}, {d->StartOffsetBox, "0"}, {d->EndOffsetBox, "0"}});
    d->Options.blockSize = 1000;
    r.p.onEvents = CancelAtEvent(2, [&, d] {
      barShown = d->Progress->isVisible();
      d->CancelButton->click();
    });
    r.p.ExpectBox(QString());  // its words are the fill's own
    d->FillButton->click();
    r.p.onEvents = nullptr;
  });
  EXPECT_TRUE(barShown);
  EXPECT_EQ(TempFiles::Read(path).count('q'), 100);

  // By value: encoded once into the field of each record; too big a number writes nothing.
  r.w->UseLayout("r.cpy",
                 std::get<Layout>(ParseCopybook("01 R. 05 A PIC X(8). 05 N PIC S9(3) COMP-3.")));
  QByteArray filled = TempFiles::Read(path);
  ThroughDialog<RecFill>(r, &QX::mnuRecordFill_Click, [&](RecFill* d) {
    d->FieldBox->Select("N");
    d->ValueButton->click();
    r.SetBoxes({{d->PatternBox, "1000"}, {d->FromRecordBox, "1"}});
    r.p.ExpectBox("N holds -999 to 999");
    d->FillButton->click();
    EXPECT_TRUE(TempFiles::Read(path) == filled);
    d->PatternBox->setText("-12");
    d->FillButton->click();
  });
  for (int at = 18; at < filled.size(); at += 10) filled.replace(at, 2, "\x01\x2D");
  EXPECT_TRUE(TempFiles::Read(path) == filled);
  r.p.Verify();
}

}  // namespace qx::test
