#include <QWindow>

#include "core/CharacterSet.h"
#include "input/Typing.h"
#include "input/Utility.h"
#include "tests/WindowRig.h"

namespace qx::test {

TEST(Editing, HexDigitsOverTypeTheByteAndLeavingThePageAsksToSave) {
  WindowRig r;
  QByteArray bytes = TempFiles::Counting(600);
  bytes[10] = 0x4A;
  const QString path = r.Open("a.bin", bytes);
  r.Click(r.w->HexBox, 0, 10);
  // Left after a high digit (of byte 11) lands on the low digit of byte 10.
  for (char c : {'7', 'f', '7'}) r.Type(c);
  EXPECT_EQ(r.w->HexBox->CellText(0, 10), "7F");
  r.Key(Qt::Key_Left);
  r.Type('1');
  const auto before = r.s.PageBuffer;
  r.p.ExpectBox("Invalid Hexadecimal Character");
  r.Type('g');
  EXPECT_EQ(r.s.PageBuffer, before);
  EXPECT_EQ(r.s.Current.CursorOffset, 11);

  // Unsaved bytes are marked in both panes and the title; Save Sector clears both.
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x4A);
  const auto marked = [&](int col) {
    EXPECT_EQ(r.w->HexBox->CellMarked(0, col), r.w->AsciiBox->CellMarked(0, col));
    return r.w->HexBox->CellMarked(0, col);
  };
  EXPECT_TRUE(marked(10) && marked(11));
  EXPECT_FALSE(marked(9) || marked(12));
  EXPECT_EQ(r.w->windowHandle()->title(), "a.bin* - Quellox");
  r.Key(Qt::Key_F2);
  EXPECT_EQ(TempFiles::Read(path).mid(10, 2), "\x71\x7B");
  EXPECT_FALSE(marked(10) || marked(11));
  EXPECT_EQ(r.w->windowHandle()->title(), "a.bin - Quellox");
  // An edit dropped at "Save Change?" loses its marks too.
  for (char c : {'3', '3'}) r.Type(c);
  EXPECT_TRUE(marked(11));
  r.p.ExpectBox("Save Change?", Answer::No);
  r.w->Io().CheckDirty();
  EXPECT_FALSE(marked(11));
  EXPECT_EQ(r.w->windowHandle()->title(), "a.bin - Quellox");
  // Ctrl+Z puts the byte back as it was read; the toolbar's Redo writes it again.
  r.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(r.w->HexBox->CellText(0, 10), "4A");
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x4A);
  r.w->Toolbar1_ButtonClick("Redo");
  EXPECT_EQ(WindowRig::DiskByte(path, 10), 0x71);

  // Typing past the page's end asks to save it, then scrolls a row.
  r.Click(r.w->HexBox, 15, 15);
  r.p.ExpectBox("Save Change?", Answer::Yes);
  for (char c : {'a', 'b'}) r.Type(c);
  EXPECT_EQ(WindowRig::DiskByte(path, 255), 0xAB);
  EXPECT_EQ(r.s.Current.BufferTop, 16);
  EXPECT_EQ(r.s.Current.CursorOffset, 256);

  r.s.Current.BufferTop = 0;  // Left reaches the first byte
  r.s.Current.CursorOffset = 1;
  r.w->Io().ShowPage();
  r.Key(Qt::Key_Left);
  EXPECT_EQ(r.s.Current.CursorOffset, 0);

  // Away from the page the cursor is neither drawn nor typed over.
  r.w->FileBar->setValue(20000);
  ASSERT_GT(r.s.Current.BufferTop, 255);
  const auto page = r.s.PageBuffer;
  r.Type('1');
  EXPECT_EQ(r.s.PageBuffer, page);
  r.w->mnuNavGoToCursor_Click();
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(255, 0, 0));

  // A file opened without write access refuses typing and every command that
  // would change it (SaveUndo refuses Save Sector).
  const QByteArray saved = TempFiles::Read(path);
  r.s.ReadOnly = true;
  for (int i = 0; i < 7; ++i) r.p.ExpectBox("File is read-only");
  for (auto command :
       {&QX::mnuEditCut_Click, &QX::mnuEditPaste_Click, &QX::mnuEditFill_Click,
        &QX::mnuRecordChop_Click, &QX::mnuRecordPaste_Click, &QX::mnuRecordFill_Click})
    (r.w.get()->*command)();
  r.Type('1');
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_EQ(TempFiles::Read(path), saved);
  r.p.Verify();
}

