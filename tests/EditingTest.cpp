#include <sys/stat.h>
#include <unistd.h>

#include <QScrollBar>

#include "tests/WindowRig.h"

namespace qx::test {

TEST(Editing, HexDigitsOverTypeTheByteUnderTheCursor) {
  WindowRig r;
  QByteArray bytes = TempFiles::Counting(600);
  bytes[10] = 0x4A;
  bytes[11] = 0x22;
  const QString path = r.Open("a.bin", bytes);
  r.Click(r.w->HexBox, 0, 10);
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  EXPECT_EQ(r.w->FileOffsetBox->text(), "10");

  r.Type('7');
  EXPECT_EQ(r.s.PageBuffer[10], 0x7A);
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  EXPECT_TRUE(r.w->SecondNibble);
  EXPECT_TRUE(r.s.Dirty);
  EXPECT_EQ(r.w->HexBox->CellText(0, 10), "7A");
  r.Type('f');
  EXPECT_EQ(r.s.PageBuffer[10], 0x7F);
  EXPECT_EQ(r.s.Current.CursorOffset, 11);
  EXPECT_FALSE(r.w->SecondNibble);
  EXPECT_EQ(r.w->HexBox->CellText(0, 10), "7F");
  EXPECT_EQ(r.w->HexBox->CellColor(0, 10), QColor(0, 0, 0));
  EXPECT_EQ(r.w->HexBox->CellColor(0, 11), QColor(255, 0, 0));

  // 7, Left, 1: the low digit of the byte to the left becomes 1.
  r.Type('7');
  EXPECT_EQ(r.s.PageBuffer[11], 0x72);
  r.Key(Qt::Key_Left);
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  r.Type('1');
  EXPECT_EQ(r.s.PageBuffer[10], 0x71);
  EXPECT_EQ(r.s.Current.CursorOffset, 11);

  // g is no hex digit: a message and nothing else.
  r.Type('3');
  const auto before = r.s.PageBuffer;
  r.p.ExpectBox("Invalid Hexadecimal Character");
  r.Type('g');
  EXPECT_EQ(r.s.PageBuffer, before);
  EXPECT_TRUE(r.w->SecondNibble);
  EXPECT_EQ(r.s.Current.CursorOffset, 11);

  // Nothing reached the disk yet; Save Sector writes the page.
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x4A);
  r.Key(Qt::Key_F2);
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x71);
  EXPECT_EQ(WindowRig::DiskByte(path, 11), 0x32);
  EXPECT_FALSE(r.s.Dirty);

  // Ctrl+Z puts the byte back as it was read; the toolbar's Redo writes it again.
  ASSERT_TRUE(r.w->MenuItem("mnuEditUndo")->isEnabled());
  QTest::keyClick(r.w->FileBar, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x4A);
  EXPECT_EQ(r.w->HexBox->CellText(0, 10), "4A");
  EXPECT_TRUE(r.w->MenuItem("mnuEditRedo")->isEnabled());
  r.w->Toolbar1_ButtonClick("Redo");
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x71);
  r.p.Verify();
}

TEST(Editing, TypingPastTheLastRowAsksToSaveAndScrolls) {
  WindowRig r;
  const QString path = r.Open("a.bin", TempFiles::Counting(600));
  r.Click(r.w->HexBox, 15, 15);
  ASSERT_EQ(r.s.Current.CursorOffset, 255);
  r.Type('a');
  r.p.ExpectBox("Save Change?", Answer::Yes);
  r.Type('b');
  r.p.Verify();
  EXPECT_EQ(WindowRig::DiskByte(path, 255), 0xAB);
  EXPECT_EQ(r.s.Current.BufferTop, 16);
  EXPECT_EQ(r.s.Current.CursorOffset, 256);
  EXPECT_EQ(r.s.CY, 15);
  EXPECT_EQ(r.s.CX, 0);
  EXPECT_EQ(r.w->HexBox->CellText(14, 15), "AB");
  EXPECT_EQ(r.w->HexBox->CellColor(15, 0), QColor(255, 0, 0));
  EXPECT_EQ(r.w->FileBar->value(), r.w->LastBarValue);

  // No: the edit is dropped when the page moves.
  r.Type('0');
  r.Type('0');
  r.p.ExpectBox("Save Change?", Answer::No);
  r.Key(Qt::Key_PageDown);
  r.p.Verify();
  EXPECT_EQ(WindowRig::DiskByte(path, 256), 0);
  EXPECT_FALSE(r.s.Dirty);
}

