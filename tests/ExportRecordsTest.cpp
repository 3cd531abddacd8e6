// Export Records: the CSV byte for byte, its options, and a cancelled or
// failed export that leaves the old file and nothing else.
#include "fields/Copybook.h"
#include "ops/ExportRecords.h"
#include "tests/Fakes.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/ExportRecords.h"

#include <QCheckBox>

namespace qx::test {

namespace {

struct ExportRig : Rig {
  ExportRig() {
    OpenAnew(*this,
             QByteArray::fromHex("412C42202020 12345C 31327B 41100000 2020"
                                 "512254202020 00025D 303035 C1100000 2020"
                                 "430D440A4520 00005C 202020 00000000 2020"
                                 "817820202020 000000 315833 41180000 2020"
                                 "202020202020 00000C 303030 40800000 2020"),
             0, 18);
    s.Current.CharSet = "Windows-1252";
    kind = std::get<Layout>(ParseCopybook(" 01 R.\n 05 NAME PIC X(6).\n"
                                          " 05 AMT PIC S9(3)V99 COMP-3.\n 05 QTY PIC S9(3)PP.\n"
                                          " 05 RATE COMP-1.\n 05 FILLER PIC X(2).\n"))
               .kinds.front();
    files.Write("out.csv", "old");
  }
  RecordKind kind;
  QString out = files.Path("out.csv");
};

const char* const kEmptyCells = "(blank, low-values, or bytes that do not decode)";

}  // namespace

TEST(ExportRecords, RowsAndOptions) {
  struct Row {
    ExportOptions opt;
    const char* csv;
    QString message;
  };
  const Row rows[] = {
      {{{0, 1, 2, 3}, 0, 99},
       "NAME,AMT,QTY,RATE\r\n\"A,B\",123.45,12000,1\r\n\"Q\"\"T\",-0.25,500,-1\r\n"
       "\"C\rD\nE\",0.05,,0\r\n\xEF\xBF\xBDx,,,1.5\r\n,0.00,0,0.5\r\n",
       QStringLiteral("5 records exported; 4 cells are empty %1").arg(kEmptyCells)},
      {{{0, 2}, 1, 2, true, true},
       "NAME,NAME-HEX,QTY,QTY-HEX\r\n\"Q\"\"T   \",512254202020,500,303035\r\n"
       "\"C\rD\nE \",430D440A4520,,202020\r\n",
       QStringLiteral("2 records exported; 1 cell is empty %1").arg(kEmptyCells)},
  };
  for (const Row& row : rows) {
    ExportRig r;
    r.p.ExpectBox(row.message);
    const ExportResult result = ExportRecords(r.io, r.kind, row.opt, r.out);
    EXPECT_EQ(result.status, ExportStatus::Done);
    EXPECT_EQ(TempFiles::Read(r.out), QByteArray(row.csv));
    EXPECT_EQ(r.files.Leftovers(), QStringList());
    EXPECT_EQ(ModeOf(r.out), NewFileMode());
  }
}

// Cancelled, or any system call failing, the old file stays and no other.
TEST(ExportRecords, CancelledOrFailedLeavesNothing) {
  ExportRig r;
  const ExportOptions opt{{0, 1, 2, 3}, 0, 99, false, false, 18};
  r.p.onEvents = CancelAtEvent(3, [&] { r.s.OperationRunning = false; });
  r.p.ExpectBox("Export cancelled; nothing was written.");
  EXPECT_EQ(ExportRecords(r.io, r.kind, opt, r.out).status, ExportStatus::Cancelled);
  r.p.onEvents = nullptr;
  EXPECT_EQ(TempFiles::Read(r.out), "old");
  EXPECT_EQ(r.files.Leftovers(), QStringList());
  r.p.anyBox = true;
  for (int i = 0;; ++i) {
    SCOPED_TRACE(i);
    r.files.Write("out.csv", "old");
    r.sys.Reset({i});
    const ExportStatus status = ExportRecords(r.io, r.kind, opt, r.out).status;
    const int calls = r.sys.count;
    r.sys.Reset();
    EXPECT_EQ(r.files.Leftovers(), QStringList());
    if (status == ExportStatus::Done) {
      EXPECT_TRUE(TempFiles::Read(r.out).startsWith("NAME,AMT"));
      if (i >= calls) break;  // nothing failed: every call was tried
      continue;               // a failure the export may ignore (syncing the folder)
    }
    EXPECT_EQ(TempFiles::Read(r.out), "old");
    r.p.ExpectLastSaid("Nothing was exported.");
  }
}

// The name offered is the file's with ".csv"; the file being edited is refused.
TEST(ExportRecords, ChoosesANameTheEditorDoesNotHold) {
  ExportRig r;
  r.p.ExpectSaveFile(r.s.Current.FileName);
  r.p.ExpectBox(QStringLiteral("%1 is the file being edited; choose another name for the CSV file.")
                    .arg(r.s.Current.FileName));
  EXPECT_EQ(ChooseExportFile(r.s, r.p), QString());
  r.p.ExpectSaveFile(r.out);
  EXPECT_EQ(ChooseExportFile(r.s, r.p), r.out);
  EXPECT_EQ(r.p.saveOffers, QStringList(2, r.files.Path("f.bin.csv") + " | CSV files (*.csv)"));
}

// Return from the dialog's first focus exports every field but FILLER, in
// layout order, after asking for the name.
TEST(ExportRecords, ReturnInTheDialogExports) {
  WindowRig r;
  r.Open("e.dat", QByteArray::fromHex("C1C2F1F2"
                                      "40C4F3D4"));
  r.w->SetCharacterSet("IBM037");
  r.p.ExpectBox("The layout's records are 4 bytes; the record length is 8. Use 4?", Answer::Yes);
  r.w->UseLayout("e.cpy", std::get<Layout>(
                              ParseCopybook(" 01 R. 05 N PIC X. 05 FILLER PIC X. 05 Q PIC S99.")));
  const QString out = r.files.Path("e.csv");
  r.p.ExpectSaveFile(out);
  r.p.ExpectBox("2 records exported");
  WhenModal<ExportRecordsForm> dialog([&](ExportRecordsForm* d) {
    d->KeepSpacesBox->setChecked(true);
    QTest::keyClick(d->focusWidget(), Qt::Key_Return);
  });
  r.w->MenuItem("mnuLayoutExport")->trigger();
  EXPECT_EQ(TempFiles::Read(out), "N,Q\r\nA,12\r\n ,-34\r\n");
  r.p.Verify();
}

}  // namespace qx::test