TEST(Editing, CharacterSideAndCursorKeys) {
  WindowRig r;
  const QString path = r.Open("a.bin", TempFiles::Counting(40));
  r.Click(r.w->AsciiBox, 2, 6);         // offset 38
  for (char c : {'A', 'B'}) r.Type(c);  // B on the last byte: stored, the cursor stays
  EXPECT_EQ(r.w->AsciiBox->CellText(2, 7), "B");
  r.Key(Qt::Key_Right);  // nothing past the end
  r.Key(Qt::Key_Down);   // fewer than 16 bytes left
  r.Key(Qt::Key_Up);
  // A wide character, Ctrl+Z with nothing to undo, a click past the end: nothing.
  QKeyEvent wide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x263A)));
  QApplication::sendEvent(r.w->FileBar, &wide);
  r.Key(Qt::Key_Z, Qt::ControlModifier);
  r.Click(r.w->AsciiBox, 5, 0);
  EXPECT_EQ(r.s.PageBuffer[23], 23);
  EXPECT_EQ(r.s.Current.CursorOffset, 23);

  // Ctrl or Alt keys are shortcuts or nothing; Esc, Enter, Tab and Backspace store their byte.
  const auto press = [&](Qt::Key key, Qt::KeyboardModifiers m, const char* text) {
    QTest::sendKeyEvent(QTest::Click, r.w->FileBar, key, QString::fromLatin1(text), m);
  };
  r.Click(r.w->AsciiBox, 0, 0);
  press(Qt::Key_K, Qt::ControlModifier, "\x0b");
  press(Qt::Key_X, Qt::AltModifier, "x");
  press(Qt::Key_Return, Qt::ShiftModifier, "\r");
  press(Qt::Key_Delete, {}, "\x7f");
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  press(Qt::Key_Escape, {}, "\x1b");
  press(Qt::Key_Return, {}, "\r");
  press(Qt::Key_Tab, {}, "\t");
  press(Qt::Key_Backspace, {}, "\b");
  press(Qt::Key_S, Qt::ControlModifier, "\x13");
  EXPECT_FALSE(r.s.Dirty);
  EXPECT_EQ(TempFiles::Read(path).left(5), QByteArray("\x1b\r\t\b\x04", 5));
  r.Key(Qt::Key_F5);  // the hex side: no "Invalid Hexadecimal Character"
  press(Qt::Key_K, Qt::ControlModifier, "\x0b");
  press(Qt::Key_X, Qt::AltModifier, "x");
  r.Type('A');                                 // one digit typed: the page is changed
  r.p.ExpectBox("Save Change?", Answer::Yes);  // on leaving the window
  r.w->close();
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(path).mid(38, 2), "AB");
  EXPECT_EQ(WindowRig::DiskByte(path, 4), 0xA4);
}

