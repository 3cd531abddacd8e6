// Real printers read back with pdftotext; the CUPS queue only where a server runs.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <set>

#include "app/QtPlatform.h"
#include "core/Posix.h"
#include "print/PdfOutput.h"
#include "print/PrintModule.h"
#include "print/PrintUtilities.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

QStringList PdfPages(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput()).split('\f', Qt::SkipEmptyParts);
}

bool HavePdfToText() {
  return !QStandardPaths::findExecutable("pdftotext").isEmpty();
}

// Records 1..3 of 256 bytes, byte 17 of record 1 requested, printed on setup.
PrintResult PrintThree(Rig& r, Platform& platform, const PrintSetup& setup, QString& error) {
  r.io.OpenFile(r.files.Write("P.DAT", TempFiles::Counting(1024)));
  r.s.Current.RequestedRecord = 1;
  r.s.Current.RequestedOffset = 17;
  std::unique_ptr<PrintSink> sink = platform.StartPrintJob(setup, error);
  if (!sink) return {PrintStatus::Failed, 0, 0, error};
  return PrintRecords(r.s, platform, *sink, {3, kDefaultPrintPageLength, 0});
}

// Two pages, three headers; in a fixed-pitch font the requested byte bracketed and the hex
// in columns (a proportional font's letters stand in cells, read as letters apart).
void ExpectThreeRecords(const QStringList& pages, bool fixedPitch) {
  ASSERT_EQ(pages.size(), 2);
  const QString all = pages.join('\n');
  EXPECT_EQ(QString(all).remove(' ').count("RecordNumber:"), 3) << all.toStdString();
  if (!fixedPitch) return;
  EXPECT_TRUE(all.contains(QRegularExpression("00016 +10<11>12 13"))) << all.toStdString();
  static const QRegularExpression dump("^ *\\d{5} +([0-9A-F]{2}|<)");
  for (const QString& page : pages) {
    std::set<qsizetype> columns;
    for (const QString& line : page.split('\n'))
      if (const auto m = dump.match(line); m.hasMatch()) columns.insert(m.capturedStart(1));
    EXPECT_EQ(columns.size(), 1u) << page.toStdString();
  }
}

}  // namespace

TEST(PrintRender, PdfPrinterLinesUpTheColumnsInAnyFont) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  Rig r;
  QtPlatform platform;
  QString error;
  for (const QString& font : {QString(), QStringLiteral("DejaVu Sans")}) {
    const QString pdf = r.files.Path(font + "out.pdf");
    ASSERT_EQ(PrintThree(r, platform, {kPdfPrinter, font, 10, pdf}, error).status,
              PrintStatus::Done)
        << error.toStdString();
    ExpectThreeRecords(PdfPages(pdf), font.isEmpty());
  }

  // A file that cannot be written: the job is refused with the reason.
  const QString nowhere = r.files.Path("no/such/dir/out.pdf");
  EXPECT_EQ(PrintThree(r, platform, {kPdfPrinter, {}, 10, nowhere}, error).status,
            PrintStatus::Failed);
  EXPECT_EQ(error, "Couldn't write " + nowhere + ": No such file or directory");

  const QString ticks = r.files.Path("ticks.pdf");
  ASSERT_TRUE(platform.PrintTestPage({kPdfPrinter, {}, 10, ticks}, TestPageTicks(15840), error));
  const QStringList page = PdfPages(ticks);
  for (const char* label : {"500", "1000", "1500", "2000", "2500", "3000"})
    EXPECT_TRUE(page.size() == 1 && page[0].contains(label)) << label;
}

