// The records printed on real printers: the built-in PDF printer, and a
// CUPS queue when a CUPS server runs (CI starts one with a PDF queue). The
// PDF is read back with pdftotext.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include "platform/QtPlatform.h"
#include "print/PrintModule.h"
#include "print/PrintUtilities.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// The real printers, with the PDF printer's file name given by the test.
class PrintingPlatform : public QtPlatform {
 public:
  QString SaveFileName(const QString&) override { return pdfPath; }
  QString pdfPath;
};

// The text of a PDF, page by page, laid out as printed; empty when
// pdftotext is not there.
QStringList PdfPages(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  if (!p.waitForFinished(20000) || p.exitCode() != 0) return {};
  QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
  while (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

bool HavePdfToText() {
  return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// Three 256-byte records of a file; prints them through platform on setup.
PrintResult PrintThree(Rig& r, Platform& platform, const PrintSetup& setup, QString& error) {
  QByteArray bytes = TempFiles::Counting(1024);
  bytes[256 + 17] = '\x41';
  r.io.OpenFile(r.files.Write("P.DAT", bytes));
  r.s.Current.RequestedRecord = 1;
  r.s.Current.RequestedOffset = 17;
  std::unique_ptr<PrintSink> sink = platform.StartPrintJob(setup, error);
  if (!sink) return {PrintStatus::Failed, 0, 0, error};
  return PrintRecords(r.s, platform, *sink, {3, kDefaultPrintPageLength, 0});
}

// The pages show the headers, the ruler and the dump lines in columns,
// the requested byte bracketed, and the break after the 61st line.
void ExpectThreeRecords(const QStringList& pages, bool fixedPitch) {
  ASSERT_EQ(pages.size(), 2);
  QString all = pages.join(QLatin1Char('\n'));
  // A proportional font's letters stand in cells, which pdftotext reads as
  // letters apart: the columns are what matter then.
  if (!fixedPitch) {
    EXPECT_EQ(all.remove(QLatin1Char(' ')).count(QStringLiteral("RecordNumber:")), 3);
    return;
  }
  EXPECT_TRUE(all.contains(QStringLiteral("P.DAT"))) << all.toStdString();
  EXPECT_EQ(all.count(QStringLiteral("Record Number:")), 3);
  // Record 1's second line: offsets 16..31, byte 17 (0x41) bracketed.
  const QRegularExpression bracketed(QStringLiteral("00016 +10<41>12 13"));
  EXPECT_TRUE(all.contains(bracketed)) << all.toStdString();
  // Every dump line of a page puts its first hex pair in the same column.
  for (const QString& page : pages) {
    int column = -1;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
      const QRegularExpressionMatch m =
          QRegularExpression(QStringLiteral("^( *)(\\d{5}) +([0-9A-F]{2}|<)")).match(line);
      if (!m.hasMatch()) continue;
      const int at = static_cast<int>(m.capturedStart(3));
      if (column < 0) column = at;
      EXPECT_EQ(at, column) << line.toStdString();
    }
  }
}

}  // namespace

TEST(PrintRender, PdfPrinterLinesUpTheColumnsInAnyFont) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  for (const QString& font : {QString(), QStringLiteral("DejaVu Sans")}) {
    Rig r;
    PrintingPlatform platform;
    platform.pdfPath = r.files.Path("out.pdf");
    QString error;
    const PrintResult res = PrintThree(r, platform, {kPdfPrinter, font, 10}, error);
    ASSERT_EQ(res.status, PrintStatus::Done) << error.toStdString();
    ExpectThreeRecords(PdfPages(platform.pdfPath), font.isEmpty());
  }

  // A file that cannot be written: the job is refused with the reason.
  Rig r;
  PrintingPlatform platform;
  platform.pdfPath = r.files.Path("no/such/dir/out.pdf");
  QString error;
  EXPECT_EQ(PrintThree(r, platform, {kPdfPrinter, {}, 10}, error).status, PrintStatus::Failed);
  EXPECT_TRUE(error.contains(QStringLiteral("could not be written"))) << error.toStdString();

  // The test page: ticks and labels at their places.
  platform.pdfPath = r.files.Path("ticks.pdf");
  ASSERT_TRUE(platform.PrintTestPage({kPdfPrinter, {}, 10}, TestPageTicks(15840), error));
  const QStringList page = PdfPages(platform.pdfPath);
  ASSERT_EQ(page.size(), 1);
  for (const char* label : {"500", "1000", "1500", "2000", "2500", "3000"}) {
    EXPECT_TRUE(page.front().contains(QLatin1String(label))) << label;
  }
}

// Through a CUPS queue that prints to PDF files (cups-pdf), as CI sets up.
TEST(PrintRender, CupsQueuePrintsTheRecords) {
  QProcess lpstat;
  lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-r")});
  if (!lpstat.waitForFinished(5000) ||
      !QString::fromUtf8(lpstat.readAllStandardOutput()).contains(QStringLiteral("is running"))) {
    if (qEnvironmentVariableIsSet("QX_REQUIRE_CUPS")) FAIL() << "CI set up CUPS, but none runs";
    GTEST_SKIP() << "no CUPS server runs here";
  }
  const QString queue = qEnvironmentVariable("QX_CUPS_PDF_QUEUE", QStringLiteral("QXPDF"));
  PrintingPlatform platform;
  if (!platform.Printers().contains(queue)) {
    if (qEnvironmentVariableIsSet("QX_REQUIRE_CUPS"))
      FAIL() << "no CUPS queue " << queue.toStdString();
    GTEST_SKIP() << "no CUPS queue " << queue.toStdString();
  }
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";

  const QDir out(QDir::home().filePath(QStringLiteral("PDF")));
  const QFileInfoList before = out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
  Rig r;
  QString error;
  ASSERT_EQ(PrintThree(r, platform, {queue, {}, 10}, error).status, PrintStatus::Done)
      << error.toStdString();
  // cups-pdf writes the job a moment later, into the owner's ~/PDF.
  QString pdf;
  for (int i = 0; i < 200 && pdf.isEmpty(); ++i) {
    for (const QFileInfo& f : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
      if (!before.contains(f) && f.size() > 0) pdf = f.absoluteFilePath();
    }
    if (pdf.isEmpty()) QThread::msleep(100);
  }
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue in " << out.path().toStdString();
  QThread::msleep(300);  // let it finish writing
  // cups-pdf renders the job again through Ghostscript, which keeps the
  // glyphs but not their text: the pages and lines are what can be read.
  const QStringList pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2);
  int lines = 0;
  for (const QString& page : pages) {
    for (const QString& line : page.split(QLatin1Char('\n'))) lines += !line.trimmed().isEmpty();
  }
  EXPECT_EQ(lines, 3 * 20);  // four header lines and sixteen dump lines a record
  QFile::remove(pdf);
}

}  // namespace qx::test
