#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "core/Navigation.h"
#include "fields/Copybook.h"
#include "ops/RecChop.h"
#include "tests/RecordOpContract.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/RecChop.h"

namespace qx::test {

namespace {

// The file with bytes start..end of records from..to cut out, as far as they exist.
QByteArray Reference(const QByteArray& data, std::int64_t base, std::int64_t length,
                     const RecordRange& g) {
  QByteArray out;
  for (std::int64_t i = 0; i < data.size(); ++i) {
    const std::int64_t r = (i - base) / length, k = (i - base) % length;
    if (i < base || r < g.from || r > g.to || k < g.startOffset || k > g.endOffset)
      out.append(data[static_cast<qsizetype>(i)]);
  }
  return out;
}

}  // namespace

TEST(RecChop, CutsTheFieldOutOfEveryRecordOfTheRange) {
  const QByteArray abc = "abcdefgh";
  // data, base, length, the boxes from, to, start, end, the file after: a field
  // of each record, every box past its end, a short last record
  using Box = const char*;
  const std::tuple<QByteArray, std::int64_t, std::int64_t, Box, Box, Box, QString, QByteArray>
      cases[] = {
          {abc.repeated(3), 0, 8, "0", "2", "2", "3", QByteArray("abefgh").repeated(3)},
          {"WXYZ" + abc + abc, 4, 8, "-3", "99", "-1", "100", "WXYZ"},
          {abc + abc + "abcd", 0, 8, "0", "2", "2", "5", "abghabghab"},
          // From = To; 8,192 bytes are not yet long enough for the bar.
          {abc.repeated(1024), 0, 8, "1", "1", "0", "7", abc.repeated(1023)},
      };
  for (const auto& [data, base, length, from, to, start, end, want] : cases) {
    SCOPED_TRACE(end.toStdString());
    Rig r;
    const QString path = OpenAnew(r, data, base, length);
    const RecordFields f = ReadRecordFields(r.s, from, to, start, &end);
    ASSERT_EQ(f.check, RecordCheck::Ok);
    FakeBar bar;
    EXPECT_EQ(ChopRecords(r.io, f.range, &bar), ChopStatus::Done);
    EXPECT_FALSE(bar.shown);  // a small file: no bar
    EXPECT_EQ(TempFiles::Read(path), want);
    EXPECT_EQ(std::tuple(r.s.FileLength, r.s.Current.RecordLength, r.s.UndoEnabled),
              std::tuple(want.size(), length, true));
    EXPECT_TRUE(r.files.Leftovers().isEmpty());
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(path), data);
  }
}

TEST(RecChop, MatchesAByteArrayOnRandomRecords) {
  MatchesReference(5151, 60, 4099, [](Rig& r, std::mt19937& rng, int round) {
    // Now and then a file of a few MiB, so that the rewrite crosses blocks.
    const QByteArray data =
        RngBytes(rng, round % 6 == 5 ? (1 << 20) + rng() % (2 << 20) : 1 + rng() % 4000);
    const std::int64_t base = rng() % 3 == 0 ? rng() % data.size() : 0;
    const std::int64_t length =
        1 + static_cast<std::int64_t>(rng() % std::min<std::uint32_t>(40, data.size() - base));
    const QString path = OpenAnew(r, data, base, length, QString("c%1.bin").arg(round));
    const std::int64_t from = rng() % r.s.RecordCount;
    const std::int64_t to = from + rng() % (r.s.RecordCount - from), start = rng() % length;
    const RecordRange g{from, to, start, start + std::int64_t(rng() % (length - start))};
    EXPECT_EQ(ChopRecords(r.io, g), ChopStatus::Done);
    return std::pair(path, Reference(data, base, length, g));
  });
}

