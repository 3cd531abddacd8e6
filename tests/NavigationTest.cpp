#include <limits>

#include "core/Navigation.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Marks.h"
#include "ui/dialogs/ValDisp.h"

namespace qx::test {

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// A rig with one file of n counting bytes open.
struct Opened : Rig {
  explicit Opened(int n, const QString& name = "f.bin") {
    path = files.Write(name, TempFiles::Counting(n));
    io.OpenFile(path);
  }
  // Types value into the page at the cursor, as an edit would.
  void Edit(std::uint8_t value) {
    s.PageBuffer[static_cast<std::size_t>(s.Current.CursorOffset - s.Current.BufferTop)] = value;
    s.Dirty = true;
  }
  QString path;
};

}  // namespace

TEST(Navigation, GoToByteAndRecordRequests) {
  Opened r(1000);
  EXPECT_TRUE(GoToByte(r.io, 100));
  EXPECT_EQ(r.s.Current.CursorOffset, 100);
  EXPECT_EQ(r.s.PageBuffer[0], 100);

  EXPECT_TRUE(GoToByte(r.io, 999));
  EXPECT_EQ(r.s.Current.BufferTop, 887);
  EXPECT_EQ(r.s.Current.CursorOffset - r.s.Current.BufferTop, 7 * 16);

  // The position just past the last byte is accepted; beyond it nothing moves.
  EXPECT_TRUE(GoToByte(r.io, 1000));
  for (std::int64_t beyond : {std::int64_t{1001}, std::int64_t{-1}, kMax, -kMax - 1}) {
    EXPECT_FALSE(GoToByte(r.io, beyond));
  }
  EXPECT_EQ(r.s.Current.CursorOffset, 1000);
  EXPECT_EQ(r.s.Current.BufferTop, 888);
  EXPECT_EQ(r.s.Current.RequestedRecord, 0);  // Go To Byte leaves the requested record alone

  // Next and Previous Record at both ends.
  ASSERT_TRUE(SetRecordLength(r.io, 300));  // records at 0, 300, 600, 900 (short)
  ASSERT_TRUE(RequestFieldOffset(r.io, 5));

  EXPECT_FALSE(PreviousRecord(r.io));
  EXPECT_EQ(r.p.notices, QStringList{"First Record"});
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(NextRecord(r.io));
    EXPECT_EQ(r.s.Current.CursorOffset, 300 * i + 5);
    EXPECT_EQ(r.s.Current.BufferTop, 300 * i);
  }
  EXPECT_EQ(r.p.notices.size(), 1);

  // On the last record: the notice, and the cursor goes back to the
  // requested offset of that record.
  GoToByte(r.io, 950);
  EXPECT_TRUE(NextRecord(r.io));
  EXPECT_EQ(r.p.notices.last(), "Last Record");
  EXPECT_EQ(r.s.Current.CursorOffset, 905);

  EXPECT_TRUE(PreviousRecord(r.io));
  EXPECT_EQ(r.s.Current.CursorOffset, 605);
  GoToByte(r.io, 10);
  EXPECT_TRUE(GoToThisRecord(r.io));
  EXPECT_EQ(r.s.Current.CursorOffset, 605);

  // Record Number and Field Offset are clamped.
  ASSERT_TRUE(SetRecordLength(r.io, 100));
  EXPECT_TRUE(RequestRecordNumber(r.io, 99999));
  EXPECT_EQ(r.s.Current.RequestedRecord, 9);
  EXPECT_EQ(r.s.Current.CursorOffset, 905);      // the field offset 5 kept
  EXPECT_TRUE(RequestRecordNumber(r.io, kMax));  // the largest a prompt returns
  EXPECT_EQ(r.s.Current.RequestedRecord, 9);
  r.s.Current.RequestedRecord = kMax;  // a request never clamped: Next stops at the last
  EXPECT_TRUE(NextRecord(r.io));
  EXPECT_EQ(r.s.Current.RequestedRecord, 9);
  EXPECT_EQ(r.p.notices.last(), "Last Record");
  EXPECT_TRUE(RequestRecordNumber(r.io, -4));
  EXPECT_EQ(r.s.Current.RequestedRecord, 0);

  for (std::int64_t beyond : {std::int64_t{70000}, std::int64_t{65536 + 7},
                              kMax}) {  // beyond 16 bits; the second would wrap to 7
    EXPECT_TRUE(RequestFieldOffset(r.io, beyond));
    EXPECT_EQ(r.s.Current.RequestedOffset, 99);
  }
  EXPECT_EQ(r.s.Current.CursorOffset, 99);

  // An offset beyond the first page puts the cursor on row 2, column 4.
  ASSERT_TRUE(SetRecordLength(r.io, 500));
  EXPECT_TRUE(RequestFieldOffset(r.io, 300));
  EXPECT_TRUE(RequestRecordNumber(r.io, 1));
  EXPECT_EQ(r.s.Current.CursorOffset, 800);
  EXPECT_EQ(r.s.Current.BufferTop, 764);
  r.p.Verify();
}

