// Save Sector, the page undo images, and refusals of page writes.
#include <gtest/gtest.h>

#include "tests/Fakes.h"

namespace qx::test {

namespace {

QByteArray Counting(int n) {
  return TempFiles::Counting(n);
}

}  // namespace

TEST(SaveUndo, ShortLastPageWritesOnlyTheBytesThatExist) {
  Rig r;
  const QString path = r.files.Write("short.bin", Counting(300));
  r.io.OpenFile(path);
  ASSERT_EQ(r.s.FileLength, 300);

  r.s.Current.BufferTop = 256;
  r.io.ShowPage();
  r.s.PageBuffer.fill(0xEE);  // also the 212 cells past the end
  r.s.Dirty = true;
  r.io.SavePage();

  QByteArray want = Counting(300);
  for (int i = 256; i < 300; ++i) want[i] = '\xEE';
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.UndoEnabled);
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_FALSE(r.s.WholeFileUndo);

  // A page that lies wholly past the end (the file shrank) writes nothing.
  r.s.Current.BufferTop = 400;
  r.s.Dirty = true;
  EXPECT_TRUE(r.io.WritePage());
  EXPECT_EQ(TempFiles::Read(path), want);
  r.p.Verify();
}

TEST(SaveUndo, PageUndoRedoUndo) {
  Rig r;
  const QString path = r.files.Write("page.bin", Counting(1000));
  r.io.OpenFile(path);
  r.s.Current.BufferTop = 256;
  r.io.ShowPage();

  r.s.PageBuffer[5] = 0x41;  // offset 261
  r.s.Dirty = true;
  r.io.SavePage();
  EXPECT_EQ(TempFiles::Read(path)[261], '\x41');

  // A second save of the same page keeps the page as first read as undo image.
  r.s.PageBuffer[6] = 0x42;
  r.s.Dirty = true;
  r.io.SavePage();

  // Undo returns to the page of the change wherever the page is now.
  r.s.Current.BufferTop = 600;
  r.io.ShowPage();
  r.s.PageBuffer[0] = 0x99;  // an unsaved edit elsewhere is dropped
  r.s.Dirty = true;
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(1000));
  EXPECT_EQ(r.s.Current.BufferTop, 256);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.RedoEnabled);
  EXPECT_TRUE(r.s.UndoEnabled);

  r.io.RedoChange();
  QByteArray edited = Counting(1000);
  edited[261] = '\x41';
  edited[262] = '\x42';
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
  r.p.Verify();
}

TEST(SaveUndo, ReadOnlyAndFailedWritesChangeNothing) {
  Rig r;
  const QString path = r.files.Write("ro.bin", Counting(512));
  r.io.OpenFile(path);
  r.s.PageBuffer[0] = 0x7F;
  r.s.Dirty = true;

  // READ ONLY refuses the save and the undo commands.
  r.s.ReadOnly = true;
  r.p.ExpectBox("File is read-only");
  r.io.SavePage();
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_FALSE(r.s.UndoEnabled);
  r.p.ExpectBox("File is read-only");
  r.io.UndoChange();
  r.p.ExpectBox("File is read-only");
  r.io.RedoChange();
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

  // An undo that cannot be written leaves the page marked as changed.
  r.s.Dirty = false;
  r.p.ExpectBox(QString());
  r.io.UndoChange();
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_EQ(TempFiles::Read(path), saved);
  r.p.Verify();
}

}  // namespace qx::test
