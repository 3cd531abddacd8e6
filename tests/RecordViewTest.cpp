// The record view in the real window over real files.
#include "core/RecordLayout.h"
#include "core/ValueFormat.h"
#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/main/RecordPane.h"

namespace qx::test {

namespace {

// Records "R0 abcd" .. of 7 bytes behind a 3-byte header, the last one "end".
QByteArray SevenByteRecords(int records) {
  QByteArray b = "HDR";
  for (int i = 0; i < records; ++i) b += QByteArray("R") + char('0' + i % 10) + " abcd";
  return b + "end";
}

QString OpenRecords(WindowRig& r, const QByteArray& bytes, int base, int length) {
  const QString path = r.Open("rec.dat", bytes);
  EXPECT_TRUE(SetWorkingBase(r.w->Io(), base));
  EXPECT_TRUE(SetRecordLength(r.w->Io(), length));
  r.Key(Qt::Key_F6);
  EXPECT_TRUE(r.s.Current.RecordView);
  return path;
}

// The text of a record row's line from screen column 0, n columns.
QString Line(WindowRig& r, std::int64_t offset, int line, int n) {
  const std::optional<RecordPosition> cell = r.w->RecordScreenNow().CellOf(offset);
  if (!cell) return QStringLiteral("<off screen>");
  return r.w->RecordBox->LineText(static_cast<int>(cell->Record), line).mid(cell->Column, n);
}

}  // namespace

TEST(RecordView, ShowsOneRecordPerRowAndSwitchingKeepsTheCursorsByte) {
  WindowRig r;
  const QSize pageSize = r.w->size();
  OpenRecords(r, SevenByteRecords(12), 3, 7);
  // The window grew to show ten records; the page takes it back to its size.
  QCoreApplication::processEvents();
  EXPECT_GE(r.s.RecordRows, 10);
  r.Key(Qt::Key_F6);
  QCoreApplication::processEvents();
  EXPECT_EQ(r.w->size(), pageSize);
  r.Key(Qt::Key_F6);
  QCoreApplication::processEvents();

  // Characters, high and low digits; the record's number and offset.
  RecordPane* pane = r.w->RecordBox;
  EXPECT_EQ(pane->LineText(1, 0).left(8), "R1 abcd ");
  EXPECT_EQ(pane->LineText(1, 1).left(8), "5326666 ");
  EXPECT_EQ(pane->LineText(1, 2).left(8), "2101234 ");
  EXPECT_EQ(pane->GutterText(1), " 1  7");
  // A layout names its fields above the ruler; closed, the band goes.
  r.w->UseLayout("r.cpy", std::get<Layout>(ParseCopybook("01 R. 05 ID PIC XX. 05 NAME PIC X(5).")));
  EXPECT_EQ(pane->BandText().left(8), "IDNAME  ");
  r.w->mnuLayoutClose_Click();
  EXPECT_EQ(pane->BandText(), "");
  // The cursor is red on the digit lines (the active side), green above.
  EXPECT_EQ(pane->CellPen(0, 1, 0), QColor(255, 0, 0));
  EXPECT_EQ(pane->CellPen(0, 0, 0), QColor(0, 160, 0));
  r.Key(Qt::Key_F5);
  EXPECT_EQ(pane->CellPen(0, 0, 0), QColor(255, 0, 0));
  r.Key(Qt::Key_F5);
  // A click on a digit or a character activates its side. F1 tells of the view.
  QTest::mouseClick(pane, Qt::LeftButton, {}, pane->CellCentre(1, 2, 3));
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  EXPECT_FALSE(r.w->AsciiSide);
  QTest::mouseClick(pane, Qt::LeftButton, {}, pane->CellCentre(0, 0, 5));
  EXPECT_EQ(r.s.Current.CursorOffset, 5);
  EXPECT_TRUE(r.w->AsciiSide);
  r.Key(Qt::Key_F1);
  EXPECT_EQ(r.p.helpContexts, std::vector<int>{help::kRecordView});
  // A taller window shows more records, and keeps the edits on screen.
  const int rows = r.s.RecordRows;
  ASSERT_LT(r.s.Records.Bytes.size(), 87u);  // not yet the whole file
  r.Type('!');
  r.w->resize(r.w->width(), r.w->height() + 200);
  QCoreApplication::processEvents();
  EXPECT_GT(r.s.RecordRows, rows);
  const QSize userSize = r.w->size();
  EXPECT_EQ(r.s.Records.Bytes.size(), 87u);
  EXPECT_EQ(r.s.Records.Bytes[5], '!');
  r.p.ExpectBox("Save Change?", Answer::No);  // on the Go To below

  // The short last record shows its own bytes; its number has two digits.
  ASSERT_TRUE(GoToByte(r.w->Io(), 84));
  EXPECT_EQ(Line(r, 84, 0, 7), "end    ");
  EXPECT_EQ(pane->GutterText(static_cast<int>(r.w->RecordScreenNow().CellOf(84)->Record)), "12 84");

  // Back on the page the cursor's byte is there and drawn; and again.
  ASSERT_TRUE(GoToByte(r.w->Io(), 50));
  r.Key(Qt::Key_F6);
  EXPECT_EQ(r.w->size(), userSize);  // sized by the user since it grew
  // The character line was active (the click): so is the character column.
  EXPECT_EQ(r.w->AsciiBox->CellColor(r.s.CY, r.s.CX), QColor(255, 0, 0));
  EXPECT_EQ(r.s.Current.BufferTop + 16 * r.s.CY + r.s.CX, 50);
  r.w->mnuViewRecords_Click();
  EXPECT_EQ(r.s.Current.CursorOffset, 50);

  // Without the digit lines a record is one line.
  r.w->mnuViewShowHex_Click();
  EXPECT_EQ(pane->LineText(0, 1), "");
  // Twelve whole records and room for more: no number after the last.
  ASSERT_TRUE(SetWorkingBase(r.w->Io(), 6));
  const auto past = static_cast<int>(12 - r.s.Current.TopRecord);
  ASSERT_LT(past, r.s.RecordRows);
  EXPECT_EQ(pane->GutterText(past), "");
  r.p.Verify();
}

TEST(RecordView, KeysMoveByByteRecordAndScreen) {
  WindowRig r;
  // The window grows for the records only as far as the screen has room.
  r.p.screenSpace = QSize(3000, r.w->frameGeometry().height() + 60);
  OpenRecords(r, SevenByteRecords(40), 3, 7);  // offsets 0..282, the last record 3 bytes
  QCoreApplication::processEvents();
  EXPECT_EQ(r.w->frameGeometry().height(), r.p.screenSpace.height());
  const int rows = r.s.RecordRows;
  // Each key reaches its move; the moves' own limits are tested without a window.
  const std::tuple<std::int64_t, int, std::int64_t> moves[] = {
      {6, Qt::Key_Right, 7},  // on to the next record
      {7, Qt::Key_Left, 6},   // back to the previous one
      {17, Qt::Key_Up, 10},
      {276, Qt::Key_Down, 282},  // into the short last record: its last byte
      {17, Qt::Key_Home, 14},
      {17, Qt::Key_End, 20},
      {2, Qt::Key_PageDown, 2 + 7 * rows},
      {2 + 7 * rows, Qt::Key_PageUp, 2},
  };
  for (const auto& [from, key, to] : moves) {
    ASSERT_TRUE(GoToByte(r.w->Io(), from));
    r.Key(key);
    EXPECT_EQ(r.s.Current.CursorOffset, to) << from << " key " << key;
    EXPECT_TRUE(r.w->RecordScreenNow().CellOf(to).has_value()) << from;
    EXPECT_EQ(r.w->FileOffsetBox->text(), FormatCount(to));
    EXPECT_EQ(r.w->RecordNumberBoxActual->text(), FormatCount(to / 7));
  }
  // The bar's arrow scrolls a record and leaves the cursor where it is.
  ASSERT_TRUE(GoToByte(r.w->Io(), 0));
  r.w->RecordBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(r.s.Current.TopRecord, 1);
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  r.w->RecordBar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // a screenful
  EXPECT_EQ(r.s.Current.TopRecord, rows + 1);
  r.w->RecordBar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(r.s.Current.TopRecord, 40);
  // The cursor on the page's last byte: the page comes back where it was.
  r.Key(Qt::Key_F6);
  ASSERT_TRUE(GoToByte(r.w->Io(), 16 + kGoToByteLead));
  r.Click(r.w->HexBox, 15, 15);
  r.Key(Qt::Key_F6);
  r.Key(Qt::Key_F6);
  EXPECT_EQ(r.s.Current.BufferTop, 16);
  r.p.Verify();
}

TEST(RecordView, KeysTypeOverTheRecordsAndLeavingThemAsksToSave) {
  WindowRig r;
  const QByteArray original = SevenByteRecords(40);
  const QString path = OpenRecords(r, original, 3, 7);
  // Record 3 ("R3 abcd" at offset 21): a character, then a high and a low digit.
  ASSERT_TRUE(GoToByte(r.w->Io(), 23));
  r.Key(Qt::Key_F5);
  r.Type('Z');
  r.Key(Qt::Key_F5);
  r.Type('4');
  EXPECT_EQ(Line(r, 24, 1, 1), "4");
  EXPECT_EQ(r.s.Current.CursorOffset, 24);  // the high digit keeps the byte
  r.Type('1');
  EXPECT_EQ(r.s.Current.CursorOffset, 25);
  EXPECT_EQ(Line(r, 21, 0, 7), "R3ZAbcd");
  EXPECT_EQ(Line(r, 21, 2, 7), "23A1234");
  // Show Values reads the bytes as the view shows them, edits and all.
  r.Key(Qt::Key_Left);
  r.Key(Qt::Key_Left);
  ValueBytes values;
  ASSERT_TRUE(CollectValueBytes(r.s, values));
  EXPECT_EQ(values.shown[0], 'Z');
  EXPECT_EQ(values.stored[0], ' ');
  // Marked as edited; nothing on disk until F2.
  RecordPane* pane = r.w->RecordBox;
  const auto row3 = static_cast<int>(r.w->RecordScreenNow().CellOf(21)->Record);
  EXPECT_EQ(pane->CellBackground(row3, 2), QColor(255, 236, 150));
  EXPECT_EQ(pane->CellBackground(row3, 3), QColor(255, 236, 150));
  EXPECT_NE(pane->CellBackground(row3, 4), QColor(255, 236, 150));
  EXPECT_EQ(TempFiles::Read(path), original);
  r.Key(Qt::Key_F2);
  QByteArray expected = original;
  expected[3 + 23] = 'Z';
  expected[3 + 24] = 'A';
  EXPECT_EQ(TempFiles::Read(path), expected);
  EXPECT_EQ(pane->CellBackground(row3, 3), Qt::white);

  // Other records, the page or another file ask first: No drops the edit, Yes saves it.
  const auto toTop = [&] { r.w->RecordBar->triggerAction(QAbstractSlider::SliderToMinimum); };
  const std::tuple<std::int64_t, Answer, std::function<void()>> leaves[] = {
      {282, Answer::No,
       [&] {
         // A record down, the screen still ends at the end of the file: the edit stays.
         r.w->RecordBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
         EXPECT_TRUE(r.s.Dirty);
         toTop();
       }},
      {282, Answer::Yes, toTop},
      {0, Answer::Yes, [&] { r.Key(Qt::Key_F6); }},
      {1, Answer::Yes, [&] { r.Open("other.bin", "other"); }},
  };
  for (const auto& [at, answer, leave] : leaves) {
    if (!r.s.Current.RecordView) r.Key(Qt::Key_F6);
    ASSERT_TRUE(GoToByte(r.w->Io(), at));
    r.w->AsciiSide = false;
    r.Type('3');
    r.Type('3');
    EXPECT_EQ(r.s.Current.CursorOffset, std::min<std::int64_t>(at + 1, 282));  // the last stays
    r.p.ExpectBox("Save Change?", answer);
    leave();
    if (answer == Answer::Yes) expected[static_cast<qsizetype>(3 + at)] = '3';
    EXPECT_EQ(TempFiles::Read(path), expected) << at;
  }
  // Without the digit lines a key is a character of the file's set.
  r.w->Io().OpenFile(path);
  r.w->SetCharacterSet("IBM037");
  r.w->mnuViewShowHex_Click();
  ASSERT_TRUE(GoToByte(r.w->Io(), 2));
  for (QChar c : {u'A', u'€'})
    QTest::sendKeyEvent(QTest::Click, r.w->FileBar, Qt::Key_unknown, QString(c), {});
  r.Key(Qt::Key_F2);
  expected[3 + 2] = '\xC1';
  EXPECT_EQ(TempFiles::Read(path), expected);
  EXPECT_EQ(r.p.messages, QStringList{"No code for \"€\" in IBM037"});
  r.p.Verify();
}

TEST(RecordView, FindAndTheEndsOfAHundredGibibyteFile) {
  WindowRig r;
  const QString path = r.files.Path("disk.img");
  constexpr std::int64_t kSize = std::int64_t{100} << 30;
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(kSize));
    ASSERT_TRUE(f.seek(kSize - 5) && f.write("LAST!") == 5);
    ASSERT_TRUE(f.seek(12345) && f.write("NEEDLE") == 6);
  }
  r.w->Io().OpenFile(path);
  ASSERT_TRUE(SetRecordLength(r.w->Io(), 80));
  r.w->mnuViewSwitch_Click();
  // The last record: Go To This Record with the last number.
  const std::int64_t last = kSize / 80 - 1 + (kSize % 80 != 0);
  ASSERT_TRUE(RequestRecordNumber(r.w->Io(), last));
  const auto row = static_cast<int>(r.w->RecordScreenNow().CellOf(last * 80)->Record);
  EXPECT_EQ(r.w->RecordBox->GutterText(row), "1,342,177,279 107,374,182,320");
  EXPECT_EQ(Line(r, kSize - 5, 0, 5), "LAST!");
  EXPECT_EQ(r.w->RecordBar->value(), BarValueForTopRecord(r.s.Current.TopRecord, last + 1));
  // Only the records on screen were read.
  EXPECT_LE(std::ssize(r.s.Records.Bytes), r.s.RecordRows * 80);
  // Find lands on the hit, in view and shaded.
  ASSERT_TRUE(PrepareSearch(r.s, "NEEDLE", "0", FormatCount(kSize - 1), kSearchAscii));
  ASSERT_EQ(FindNext(r.w->Io()), 12345);
  EXPECT_EQ(Line(r, 12345, 0, 6), "NEEDLE");
  const auto hit = *r.w->RecordScreenNow().CellOf(12350);
  EXPECT_EQ(r.w->RecordBox->CellBackground(static_cast<int>(hit.Record), hit.Column),
            QColor(160, 215, 255));

  // The longest records scroll sideways with the ruler; the edits stay, nothing asked.
  ASSERT_TRUE(SetRecordLength(r.w->Io(), kMaxRecordLength));
  r.Type('a');
  r.w->ColumnBar->setValue(1000);
  EXPECT_EQ(r.s.Current.FirstColumn, 1000);
  EXPECT_EQ(r.w->RecordBox->Ruler().left(6), "1000.+");
  // The wheel with Shift scrolls sideways, twelve columns a notch.
  QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::ShiftModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(r.w->RecordBox, &wheel);
  EXPECT_EQ(r.s.Current.FirstColumn, 1012);
  EXPECT_TRUE(r.s.Dirty);
  r.p.Verify();
}

}  // namespace qx::test