TEST(Editing, CharacterSideAndCursorKeys) {
  WindowRig r;
  const QString path = r.Open("a.bin", TempFiles::Counting(40));
  r.Click(r.w->AsciiBox, 2, 6);  // row 2 col 6: offset 38
  EXPECT_TRUE(r.w->AsciiSide);
  EXPECT_EQ(r.s.Current.CursorOffset, 38);
  EXPECT_EQ(r.w->AsciiBox->CellColor(2, 6), QColor(255, 0, 0));
  EXPECT_EQ(r.w->HexBox->CellColor(2, 6), QColor(0, 255, 0));
  r.Type('A');
  EXPECT_EQ(r.s.PageBuffer[38], 0x41);
  EXPECT_EQ(r.s.Current.CursorOffset, 39);
  r.Type('B');  // the last byte: stored, the cursor stays
  EXPECT_EQ(r.s.PageBuffer[39], 0x42);
  EXPECT_EQ(r.s.Current.CursorOffset, 39);
  EXPECT_EQ(r.w->AsciiBox->CellText(2, 7), "B");
  r.Key(Qt::Key_Right);  // nothing past the end
  EXPECT_EQ(r.s.Current.CursorOffset, 39);
  r.Key(Qt::Key_Down);  // fewer than 16 bytes left
  EXPECT_EQ(r.s.Current.CursorOffset, 39);
  r.Key(Qt::Key_Up);
  EXPECT_EQ(r.s.Current.CursorOffset, 23);
  // A character wider than 8 bits changes nothing.
  QKeyEvent wide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x263A)));
  QApplication::sendEvent(r.w->FileBar, &wide);
  EXPECT_EQ(r.s.PageBuffer[23], 23);
  EXPECT_EQ(r.s.Current.CursorOffset, 23);
  // Ctrl+Z with nothing to undo is no character either.
  QTest::keyClick(r.w->FileBar, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(r.s.PageBuffer[23], 23);
  // Empty cells past the end take no click.
  r.Click(r.w->AsciiBox, 5, 0);
  EXPECT_EQ(r.s.Current.CursorOffset, 23);

  // Saved on leaving the window.
  r.p.ExpectBox("Save Change?", Answer::Yes);
  r.w->close();
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(path).mid(38, 2), "AB");
}

TEST(Editing, UpFromAPageThatStartsMidRow) {
  WindowRig r;
  r.Open("a.bin", TempFiles::Counting(600));
  r.s.Current.BufferTop = 8;
  r.s.Current.CursorOffset = 20;
  r.w->Io().ShowPage();
  r.Key(Qt::Key_Up);
  EXPECT_EQ(r.s.Current.CursorOffset, 4);
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  EXPECT_EQ(r.w->HexBox->CellColor(0, 4), QColor(255, 0, 0));

  // Away from the page the cursor is neither drawn nor typed over.
  r.w->FileBar->setValue(20000);
  ASSERT_GT(r.s.Current.BufferTop, 255);
  const auto page = r.s.PageBuffer;
  r.Type('1');
  EXPECT_EQ(r.s.PageBuffer, page);
  EXPECT_FALSE(r.s.Dirty);
  r.w->mnuNavGoToCursor_Click();
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  EXPECT_EQ(r.w->HexBox->CellColor(0, 4), QColor(255, 0, 0));
  r.p.Verify();
}

TEST(Editing, ReadOnlyFileRefusesEveryKey) {
  WindowRig r;
  const QString path = r.files.Write("ro.bin", TempFiles::Counting(100));
  ::chmod(QFile::encodeName(path).constData(), 0444);
  r.w->Io().OpenFile(path);
  if (::geteuid() == 0) {  // root may write anything: mark it as the open would
    r.s.ReadOnly = true;
    r.w->ReadOnlyChanged();
  }
  EXPECT_TRUE(r.w->ReadOnlyWarning->isVisibleTo(r.w.get()));
  r.p.ExpectBox("File is read-only");
  r.Type('1');
  r.p.ExpectBox("File is read-only");
  r.w->mnuNavToggle_Click();
  r.Type('x');
  r.p.ExpectBox("File is read-only");
  r.Key(Qt::Key_F2);
  // Every command that would change the file asks the same guard first.
  for (auto command :
       {&QX::mnuEditCut_Click, &QX::mnuEditPaste_Click, &QX::mnuEditFill_Click,
        &QX::mnuRecordChop_Click, &QX::mnuRecordPaste_Click, &QX::mnuRecordFill_Click}) {
    r.p.ExpectBox("File is read-only");
    (r.w.get()->*command)();
  }
  r.p.Verify();
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_EQ(TempFiles::Read(path), TempFiles::Counting(100));
}

}  // namespace qx::test
