#include <unistd.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

#include "print/PdfOutput.h"
#include "print/PrintUtilities.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/GetPrinter.h"
#include "ui/dialogs/PrintRecs.h"

namespace qx::test {

// First use: the last font when none is fixed-pitch. A saved font the printer lacks gives the
// last (the test page's too); OK on a printer without fonts keeps the font.
TEST(PrintDialog, TheDialogChoosesLiveAndOkOrCancelKeeps) {
  Rig r;
  r.p.printers = {"Laser", "Plotter", kPdfPrinter};
  r.p.fonts["Laser"] = {"Arial", "DejaVu Sans Mono", "Courier"};
  r.p.fonts[kPdfPrinter] = {"Times", "Helvetica"};
  r.s.PrinterName = kPdfPrinter;
  const auto chosen = [&r] { return std::pair(r.s.PrinterName, r.s.PrintFontName); };
  {
    GetPrinter d(nullptr, r.s, r.p);
    EXPECT_EQ(std::pair(d.FontList->currentText(), d.PageLimitBox->text()),
              std::pair(QString("Helvetica"), QString("100")));
    d.PrinterList->setCurrentIndex(0);
    EXPECT_EQ(chosen(), std::pair(QString("Laser"), QString("DejaVu Sans Mono")));
    d.CancelButton->click();
  }
  EXPECT_EQ(chosen(), std::pair(QString(kPdfPrinter), QString()));
  EXPECT_TRUE(r.p.settings.isEmpty());

  r.p.settings["Printer/FontName"] = "Gothic";
  GetPrinter d(nullptr, r.s, r.p);
  r.p.ExpectSaveFile(r.files.Path("ticks.pdf"));
  d.TestPageButton->click();
  d.PageLimitBox->setText("5");
  d.OKButton->click();
  EXPECT_EQ(std::tuple(r.p.testPages.at(0).first.font, r.p.settings["Printer/FontName"],
                       r.s.PrintPageLimit),
            std::tuple(QString("Helvetica"), QString("Helvetica"), 5));
  d.PrinterList->setCurrentIndex(1);
  d.OKButton->click();
  EXPECT_EQ(chosen(), std::pair(QString("Plotter"), QString("Helvetica")));
  EXPECT_EQ(r.p.settings["Printer/FontName"], "");
  r.p.settings["Printer/PrinterName"] = "Laser";
  EXPECT_EQ(GetPrinter(nullptr, r.s, r.p).PrinterList->currentText(), "Laser");
}

TEST(PrintDialog, PrintsRecordsCancelsAndSaysWhyNot) {
  Rig r;
  r.s.PrinterName = "Laser";                       // a system printer: no file to name
  OpenAnew(r, TempFiles::Counting(3 * 256 + 10));  // four records
  PrintRecs d(nullptr, r.io);
  const auto Lines = [](const auto& job) { return job.lines.size() - job.lines.count("\f"); };
  const auto print = [&](const QString& count, QPushButton* button) {
    d.RecordCountBox->setText(count);
    button->click();
  };
  // A record takes 20 lines (header and 16 dump lines), one more between two.
  r.s.Current.RequestedRecord = 1;
  print("40,000", d.BeginPrintingButton);  // as many as there are from record 1
  EXPECT_EQ(Lines(r.p.jobs.at(0)), 62);
  print("2", d.PreviewButton);
  EXPECT_EQ(Lines(r.p.previews.at(0)), 41);

  // Nothing printed: a count that is no number, a refused job.
  r.p.ExpectBox(kMustEnterValues);
  print("2x", d.BeginPrintingButton);
  r.p.refuseJob = "The printer is offline";
  r.p.ExpectBox(r.p.refuseJob);
  print("2", d.BeginPrintingButton);
  r.p.refuseJob.clear();
  EXPECT_EQ(r.p.jobs.size(), 1u);

  // A printer failing mid-job: what it printed, and why it stopped.
  r.p.failAfterLines = 30;
  r.p.ExpectBox(
      "The printer did not accept the job. 1 of 3 records were printed.\n"
      "The printer is out of paper");
  print("3", d.BeginPrintingButton);
  EXPECT_EQ(Lines(r.p.jobs.back()), 30);
  r.p.Verify();
  r.p.failAfterLines = -1;

  // Cancel at the job's second event: the records printed whole, no message.
  OpenAnew(r, TempFiles::Counting(8192 * 256));
  r.s.PrintPageLimit = 0;
  r.p.onEvents = CancelAtEvent(2, [&d] { d.CancelButton->click(); });
  print("8192", d.BeginPrintingButton);
  const qsizetype n = Lines(r.p.jobs.back());
  EXPECT_TRUE(r.p.jobs.back().ended && r.p.jobs.back().incomplete);
  EXPECT_TRUE(n > 0 && n < 8192 * 21 && (n + 1) % 21 == 0) << n;
  r.p.Verify();
}

// The PDF printer never replaces a file the editor holds, by any name.
TEST(PrintDialog, PdfNameThatLeadsToAFileTheEditorHoldsIsRefused) {
  Rig r;
  r.s.PrinterName = kPdfPrinter;
  const QString dir = QFileInfo(r.files.Dir()).canonicalFilePath() + '/';
  r.io.OpenFile(r.files.Write("other.bin", TempFiles::Counting(300)));
  r.io.OpenFile(r.files.Write("data.bin", TempFiles::Counting(600)));
  const QString other = dir + "other.bin", edited = dir + "data.bin";
  ASSERT_TRUE(QDir(dir).mkdir("sub.pdf"));
  r.files.Write("data.BAK", "old");
  ASSERT_TRUE(QFile::link(edited, dir + "link.pdf"));
  ASSERT_TRUE(QFile::link(dir + "other.BAK", dir + "later.pdf"));  // no backup yet
  ASSERT_EQ(
      ::link(QFile::encodeName(other).constData(), QFile::encodeName(dir + "hard.pdf").constData()),
      0);
  // The clip file not made yet, its private folder reached through a link.
  ASSERT_TRUE(QDir(dir).mkdir("private") && QFile::link(dir + "private", dir + "via-link"));
  r.s.ClipFile = dir + "via-link/qx$$qx.$$$";
  // Links in a folder open to all (mode 1777): another user's are refused
  // (lchown needs root), the user's own and the folder owner's are followed.
  const QString shared = dir + "shared/",
                planted = " is a link that another user made; choose another name.";
  ASSERT_TRUE(QDir(dir).mkdir("shared"));
  ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
  const bool root = ::geteuid() == 0;
  const auto give = [&](const QString& name, uid_t uid) {
    ASSERT_TRUE(!root || ::lchown(QFile::encodeName(name).constData(), uid, uid) == 0)
        << name.toStdString();
  };
  const auto own = [&](const QString& to, const QString& link, uid_t uid) {
    ASSERT_TRUE(QFile::link(to, link));
    give(link, uid);
  };
  give(shared, 65533);
  own(r.files.Write("important.txt", "mine"), shared + "report.pdf", 65534);
  own(dir, shared + "away", 65534);
  own(dir + "gone.pdf", shared + "dangling.pdf", 65534);
  own(dir + "new.pdf", shared + "owners.pdf", 65533);
  own(shared + "owners.pdf", shared + "to-new.pdf", ::geteuid());
  give(dir + "link.pdf", 65534);  // in a folder of the user's alone: followed
  const QString tail = "; choose another name for the PDF.";
  std::vector<std::pair<QString, QString>> rows = {
      {edited, edited + " is the file being edited" + tail},
      {dir + "data.BAK", dir + "data.BAK is the backup of the file being edited" + tail},
      {other, other + " is another file open in Quellox" + tail},
      {dir + "link.pdf", dir + "link.pdf is the file being edited, " + edited + tail},
      {dir + "later.pdf", dir + "later.pdf is the backup of another file open in Quellox, " + dir +
                              "other.BAK" + tail},
      {dir + "hard.pdf", dir + "hard.pdf is another file open in Quellox, " + other + tail},
      {r.s.ClipFile, r.s.ClipFile + " is the clip file" + tail},
      {dir + "private/qx$$qx.$$$",
       dir + "private/qx$$qx.$$$ is the clip file, " + r.s.ClipFile + tail},
      {dir + "sub", "Couldn't write " + dir + "sub.pdf: it is not a file."},  // ".pdf" added
      {"", ""},  // the name cancelled: nothing said
  };
  if (root) {
    rows.insert(rows.end(), {{shared + "report.pdf", shared + "report.pdf" + planted},
                             {shared + "away/out.pdf", shared + "away" + planted},
                             {shared + "dangling.pdf", shared + "dangling.pdf" + planted}});
  }
  PrintRecs recs(nullptr, r.io);
  recs.show();
  for (const auto& [typed, message] : rows) {
    SCOPED_TRACE(typed.toStdString());
    r.p.ExpectSaveFile(typed);
    if (!message.isEmpty()) r.p.ExpectBox(message);
    recs.BeginPrintingButton->click();
    r.p.Verify();
    EXPECT_TRUE(recs.isVisible());
  }
  // Offered: the file's own name with ".pdf", in the home folder until a PDF
  // was written. ".pdf" added to a name that exists asks again.
  EXPECT_EQ(r.p.saveOffers.first(), QDir::homePath() + "/data.bin.pdf | PDF files (*.pdf)");
  r.files.Write("three.pdf", "old");
  r.p.ExpectSaveFile(dir + "three");
  r.p.ExpectBox(dir + "three.pdf already exists.\nDo you want to replace it?", Answer::No);
  recs.BeginPrintingButton->click();
  EXPECT_TRUE(r.p.jobs.empty());
  // ".pdf" added to a link of one's own that leads to no file yet: no question.
  ASSERT_TRUE(QFile::link(dir + "real-out.pdf", dir + "out.pdf"));
  r.p.ExpectSaveFile(dir + "out");
  recs.BeginPrintingButton->click();
  ASSERT_EQ(r.p.jobs.size(), 1u);
  EXPECT_EQ(r.p.jobs[0].setup.outputFile, dir + "real-out.pdf");
  EXPECT_EQ(r.p.messages, QStringList{"The PDF is written: " + dir + "real-out.pdf"});

  // The test page is checked alike; a link is replaced at its end.
  GetPrinter d(nullptr, r.s, r.p);
  r.p.ExpectSaveFile(dir + "link.pdf");
  r.p.ExpectBox(rows[3].second);
  d.TestPageButton->click();
  EXPECT_TRUE(r.p.testPages.empty());
  r.p.ExpectSaveFile(shared + "to-new.pdf");
  d.TestPageButton->click();
  EXPECT_EQ(r.p.testPages.at(0).first.outputFile, dir + "new.pdf");
  EXPECT_EQ(r.p.saveOffers.last(), dir + "data.bin.pdf | PDF files (*.pdf)");
  EXPECT_EQ(r.p.messages.last(), "The PDF is written: " + dir + "new.pdf");
  // A chain of as many links as the system follows (40) is followed too.
  const auto chain = [&dir](int i) { return dir + "chain" + QString::number(i) + ".pdf"; };
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(QFile::link(i < 39 ? chain(i + 1) : dir + "deep.pdf", chain(i)));
  }
  r.p.ExpectSaveFile(chain(0));
  d.TestPageButton->click();
  EXPECT_EQ(r.p.testPages.at(1).first.outputFile, dir + "deep.pdf");
  r.p.Verify();
}

}  // namespace qx::test