TEST(Navigation, SetWorkingBaseAndRecordLength) {
  Opened r(1000);
  r.s.RangeStart = 10;
  r.s.RangeEnd = 20;
  r.s.Current.CursorOffset = 700;
  ASSERT_TRUE(SetMark(r.s, 0));
  ASSERT_TRUE(RequestRecordNumber(r.io, 3));

  EXPECT_TRUE(SetWorkingBase(r.io, 600));
  EXPECT_EQ(r.s.WorkingLength, 400);
  EXPECT_EQ(r.s.RecordCount, 2);
  EXPECT_EQ(r.s.Current.MarkTable[0].CursorOffset, 0);
  EXPECT_EQ(r.s.RangeStart, 0);
  EXPECT_EQ(r.s.RangeEnd, 0);
  EXPECT_EQ(r.s.Current.RequestedRecord, 0);
  EXPECT_EQ(r.s.Current.CursorOffset / r.s.Current.RecordLength, 0);
  EXPECT_EQ(r.s.PageBuffer[0], 600 & 0xFF);
  // The base it already has (an empty prompt, Esc) changes nothing.
  r.s.Current.CursorOffset = 300;
  ASSERT_TRUE(SetMark(r.s, 1));
  EXPECT_TRUE(SetWorkingBase(r.io, 600));
  EXPECT_EQ(r.s.Current.MarkTable[1].CursorOffset, 300);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);

  // Refused: the file length and beyond, negative, no file; nothing changes.
  for (std::int64_t beyond : {std::int64_t{1000}, std::int64_t{-1}, kMax}) {
    EXPECT_FALSE(SetWorkingBase(r.io, beyond));
  }
  EXPECT_EQ(r.s.Current.WorkingBase, 600);
  Rig none;
  EXPECT_FALSE(SetWorkingBase(none.io, 0));

  EXPECT_TRUE(SetWorkingBase(r.io, 999));
  EXPECT_EQ(r.s.WorkingLength, 1);
  EXPECT_EQ(r.s.RecordCount, 1);

  // Record lengths under the base of 0 again.
  ASSERT_TRUE(SetWorkingBase(r.io, 0));
  EXPECT_TRUE(SetRecordLength(r.io, 100));
  EXPECT_EQ(r.s.RecordCount, 10);
  EXPECT_TRUE(SetRecordLength(r.io, 101));
  EXPECT_EQ(r.s.RecordCount, 10);
  EXPECT_FALSE(SetRecordLength(r.io, 0));
  EXPECT_FALSE(SetRecordLength(r.io, 1001));
  EXPECT_FALSE(SetRecordLength(r.io, kMax));
  EXPECT_EQ(r.s.Current.RecordLength, 101);

  // The same record and offset under the new division, or the last record.
  ASSERT_TRUE(RequestRecordNumber(r.io, 4));
  ASSERT_TRUE(RequestFieldOffset(r.io, 2));
  EXPECT_TRUE(SetRecordLength(r.io, 50));
  EXPECT_EQ(r.s.Current.CursorOffset, 202);
  EXPECT_TRUE(SetRecordLength(r.io, 400));
  EXPECT_EQ(r.s.Current.CursorOffset, 802);

  // A working area above 32767 bytes still caps the record length.
  Opened big(40000, "big.bin");
  EXPECT_FALSE(SetRecordLength(big.io, 32768));
  EXPECT_TRUE(SetRecordLength(big.io, 32767));
  EXPECT_EQ(big.s.RecordCount, 2);
  r.p.Verify();
}

TEST(Navigation, Marks) {
  Opened r(10000);
  ASSERT_TRUE(GoToByte(r.io, 4660));
  r.s.Current.BufferTop = 4608;
  EXPECT_TRUE(SetMark(r.s, 'M' - 'A'));
  ASSERT_TRUE(GoToByte(r.io, 20));
  EXPECT_TRUE(GoToMark(r.io, 'M' - 'A'));
  EXPECT_EQ(r.s.Current.BufferTop, 4608);
  EXPECT_EQ(r.s.Current.CursorOffset, 4660);
  EXPECT_EQ(r.s.PageBuffer[0], 4608 & 0xFF);

  EXPECT_TRUE(GoToMark(r.io, 1));  // never set: the start
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  EXPECT_FALSE(GoToMark(r.io, 26));
  EXPECT_FALSE(SetMark(r.s, -1));

  // The marks of a second file are its own, and come back with the first.
  const QString other = r.files.Write("g.bin", TempFiles::Counting(500));
  r.io.OpenFile(other);
  EXPECT_EQ(r.s.Current.MarkTable[12].CursorOffset, 0);
  r.s.Current.CursorOffset = 33;
  EXPECT_TRUE(SetMark(r.s, 12));
  r.io.OpenFile(r.path);
  EXPECT_EQ(r.s.Current.MarkTable[12].CursorOffset, 4660);
  r.io.OpenFile(other);
  EXPECT_EQ(r.s.Current.MarkTable[12].CursorOffset, 33);
  r.p.Verify();
}

