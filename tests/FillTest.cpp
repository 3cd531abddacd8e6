#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

#include "input/Utility.h"
#include "ops/Fill.h"
#include "tests/RecordOpContract.h"
#include "ui/dialogs/Fill.h"

namespace qx::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A fill of start..end is one of a single record's field, the record as long as the file.
QByteArray Reference(const QByteArray& data, std::int64_t base, const Bytes& pat,
                     std::int64_t start, std::int64_t end) {
  return FieldFill(data, base, std::max<std::int64_t>(end + 1, data.size()), pat,
                   {0, 0, std::max<std::int64_t>(start, 0), end});
}

}  // namespace

TEST(Fill, WritesThePatternAlignedToTheRangeAndNeverGrowsTheFile) {
  // Nothing to repeat is no pattern.
  EXPECT_FALSE(BuildFillPattern("", FillKind::Ascii) || BuildFillPattern(" ", FillKind::Hex));
  using enum FillKind;
  // what, size, base, pattern, kind, start, end, the whole file when short
  const std::tuple<const char*, int, std::int64_t, const char*, FillKind, std::int64_t,
                   std::int64_t, const char*>
      rows[] = {
          {"3 bytes over many pieces", 5 << 19, 0, "xyz", Ascii, 1, (5 << 19) - 2, nullptr},
          {"hex 7", 4, 0, "7", Hex, 1, 2, ".\x07\x07."},
          {"end past the last byte", 6, 0, "ab", Ascii, 3, 100, "...aba"},
          {"start past the last byte", 6, 0, "ab", Ascii, 6, 100, "......"},
          {"working base 16", 24, 16, "Q", Ascii, 0, 3, "................QQQQ...."},
          {"as long as the pattern", 6, 0, "abc", Ascii, 2, 4, "..abc."},
          {"start before the first byte", 6, 0, "ab", Ascii, -3, 2, "aba..."},
          {"8,193 bytes: no bar yet", 8193, 0, "ab", Ascii, 0, 8192, nullptr},
      };
  Rig r;
  for (const auto& [what, size, base, pattern, kind, start, end, want] : rows) {
    SCOPED_TRACE(what);
    const QByteArray before(size, '.');
    const QString path = OpenAnew(r, before, base);
    r.io.SetUndoRedo(true, true);
    r.s.WholeFileUndo = true;
    const Bytes pat = *BuildFillPattern(pattern, kind);
    FakeBar bar;
    const FillResult res = FillRange(r.io, pat, kind, start, end, &bar);
    EXPECT_EQ(bar.shown, res.written > 8193);
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == Reference(before, base, pat, start, end));
    EXPECT_EQ(got, want ? QByteArray(want) : got);
    EXPECT_EQ(std::tuple(res.status, res.written, r.s.FileLength),
              std::tuple(FillStatus::Done, got.size() - got.count('.'), size));
    EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled || r.s.WholeFileUndo);
    EXPECT_EQ(r.s.SearchType, kind == Hex ? kSearchHex : kSearchAscii);
    // Our own write is not taken for another program's change.
    EXPECT_FALSE(r.io.FileChangedOnDisk());
  }
  // A fill that writes nothing keeps an unsaved page edit as it is.
  const QString path = OpenAnew(r, "......");
  SavesThePageFirst(
      r, path,
      [&] {
        (void)FillRange(r.io, {'a'}, FillKind::Ascii, 6, 9);
        EXPECT_TRUE(r.s.Dirty && r.s.PageBuffer[0] == 'E');
        (void)FillRange(r.io, {'a'}, FillKind::Ascii, 2, 3);
      },
      "E.aa..");
}

// Pieces of 1..200 bytes: none holds whole pages, so each is whole copies only.
TEST(Fill, MatchesAByteArrayOnRandomRanges) {
  MatchesReference(4242, 80, 97, [](Rig& r, std::mt19937& rng, int round) {
    const QByteArray data = RngBytes(rng, 1 + rng() % 3000);
    const std::int64_t base = rng() % 4 == 0 ? rng() % data.size() : 0;
    const QString path = OpenAnew(r, data, base, 0, QString("r%1.bin").arg(round % 3));
    const Bytes pat = RngBytes<Bytes>(rng, 1 + rng() % 41);
    const std::int64_t start = static_cast<std::int64_t>(rng() % (data.size() + 20)) - 10;
    const std::int64_t end = start + static_cast<std::int64_t>(rng() % (data.size() + 20));
    const FillOptions opt{1 + static_cast<std::int64_t>(rng() % 200)};
    (void)FillRange(r.io, pat, FillKind::Ascii, start, end, nullptr, opt);
    return std::pair(path, Reference(data, base, pat, start, end));
  });
}

