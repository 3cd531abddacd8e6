#include <gtest/gtest.h>

#include "input/Typing.h"
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
  Rig r;
  const auto saveByte = [&](int i, std::uint8_t value) {
    r.s.PageBuffer[i] = value;
    r.s.Dirty = true;
    r.io.SavePage();
  };
  QByteArray edited = TempFiles::Counting(1500);
  const QString path = r.files.Write("f.bin", edited);
  r.io.OpenFile(path);
  r.s.Current.BufferTop = 1400;
  r.io.ShowPage();
  r.s.PageBuffer.fill(0xEE);  // also the 156 cells past the end: never written
  r.s.Dirty = true;
  r.io.SavePage();
  edited.replace(1400, 100, QByteArray(100, '\xEE'));
  EXPECT_EQ(TempFiles::Read(path), edited);

  // Undo goes to the page of the change, dropping an unsaved edit elsewhere.
  r.s.Current.BufferTop = 0;
  r.io.ShowPage();
  r.s.PageBuffer[0] = 0x99;
  r.s.Dirty = true;
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), TempFiles::Counting(1500));
  EXPECT_EQ(r.s.Current.BufferTop, 1400);
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_TRUE(r.s.RedoEnabled && r.s.UndoEnabled);
  r.io.RedoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);

  // The page is read again after a Redo: a new edit undoes to the redone bytes.
  saveByte(10, 0x00);
  EXPECT_TRUE(r.s.UndoEnabled && !r.s.RedoEnabled && !r.s.WholeFileUndo);
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), edited);

  // A page that lies wholly past the end (the file shrank) writes nothing.
  r.s.Current.BufferTop = 1600;
  r.s.Dirty = true;
  EXPECT_TRUE(r.io.WritePage());
  EXPECT_EQ(TempFiles::Read(path), edited);

  // An undo the system refuses (the file open for reading only) changes
  // nothing and offers no Redo.
  r.s.Current.BufferTop = 0;
  r.io.ShowPage();
  saveByte(0, 0x7F);
  edited[0] = 0x7F;
  ASSERT_TRUE(r.s.File1.Open(path, false));
  r.p.ExpectBox(QString());
  r.io.UndoChange();
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_EQ(TempFiles::Read(path), edited);

  r.p.Verify();
}

// Both views save through one path: alike in refusals and failures, never losing a byte.
TEST(SaveUndo, EachViewSavesItsEditsThroughOnePath) {
  for (const bool records : {false, true}) {
    SCOPED_TRACE(records ? "records" : "page");
    FullAtSecondWrite full;
    Rig r;
    const QByteArray original = TempFiles::Counting(100);
    QString path;
    const auto show = [&] {
      r.s.Current.RecordView = records;
      if (records) {
        r.io.ReadRecords(0, 100);
      } else {
        r.io.ShowPage();
      }
    };
    const auto type = [&](std::int64_t at, const char* digits) {
      r.s.Current.CursorOffset = at;
      EXPECT_EQ(TypeOnScreen(r.s, QChar(digits[0]), TypingSide::HighDigit, true), Typed::HighDigit);
      EXPECT_EQ(TypeOnScreen(r.s, QChar(digits[1]), TypingSide::LowDigit, true), Typed::Byte);
    };
    // Each system call failing in turn: the save is whole, or said and nothing written.
    QByteArray saved = original;
    saved[10] = 0x41;
    int calls = 0;
    for (int call = -1; call < calls; ++call) {
      r.s.Dirty = false;
      path = OpenAnew(r, original, 2, 10);
      show();
      type(8, "41");
      r.sys.Reset(call < 0 ? std::set<int>{} : std::set<int>{call});
      r.p.anyBox = true;
      r.p.boxes.clear();
      r.io.SavePage();
      r.p.anyBox = false;
      if (call < 0) calls = r.sys.count;
      const bool said = !r.p.boxes.empty();
      EXPECT_EQ(TempFiles::Read(path), said ? original : saved) << call;
      EXPECT_TRUE(!said || (r.p.boxes.front().text.startsWith("Couldn't ") &&
                            r.p.boxes.front().icon == Icon::Critical))
          << call;
      EXPECT_EQ(r.s.Dirty, said) << call;  // the edit stays to be saved again
    }
    ASSERT_GE(calls, 2);
    r.s.Dirty = false;
    path = OpenAnew(r, original, 2, 10);
    show();
    type(8, "41");
    type(11, "42");
    r.io.SavePage();
    saved[13] = 0x42;
    EXPECT_EQ(TempFiles::Read(path), saved);
    EXPECT_FALSE(r.s.Dirty);
    // A second save: the page undoes to the page as read, the records to the first save.
    type(8, "77");
    r.io.SavePage();
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(path), records ? saved : original);
    r.io.RedoChange();
    saved[10] = 0x77;
    EXPECT_EQ(TempFiles::Read(path), saved);

    // An edit dropped at "Save Change?" never reaches the file with a later one.
    type(10, "66");
    r.p.ExpectBox("Save Change?", Answer::No);
    r.io.CheckDirty();
    EXPECT_EQ(ScreenByte(r.s, 10), 12);
    type(12, "67");
    r.io.SavePage();
    saved[14] = 0x67;
    EXPECT_EQ(TempFiles::Read(path), saved);

    // READ ONLY refuses the save, Undo and Redo; the edit stays on screen.
    show();
    type(9, "55");
    r.s.ReadOnly = true;
    for (int i = 0; i < 3; ++i) r.p.ExpectBox("File is read-only");
    r.io.SavePage();
    r.io.UndoChange();
    r.io.RedoChange();
    EXPECT_TRUE(r.s.Dirty);
    r.s.ReadOnly = false;
    // The disk full after two bytes: those are said, from the working base, and kept.
    ASSERT_TRUE(r.s.File1.Open(path, true, full));
    full.shortWrites = 2;
    r.p.ExpectBox(QStringLiteral("Couldn't write the %1 to %2: No space left on device\nBytes %3")
                      .arg(records ? "records" : "page", path,
                           records ? "9 to 10 (2 bytes) were written; byte 11 was not."
                                   : "0 to 1 (2 bytes) were written; bytes 2 to 97 were not."));
    type(11, "43");
    r.io.SavePage();
    if (records) saved[11] = 0x55;
    EXPECT_EQ(TempFiles::Read(path), saved);
    EXPECT_TRUE(r.s.Dirty);

    // Bytes that could not be read are shown as zeros and never written back.
    r.s.Dirty = false;
    r.sys.always[SysCalls::Call::Read] = EIO;
    ASSERT_TRUE(r.s.File1.Open(path, true, r.sys));
    r.p.ExpectBox(QStringLiteral("Couldn't read the %1 at offset 2 of %2: Input/output error")
                      .arg(records ? "records" : "page", path));
    show();
    r.sys.always.clear();
    type(1, "00");
    r.p.ExpectBox(QStringLiteral("The %1 at offset 2 of %2 could not be read whole, so %3 not "
                                 "written back.")
                      .arg(records ? "records" : "page", path, records ? "they are" : "it is"));
    r.io.SavePage();
    EXPECT_EQ(TempFiles::Read(path), saved);

    // Yes saves, a file of one byte too.
    r.s.Dirty = false;
    path = OpenAnew(r, "x", 0, 1);
    show();
    type(0, "41");
    r.p.ExpectBox("Save Change?", Answer::Yes);
    r.io.CheckDirty();
    EXPECT_EQ(TempFiles::Read(path), "A");
    r.p.Verify();
  }
}

}  // namespace qx::test