TEST(Navigation, ChangedPageIsOfferedBeforeEveryMove) {
  Opened r(1000);
  const auto onDisk = [&](int offset) { return WindowRig::DiskByte(r.path, offset); };

  // Yes writes the edit where it was made, before the page moves.
  ASSERT_TRUE(GoToByte(r.io, 10));
  r.Edit(0xEE);
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_TRUE(GoToByte(r.io, 500));
  EXPECT_EQ(onDisk(10), 0xEE);

  const std::function<bool()> moves[] = {[&] { return NextRecord(r.io); },
                                         [&] { return PreviousRecord(r.io); },
                                         [&] { return GoToThisRecord(r.io); },
                                         [&] { return RequestRecordNumber(r.io, 2); },
                                         [&] { return RequestFieldOffset(r.io, 1); },
                                         [&] { return SetRecordLength(r.io, 100); },
                                         [&] { return GoToMark(r.io, 0); }};
  for (const auto& move : moves) {
    r.Edit(0xEE);
    r.p.ExpectBox("Save Change?", Answer::No);
    EXPECT_TRUE(move());
    EXPECT_FALSE(r.s.Dirty);
  }
  EXPECT_EQ(onDisk(500), 500 & 0xFF);

  // Set Working Base saves the page at its old place, not under the new base.
  ASSERT_TRUE(GoToByte(r.io, 40));
  r.Edit(0xEE);
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_TRUE(SetWorkingBase(r.io, 300));
  EXPECT_EQ(onDisk(40), 0xEE);
  EXPECT_EQ(onDisk(340), 340 & 0xFF);

  // Refused values and Previous Record on record 0 move nothing and ask nothing.
  r.Edit(0xAB);
  EXPECT_FALSE(GoToByte(r.io, 5000));
  EXPECT_FALSE(SetWorkingBase(r.io, 5000));
  EXPECT_FALSE(SetRecordLength(r.io, 0));
  EXPECT_FALSE(PreviousRecord(r.io));
  EXPECT_TRUE(r.s.Dirty);
  r.p.Verify();
}

TEST(NavigationWindow, RequestRecordAndOffsetTypeAndSave) {
  WindowRig r;
  const QString path = r.Open("w.bin", TempFiles::Counting(1000));
  for (auto [box, value] : {std::pair{r.w->RecordLengthBox, 100},
                            {r.w->RecordNumberBoxRequest, 7},
                            {r.w->FieldOffsetBoxRequest, 3}}) {
    r.p.ExpectValue(value);
    QTest::mouseClick(box, Qt::LeftButton);
  }
  EXPECT_EQ(r.p.prompts, (QStringList{"New Record Length", "Record Number", "Field Offset"}));
  EXPECT_EQ(r.w->RecordCountBox->text(), "10");
  EXPECT_EQ(r.w->RecordNumberBoxActual->text(), "7");
  EXPECT_EQ(r.w->FieldOffsetBoxActual->text(), "3");

  r.Type('a');
  r.Type('b');
  r.Key(Qt::Key_F2);
  EXPECT_EQ(TempFiles::Read(path).mid(702, 3), QByteArray("\xBE\xAB\xC0"));

  // Ctrl+M stores the place under C; Ctrl+G brings it back.
  {
    WhenModal<Marks> markC([](Marks* m) { QTest::keyClick(m, 'c'); });
    r.Key(Qt::Key_M, Qt::ControlModifier);
  }
  r.p.ExpectValue(20);
  QTest::mouseClick(r.w->FileOffsetBox, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 20);
  {
    WhenModal<Marks> goC([](Marks* m) {
      EXPECT_EQ(m->CursorValue[2]->text(), "704");
      QTest::mouseClick(m->Label[2], Qt::LeftButton);
    });
    // Shortcuts act in the active window; the chooser had taken that over.
    r.w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(r.w.get()));
    r.Key(Qt::Key_G, Qt::ControlModifier);
  }
  EXPECT_EQ(r.w->FileOffsetBox->text(), "704");

  // The value display reads the bytes at the cursor.
  WhenModal<ValDisp> values([](ValDisp* v) {
    EXPECT_EQ(v->ByteBox->text(), QString::number(704 & 0xFF));
    QTest::mouseClick(v->OKButton, Qt::LeftButton);
  });
  r.w->MenuItem("mnuEditValues")->trigger();
  r.p.Verify();
}

}  // namespace qx::test
