// Save Sector, the page undo images, and refusals of page writes.
#include <gtest/gtest.h>

#include "tests/Fakes.h"

namespace qx::test {

namespace {

constexpr auto Counting = &TempFiles::Counting;

// Opens a file of n counting bytes and shows the page at top.
QString OpenAt(Rig& r, int n, std::int64_t top) {
  const QString path = r.files.Write("f.bin", Counting(n));
  r.io.OpenFile(path);
  r.s.Current.BufferTop = top;
  r.io.ShowPage();
  return path;
}

}  // namespace

TEST(SaveUndo, ShortLastPageWritesOnlyTheBytesThatExist) {
  Rig r;
  const QString path = OpenAt(r, 300, 256);
  r.s.PageBuffer.fill(0xEE);  // also the 212 cells past the end
  r.s.Dirty = true;
  r.io.SavePage();
  const QByteArray want = Counting(256) + QByteArray(44, '\xEE');
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.UndoEnabled && !r.s.RedoEnabled && !r.s.WholeFileUndo);

  // A page that lies wholly past the end (the file shrank) writes nothing.
  r.s.Current.BufferTop = 400;
  r.s.Dirty = true;
  EXPECT_TRUE(r.io.WritePage());
  EXPECT_EQ(TempFiles::Read(path), want);
  r.p.Verify();
}

TEST(SaveUndo, PageUndoRedoUndo) {
  Rig r;
  const QString path = OpenAt(r, 1000, 256);
  QByteArray edited = Counting(1000);
  // A second save of the same page keeps the page as first read as undo image.
  for (int i : {5, 6}) {
    r.s.PageBuffer[i] = 0x40 + i;
    edited[256 + i] = static_cast<char>(0x40 + i);
    r.s.Dirty = true;
    r.io.SavePage();
  }
  EXPECT_EQ(TempFiles::Read(path), edited);

  // Undo returns to the page of the change wherever the page is now, and
  // drops an unsaved edit elsewhere.
  r.s.Current.BufferTop = 600;
  r.io.ShowPage();
  r.s.PageBuffer[0] = 0x99;
  r.s.Dirty = true;
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(1000));
  EXPECT_EQ(r.s.Current.BufferTop, 256);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.RedoEnabled && r.s.UndoEnabled);
  r.io.RedoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(1000));

  // After the undo the page on disk is the clean image: a new edit of it
  // undoes to exactly these bytes.
  r.s.PageBuffer[10] = 0x00;
  r.s.Dirty = true;
  r.io.SavePage();
  EXPECT_FALSE(r.s.RedoEnabled);
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(1000));

  // The images belong to their file offsets, whatever the working base
  // becomes: byte 0 edited and saved, base 100, undo puts byte 0 back.
  r.s.Current.BufferTop = 0;
  r.io.ShowPage();
  r.s.PageBuffer[0] = 0xAB;
  r.s.Dirty = true;
  r.io.SavePage();
  r.s.Current.WorkingBase = 100;
  r.io.ReopenFile();
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(1000));
  r.io.RedoChange();
  QByteArray redone = Counting(1000);
  redone[0] = '\xAB';
  EXPECT_EQ(TempFiles::Read(path), redone);
  r.p.Verify();
}

TEST(SaveUndo, ReadOnlyAndFailedWritesChangeNothing) {
  Rig r;
  const QString path = OpenAt(r, 512, 0);
  r.s.PageBuffer[0] = 0x7F;
  r.s.Dirty = true;

  // READ ONLY refuses the save and the undo commands.
  r.s.ReadOnly = true;
  for (auto command : {&IO::SavePage, &IO::UndoChange, &IO::RedoChange}) {
    r.p.ExpectBox("File is read-only");
    (r.io.*command)();
  }
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_FALSE(r.s.UndoEnabled);
  EXPECT_EQ(TempFiles::Read(path), Counting(512));
  r.p.Verify();

  // A write the system refuses (the file is open for reading only) keeps
  // the edit and the undo state, and says so.
  r.s.ReadOnly = false;
  r.io.SavePage();
  QByteArray saved = Counting(512);
  saved[0] = '\x7F';
  ASSERT_EQ(TempFiles::Read(path), saved);
  ASSERT_TRUE(r.s.File1.Open(path, false));
  r.s.PageBuffer[1] = 0x11;
  r.s.Dirty = true;
  r.p.ExpectBox(QString());
  r.io.SavePage();
  EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't write the page to"));
  EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_EQ(r.s.PageBuffer[1], 0x11);
  EXPECT_EQ(r.s.RedoPage[1], 0x01);  // the images of the last good save stay

  // An undo that cannot be written changes nothing and offers no Redo.
  r.s.Dirty = false;
  r.p.ExpectBox(QString());
  r.io.UndoChange();
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_EQ(TempFiles::Read(path), saved);

  // A page that could not be read shows zeros that must never be written.
  ASSERT_TRUE(r.s.File1.Open(path, true, r.sys));
  r.sys.always[SysCalls::Call::Read] = EIO;
  r.p.ExpectBox({});
  r.io.ShowPage();
  EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't read the page at offset 0 of"));
  r.sys.always.clear();
  r.s.PageBuffer[2] = 0x22;
  r.s.Dirty = true;
  r.p.ExpectBox({});
  r.io.SavePage();
  EXPECT_TRUE(r.p.boxes.back().text.contains("could not be read whole"));
  EXPECT_EQ(TempFiles::Read(path), saved);
  r.p.Verify();
}

}  // namespace qx::test
