// Cut, Copy and Paste: the range rules, the clip and named targets, the
// commit with its backup, and failures that must leave everything as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/ClipFile.h"
#include "ops/CutCopy.h"
#include "ops/Paste.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/CutCopy.h"
#include "ui/dialogs/Paste.h"

namespace qx::test {

namespace {

constexpr auto Counting = &TempFiles::Counting;

// A file of counting bytes open at a working base, with the clip file in
// the test's directory.
struct BlockRig : Rig {
  QString path;
  BlockRig(int size, std::int64_t base, const QByteArray& clip = {}) {
    path = files.Write("B.DAT", Counting(size));
    s.ClipFile = files.Path("clip");
    if (!clip.isNull()) files.Write("clip", clip);
    io.OpenFile(path);
    s.Current.WorkingBase = base;
    io.ReopenFile();
  }
  QByteArray Clip() const { return TempFiles::Read(s.ClipFile); }
  QStringList Leftovers() const { return files.Entries().filter(QRegularExpression("^qx")); }
};

}  // namespace

TEST(BlockOps, CutAndCopyTakeTheRangeFromTheWorkingBase) {
  // size, base, start, end, cut (or copy), the file offsets that go to the
  // clip (from > to: nothing happens)
  const std::tuple<int, std::int64_t, const char*, const char*, bool, int, int> cases[] = {
      {100, 0, "10", "999999", true, 10, 99},
      {100, 16, "0", "3", true, 16, 19},
      {100, 0, "-7", "2", true, 0, 2},
      {100, 16, "84", "90", true, 1, 0},
      {100, 0, "9", "8", false, 1, 0},
      {9000, 0, "0", "8,192", false, 0, 8192},
      {300, 0, "1,000,000,000,000,000,000,000", "5", true, 1, 0},
  };
  for (const auto& [size, base, start, end, cut, from, to] : cases) {
    BlockRig r(size, base, "old clip");
    const RangeFields f = GetRange(r.s, start, end);
    const std::string where = std::string(start) + ".." + end;
    const bool happens = from <= to;
    ASSERT_EQ(f.check, happens ? RangeCheck::Ok : RangeCheck::NotInFile) << where;
    if (!happens) continue;
    EXPECT_TRUE(cut ? CutFile(r.io, f.range, r.s.ClipFile) : CopyFile(r.io, f.range, r.s.ClipFile))
        << where;
    const QByteArray old = Counting(size);
    EXPECT_EQ(r.Clip(), old.mid(from, to - from + 1)) << where;
    EXPECT_EQ(TempFiles::Read(r.path), cut ? old.left(from) + old.mid(to + 1) : old) << where;
    EXPECT_EQ(r.s.UndoEnabled, cut) << where;
    EXPECT_TRUE(r.Leftovers().isEmpty()) << where;
    if (cut) {
      r.io.UndoChange();
      EXPECT_EQ(TempFiles::Read(r.path), old) << where;
      r.io.RedoChange();
      EXPECT_EQ(TempFiles::Read(r.path).size(), size - (to - from + 1)) << where;
    }
    r.p.Verify();
  }

  // Boxes that hold no whole number say so and name the box.
  BlockRig r(100, 0);
  // An unsaved page edit is offered for saving before the cut reads the file.
  r.s.PageBuffer[0] = 'E';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  ASSERT_TRUE(CutFile(r.io, {1, 98}, r.s.ClipFile));
  EXPECT_EQ(TempFiles::Read(r.path), QByteArray("E") + char(99));
  r.p.Verify();
  for (auto [start, end, box] : {std::tuple{"", "5", 0}, {"1 2", "5", 0}, {"1", "--5", 1}}) {
    const RangeFields f = GetRange(r.s, start, end);
    EXPECT_EQ(f.check, RangeCheck::EmptyBox);
    EXPECT_EQ(f.box, box);
  }
}

TEST(BlockOps, TargetsAreWrittenWholeOrNotAtAll) {
  // Send to file leaves the clip file alone; a relative name is the current
  // directory's; a new file gets the user's usual permissions.
  BlockRig r(1000, 0, "old clip");
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(r.files.Dir()));
  EXPECT_TRUE(CopyFile(r.io, {10, 19}, BlockFilePath(r.s, "sent.bin")));
  QDir::setCurrent(cwd);
  EXPECT_EQ(TempFiles::Read(r.files.Path("sent.bin")), Counting(1000).mid(10, 10));
  EXPECT_EQ(r.Clip(), "old clip");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(r.files.Path("sent.bin")).constData(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  // The file being edited, its backup, a link to it and a directory are refused.
  ASSERT_TRUE(CutFile(r.io, {0, 0}, r.s.ClipFile));
  ASSERT_EQ(::symlink(QFile::encodeName(r.path).constData(),
                      QFile::encodeName(r.files.Path("to-file")).constData()),
            0);
  ASSERT_TRUE(QDir(r.files.Dir()).mkdir("dir"));
  const QByteArray file = TempFiles::Read(r.path), backup = TempFiles::Read(r.files.Path("B.BAK"));
  for (const QString& target :
       {r.path, r.files.Path("B.BAK"), r.files.Path("to-file"), r.files.Path("dir")}) {
    r.p.ExpectBox({});
    EXPECT_FALSE(CutFile(r.io, {0, 9}, target)) << target.toStdString();
    EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
  }
  EXPECT_EQ(TempFiles::Read(r.path), file);
  EXPECT_EQ(TempFiles::Read(r.files.Path("B.BAK")), backup);

  // Every write of a cut failing in turn: the file is cut only when the
  // clip holds the range whole; otherwise both are as they were.
  for (int n = 0;; ++n) {
    BlockRig f(5000, 0, "previous clip");
    f.p.anyBox = true;
    f.sys.Reset({n});
    const bool cut = CutFile(f.io, {100, 3999}, f.s.ClipFile);
    const int calls = f.sys.count;
    f.sys.Reset();
    const QByteArray now = TempFiles::Read(f.path);
    if (cut) {
      EXPECT_EQ(f.Clip(), Counting(5000).mid(100, 3900)) << n;
      EXPECT_EQ(now, Counting(5000).left(100) + Counting(5000).mid(4000)) << n;
    } else {
      EXPECT_FALSE(f.p.boxes.empty()) << n;
      EXPECT_EQ(now, Counting(5000)) << n;
      const QByteArray clip = f.Clip();
      EXPECT_TRUE(clip == "previous clip" || clip == Counting(5000).mid(100, 3900)) << n;
    }
    if (n >= calls) break;
  }
}

TEST(BlockOps, PasteInsertsOverlaysAndAppends) {
  const QByteArray ten = "0123456789";
  using enum PasteMode;
  // mode, base, cursor, the file after
  for (const auto& [mode, base, cursor, want] :
       {std::tuple<PasteMode, std::int64_t, std::int64_t, const char*>{Insert, 0, 4,
                                                                       "0123abc456789"},
        {Append, 0, 4, "0123456789abc"},
        {Overlay, 0, 4, "0123abc789"},
        {Overlay, 0, 8, "01234567abc"},
        {Insert, 3, 0, "012abc3456789"}}) {
    Rig r;
    const QString path = r.files.Write("P.DAT", ten);
    r.s.ClipFile = r.files.Write("clip", "abc");
    r.io.OpenFile(path);
    r.s.Current.WorkingBase = base;
    r.s.Current.CursorOffset = cursor;
    r.io.ReopenFile();
    EXPECT_EQ(PasteFile(r.io, mode, {}), PasteResult::Done);
    EXPECT_EQ(TempFiles::Read(path), want);
    EXPECT_EQ(r.s.FileLength, QByteArray(want).size());
    // Only a rewrite keeps a backup to undo with.
    EXPECT_EQ(r.s.UndoEnabled, mode != Overlay);
    if (mode != Overlay) {
      r.io.UndoChange();
      EXPECT_EQ(TempFiles::Read(path), ten);
    }
    r.p.Verify();
  }

  // No source: said, and nothing changes; a source that is the file itself
  // is read whole before anything is written.
  Rig r;
  const QString path = r.files.Write("S.DAT", ten);
  r.s.ClipFile = r.files.Path("clip");
  r.io.OpenFile(path);
  r.p.ExpectBox("Nothing cut or copied");
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, {}), PasteResult::NoSource);
  r.p.ExpectBox("Couldn't open " + r.files.Path("missing") + ": No such file or directory");
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, r.files.Path("missing")), PasteResult::NoSource);
  r.p.ExpectBox("Couldn't open " + r.files.Dir() + ": Is a directory");
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, r.files.Dir()), PasteResult::NoSource);
  r.s.Current.CursorOffset = 2;
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, path), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(path), "01" + ten);
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, path), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(path), "01" + ("01" + ten) + ten);
  EXPECT_TRUE(r.files.Entries().filter(QRegularExpression("^qx")).isEmpty());
  // An unsaved page edit is offered for saving before the paste.
  r.s.PageBuffer[0] = 'E';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  r.s.Current.CursorOffset = 1;
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, r.s.ClipFile = r.files.Write("clip", "x")),
            PasteResult::Done);
  EXPECT_TRUE(TempFiles::Read(path).startsWith("Ex0"));

  // An overlay whose write fails says how far it got.
  r.sys.always[SysCalls::Call::Write] = ENOSPC;
  r.p.ExpectBox({});
  r.s.Current.CursorOffset = 0;
  EXPECT_EQ(PasteFile(r.io, PasteMode::Overlay, path), PasteResult::Failed);
  EXPECT_TRUE(r.p.boxes.back().text.contains("0 of 24 bytes were pasted"))
      << r.p.boxes.back().text.toStdString();
  r.p.Verify();
}

