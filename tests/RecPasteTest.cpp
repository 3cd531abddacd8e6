#include <QCheckBox>
#include <QLineEdit>
#include <array>

#include "core/Navigation.h"
#include "ops/RecPaste.h"
#include "tests/RecordOpContract.h"
#include "ui/dialogs/RecPaste.h"

namespace qx::test {

namespace {

// What a record paste must leave, on a byte array.
QByteArray Reference(QByteArray data, std::int64_t base, std::int64_t length, PasteMode mode,
                     std::int64_t from, std::int64_t to, std::int64_t offset,
                     const QByteArray& src) {
  offset = mode == PasteMode::Append ? length : std::clamp<std::int64_t>(offset, 0, length - 1);
  // An overlay is a fill whose field is as long as the source.
  if (mode == PasteMode::Overlay)
    return FieldFill(data, base, length, std::vector<std::uint8_t>(src.begin(), src.end()),
                     {from, to, offset, offset + src.size() - 1});
  const std::int64_t size = data.size();
  to = std::min(to, (size - base + length - 1) / length - 1);
  for (std::int64_t r = to; r >= std::max<std::int64_t>(from, 0); --r)
    data.insert(static_cast<qsizetype>(std::min(base + r * length + offset, size)), src);
  return data;
}

// A current file of bytes with the given geometry, and the clip file beside it.
QString Reopen(Rig& r, const QByteArray& bytes, std::int64_t base, std::int64_t length,
               const QByteArray& clip, const QString& name = "R.DAT") {
  r.s.ClipFile = r.files.Write("clip", clip);
  // An earlier row's backup goes with the settings that knew it.
  QFile::remove(r.files.Path(BackupName(name)));
  return OpenAnew(r, bytes, base, length, name);
}

constexpr auto Counting = &TempFiles::Counting;

}  // namespace

TEST(RecPaste, PastesIntoEveryRecordOfTheRange) {
  const QByteArray abc = "AAAABBBBCCCC", shortLast = "AAAABBBBCC", big = Counting(10000);
  using enum PasteMode;
  // what, data, base, length, mode, records from, to, offset, clip (null: the
  // file itself), bytes kept in memory (0: the program's own), the file after
  using I = std::int64_t;
  const std::tuple<const char*, QByteArray, I, I, PasteMode, I, I, I, QByteArray, I, const char*>
      rows[] = {
          {"insert", abc, 0, 4, Insert, 0, 2, 1, "x", 0, "AxAAABxBBBCxCCC"},
          {"append", abc, 0, 4, Append, 0, 1, 1, "x", 0, "AAAAxBBBBxCCCC"},
          {"overlay", abc, 0, 4, Overlay, 0, 2, 2, "xyz", 0, "AAxyBBxyCCxy"},
          {"short last, insert", shortLast, 0, 4, Insert, 0, 2, 3, "x", 0, "AAAxABBBxBCCx"},
          {"short last, overlay", shortLast, 0, 4, Overlay, 0, 2, 1, "xyz", 0, "AxyzBxyzCx"},
          {"record length 1, insert", "ABC", 0, 1, Insert, 0, 2, 0, "x", 0, "xAxBxC"},
          {"from = to", abc, 0, 4, Insert, 1, 1, 0, "x", 0, "AAAAxBBBBCCCC"},
          // Records copied through the 1 MiB window, one of them across its end.
          {"streamed", Counting(2 << 20), 0, 1000, Insert, 0, 9999, 1, "xy", 1, nullptr},
          {"big source in memory (over 8192 bytes)", abc, 0, 4, Insert, 0, 2, 2, big, 0, nullptr},
          {"big, long records", Counting(40000), 3, 5000, Overlay, 1, 6, 10, big, 100, nullptr},
          {"itself, insert", abc, 0, 4, Insert, 0, 2, 1, {}, 4, nullptr},
          {"itself, overlay", abc, 0, 4, Overlay, 0, 2, 1, {}, 4, "AAAABAAACAAA"},
      };
  Rig r;
  for (const auto& [what, data, base, length, mode, from, to, offset, clip, keep, want] : rows) {
    SCOPED_TRACE(what);
    const QString path = Reopen(r, data, base, length, clip.isNull() ? "-" : clip);
    RecPasteOptions opt;
    if (keep > 0) opt.keepInMemory = keep;
    // An overlay has no backup: an Undo from before would undo the wrong thing.
    if (mode == Overlay) r.io.SetUndoRedo(true, true);
    EXPECT_EQ(PasteToRecords(r.io, mode, {from, to, offset, offset}, clip.isNull() ? path : "",
                             nullptr, opt),
              RecPasteResult::Done);
    const QByteArray got = TempFiles::Read(path);
    EXPECT_TRUE(got == Reference(data, base, length, mode, from, to, offset,
                                 clip.isNull() ? data : clip));  // not printed: some are long
    EXPECT_EQ(got, want ? QByteArray(want) : got);
    // The record length stays; the count follows the new length.
    EXPECT_EQ(std::tuple(r.s.Current.RecordLength, r.s.FileLength, r.s.RecordCount),
              std::tuple(length, got.size(), (got.size() - base + length - 1) / length));
    // Only the rewrite keeps a backup to undo with.
    EXPECT_EQ(r.s.UndoEnabled, mode != Overlay);
    if (mode != Overlay) r.io.UndoChange();
    EXPECT_TRUE(TempFiles::Read(path) == (mode == Overlay ? got : data));
    EXPECT_TRUE(r.files.Leftovers().isEmpty());
    r.p.Verify();
  }
}

TEST(RecPaste, MatchesAByteArrayOnRandomPastes) {
  MatchesReference(5252, 60, 97, [](Rig& r, std::mt19937& rng, int round) {
    const QByteArray data = RngBytes(rng, 1 + rng() % 2000);
    const std::int64_t base = rng() % 3 == 0 ? rng() % data.size() : 0;
    const std::int64_t length =
        1 + static_cast<std::int64_t>(
                rng() % std::min<std::int64_t>(data.size() - base, rng() % 2 ? 7 : 300));
    const QByteArray clip = RngBytes(rng, 1 + rng() % 600);
    const QString path = Reopen(r, data, base, length, clip, QString("r%1.bin").arg(round % 3));
    const PasteMode mode =
        std::array{PasteMode::Insert, PasteMode::Overlay, PasteMode::Append}[rng() % 3];
    const std::int64_t count = r.s.RecordCount;
    const std::int64_t from = static_cast<std::int64_t>(rng() % (count + 1)) - 1;
    const std::int64_t to = from + static_cast<std::int64_t>(rng() % (count + 2));
    const std::int64_t offset = static_cast<std::int64_t>(rng() % (length + 3));
    RecPasteOptions opt;
    opt.keepInMemory = rng() % 2 ? 1 + rng() % 600 : opt.keepInMemory;
    opt.patch.blockSize = 1 + rng() % 500;
    (void)PasteToRecords(r.io, mode, {from, to, offset, offset}, {}, nullptr, opt);
    return std::pair(path, Reference(data, base, length, mode, from, to, offset, clip));
  });
}

TEST(RecPaste, CancelFailureAndNoSourceStopCleanly) {
  Rig r;
  const QByteArray data = Counting(8193);  // 8193 bytes or more show the bar
  RecPasteOptions opt;
  opt.patch.blockSize = 64;  // 16 records a block
  using enum PasteMode;
  using enum RecPasteResult;
  // An Insert stopped changes nothing; an Overlay keeps the records it wrote. The mode, the
  // stop, how it ends, records pasted into, the message (null: none; empty: the system's)
  const std::tuple<PasteMode, Stop, RecPasteResult, std::int64_t, QString> rows[] = {
      {Insert, Stop::Cancel, Cancelled, 0, {}},
      {Overlay, Stop::Cancel, Cancelled, 16,
       "Record paste cancelled. Records 0 to 15 (16 records) were pasted into;"},
      {Insert, Stop::NoSpace, Failed, 0, ""},
      {Overlay, Stop::NoSpace, Failed, 0, "No record was pasted into."},
      {Insert, Stop::NoClip, NoSource, 0, "Nothing cut or copied"},
      {Overlay, Stop::NoRead, Failed, 0,
       "Couldn't read " + r.files.Path("clip") + ": Input/output error"},
  };
  for (const auto& [mode, stop, how, done, says] : rows) {
    SCOPED_TRACE(says.toStdString());
    const QString path = Reopen(r, data, 0, 4, "xyz");
    FakeBar bar;
    Arm(r, stop, 2);
    if (!says.isNull()) r.p.ExpectBox(says.startsWith("Couldn't") ? says : QString());
    EXPECT_EQ(PasteToRecords(r.io, mode, {0, 9999, 1, 1}, {}, &bar, opt), how);
    Disarm(r);
    EXPECT_EQ(std::tuple(bar.shown, bar.visible, r.s.Current.CursorOffset),
              std::tuple(how != NoSource && stop != Stop::NoRead, false, 0));
    EXPECT_TRUE(TempFiles::Read(path) == Reference(data, 0, 4, mode, 0, done - 1, 1, "xyz"));
    if (!says.isNull()) r.p.ExpectLastSaid(says, stop == Stop::NoSpace ? ENOSPC : 0);
  }
}

TEST(RecPasteDialog, ReadsItsBoxesAndClosesAsItSays) {
  WindowRig r;
  const QString path = r.Open("W.DAT", "AAAABBBBCCCC");
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 4));
  r.s.ClipFile = r.files.Path("clip");
  ThroughDialog<RecPaste>(r, &QX::mnuRecordPaste_Click, [&](RecPaste* d) {
    // An empty box, or one that is not a whole number: said, focus to it.
    r.ExpectRefused({}, d->InsertButton, d->StartOffsetBox);
    r.ExpectRefused({{d->StartOffsetBox, "1"}, {d->ToRecordBox, "1-"}}, d->AppendBox,
                    d->ToRecordBox);
    d->ToRecordBox->setText("2");
    // A missing source: said, the focus where another source is chosen.
    r.p.ExpectBox("Nothing cut or copied");
    d->OverlayButton->setFocus();
    d->OverlayButton->click();
    EXPECT_EQ(d->focusWidget(), d->ReadFromFileBox);
    d->ReadFromFileBox->click();
    d->PathNameBox->setText(r.files.Path("none"));
    r.p.ExpectBox("Couldn't open " + r.files.Path("none") + ": No such file or directory");
    d->OverlayButton->click();
    EXPECT_EQ(d->focusWidget(), d->PathNameBox);
    d->PathNameBox->clear();
    r.files.Write("clip", "x");
    d->InsertButton->click();
  });
  EXPECT_EQ(TempFiles::Read(path), "AxAAABxBBBCxCCC");

  // From after To: closes, nothing changes.
  ThroughDialog<RecPaste>(r, &QX::mnuRecordPaste_Click, [&](RecPaste* d) {
    r.SetBoxes({{d->FromRecordBox, "3"}, {d->ToRecordBox, "2"}, {d->StartOffsetBox, "0"}});
    d->InsertButton->click();
  });
  EXPECT_EQ(TempFiles::Read(path), "AxAAABxBBBCxCCC");
  r.p.Verify();
}

}  // namespace qx::test
