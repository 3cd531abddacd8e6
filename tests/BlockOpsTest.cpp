#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "core/ClipFile.h"
#include "ops/CutCopy.h"
#include "ops/Fill.h"
#include "ops/Paste.h"
#include "ops/RecChop.h"
#include "ops/RecFill.h"
#include "ops/RecPaste.h"
#include "print/PrintModule.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/CutCopy.h"
#include "ui/dialogs/Paste.h"

namespace qx::test {

namespace {

constexpr auto Counting = &TempFiles::Counting;

// A file open at a working base, with the clip file in the test's directory.
struct BlockRig : Rig {
  QString path;
  BlockRig(const QByteArray& data, std::int64_t base, const QByteArray& clip = {})
      : path(OpenAnew(*this, data, base, 0, "B.DAT")) {
    s.ClipFile = files.Path("clip");
    if (!clip.isNull()) files.Write("clip", clip);
  }
  QByteArray Clip() const { return TempFiles::Read(s.ClipFile); }
};

}  // namespace

TEST(BlockOps, CutAndCopyTakeTheRangeFromTheWorkingBase) {
  using enum RangeCheck;
  // size, base, start, end, cut (or copy), what the boxes give (an empty box:
  // the box at fault), the file offsets that go to the clip
  const std::tuple<int, std::int64_t, const char*, const char*, bool, RangeCheck, int, int, int>
      cases[] = {
          {100, 0, "10", "999999", true, Ok, 0, 10, 99},
          {100, 16, "-7", "3", true, Ok, 0, 16, 19},
          {100, 16, "84", "90", true, NotInFile, 0, 0, 0},
          {100, 0, "9", "8", false, NotInFile, 0, 0, 0},
          {100, 0, "9", "9", true, Ok, 0, 9, 9},
          {9000, 0, "0", "8,192", false, Ok, 0, 0, 8192},
          {300, 0, "1,000,000,000,000,000,000,000", "5", true, NotInFile, 0, 0, 0},
          {100, 0, "", "5", true, EmptyBox, 0, 0, 0},
          {100, 0, "1", "--5", true, EmptyBox, 1, 0, 0},
      };
  for (const auto& [size, base, start, end, cut, check, box, from, to] : cases) {
    SCOPED_TRACE(std::string(start) + ".." + end);
    const QByteArray old = Counting(size);
    BlockRig r(old, base, "old clip");
    const RangeFields f = GetRange(r.s, start, end);
    ASSERT_EQ(std::pair(f.check, f.box), std::pair(check, box));
    if (check != Ok) continue;
    r.sys.Reset();
    EXPECT_TRUE(cut ? CutFile(r.io, f.range, r.s.ClipFile) : CopyFile(r.io, f.range, r.s.ClipFile));
    EXPECT_TRUE(r.sys.SyncedAfterLastRename());
    // A cut's data reach the disk before any name changes.
    const auto first = [&r](SysCalls::Call c) {
      return std::find(r.sys.log.begin(), r.sys.log.end(), static_cast<int>(c));
    };
    if (cut) {
      EXPECT_LT(first(SysCalls::Call::Sync),
                std::min(first(SysCalls::Call::Rename), first(SysCalls::Call::Exchange)));
    }
    EXPECT_EQ(r.Clip(), old.mid(from, to - from + 1));
    EXPECT_EQ(TempFiles::Read(r.path), cut ? old.left(from) + old.mid(to + 1) : old);
    EXPECT_EQ(r.s.UndoEnabled, cut);
    EXPECT_TRUE(r.files.Leftovers().isEmpty());
    if (cut) r.io.UndoChange();
    EXPECT_TRUE(r.sys.SyncedAfterLastRename());
    EXPECT_EQ(TempFiles::Read(r.path), old);
  }
}

TEST(BlockOps, TargetsAreWrittenWholeOrNotAtAll) {
  // Send to file leaves the clip file alone; a relative name is the current
  // directory's; a new file gets the user's usual permissions.
  BlockRig r(Counting(1000), 0, "old clip");
  EXPECT_EQ(BlockFilePath(r.s, "sent.bin"), QDir::current().absoluteFilePath("sent.bin"));
  EXPECT_TRUE(CopyFile(r.io, {10, 19}, r.files.Path("sent.bin")));
  EXPECT_EQ(TempFiles::Read(r.files.Path("sent.bin")), Counting(1000).mid(10, 10));
  EXPECT_EQ(r.Clip(), "old clip");
  EXPECT_EQ(ModeOf(r.files.Path("sent.bin")), NewFileMode());

  // An unsaved page edit is offered for saving before a cut or a paste reads the file.
  for (const char edit : {'E', 'F'}) {
    r.s.PageBuffer[0] = edit;
    r.s.Dirty = true;
    r.p.ExpectBox("Save Change?", Answer::Yes);
    ASSERT_TRUE(edit == 'E' ? CutFile(r.io, {1, 998}, r.s.ClipFile)
                            : PasteFile(r.io, PasteMode::Append, {}) == PasteResult::Done);
    EXPECT_EQ(TempFiles::Read(r.path).left(2), edit + Counting(1000).mid(999));
  }
  r.p.Verify();

  // The file being edited, its backup, a link to it and a directory are refused.
  ASSERT_TRUE(QFile::link(r.path, r.files.Path("to-file")));
  ASSERT_TRUE(QDir(r.files.Dir()).mkdir("dir"));
  const QByteArray file = TempFiles::Read(r.path), backup = TempFiles::Read(r.files.Path("B.BAK"));
  const QString edited = " is the file being edited; choose another file to send the bytes to.";
  const std::pair<QString, QString> refused[] = {
      {r.path, r.path + edited},
      {r.files.Path("B.BAK"), r.files.Path("B.BAK") + " is the backup of" + edited.mid(3)},
      {r.files.Path("to-file"), r.path + edited},
      {r.files.Path("dir"), "Couldn't write " + r.files.Path("dir") + ": it is not a file"}};
  for (const auto& [target, says] : refused) {
    r.p.ExpectBox(says);
    EXPECT_FALSE(CutFile(r.io, {0, 9}, target)) << target.toStdString();
    EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
  }
  EXPECT_EQ(TempFiles::Read(r.path), file);
  EXPECT_EQ(TempFiles::Read(r.files.Path("B.BAK")), backup);
}

TEST(BlockOps, PasteInsertsOverlaysAndAppends) {
  const QByteArray ten = "0123456789";
  using enum PasteMode;
  // mode, base, cursor, the file after
  const std::tuple<PasteMode, std::int64_t, std::int64_t, const char*> cases[] = {
      {Insert, 0, 4, "0123abc456789"},
      {Append, 0, 4, "0123456789abc"},
      {Overlay, 0, 8, "01234567abc"},
      {Insert, 3, 0, "012abc3456789"},
      // A cursor left past the end (a cut of the bytes under it) pastes at the end.
      {Insert, 0, 12, "0123456789abc"},
      {Overlay, 2, 9, "0123456789abc"}};
  for (const auto& [mode, base, cursor, want] : cases) {
    BlockRig r(ten, base, "abc");
    r.s.Current.CursorOffset = cursor;
    EXPECT_EQ(PasteFile(r.io, mode, {}), PasteResult::Done);
    EXPECT_EQ(TempFiles::Read(r.path), want);
    EXPECT_EQ(r.s.FileLength, QByteArray(want).size());
  }

  // No source: said, and nothing changes; a source that is the file itself
  // is read whole before anything is written.
  BlockRig r(ten, 0);
  r.p.ExpectBox("Nothing cut or copied");
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, {}), PasteResult::NoSource);
  r.p.ExpectBox("Couldn't open " + r.files.Dir() + ": Is a directory");
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, r.files.Dir()), PasteResult::NoSource);
  r.s.Current.CursorOffset = 2;
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, r.path), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(r.path), "01" + ten);
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, r.path), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(r.path), "01" + ("01" + ten) + ten);
  EXPECT_TRUE(r.files.Leftovers().isEmpty());
  // Over itself further on, in several pieces: copied from the end back, so
  // that no byte is overwritten before it is read. Cancel says where it stopped.
  const QByteArray big = Counting((2 << 20) + 3);
  for (const bool cancel : {false, true}) {
    BlockRig b(big, 7);
    b.s.Current.CursorOffset = 5;
    if (cancel) {
      b.p.onEvents = CancelAtEvent(2, [&b] { b.s.OperationRunning = false; });
      b.p.ExpectBox(
          "The paste was cancelled at offset 1,048,583; 1,048,576 of 2,097,155 bytes were "
          "pasted.");
    }
    EXPECT_EQ(PasteFile(b.io, PasteMode::Overlay, b.path),
              cancel ? PasteResult::Cancelled : PasteResult::Done);
    EXPECT_TRUE(TempFiles::Read(b.path) ==
                (cancel ? big.left(1048591) + big.mid(1048579) : big.left(12) + big));
    b.p.Verify();
  }

  // Writes of at most 100 bytes, one failing: the bytes that reached the file
  // before are counted, at an offset from the working base; an interrupted
  // write is tried again.
  r.s.ClipFile = r.files.Write("clip", QByteArray(1000, 'c'));
  r.s.Current.WorkingBase = 2;
  r.io.ReopenFile();
  r.s.Current.CursorOffset = 0;
  r.sys.shortWrites = 100;
  r.sys.Reset();
  ASSERT_EQ(PasteFile(r.io, PasteMode::Overlay, {}), PasteResult::Done);
  const std::vector<int> writes = WriteCalls(r.sys);
  ASSERT_EQ(writes.size(), 10u);
  const QByteArray before = TempFiles::Read(r.path);
  // the write that fails, with what error, the clip's byte, the bytes pasted, the reason said
  for (const auto& [at, error, byte, pasted, why] :
       {std::tuple{0, ENOSPC, 'f', 0, "No space left on device"},
        {3, EIO, 'd', 300, "Input/output error"},
        {3, EINTR, 'e', 1000, ""}}) {
    const QByteArray clip(1000, byte);
    r.files.Write("clip", clip);
    r.sys.Reset({writes[at]});
    r.sys.error = error;
    if (*why) {
      r.p.ExpectBox(
          QStringLiteral("Couldn't write %1 at offset %2: %3\n%2 of 1,000 bytes were pasted.")
              .arg(r.path)
              .arg(pasted)
              .arg(why));
    }
    EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, {}),
              *why ? PasteResult::Failed : PasteResult::Done);
    EXPECT_EQ(TempFiles::Read(r.path), before.left(2) + clip.left(pasted) + before.mid(2 + pasted));
    r.p.Verify();
  }

  // While another operation runs every command that writes or prints is
  // refused with a beep, and nothing changes.
  BlockRig busy(ten, 0, "clip");
  ASSERT_TRUE(SetRecordLength(busy.io, 4));
  const RecordRange records{0, 1, 0, 1};
  const ByteRange bytes{0, 1};
  QString error;
  const std::unique_ptr<PrintSink> sink = busy.p.StartPrintJob({}, error);
  const std::function<void()> entries[] = {
      [&] { (void)FillRange(busy.io, {'x'}, FillKind::Ascii, 0, 1); },
      [&] { (void)FillRecords(busy.io, {'x'}, FillKind::Ascii, records); },
      [&] { (void)ChopRecords(busy.io, records); },
      [&] { (void)PasteToRecords(busy.io, PasteMode::Insert, records, {}); },
      [&] { (void)CutFile(busy.io, bytes, busy.s.ClipFile); },
      [&] { (void)CopyFile(busy.io, bytes, busy.s.ClipFile); },
      [&] { EXPECT_EQ(PasteFile(busy.io, PasteMode::Insert, {}), PasteResult::Busy); },
      [&] { (void)PrintRecords(busy.s, busy.p, *sink, {}); },
  };
  for (std::size_t i = 0; i < std::size(entries); ++i) {
    SCOPED_TRACE(i);
    busy.p.beeps = 0;
    busy.s.OperationRunning = true;
    entries[i]();
    EXPECT_EQ(busy.p.beeps, 1);
    EXPECT_EQ(TempFiles::Read(busy.path), ten);
    EXPECT_EQ(busy.Clip(), "clip");
  }
  EXPECT_TRUE(busy.p.jobs.back().lines.isEmpty());
}