TEST(Fill, CancelFailureAndAnotherProgramStopCleanly) {
  Rig r;
  const QByteArray zeros(1 << 20, '\0');
  const Bytes pat{'x', 'y', 'z'};
  const std::int64_t piece = 3 * 4096 * 5;  // whole copies and whole pages at once
  const auto fill = [&] {
    return FillRange(r.io, pat, FillKind::Ascii, 10, (1 << 20) - 1, nullptr, {piece});
  };
  // Where the write calls of the whole fill fall among its system calls.
  OpenAnew(r, zeros);
  r.sys.Reset();
  ASSERT_EQ(fill().status, FillStatus::Done);
  const std::vector<int> writes = WriteCalls(r.sys);
  const int last = static_cast<int>(writes.size()) - 1;
  ASSERT_EQ(last + 1, ((1 << 20) - 10 + piece - 1) / piece);
  // A Cancel that comes after the last piece finds the fill done.
  OpenAnew(r, zeros);
  r.p.onEvents = CancelAtEvent(last + 2, [&] { r.s.OperationRunning = false; });
  EXPECT_EQ(fill().status, FillStatus::Done);
  r.p.onEvents = nullptr;
  // Cancel at the third event (-1), the first, second or last write failing,
  // another program's change (-2): the pieces already written stay.
  for (const int k : {-1, 0, 1, last, -2}) {
    SCOPED_TRACE(k);
    const QString path = OpenAnew(r, zeros);
    if (k == -1) Arm(r, Stop::Cancel, 3);
    if (k >= 0) Arm(r, Stop::FailCall, writes[static_cast<std::size_t>(k)]);
    if (k == -2) Arm(r, Stop::Theirs);
    if (k != -1) r.p.ExpectBox(QString());
    const FillResult res = fill();
    Disarm(r);
    EXPECT_EQ(res.status, k == -1 ? FillStatus::Cancelled : FillStatus::Failed);
    EXPECT_EQ(res.written, (k == -1 ? 2 : std::max(k, 0)) * piece);
    EXPECT_TRUE(TempFiles::Read(path) ==
                (k == -2 ? TheirBytes() : Reference(zeros, 0, pat, 10, 10 + res.written - 1)));
    if (k == -1) continue;
    EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
    r.p.ExpectLastSaid(k == -2  ? QString("changed by another program")
                       : k == 0 ? QString("Nothing was filled")
                                : QString("Bytes 10 to %1 (%2 bytes) were filled")
                                      .arg(FormatCount(9 + res.written), FormatCount(res.written)),
                       k >= 0 ? EIO : 0);
  }
}

// One run through the dialog: refusals, then a long fill cancelled.
TEST(FillDialog, FieldsReachTheFillAndCancelCloses) {
  WindowRig r;
  const QString path = r.Open("w.bin", QByteArray(20000, '.'));
  bool barShown = false;
  ThroughDialog<Fill>(r, &QX::mnuEditFill_Click, [&](Fill* d) {
    d->PatternTypeButton[1]->click();
    d->repaint();  // the kind chosen survives it: "4142" below is hex
    r.ExpectRefused({{d->StartBox, "0"}, {d->EndBox, "5"}}, d->FillButton, d->PatternBox);
    r.ExpectRefused({{d->PatternBox, "41"}, {d->StartBox, "1x"}}, d->FillButton, d->StartBox);
    r.ExpectRefused({{d->StartBox, "0"}, {d->EndBox, "5-"}}, d->FillButton, d->EndBox);
    // An end before the start says nothing and leaves the dialog open.
    r.SetBoxes({{d->PatternBox, "4142"}, {d->StartBox, "9"}, {d->EndBox, "5"}});
    QTest::mouseClick(d->FillButton, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible());
    d->Options.pieceSize = 1000;
    d->StartBox->setText("0");
    d->EndBox->setText("19,999");
    QTest::keyClick(d->EndBox, Qt::Key_Return);
    EXPECT_EQ(d->focusWidget(), d->FillButton);
    r.p.onEvents = CancelAtEvent(2, [&] {
      barShown = d->Progress->isVisible();
      d->CancelButton->click();
    });
    d->FillButton->click();
    r.p.onEvents = nullptr;
    EXPECT_FALSE(d->Progress->isVisible());
  });
  EXPECT_TRUE(barShown);
  EXPECT_EQ(TempFiles::Read(path), QByteArray("AB").repeated(500) + QByteArray(19000, '.'));
  EXPECT_EQ(r.s.PageBuffer[2], 'A');  // the page read again

  // Start = End fills that one byte.
  ThroughDialog<Fill>(r, &QX::mnuEditFill_Click, [&](Fill* d) {
    d->PatternTypeButton[0]->click();
    r.SetBoxes({{d->PatternBox, "Z"}, {d->StartBox, "7"}, {d->EndBox, "7"}});
    d->FillButton->click();
  });
  EXPECT_EQ(TempFiles::Read(path).mid(6, 3), "AZA");
}

}  // namespace qx::test
