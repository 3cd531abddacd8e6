#include <limits>

#include "core/Navigation.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Marks.h"

namespace qx::test {

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// A rig with one file of n counting bytes open.
struct Opened : Rig {
  QString path;
  explicit Opened(int n) : path(OpenAnew(*this, TempFiles::Counting(n))) {}
  // Types value into the page at the cursor, as an edit would.
  void Edit(std::uint8_t value) {
    s.PageBuffer.at(static_cast<std::size_t>(s.Current.CursorOffset - s.Current.BufferTop)) = value;
    s.Dirty = true;
  }
};

}  // namespace

TEST(Navigation, GoToByteRecordsAndRecordLength) {
  Opened r(1000);
  const auto go = [&](std::int64_t v) { return [&r, v] { return GoToByte(r.io, v); }; };
  const auto length = [&](std::int64_t v) { return [&r, v] { return SetRecordLength(r.io, v); }; };
  const auto field = [&](auto v) { return [&r, v] { return RequestFieldOffset(r.io, v); }; };
  const std::function<bool()> next = [&] { return NextRecord(r.io); },
                              previous = [&] { return PreviousRecord(r.io); };
  // One after the other: a move, whether it moved, the cursor and the page top after it.
  // Each move that moves offers the changed page first; a refused one asks nothing.
  const std::tuple<std::function<bool()>, bool, std::int64_t, std::int64_t> moves[] = {
      {go(100), true, 100, 100},    // near the start the page starts at the cursor
      {go(112), true, 112, 0},      // from seven rows down, seven rows above it
      {go(999), true, 999, 887},    // the last byte
      {go(1000), true, 1000, 888},  // just past the last byte; the page seven rows above
      {[&] { return go(1001)() || go(-1)() || go(kMax)() || go(-kMax - 1)(); }, false, 1000, 888},
      // Records at 0, 300, 600, 900 (short); Go To Byte left the requested record 0.
      {[&] { return length(300)() && field(5)(); }, true, 5, 0},
      {previous, false, 5, 0},  // First Record
      {next, true, 305, 300},
      {[&] { return RequestRecordNumber(r.io, 3) && GoToByte(r.io, 950); }, true, 950, 838},
      {next, true, 905, 900},  // Last Record: back to the requested offset of the record
      {previous, true, 605, 600},
      {[&] { return go(10)() && GoToThisRecord(r.io); }, true, 605, 600},
      // A new length keeps the record and the offset, or goes to the last record.
      {length(100), true, 205, 200},
      {length(500), true, 505, 500},
      {[&] { return length(0)() || length(1001)() || length(kMax)(); }, false, 505, 500},
      // Record Number and Field Offset are clamped.
      {[&] { return length(100)() && RequestRecordNumber(r.io, kMax); }, true, 905, 900},
      // A request never clamped: Next stops at the Last Record.
      {[&] { return (r.s.Current.RequestedRecord = kMax) && NextRecord(r.io); }, true, 905, 900},
      {[&] { return RequestRecordNumber(r.io, -4); }, true, 5, 0},
      {field(65536 + 7), true, 99, 0},  // beyond 16 bits: not wrapped to 7
      {field(kMax), true, 99, 0},
      // An offset beyond the first page puts the cursor on row 2, column 4.
      {[&] { return length(1000)() && field(300)(); }, true, 300, 264},
  };
  for (std::size_t i = 0; i < std::size(moves); ++i) {
    const auto& [move, moved, cursor, top] = moves[i];
    SCOPED_TRACE(i);
    r.Edit(0xEE);
    if (moved) r.p.ExpectBox("Save Change?", Answer::No);
    EXPECT_EQ(move(), moved);
    EXPECT_EQ(std::exchange(r.s.Dirty, false), !moved);
    EXPECT_EQ(std::pair(r.s.Current.CursorOffset, r.s.Current.BufferTop), std::pair(cursor, top));
  }
  EXPECT_EQ(r.p.notices, (QStringList{"First Record", "Last Record", "Last Record"}));
  r.p.Verify();
}

