#include <QComboBox>
#include <QLineEdit>

#include "print/PrintUtilities.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/GetPrinter.h"
#include "ui/dialogs/PrintRecs.h"

namespace qx::test {

namespace {

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

// Printed lines of a job, page breaks left out.
qsizetype Lines(const FakePlatform::Job& job) {
  return job.lines.size() - job.lines.count(QStringLiteral("\f"));
}

void Printers(FakePlatform& p) {
  p.printers = {"Laser", "Plotter", kPdfPrinter};
  p.fonts["Laser"] = {"Arial", "DejaVu Sans Mono", "Courier"};
  p.fonts[kPdfPrinter] = {"Times", "Helvetica"};
}

}  // namespace

TEST(PrintDialog, StartUpChoosesAndOkOrCancelKeeps) {
  WindowRig r;
  Printers(r.p);
  // Without "Prtr" the printer chosen in the dialog is current again.
  r.w.reset();
  r.p.settings = {{"Printer/PgLen", "72 lines"},
                  {"Printer/PrinterName", " Laser "},
                  {"Printer/FontName", "Courier"},
                  {"Printer/PageLimit", "7"}};
  r.w = r.MakeWindow();
  EXPECT_EQ(r.s.PrintPageLength, 72);
  EXPECT_EQ(r.s.PrinterName, "Laser");
  EXPECT_EQ(r.s.PrintFontName, "Courier");
  EXPECT_EQ(r.s.PrintPageLimit, 7);
  r.p.settings["Printer/Prtr"] = kPdfPrinter;  // which Times lacks the font
  LoadPrintSettings(r.s, r.p);
  EXPECT_EQ(r.s.PrinterName, kPdfPrinter);
  EXPECT_EQ(r.s.PrintFontName, "");

  // First use: the current printer, the fixed-pitch font, 100 pages; another
  // printer refills the fonts (lacking the wanted one: the last); Cancel
  // puts back printer and font and writes nothing.
  r.p.settings.clear();
  r.s.PrinterName = "Laser";
  r.s.PrintFontName.clear();
  {
    WhenModal<GetPrinter> dlg([&](GetPrinter* d) {
      EXPECT_EQ(Items(d->PrinterList), r.p.printers);
      EXPECT_EQ(d->PrinterList->currentText(), "Laser");
      EXPECT_EQ(Items(d->FontList), r.p.fonts["Laser"]);
      EXPECT_EQ(d->FontList->currentText(), "DejaVu Sans Mono");
      EXPECT_EQ(d->PageLimitBox->text(), "100");
      d->PrinterList->setCurrentIndex(2);
      EXPECT_EQ(Items(d->FontList), r.p.fonts[kPdfPrinter]);
      EXPECT_EQ(r.s.PrinterName, kPdfPrinter);
      EXPECT_EQ(r.s.PrintFontName, "Helvetica");
      d->CancelButton->click();
    });
    r.w->mnuFileChoosePrinter_Click();
  }
  EXPECT_EQ(r.s.PrinterName, "Laser");
  EXPECT_EQ(r.s.PrintFontName, "");
  EXPECT_TRUE(r.p.settings.isEmpty());

  // A saved font the printer lacks: the last font; the test page uses it;
  // OK saves the three boxes and the page limit takes effect.
  r.p.settings["Printer/FontName"] = "Gothic";
  {
    WhenModal<GetPrinter> dlg([&](GetPrinter* d) {
      EXPECT_EQ(d->FontList->currentText(), "Courier");
      d->TestPageButton->click();
      d->PageLimitBox->setText("5");
      d->OKButton->click();
    });
    r.w->mnuFileChoosePrinter_Click();
  }
  ASSERT_EQ(r.p.testPages.size(), 1u);
  EXPECT_EQ(r.p.testPages[0].first.font, "Courier");
  EXPECT_EQ(r.p.testPages[0].second.size(), 30u);
  EXPECT_EQ(r.p.settings["Printer/PrinterName"], "Laser");
  EXPECT_EQ(r.p.settings["Printer/FontName"], "Courier");
  EXPECT_EQ(r.s.PrintPageLimit, 5);

  // OK with no font name keeps the font.
  {
    WhenModal<GetPrinter> dlg([&](GetPrinter* d) {
      d->PrinterList->setCurrentIndex(1);  // a printer without fonts
      d->OKButton->click();
    });
    r.w->mnuFileChoosePrinter_Click();
  }
  EXPECT_EQ(r.s.PrinterName, "Plotter");
  EXPECT_EQ(r.s.PrintFontName, "Courier");
  EXPECT_EQ(r.p.settings["Printer/FontName"], "");
  r.p.Verify();
}

TEST(PrintDialog, PrintsRecordsAndSaysWhyNot) {
  WindowRig r;
  r.Open("recs.bin", TempFiles::Counting(3 * 256 + 10));  // four records
  r.s.PrintPageLength = 1000;
  // A record takes 20 lines (header and 16 dump lines), one more between two.
  const auto print = [&](const QString& count, bool preview = false) {
    WhenModal<PrintRecs> dlg([&](PrintRecs* d) {
      d->RecordCountBox->setText(count);
      (preview ? d->PreviewButton : d->BeginPrintingButton)->click();
      if (d->isVisible()) d->CancelButton->click();
    });
    r.w->mnuFilePrint_Click();
  };
  struct Row {
    std::int64_t from;
    QString count;
    qsizetype lines;
  } const rows[] = {{0, "2", 41}, {1, "40,000", 62}, {3, "1", 20}};
  for (const Row& row : rows) {
    r.s.Current.RequestedRecord = row.from;
    print(row.count);
    ASSERT_FALSE(r.p.jobs.empty());
    EXPECT_EQ(Lines(r.p.jobs.back()), row.lines) << row.count.toStdString();
    EXPECT_TRUE(r.p.jobs.back().ended);
  }
  r.s.Current.RequestedRecord = 0;
  print("2", true);
  ASSERT_EQ(r.p.previews.size(), 1u);
  EXPECT_EQ(Lines(r.p.previews[0]), 41);

  // Nothing printed: a count that is no number, a refused job.
  const std::size_t jobs = r.p.jobs.size();
  r.p.ExpectBox(kMustEnterValues);
  print("2x");
  r.p.refuseJob = "The printer is offline";
  r.p.ExpectBox(r.p.refuseJob);
  print("2");
  r.p.refuseJob.clear();
  EXPECT_EQ(r.p.jobs.size(), jobs);

  // A printer failing mid-job: what it printed, and why it stopped.
  r.p.failAfterLines = 30;
  r.p.ExpectBox({});
  print("3");
  r.p.failAfterLines = -1;
  EXPECT_EQ(Lines(r.p.jobs.back()), 30);
  EXPECT_TRUE(r.p.AllText().contains("1 of 3 records")) << r.p.AllText().toStdString();
  EXPECT_TRUE(r.p.AllText().contains("out of paper"));
  r.p.Verify();
}

TEST(PrintDialog, CancelEndsTheJobWithTheRecordsPrinted) {
  WindowRig r;
  r.Open("many.bin", TempFiles::Counting(8192 * 256));
  r.s.PrintPageLimit = 0;  // no limit: only Cancel ends this job early
  // The second event of the job presses Cancel, however fast the build.
  r.p.onEvents = CancelAtEvent(2, [] {
    if (auto* d = qobject_cast<PrintRecs*>(QApplication::activeModalWidget()))
      d->CancelButton->click();
  });
  {
    WhenModal<PrintRecs> dlg([](PrintRecs* d) {
      d->RecordCountBox->setText("8192");
      d->BeginPrintingButton->click();
    });
    r.w->mnuFilePrint_Click();
  }
  r.p.onEvents = nullptr;
  ASSERT_EQ(r.p.jobs.size(), 1u);
  const FakePlatform::Job& job = r.p.jobs[0];
  EXPECT_TRUE(job.ended);
  EXPECT_GT(Lines(job), 0);
  EXPECT_LT(Lines(job), 8192 * 21);
  EXPECT_EQ((Lines(job) + 1) % 21, 0);
  EXPECT_TRUE(r.p.boxes.empty());
}

}  // namespace qx::test