// The PDF takes its name only when the job ends well; else nothing is left.
TEST(PrintRender, PdfReplacesTheNamedFileOnlyWhenTheJobIsComplete) {
  TempFiles dir;
  const QString name = dir.Write("keep.pdf", "old bytes");
  ASSERT_TRUE(QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
  const auto untouched = [&] {
    EXPECT_EQ(TempFiles::Read(name), "old bytes");
    EXPECT_EQ(dir.Entries(), QStringList{"keep.pdf"});
  };
  QtPlatform platform;
  const PrintSetup setup{kPdfPrinter, {}, 10, name};
  QString error;
  // A job given up before its end, or cancelled or stopped by a read error.
  for (const bool cancelled : {false, true}) {
    std::unique_ptr<PrintSink> sink = platform.StartPrintJob(setup, error);
    ASSERT_TRUE(sink && sink->Line("half a job")) << error.toStdString();
    EXPECT_EQ(dir.Entries().size(), 2);  // the new file, beside the name
    ASSERT_TRUE(!cancelled || sink->EndIncomplete());
    sink.reset();
    untouched();
  }

  // A failing step, a file without the PDF's end or with another program's bytes: the name
  // keeps its bytes. Last, none failing (Open stands for none): committed and synced.
  const QString unwritten =
      "Couldn't write " + name + ": Input/output error\nNothing was written to it.";
  const QString notWhole =
      "Couldn't write the PDF " + name + ": it does not end with %%EOF as a whole PDF does";
  const QByteArray whole = "%PDF-1.4\n%%EOF\n";
  using Call = SysCalls::Call;
  struct Grows : FaultySys {
    QString path;  // where another program appends at the sync
    int Inject(Call c) override {
      QFile f(path);
      if (c == Call::Sync && f.open(QIODevice::Append)) f.write("%%EOF\n");
      return FaultySys::Inject(c);
    }
  };
  const std::tuple<Call, QByteArray, bool, QString> steps[] = {
      {Call::Write, whole, false, "Couldn't write the PDF " + name + ": Input/output error"},
      {Call::Sync, whole, false, unwritten},
      {Call::Rename, whole, false, unwritten},
      {Call::Open, "%PDF-1.4\n%%EO", false, notWhole},
      {Call::Open, whole, true, notWhole},
      {Call::Open, whole, false, ""},
  };
  for (const auto& [failing, bytes, grows, says] : steps) {
    Grows sys;
    if (failing != Call::Open) sys.always[failing] = EIO;
    ReplacingFile file(sys);
    ASSERT_TRUE(file.Create(name, error)) << error.toStdString();
    if (grows) sys.path = file.TempPath();
    (void)file.Device().write(bytes);
    EXPECT_EQ(file.Commit(error), says.isEmpty());
    if (says.isEmpty()) {
      EXPECT_TRUE(sys.SyncedAfterLastRename());
      break;
    }
    EXPECT_EQ(error, says);
    untouched();
  }

  // The first, the last and every 32nd write of a job or of the test page failing: the name
  // as it was, and why. Writes cut short are finished.
  const auto print = [&](FaultySys& sys, bool testPage) {
    QtPlatform faulty(sys);
    if (testPage) return faulty.PrintTestPage(setup, TestPageTicks(15840), error);
    const std::unique_ptr<PrintSink> job = faulty.StartPrintJob(setup, error);
    bool ok = job != nullptr;
    for (int i = 0; i < 100 && ok; ++i) ok = job->Line(QString(72, u'x'));
    if (job && !job->EndDocument()) ok = false;
    if (job && !ok) error = job->Error();
    return ok;
  };
  for (const bool testPage : {false, true}) {
    FaultySys clean;
    ASSERT_TRUE(print(clean, testPage)) << error.toStdString();
    const std::vector<int> writes = WriteCalls(clean);
    dir.Write("keep.pdf", "old bytes");
    for (std::size_t k = 0; k < writes.size(); ++k) {
      if (k % 32 != 0 && k + 1 != writes.size()) continue;
      SCOPED_TRACE(k);
      FaultySys sys;
      sys.Reset({writes[k]});
      sys.error = k % 64 ? EIO : ENOSPC;
      EXPECT_FALSE(print(sys, testPage));
      EXPECT_EQ(error, "Couldn't write the PDF " + name + ": " + Reason(sys.error));
      untouched();
    }
    FaultySys cut;
    cut.shortWrites = 5;
    ASSERT_TRUE(print(cut, testPage)) << error.toStdString();
    EXPECT_TRUE(TempFiles::Read(name).endsWith("%%EOF\n"));
  }

  // Replaced, the name kept its permissions; a new file gets the user's.
  const QString fresh = dir.Path("fresh.pdf");
  ASSERT_TRUE(platform.PrintTestPage({kPdfPrinter, {}, 10, fresh}, TestPageTicks(15840), error));
  EXPECT_TRUE(TempFiles::Read(fresh).startsWith("%PDF"));
  EXPECT_EQ(dir.Entries(), (QStringList{"fresh.pdf", "keep.pdf"}));
  using Modes = std::pair<mode_t, mode_t>;
  EXPECT_EQ(Modes(ModeOf(name), ModeOf(fresh)), Modes(0640, NewFileMode()));
}

TEST(PrintRender, CupsQueuePrintsTheRecords) {
  QProcess lpstat;
  lpstat.start("lpstat", {"-r"});
  const QString queue = qEnvironmentVariable("QX_CUPS_PDF_QUEUE", "QXPDF");
  QtPlatform platform;
  if (!lpstat.waitForFinished(5000) || !lpstat.readAllStandardOutput().contains("is running") ||
      !platform.Printers().contains(queue) || !HavePdfToText()) {
    const std::string why = "no CUPS queue " + queue.toStdString() + " running, or no pdftotext";
    if (qEnvironmentVariableIsSet("QX_REQUIRE_CUPS")) FAIL() << "CI set up CUPS, but " << why;
    GTEST_SKIP() << why;
  }

  // cups-pdf writes the job a moment later, into the owner's ~/PDF.
  const QDir out(QDir::home().filePath("PDF"));
  // A job may reuse the name of an earlier one that was left there: a file
  // counts when it is new or was written since.
  QMap<QString, QDateTime> before;
  for (const QFileInfo& f : out.entryInfoList({"*.pdf"}, QDir::Files))
    before.insert(f.absoluteFilePath(), f.lastModified());
  Rig r;
  QString error;
  ASSERT_EQ(PrintThree(r, platform, {queue, {}, 10, {}}, error).status, PrintStatus::Done)
      << error.toStdString();
  QString pdf;
  for (int i = 0; i < 200 && pdf.isEmpty(); ++i) {
    QThread::msleep(100);
    for (const QFileInfo& f : out.entryInfoList({"*.pdf"}, QDir::Files))
      if (before.value(f.absoluteFilePath()) != f.lastModified() && f.size() > 0)
        pdf = f.absoluteFilePath();
  }
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue in " << out.path().toStdString();
  QThread::msleep(300);  // let it finish writing
  // Ghostscript renders the job again: the glyphs, not their text. Pages and lines count.
  const QStringList pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2);
  // Four header lines and sixteen dump lines a record.
  EXPECT_EQ(pages.join('\n').split('\n').filter(QRegularExpression("\\S")).size(), 3 * 20);
  QFile::remove(pdf);
}

}  // namespace qx::test