// The boxes reach the cut and the paste; a long paste shows its progress,
// refuses a second click, and Cancel stops it.
TEST(BlockOps, DialogsReadTheirBoxesAndCloseAsTheySay) {
  WindowRig r;
  const QByteArray data = Counting((3 << 20) + 20);  // the clip in three pieces
  const QString path = r.Open("D.DAT", data);
  WhenModal<CutCopy> cut([&](CutCopy* d) {
    r.p.ExpectBox("You must enter starting and ending points");
    d->OKButton->click();
    d->StartBox->setText("20");
    d->EndBox->setText("99,999,999");
    d->OKButton->click();
  });
  r.w->mnuEditCut_Click();
  EXPECT_EQ(TempFiles::Read(path), Counting(20));

  WhenModal<Paste> paste([&](Paste* d) {
    d->ReadFromFileBox->click();
    d->PathNameBox->setText(r.files.Path("none"));
    r.p.ExpectBox("Couldn't open " + r.files.Path("none") + ": No such file or directory");
    r.p.ExpectBox(
        "The paste was cancelled at offset 1,048,576; 1,048,576 of 3,145,728 bytes were pasted.");
    d->InsertButton->setFocus();
    d->InsertButton->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->focusWidget(), d->PathNameBox);
    d->ReadFromFileBox->click();  // unchecked, the path stays in effect
    d->PathNameBox->clear();
    r.p.onEvents = CancelAtEvent(2, [&] {
      EXPECT_TRUE(d->Progress->isVisible());
      for (QPushButton* b : {d->InsertButton, d->OverlayButton, d->AppendBox})
        EXPECT_FALSE(b->isEnabled());
      d->OverlayButton_Click();
      d->CancelButton->click();
    });
    d->OverlayButton->click();
    EXPECT_TRUE(d->InsertButton->isEnabled() && !d->Progress->isVisible());
  });
  r.w->mnuEditPaste_Click();
  r.p.Verify();
  EXPECT_TRUE(TempFiles::Read(path) == data.mid(20, 1 << 20));
  EXPECT_EQ(r.p.beeps, 1);
  EXPECT_FALSE(r.s.OperationRunning);
}

}  // namespace qx::test
