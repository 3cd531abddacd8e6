#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <random>

#include "core/Navigation.h"
#include "ops/RecPaste.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/RecPaste.h"

namespace qx::test {

namespace {

// What a record paste must leave, on a byte array.
QByteArray Reference(QByteArray data, std::int64_t base, std::int64_t length, PasteMode mode,
                     std::int64_t from, std::int64_t to, std::int64_t offset,
                     const QByteArray& src) {
  const std::int64_t size = data.size();
  const std::int64_t count = (size - base + length - 1) / length;
  from = std::max<std::int64_t>(from, 0);
  to = std::min(to, count - 1);
  offset = mode == PasteMode::Append ? length : std::clamp<std::int64_t>(offset, 0, length - 1);
  if (mode == PasteMode::Overlay) {
    const std::int64_t n = std::min<std::int64_t>(src.size(), length - offset);
    for (std::int64_t r = from; r <= to; ++r) {
      for (std::int64_t k = 0; k < n && base + r * length + offset + k < size; ++k)
        data[static_cast<qsizetype>(base + r * length + offset + k)] =
            src[static_cast<qsizetype>(k)];
    }
    return data;
  }
  for (std::int64_t r = to; r >= from; --r)
    data.insert(static_cast<qsizetype>(std::min(base + r * length + offset, size)), src);
  return data;
}

// A current file of bytes with the given geometry, and the clip file beside it.
QString Reopen(Rig& r, const QByteArray& bytes, std::int64_t base, std::int64_t length,
               const QByteArray& clip, const QString& name = "R.DAT") {
  r.io.CloseFile();
  const QString path = r.files.Write(name, bytes);
  r.s.ClipFile = r.files.Write("clip", clip);
  r.io.OpenFile(path);
  if (base > 0) {
    EXPECT_TRUE(SetWorkingBase(r.io, base));
  }
  if (length != r.s.Current.RecordLength) {
    EXPECT_TRUE(SetRecordLength(r.io, length));
  }
  return path;
}

QStringList Leftovers(const Rig& r) {
  return r.files.Entries().filter(QRegularExpression("^qx"));
}

constexpr auto Counting = &TempFiles::Counting;

}  // namespace

TEST(RecPaste, PastesIntoEveryRecordOfTheRange) {
  const QByteArray abc = "AAAABBBBCCCC";
  const QByteArray big = Counting(10000), shortLast = "AAAABBBBCC";  // big: over 8192 bytes
  using enum PasteMode;
  // what, data, base, length, mode, records from, to, offset, clip, bytes
  // kept in memory (0: the program's own), the file after (or the reference)
  const std::tuple<const char*, QByteArray, std::int64_t, std::int64_t, PasteMode, std::int64_t,
                   std::int64_t, std::int64_t, QByteArray, std::int64_t, const char*>
      rows[] = {
          {"insert", abc, 0, 4, Insert, 0, 2, 1, "x", 0, "AxAAABxBBBCxCCC"},
          {"append", abc, 0, 4, Append, 0, 1, 1, "x", 0, "AAAAxBBBBxCCCC"},
          {"overlay", abc, 0, 4, Overlay, 0, 2, 2, "xyz", 0, "AAxyBBxyCCxy"},
          {"short last, insert", shortLast, 0, 4, Insert, 0, 2, 3, "x", 0, "AAAxABBBxBCCx"},
          {"short last, append", shortLast, 0, 4, Append, 0, 2, 0, "x", 0, "AAAAxBBBBxCCx"},
          {"short last, overlay", shortLast, 0, 4, Overlay, 0, 2, 1, "xyz", 0, "AxyzBxyzCx"},
          {"record length 1, insert", "ABC", 0, 1, Insert, 0, 2, 0, "x", 0, "xAxBxC"},
          {"big source in memory", abc, 0, 4, Insert, 0, 2, 2, big, 0, nullptr},
          {"big, long records", Counting(40000), 3, 5000, Overlay, 1, 6, 10, big, 100, nullptr},
      };
  Rig r;
  for (const auto& [what, data, base, length, mode, from, to, offset, clip, keep, want] : rows) {
    SCOPED_TRACE(what);
    const QString path = Reopen(r, data, base, length, clip);
    RecPasteOptions opt;
    if (keep > 0) opt.keepInMemory = keep;
    // An overlay has no backup: an Undo from before would undo the wrong thing.
    if (mode == PasteMode::Overlay) r.io.SetUndoRedo(true, true);
    EXPECT_EQ(PasteToRecords(r.io, mode, {from, to, offset, offset}, {}, nullptr, opt),
              RecPasteResult::Done);
    const QByteArray ref = Reference(data, base, length, mode, from, to, offset, clip);
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == ref);  // not printed: some are long
    if (want) {
      EXPECT_EQ(got, QByteArray(want));
    }
    // The record length stays; the count follows the new length.
    EXPECT_EQ(r.s.Current.RecordLength, length);
    EXPECT_EQ(r.s.FileLength, got.size());
    EXPECT_EQ(r.s.RecordCount, (got.size() - base + length - 1) / length);
    // Only the rewrite keeps a backup to undo with.
    EXPECT_EQ(r.s.UndoEnabled, mode != PasteMode::Overlay);
    EXPECT_FALSE(r.s.RedoEnabled);
    if (mode != PasteMode::Overlay) {
      r.io.UndoChange();
      EXPECT_TRUE(TempFiles::Read(path) == data);
      EXPECT_TRUE(r.s.RedoEnabled);
      r.io.RedoChange();
      EXPECT_TRUE(TempFiles::Read(path) == ref);
    }
    EXPECT_TRUE(Leftovers(r).isEmpty());
    r.p.Verify();
  }
}