TEST(Navigation, MarksAndWorkingBase) {
  Opened r(1000);
  const auto onDisk = [&](int offset) { return WindowRig::DiskByte(r.path, offset); };
  // A mark keeps the page and the cursor; one never set is the start; No leaves an edit unsaved.
  ASSERT_TRUE(GoToByte(r.io, 700));
  r.s.Current.BufferTop = 640;  // a page top Go To Byte would not choose
  r.io.ShowPage();
  EXPECT_TRUE(SetMark(r.s, 'M' - 'A'));
  ASSERT_TRUE(GoToByte(r.io, 20));
  r.Edit(0xEE);
  r.p.ExpectBox("Save Change?", Answer::No);
  EXPECT_TRUE(GoToMark(r.io, 'M' - 'A'));
  EXPECT_EQ(std::tuple(onDisk(20), r.s.Current.CursorOffset, r.s.PageBuffer[0]),
            std::tuple(20, 700, 640 & 0xFF));
  EXPECT_TRUE(GoToMark(r.io, 1) && r.s.Current.CursorOffset == 0);
  EXPECT_FALSE(GoToMark(r.io, 26) || SetMark(r.s, -1));

  r.s.RangeStart = 10;
  r.s.RangeEnd = 20;
  ASSERT_TRUE(RequestRecordNumber(r.io, 3));
  // A new base saves the page at its old place, clears the marks and range, goes to record 0.
  r.Edit(0xEE);
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_TRUE(SetWorkingBase(r.io, 600));
  EXPECT_EQ(std::tuple(onDisk(768), r.s.RecordCount, r.s.Current.MarkTable[12].CursorOffset,
                       r.s.RangeStart, r.s.RangeEnd, r.s.Current.CursorOffset, r.s.PageBuffer[0]),
            std::tuple(0xEE, 2, 0, 0, 0, 0, 600 & 0xFF));
  // The base it already has (an empty prompt, Esc) changes nothing.
  r.s.Current.CursorOffset = 300;
  ASSERT_TRUE(SetMark(r.s, 1));
  EXPECT_TRUE(SetWorkingBase(r.io, 600));
  EXPECT_EQ(std::tuple(r.s.Current.MarkTable[1].CursorOffset, r.s.Current.CursorOffset),
            std::tuple(300, 300));
  // Refused, asking nothing: the file length and beyond, negative, no file.
  r.s.Current.CursorOffset = r.s.Current.BufferTop;  // an edit on the page shown
  r.Edit(0xAB);
  for (std::int64_t beyond : {std::int64_t{1000}, std::int64_t{-1}, kMax})
    EXPECT_FALSE(SetWorkingBase(r.io, beyond));
  Rig none;
  EXPECT_FALSE(SetWorkingBase(none.io, 0));
  r.p.ExpectBox("Save Change?", Answer::No);
  EXPECT_TRUE(SetWorkingBase(r.io, 999) && r.s.WorkingLength == 1);

  // A working area above 32767 bytes still caps the record length.
  Opened big(40000);
  EXPECT_TRUE(!SetRecordLength(big.io, 32768) && SetRecordLength(big.io, 32767));
  r.p.Verify();
}

TEST(NavigationWindow, StatusBoxesAndMarks) {
  WindowRig r;
  r.Open("w.bin", TempFiles::Counting(1000));
  for (auto [box, value] : {std::pair{r.w->RecordLengthBox, 100},
                            {r.w->RecordNumberBoxRequest, 7},
                            {r.w->FieldOffsetBoxRequest, 3}}) {
    r.p.ExpectValue(value);
    QTest::mouseClick(box, Qt::LeftButton);
  }
  EXPECT_EQ(r.w->RecordCountBox->text() + " " + r.w->RecordNumberBoxActual->text() + " " +
                r.w->FieldOffsetBoxActual->text(),
            "10 7 3");

  // Ctrl+M stores the place under C; Ctrl+G brings it back.
  WhenModal<Marks> chooseC([](Marks* m) { QTest::keyClick(m, 'c'); }, 2);
  r.Key(Qt::Key_M, Qt::ControlModifier);
  r.p.ExpectValue(20);
  QTest::mouseClick(r.w->FileOffsetBox, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 20);
  // Shortcuts act in the active window; the chooser had taken that over.
  r.w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(r.w.get()));
  r.Key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(r.w->FileOffsetBox->text(), "703");
  r.p.Verify();
}

}  // namespace qx::test