TEST(BlockOps, DialogsReadTheirBoxesAndCloseAsTheySay) {
  WindowRig r;
  const QString path = r.Open("D.DAT", Counting(300));
  WhenModal<CutCopy> cut([&](CutCopy* d) {
    EXPECT_FALSE(d->PathNameBox->isVisible());
    r.p.ExpectBox("You must enter starting and ending points");
    d->OKButton->click();
    d->StartBox->setText("20");
    d->EndBox->setText("299");
    d->OKButton->click();
  });
  r.w->mnuEditCut_Click();
  EXPECT_EQ(TempFiles::Read(path), Counting(20));
  EXPECT_EQ(TempFiles::Read(r.s.ClipFile), Counting(300).mid(20));

  WhenModal<Paste> paste([&](Paste* d) {
    d->ReadFromFileBox->click();
    EXPECT_TRUE(d->PathNameBox->isVisible());
    d->PathNameBox->setText(r.files.Path("none"));
    r.p.ExpectBox("Couldn't open " + r.files.Path("none") + ": No such file or directory");
    d->InsertButton->click();
    EXPECT_TRUE(d->isVisible());
    d->ReadFromFileBox->click();  // unchecked, the path stays in effect
    d->PathNameBox->clear();
    d->AppendBox->click();
  });
  r.w->mnuEditPaste_Click();
  EXPECT_EQ(TempFiles::Read(path), Counting(20) + Counting(300).mid(20));
  r.p.Verify();

  // Only the clip file this program wrote goes at exit.
  const QString foreign = r.files.Write("foreign", "x");
  EditorState other;
  other.ClipFile = foreign;
  DeleteClipFile(other);
  EXPECT_TRUE(QFile::exists(foreign));
}

}  // namespace qx::test
