// Check Records: each kind of bad field found at its record, field and
// offset, what is not in use left alone, a short last record, a range and
// a cancelled run.
#include "fields/Copybook.h"
#include "ops/CheckRecords.h"
#include "tests/Fakes.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/CheckRecords.h"

#include <QTableWidget>

namespace qx::test {

TEST(CheckRecords, PlantedFaultsRangeAndCancel) {
  Rig r;
  // Past its count T's copies are not checked, nor ALT while K is in use.
  const RecordKind kind =
      std::get<Layout>(
          ParseCopybook(" 01 R.\n 05 NAME PIC X(4).\n 05 AMT PIC S9(2) COMP-3.\n 05 Z PIC 9(3).\n"
                        " 05 K PIC X(2).\n 05 ALT REDEFINES K PIC S9(3) COMP-3.\n 05 N PIC 9.\n"
                        " 05 T PIC S9(1) COMP-3 OCCURS 1 TO 3 DEPENDING ON N.\n"))
          .kinds.front();
  OpenAnew(r,
           "ab" + QByteArray::fromHex("C1C2C3C4012CF1F2F3FFFFF11CFFFF"
                                      "C1C2C3C41234F1F2F34040F11C0000"
                                      "C1C2C3C4012CF1C2F34040F11C0000"
                                      "C1C2C3C4123CF1F2F34040F31C2CFF"
                                      "C1C2C3C4012CF1F2F340"),
           2, 15);
  r.s.Current.CharSet = "IBM037";
  const QStringList all = {
      "1 AMT 21 [12 34] bad sign nibble 4",
      "2 Z 38 [F1 C2 F3] bad digit byte C2",
      "3 AMT 51 [12 3C] beyond PIC",
      "3 T(3) 61 [FF] bad digit nibble F",
      "4 K 71 [40] runs past the end of the file",
  };
  struct Row {
    std::int64_t from, to;
    int cancelAt;  // 0: not cancelled
    QStringList listed;
    QString summary;
  };
  const Row rows[] = {
      {0, 99, 0, all,
       "5 records checked; 4 have a problem (5 fields). The last record is 10 bytes long"},
      {1, 2, 0, {all[0], all[1]}, "2 records checked; 2 have a problem (2 fields)"},
      {0, 99, 3, {}, "1 record checked; 0 have a problem. Cancelled"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.summary.toStdString());
    if (row.cancelAt > 0)
      r.p.onEvents = CancelAtEvent(row.cancelAt, [&] { r.s.OperationRunning = false; });
    const CheckReport report = CheckRecords(r.io, kind, row.from, row.to, nullptr, {15});
    r.p.onEvents = nullptr;
    QStringList listed;
    for (const RecordProblem& p : report.listed) {
      const QString at = QString::number(p.offset);
      listed << QString("%1 %2 %3 [%4] %5").arg(p.record).arg(p.field, at, p.hex, p.why);
    }
    EXPECT_EQ(listed.join('\n').toStdString(), row.listed.join('\n').toStdString());
    EXPECT_EQ(CheckSummary(report).toStdString(), row.summary.toStdString());
    EXPECT_FALSE(r.s.OperationRunning);
  }
}

// Records long enough for the whole-record pass: a bad byte anywhere in a
// number is found, a short last record is never passed on the bytes of an
// earlier one, and only the first 1,000 problems are listed.
TEST(CheckRecords, LongRecordsMissNoByte) {
  Rig r;
  const RecordKind kind = std::get<Layout>(ParseCopybook(" 01 R. 05 A PIC 9(10). 05 B PIC 9(10)."
                                                         " 05 C PIC 9(10). 05 D PIC S9(9) COMP-3."
                                                         " 05 E PIC X(5)."))
                              .kinds.front();
  const QByteArray good = QByteArray::fromHex(
      "F0F1F2F3F4F5F6F7F8F9F9F8F7F6F5F4F3F2F1F0"
      "F5F5F5F5F5F5F5F5F5F5000000012CC1C2C3C4C5");
  const auto check = [&](const QByteArray& bytes) {
    OpenAnew(r, bytes, 0, 40);
    r.s.Current.CharSet = "IBM037";
    return CheckRecords(r.io, kind, 0, 9999, nullptr, {80});
  };
  for (int at = 0; at < 35; ++at) {
    QByteArray bytes = good.repeated(5);
    bytes[3 * 40 + at] = '\xAA';
    const CheckReport report = check(bytes);
    ASSERT_EQ(report.listed.size(), 1u) << at;
    EXPECT_EQ(report.listed[0].record, 3) << at;
  }
  const CheckReport cut = check(good.repeated(3) + good.left(20));
  ASSERT_EQ(cut.listed.size(), 1u);
  EXPECT_EQ(std::tuple(cut.listed[0].record, cut.shortBytes), std::tuple(3, 20));
  QByteArray bad = good;
  bad[34] = '\x24';
  const CheckReport many = check(bad.repeated(1001));
  EXPECT_EQ(std::tuple(many.listed.size(), many.problems), std::tuple(1000u, 1001));
}

// The window stays open beside the file; a double-click on a problem puts
// the cursor on its field.
TEST(CheckRecords, WindowGoesToAProblem) {
  WindowRig r;
  r.Open("c.dat", QByteArray::fromHex("F1F2012C"
                                      "F1F2012D"
                                      "C1F2012F"));
  r.w->SetCharacterSet("IBM037");
  r.p.ExpectBox("The layout's records are 4 bytes; the record length is 12. Use 4?", Answer::Yes);
  r.w->UseLayout("c.cpy",
                 std::get<Layout>(ParseCopybook(" 01 R. 05 A PIC 99. 05 B PIC S9(3) COMP-3.")));
  r.w->MenuItem("mnuLayoutCheck")->trigger();
  auto* form = r.w->findChild<CheckRecordsForm*>();
  ASSERT_TRUE(form && form->isVisible() && !form->isModal());
  EXPECT_EQ(form->ToRecordBox->text(), "2");  // the last record
  QTest::keyClick(form->FromRecordBox, Qt::Key_Return);
  EXPECT_EQ(form->Summary->text().toStdString(), "3 records checked; 1 has a problem (1 field)");
  ASSERT_EQ(form->Problems->rowCount(), 1);
  EXPECT_EQ(form->Problems->item(0, 4)->text(), "bad digit byte C1");
  const QRect cell = form->Problems->visualItemRect(form->Problems->item(0, 0));
  QTest::mouseClick(form->Problems->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(form->Problems->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(r.s.Current.CursorOffset, 8);
  r.p.Verify();
}

}  // namespace qx::test
