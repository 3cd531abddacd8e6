// Save Sector, the page undo images, and refusals of page writes.
#include <gtest/gtest.h>

#include "tests/Fakes.h"

namespace qx::test {

// The disk fills up at the second write: the first moved shortWrites bytes.
class FullAtSecondWrite : public FaultySys {
  int Inject(Call c) override {
    return c == Call::Write && ++writes_ == 2 ? ENOSPC : FaultySys::Inject(c);
  }
  int writes_ = 0;
};

TEST(SaveUndo, PageSaveUndoRedoAndTheirRefusals) {
  FullAtSecondWrite full;  // outlives the files opened through it
  Rig r;
  const auto saveByte = [&](int i, std::uint8_t value) {
    r.s.PageBuffer[i] = value;
    r.s.Dirty = true;
    r.io.SavePage();
  };
  const QString path = r.files.Write("f.bin", TempFiles::Counting(300));
  r.io.OpenFile(path);
  r.s.Current.BufferTop = 256;
  r.io.ShowPage();
  r.s.PageBuffer.fill(0xEE);  // also the 212 cells past the end: never written
  r.s.Dirty = true;
  r.io.SavePage();
  QByteArray edited = TempFiles::Counting(256) + QByteArray(44, '\xEE');
  EXPECT_EQ(TempFiles::Read(path), edited);
  // A second save of the same page keeps the page as first read as undo image.
  saveByte(0, 0x45);
  edited[256] = 0x45;

  // Undo goes to the page of the change, dropping an unsaved edit elsewhere.
  r.s.Current.BufferTop = 0;
  r.io.ShowPage();
  r.s.PageBuffer[0] = 0x99;
  r.s.Dirty = true;
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), TempFiles::Counting(300));
  EXPECT_EQ(r.s.Current.BufferTop, 256);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.RedoEnabled && r.s.UndoEnabled);
  r.io.RedoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);

  // The page is read again after a Redo: a new edit undoes to the redone bytes.
  saveByte(10, 0x00);
  EXPECT_TRUE(r.s.UndoEnabled && !r.s.RedoEnabled && !r.s.WholeFileUndo);
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);

  // The images belong to their file offsets, whatever the working base becomes.
  r.s.Current.BufferTop = 0;
  r.io.ShowPage();
  saveByte(0, 0xAB);
  r.s.Current.WorkingBase = 100;
  r.io.ReopenFile();
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);

  // A page that lies wholly past the end (the file shrank) writes nothing.
  r.s.Current.BufferTop = 400;
  r.s.Dirty = true;
  EXPECT_TRUE(r.io.WritePage());
  EXPECT_EQ(TempFiles::Read(path), edited);

  // READ ONLY refuses the save and the undo commands.
  const QString other = r.files.Write("g.bin", TempFiles::Counting(1500));
  r.io.OpenFile(other);
  r.s.ReadOnly = true;
  for (int i = 0; i < 3; ++i) r.p.ExpectBox("File is read-only");
  saveByte(0, 0x7F);
  r.io.UndoChange();
  r.io.RedoChange();
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_EQ(TempFiles::Read(other), TempFiles::Counting(1500));

  // A write the system refuses (open for reading only) keeps the edit and the undo state.
  r.s.ReadOnly = false;
  r.io.SavePage();
  QByteArray saved = TempFiles::Counting(1500);
  saved[0] = 0x7F;
  ASSERT_TRUE(r.s.File1.Open(other, false));
  r.p.ExpectBox(QString());
  saveByte(1, 0x11);
  EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't write the page to"));
  EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_EQ(r.s.RedoPage[1], 0x01);  // the images of the last good save stay

  // An undo that cannot be written changes nothing and offers no Redo.
  r.s.Dirty = false;
  r.p.ExpectBox(QString());
  r.io.UndoChange();
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_EQ(TempFiles::Read(other), saved);

  // A page that could not be read shows zeros that must never be written.
  ASSERT_TRUE(r.s.File1.Open(other, true, r.sys));
  r.sys.always[SysCalls::Call::Read] = EIO;
  r.p.ExpectBox({});
  r.io.ShowPage();
  EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't read the page at offset 0 of"));
  r.sys.always.clear();
  r.p.ExpectBox({});
  saveByte(2, 0x22);
  EXPECT_TRUE(r.p.boxes.back().text.contains("could not be read whole"));
  EXPECT_EQ(TempFiles::Read(other), saved);

  // A write that stops part way says which bytes, from the working base, reached the file.
  ASSERT_TRUE(r.s.File1.Open(other, true, full));
  full.shortWrites = 50;
  r.s.Current.WorkingBase = 100;
  r.s.Current.BufferTop = 1000;
  r.io.ReopenFile();
  r.p.ExpectBox("Couldn't write the page to " + other +
                ": No space left on device\nBytes 1,000 to 1,049 (50 bytes) were written; bytes "
                "1,050 to 1,255 were not.");
  saveByte(0, 0x55);
  saved[1100] = 0x55;
  EXPECT_EQ(TempFiles::Read(other), saved);
  r.p.Verify();
}

}  // namespace qx::test
