// Record Chop: the field cut out of every record of a range, the clamps of
// the boxes, a short last record, Undo, Cancel and failures that must leave
// the file as it was, and the dialog.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cstring>
#include <random>
#include <thread>

#include "core/Navigation.h"
#include "input/Utility.h"
#include "ops/RecChop.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/RecChop.h"

namespace qx::test {

namespace {

// The file with bytes start..end of records from..to cut out, as far as they exist.
QByteArray Reference(const QByteArray& data, std::int64_t base, std::int64_t length,
                     const RecordRange& g) {
  QByteArray out;
  for (std::int64_t i = 0; i < data.size(); ++i) {
    const std::int64_t r = i < base ? -1 : (i - base) / length;
    const std::int64_t k = i < base ? -1 : (i - base) % length;
    if (r >= g.from && r <= g.to && k >= g.startOffset && k <= g.endOffset) continue;
    out.append(data[static_cast<qsizetype>(i)]);
  }
  return out;
}

// Remembers whether the bar was ever shown; slow, when asked, to show
// itself, so that the chop's first pacing step runs events.
struct FakeBar : ProgressBar {
  void ShowProgress(bool visible) override {
    shown = shown || visible;
    if (visible && slow) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  bool slow = false;
  void SetProgress(int) override {}
  bool shown = false;
};

struct ChopRig : Rig {
  QString path;
  ChopRig(const QByteArray& data, std::int64_t base, std::int64_t length) {
    path = files.Write("R.DAT", data);
    io.OpenFile(path);
    if (base > 0) {
      EXPECT_TRUE(SetWorkingBase(io, base));
    }
    EXPECT_TRUE(SetRecordLength(io, length));
  }
  QStringList Leftovers() const { return files.Entries().filter(QRegularExpression("^qx")); }
};

}  // namespace

TEST(RecChop, CutsTheFieldOutOfEveryRecordOfTheRange) {
  const QByteArray abc = "abcdefgh";
  const QByteArray records = QByteArray("xyzuvw").repeated(1500);  // more than 8192 bytes
  // what, data, base, length, the boxes from, to, start, end, the file after
  using Box = const char*;
  const std::tuple<const char*, QByteArray, std::int64_t, std::int64_t, Box, Box, Box, Box,
                   QByteArray>
      cases[] = {
          {"offsets 2..3 of all", abc.repeated(3), 0, 8, "0", "2", "2", "3",
           QByteArray("abefgh").repeated(3)},
          {"everything", "WXYZ" + abc + abc, 4, 8, "0", "1", "0", "7", "WXYZ"},
          {"end and to past the end", abc + abc, 0, 8, "0", "99", "6", "100", "abcdefabcdef"},
          {"negative from and start", abc + abc, 0, 8, "-3", "0", "-1", "0", "bcdefgh" + abc},
          {"short last record", abc + abc + "abcd", 0, 8, "0", "2", "2", "5", "abghabghab"},
          {"field past a short last", abc + abc + "abcd", 0, 8, "1", "2", "5", "7",
           abc + "abcdeabcd"},
          {"to read with its groups", records, 0, 6, "0", "1,499", "1", "1",
           QByteArray("xzuvw").repeated(1500)},
      };
  for (const auto& [what, data, base, length, from, to, start, endText, want] : cases) {
    SCOPED_TRACE(what);
    ChopRig r(data, base, length);
    const QString end = endText;
    const RecordFields f = ReadRecordFields(r.s, from, to, start, &end);
    ASSERT_EQ(f.check, RecordCheck::Ok);
    FakeBar bar;
    EXPECT_EQ(ChopRecords(r.io, f.range, &bar), ChopStatus::Done);
    EXPECT_EQ(bar.shown, data.size() - base > 8192);
    EXPECT_EQ(TempFiles::Read(r.path), want);
    EXPECT_EQ(r.s.FileLength, want.size());
    EXPECT_EQ(r.s.Current.RecordLength, length);
    EXPECT_TRUE(r.s.UndoEnabled);
    EXPECT_TRUE(r.Leftovers().isEmpty());
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(r.path), data);
    r.io.RedoChange();
    EXPECT_EQ(TempFiles::Read(r.path), want);
    r.p.Verify();
  }
}

TEST(RecChop, MatchesAByteArrayOnRandomRecords) {
  std::mt19937 rng(5151);
  for (int round = 0; round < 60; ++round) {
    // Now and then a file of a few MiB, so that the rewrite crosses blocks.
    const int size = round % 6 == 5 ? (1 << 20) + static_cast<int>(rng() % (2 << 20))
                                    : 1 + static_cast<int>(rng() % 4000);
    QByteArray data(size, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const std::int64_t base = rng() % 3 == 0 ? rng() % data.size() : 0;
    const std::int64_t length =
        1 + static_cast<std::int64_t>(rng() % std::min<std::uint32_t>(40, data.size() - base));
    ChopRig r(data, base, length);
    RecordRange g;
    g.from = rng() % r.s.RecordCount;
    g.to = g.from + rng() % (r.s.RecordCount - g.from);
    g.startOffset = rng() % length;
    g.endOffset = g.startOffset + rng() % (length - g.startOffset);
    ASSERT_EQ(ChopRecords(r.io, g), ChopStatus::Done);
    ASSERT_TRUE(TempFiles::Read(r.path) == Reference(data, base, length, g))
        << "round " << round << " size " << data.size() << " base " << base << " length " << length
        << " records " << g.from << ".." << g.to << " offsets " << g.startOffset << ".."
        << g.endOffset;
  }
}

TEST(RecChop, CancelAndFailuresLeaveTheFileAsItWas) {
  // Cancel between two records: the temporary file goes.
  {
    const QByteArray big = TempFiles::Counting(3 << 20);
    ChopRig r(big, 0, 3);
    r.p.onEvents = [&] { r.s.OperationRunning = false; };
    FakeBar bar;
    bar.slow = true;
    EXPECT_EQ(ChopRecords(r.io, {0, r.s.RecordCount - 1, 1, 1}, &bar), ChopStatus::Cancelled);
    r.p.onEvents = nullptr;
    EXPECT_TRUE(bar.shown);
    EXPECT_TRUE(TempFiles::Read(r.path) == big);
    EXPECT_FALSE(r.s.UndoEnabled);
    EXPECT_TRUE(r.Leftovers().isEmpty());
  }

  // No room for the temporary file (n = -1), or every system call failing
  // in turn: the chop is whole, or the file as it was and the user told.
  const QByteArray data = TempFiles::Counting(800);
  const RecordRange g{2, 97, 3, 4};
  QString said;
  for (int n = -1;; ++n) {
    ChopRig r(data, 0, 8);
    r.p.anyBox = true;
    r.sys.Reset({n});
    if (n < 0) r.sys.always[SysCalls::Call::Write] = ENOSPC;
    const ChopStatus got = ChopRecords(r.io, g);
    const int calls = r.sys.count;
    r.sys.Reset();
    r.sys.always.clear();
    if (got == ChopStatus::Done) {
      EXPECT_EQ(TempFiles::Read(r.path), Reference(data, 0, 8, g)) << n;
    } else {
      EXPECT_EQ(got, ChopStatus::Failed) << n;
      ASSERT_FALSE(r.p.boxes.empty()) << n;
      EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical) << n;
      EXPECT_EQ(TempFiles::Read(r.path), data) << n;
      EXPECT_FALSE(r.s.UndoEnabled) << n;
      said += r.p.AllText();
    }
    // No room for the temporary file: the real reason, and it goes.
    if (n < 0) {
      EXPECT_TRUE(said.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    }
    // A temporary file stays only where the message says so.
    EXPECT_EQ(r.Leftovers().isEmpty(), !r.p.AllText().contains("left in place")) << n;
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
  {
    WhenModal<RecChop> chop([&](RecChop* d) {
      EXPECT_EQ(d->ToRecordBox->text(), "1,499");
      EXPECT_EQ(d->focusWidget(), d->FromRecordBox);
      QTest::keyClick(d->FromRecordBox, Qt::Key_Return);
      EXPECT_EQ(d->focusWidget(), d->ToRecordBox);
      // An empty box or one without a whole number: said, the focus on it.
      QTest::keyClicks(d->StartOffsetBox, "2");
      for (const char* end : {"", "3x"}) {
        d->EndOffsetBox->setText(end);
        r.p.ExpectBox("You must enter values");
        d->ChopButton->click();
        r.p.Verify();
        EXPECT_EQ(d->focusWidget(), d->EndOffsetBox);
      }
      d->EndOffsetBox->setText("3");
      QTest::keyClick(d->EndOffsetBox, Qt::Key_Return);
      EXPECT_EQ(d->focusWidget(), d->ChopButton);
      // Enter walked to the button; a second Enter presses it.
      QTest::keyClick(d->ChopButton, Qt::Key_Return);
    });
    r.w->mnuRecordChop_Click();
  }
  const QByteArray want = QByteArray("abefgh").repeated(1500);
  EXPECT_TRUE(TempFiles::Read(path) == want);
  EXPECT_TRUE(r.w->MenuItem("mnuEditUndo")->isEnabled());
  EXPECT_EQ(r.w->focusWidget(), r.w->FileBar);

  WhenModal<RecChop> reversed([&](RecChop* d) {
    d->FromRecordBox->setText("9");
    d->ToRecordBox->setText("8");
    d->StartOffsetBox->setText("0");
    d->EndOffsetBox->setText("0");
    d->ChopButton->click();
  });
  r.w->mnuRecordChop_Click();
  EXPECT_TRUE(TempFiles::Read(path) == want);
}

}  // namespace qx::test