TEST(RecPaste, MatchesAByteArrayOnRandomPastes) {
  std::mt19937 rng(5252);
  Rig r;
  const PasteMode modes[] = {PasteMode::Insert, PasteMode::Overlay, PasteMode::Append};
  for (int round = 0; round < 60; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 2000), '\0');
    for (char& c : data) c = static_cast<char>(rng());
    const std::int64_t base = rng() % 3 == 0 ? rng() % data.size() : 0;
    const std::int64_t working = data.size() - base;
    const std::int64_t length =
        1 + static_cast<std::int64_t>(rng() % std::min<std::int64_t>(working, rng() % 2 ? 7 : 300));
    QByteArray clip(1 + static_cast<int>(rng() % 600), '\0');
    for (char& c : clip) c = static_cast<char>(rng());
    const PasteMode mode = modes[rng() % 3];
    const std::int64_t count = (working + length - 1) / length;
    const std::int64_t from = static_cast<std::int64_t>(rng() % (count + 1)) - 1;
    const std::int64_t to = from + static_cast<std::int64_t>(rng() % (count + 2));
    const std::int64_t offset = static_cast<std::int64_t>(rng() % (length + 3));
    RecPasteOptions opt;
    opt.keepInMemory = rng() % 2 ? 1 + rng() % 600 : opt.keepInMemory;
    opt.patch.blockSize = 1 + rng() % 500;
    const QString path = Reopen(r, data, base, length, clip, QString("r%1.bin").arg(round % 3));
    (void)PasteToRecords(r.io, mode, {from, to, offset, offset}, {}, nullptr, opt);
    ASSERT_TRUE(TempFiles::Read(path) ==
                Reference(data, base, length, mode, from, to, offset, clip))
        << "round " << round << " mode " << static_cast<int>(mode) << " base " << base << " length "
        << length << " records " << from << ".." << to << " offset " << offset << " clip "
        << clip.size();
  }
}

TEST(RecPaste, SourcesThatAreMissingOrTheFileItself) {
  Rig r;
  const QByteArray abc = "AAAABBBBCCCC";
  QString path = Reopen(r, abc, 0, 4, "x");
  QFile::remove(r.s.ClipFile);
  const RecordRange all{0, 2, 1, 1};
  r.p.ExpectBox("Nothing cut or copied");
  EXPECT_EQ(PasteToRecords(r.io, PasteMode::Insert, all, {}), RecPasteResult::NoSource);
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(path), abc);

  // The file itself: what it held before the paste, in every record.
  struct Row {
    PasteMode mode;
    std::int64_t keepInMemory;
  };
  for (const Row& row : {Row{PasteMode::Insert, 0}, Row{PasteMode::Insert, 4},
                         Row{PasteMode::Append, 4}, Row{PasteMode::Overlay, 4}}) {
    SCOPED_TRACE(static_cast<int>(row.mode));
    path = Reopen(r, abc, 0, 4, "x");
    RecPasteOptions opt;
    if (row.keepInMemory > 0) opt.keepInMemory = row.keepInMemory;
    EXPECT_EQ(PasteToRecords(r.io, row.mode, all, path, nullptr, opt), RecPasteResult::Done);
    EXPECT_EQ(TempFiles::Read(path), Reference(abc, 0, 4, row.mode, 0, 2, 1, abc));
  }
  EXPECT_TRUE(Leftovers(r).isEmpty());
}