TEST(RecChop, CancelAndFailuresLeaveTheFileAsItWas) {
  {  // Cancel between two records: the temporary file goes.
    const QByteArray big = TempFiles::Counting(3 << 20);
    Rig r;
    const QString path = OpenAnew(r, big, 0, 3);
    Arm(r, Stop::Cancel, 1);
    FakeBar bar;
    bar.slow = true;
    EXPECT_EQ(ChopRecords(r.io, {0, r.s.RecordCount - 1, 1, 1}, &bar), ChopStatus::Cancelled);
    Disarm(r);
    EXPECT_TRUE(bar.shown && TempFiles::Read(path) == big);
  }

  // No room for the temporary file (n = -1), or each system call failing in turn.
  const QByteArray data = TempFiles::Counting(800);
  const RecordRange g{2, 97, 3, 4};
  QString said;
  for (int n = -1;; ++n) {
    Rig r;
    const QString path = OpenAnew(r, data, 0, 8);
    r.p.anyBox = true;
    r.sys.Reset({n});
    if (n < 0) r.sys.always[SysCalls::Call::Write] = ENOSPC;
    const ChopStatus got = ChopRecords(r.io, g);
    const int calls = r.sys.count;
    const bool done = got == ChopStatus::Done;
    EXPECT_TRUE(done || got == ChopStatus::Failed) << n;
    EXPECT_EQ(TempFiles::Read(path), done ? Reference(data, 0, 8, g) : data) << n;
    if (!done) {
      EXPECT_TRUE(!r.p.boxes.empty() && r.p.boxes.back().icon == Icon::Critical) << n;
      EXPECT_FALSE(r.s.UndoEnabled) << n;
    }
    said += r.p.AllText();
    // No room for the temporary file: the real reason.
    EXPECT_TRUE(n >= 0 || said.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    // A temporary file stays only where the message says so.
    EXPECT_EQ(r.files.Leftovers().isEmpty(), !r.p.AllText().contains("left in place")) << n;
    if (n >= calls) break;
  }
  EXPECT_TRUE(said.contains(
      "Couldn't read the file at offset 16: " + QString::fromLocal8Bit(std::strerror(EIO)) +
      "\nOperation aborted; the file was not changed."))
      << said.toStdString();
}

TEST(RecChopDialog, FieldsReachTheChopAndAReversedRangeCloses) {
  WindowRig r;
  const QString path = r.Open("c.bin", QByteArray("abcdefgh").repeated(1500));
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 8));
  ThroughDialog<RecChop>(r, &QX::mnuRecordChop_Click, [&](RecChop* d) {
    // A box without a whole number: said, and the dialog stays.
    QTest::keyClicks(d->StartOffsetBox, "2");
    r.ExpectRefused({{d->EndOffsetBox, "3x"}}, d->ChopButton, d->EndOffsetBox);
    d->EndOffsetBox->setText("3");
    QTest::keyClick(d->EndOffsetBox, Qt::Key_Return);
    EXPECT_EQ(d->focusWidget(), d->ChopButton);
    // Enter walked to the button; a second Enter presses it.
    QTest::keyClick(d->ChopButton, Qt::Key_Return);
  });
  const QByteArray want = QByteArray("abefgh").repeated(1500);
  EXPECT_TRUE(TempFiles::Read(path) == want);
  EXPECT_EQ(r.w->focusWidget(), r.w->FileBar);

  // A field fills both offsets.
  r.w->UseLayout(
      "r.cpy", std::get<Layout>(ParseCopybook("01 R. 05 A PIC X. 05 B PIC X(3). 05 C PIC X(4).")));
  ThroughDialog<RecChop>(r, &QX::mnuRecordChop_Click, [&](RecChop* d) {
    d->FieldBox->Select("B");
    EXPECT_EQ(d->StartOffsetBox->text() + " " + d->EndOffsetBox->text(), "1 3");
    d->StartOffsetBox->setText("3");
    d->EndOffsetBox->setText("2");
    d->ChopButton->click();
  });
  EXPECT_TRUE(TempFiles::Read(path) == want);
}

}  // namespace qx::test