// One key over the byte under the cursor, in either view: only a byte on
// screen and in the file changes, and it alone is marked.
TEST(Editing, AKeyChangesAndMarksTheByteOnScreenInEitherView) {
  using T = Typed;
  constexpr auto C = TypingSide::Character, H = TypingSide::HighDigit, L = TypingSide::LowDigit;
  struct Row {
    bool records;
    const char* set;
    TypingSide side;
    char16_t key;
    std::int64_t cursor;
    Typed outcome;
    int byte;  // what 0x4A becomes
    bool shown = true;
  };
  // Working base 3, 100 bytes; the page shows offsets 16.., the records 20..59.
  const Row rows[] = {
      {false, "ASCII", H, u'7', 30, T::HighDigit, 0x7A},
      {false, "ASCII", L, u'f', 30, T::Byte, 0x4F},
      {false, "ASCII", H, u'g', 30, T::InvalidHex, 0x4A},
      {false, "ASCII", C, u'é', 30, T::Byte, 0xE9},
      {false, "ASCII", C, u'€', 30, T::Ignored, 0x4A},
      {false, "IBM037", C, u'A', 30, T::Byte, 0xC1},
      {false, "IBM037", C, u'€', 30, T::NoCode, 0x4A},
      {false, "IBM437", C, u'€', 30, T::NoCode, 0x4A},
      // Backspace, like Enter, Esc and Tab, stores its code in the set as well.
      {false, "IBM037", C, u'\b', 30, T::Byte, 0x16},
      {false, "ASCII", L, u'1', 16, T::Byte, 0x41},
      {false, "ASCII", L, u'1', 99, T::Byte, 0x41},
      {false, "ASCII", L, u'1', 15, T::OffScreen, 0x4A},
      {false, "ASCII", L, u'1', 100, T::OffScreen, 0x4A},
      {true, "ASCII", H, u'B', 20, T::HighDigit, 0xBA},
      {true, "ASCII", L, u'B', 59, T::Byte, 0x4B},
      {true, "IBM037", C, u'A', 40, T::Byte, 0xC1},
      {true, "ASCII", L, u'g', 40, T::InvalidHex, 0x4A},
      {true, "ASCII", L, u'1', 19, T::OffScreen, 0x4A},
      {true, "ASCII", L, u'1', 60, T::OffScreen, 0x4A},
      {true, "ASCII", L, u'1', 40, T::OffScreen, 0x4A, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.records << " " << row.set << " " << row.cursor << " "
                                      << static_cast<int>(row.key));
    EditorState s;
    s.WorkingLength = 100;
    s.Current.WorkingBase = 3;
    s.Current.RecordView = row.records;
    s.Current.CharSet = row.set;
    s.Current.CursorOffset = row.cursor;
    s.Current.BufferTop = 16;
    s.PageBuffer.fill(0x4A);
    s.Records.At = 23;
    s.Records.Bytes.assign(40, 0x4A);
    s.Records.Edited.assign(40, false);
    EXPECT_EQ(TypeOnScreen(s, QChar(row.key), row.side, row.shown), row.outcome);
    const bool changed = row.outcome == T::Byte || row.outcome == T::HighDigit;
    EXPECT_EQ(s.Dirty, changed);
    const std::int64_t i = row.cursor - (row.records ? 20 : 16);
    if (changed) {
      EXPECT_EQ(ScreenByte(s, row.cursor), row.byte);
      EXPECT_TRUE(row.records ? s.Records.Edited[i] : s.PageEdited[i]);
    }
    const auto marks = row.records
                           ? std::count(s.Records.Edited.begin(), s.Records.Edited.end(), true)
                           : static_cast<std::ptrdiff_t>(s.PageEdited.count());
    EXPECT_EQ(marks, changed ? 1 : 0);
    const auto& held = row.records
                           ? std::vector<std::uint8_t>(s.Records.Bytes)
                           : std::vector<std::uint8_t>(s.PageBuffer.begin(), s.PageBuffer.end());
    EXPECT_EQ(std::count(held.begin(), held.end(), 0x4A), std::ssize(held) - (changed ? 1 : 0));
  }
  // The marks of a saved edit go when typing starts again; unsaved ones stay.
  EditorState s;
  s.WorkingLength = 100;
  s.PageEdited.set(5);
  ASSERT_TRUE(SetScreenByte(s, 7, 0));
  ASSERT_TRUE(SetScreenByte(s, 9, 0));
  EXPECT_EQ(s.PageEdited.count(), 2u);
  EXPECT_TRUE(s.PageEdited[7] && s.PageEdited[9]);
}

}  // namespace qx::test