TEST(RecPaste, CancelAndFailedWritesStopCleanly) {
  Rig r;
  const QByteArray data = Counting(4000);
  const RecordRange all{0, 999, 1, 1};

  // Cancel during Insert: nothing changes, no temporary file stays. A file
  // of 8193 bytes or more shows the bar.
  struct Bar : ProgressBar {
    bool visible = false;
    void ShowProgress(bool v) override { visible = v; }
    void SetProgress(int) override {}
  } bar;
  const QByteArray longer = Counting(8193);
  QString path = Reopen(r, longer, 0, 4, "xyz");
  bool barShown = false;
  r.p.onEvents = CancelAtEvent(2, [&] {
    barShown = bar.visible;
    r.s.OperationRunning = false;
  });
  EXPECT_EQ(PasteToRecords(r.io, PasteMode::Insert, all, {}, &bar), RecPasteResult::Cancelled);
  r.p.onEvents = nullptr;
  EXPECT_TRUE(barShown);
  EXPECT_FALSE(bar.visible);
  EXPECT_TRUE(TempFiles::Read(path) == longer);
  EXPECT_TRUE(Leftovers(r).isEmpty());
  EXPECT_EQ(r.s.Current.CursorOffset, 0);

  // Cancel during Overlay: the records written so far stay, and it says so.
  path = Reopen(r, data, 0, 4, "xyz");
  RecPasteOptions opt;
  opt.patch.blockSize = 64;  // 16 records a block
  r.p.onEvents = CancelAtEvent(2, [&] { r.s.OperationRunning = false; });
  r.p.ExpectBox(
      "Record paste cancelled. Records 0 to 15 (16 records) were pasted into; the "
      "others are unchanged.");
  EXPECT_EQ(PasteToRecords(r.io, PasteMode::Overlay, all, {}, nullptr, opt),
            RecPasteResult::Cancelled);
  r.p.onEvents = nullptr;
  r.p.Verify();
  EXPECT_TRUE(TempFiles::Read(path) == Reference(data, 0, 4, PasteMode::Overlay, 0, 15, 1, "xyz"));
  EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled);

  // Every write fails: Insert leaves the file as it was, Overlay says how
  // many records it wrote.
  path = Reopen(r, data, 0, 4, "xyz");
  r.sys.always[SysCalls::Call::Write] = ENOSPC;
  r.p.ExpectBox({});
  EXPECT_EQ(PasteToRecords(r.io, PasteMode::Insert, all, {}), RecPasteResult::Failed);
  EXPECT_TRUE(TempFiles::Read(path) == data);
  EXPECT_TRUE(Leftovers(r).isEmpty());
  r.p.ExpectBox({});
  EXPECT_EQ(PasteToRecords(r.io, PasteMode::Overlay, all, {}), RecPasteResult::Failed);
  r.sys.always.clear();
  r.p.Verify();
  ASSERT_FALSE(r.p.boxes.empty());
  const auto& box = r.p.boxes.back();
  EXPECT_EQ(box.icon, Icon::Critical);
  EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
      << box.text.toStdString();
  EXPECT_TRUE(box.text.contains("No record was pasted into.")) << box.text.toStdString();
  EXPECT_TRUE(TempFiles::Read(path) == data);
}

TEST(RecPasteDialog, ReadsItsBoxesAndClosesAsItSays) {
  WindowRig r;
  const QString path = r.Open("W.DAT", "AAAABBBBCCCC");
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 4));
  r.s.ClipFile = r.files.Write("clip", "x");
  WhenModal<RecPaste> paste([&](RecPaste* d) {
    EXPECT_EQ(d->ToRecordBox->text(), "2");
    EXPECT_EQ(d->focusWidget(), d->FromRecordBox);
    // An empty box, or one that is not a whole number: said, focus to it.
    r.p.ExpectBox("You must enter values");
    d->InsertButton->click();
    EXPECT_EQ(d->focusWidget(), d->StartOffsetBox);
    d->StartOffsetBox->setText("1");
    d->ToRecordBox->setText("1-");
    r.p.ExpectBox("You must enter values");
    d->AppendBox->click();
    EXPECT_EQ(d->focusWidget(), d->ToRecordBox);
    d->ToRecordBox->setText("2");
    // A missing source: said, the dialog stays open.
    d->ReadFromFileBox->click();
    d->PathNameBox->setText(r.files.Path("none"));
    r.p.ExpectBox("Couldn't open " + r.files.Path("none") + ": No such file or directory");
    d->OverlayButton->click();
    EXPECT_TRUE(d->isVisible());
    d->PathNameBox->clear();
    d->InsertButton->click();
  });
  r.w->mnuRecordPaste_Click();
  EXPECT_EQ(TempFiles::Read(path), "AxAAABxBBBCxCCC");
  EXPECT_TRUE(r.w->MenuItem("mnuEditUndo")->isEnabled());

  // From after To: closes, nothing changes.
  WhenModal<RecPaste> reversed([&](RecPaste* d) {
    d->FromRecordBox->setText("3");
    d->ToRecordBox->setText("2");
    d->StartOffsetBox->setText("0");
    d->InsertButton->click();
  });
  r.w->mnuRecordPaste_Click();
  EXPECT_EQ(TempFiles::Read(path), "AxAAABxBBBCxCCC");
  r.p.Verify();
}

}  // namespace qx::test
