#include "core/Navigation.h"
#include "print/PdfOutput.h"
#include "print/PrintModule.h"
#include "print/PrintUtilities.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// Prints on the fake printer, whose job then holds the lines ("\f" a page break).
PrintResult Print(Rig& r, const PrintJob& job) {
  QString error;
  const std::unique_ptr<PrintSink> sink = r.p.StartPrintJob({}, error);
  return PrintRecords(r.s, r.p, *sink, job);
}

}  // namespace

TEST(PrintLayout, HeaderAndDumpLinesFromTheRequestedRecord) {
  struct Row {
    const char* what;
    QByteArray bytes;
    std::int64_t base, length, record, offset, count;
    const char* name;  // printed in place of the temporary path
    std::int64_t lines;
    const char *line0, *line1, *line4, *line5;  // as they must read, when given
    QString set = kAsciiSetName;
  };
  const char* const kCust = "/data/cust.dat";
  const Row rows[] = {
      {"digit groups, bracket at 0", TempFiles::Counting(8192), 4096, 1, 1234, 0, 1, kCust, 5,
       "    /data/cust.dat          Working Base:             4,096",
       "    File Offset: 1,234      Record Number:            1,234",
       "    00000  <D2>                                             .               ", nullptr},
      {"length 17: the last line holds one byte", TempFiles::Counting(200), 100, 17, 1, 16, 1,
       kCust, 6, nullptr, nullptr,
       "    00000   75 76 77 78 79 7A 7B 7C 7D 7E 7F 80 81 82 83 84 uvwxyz{|}~......",
       "    00016  <85>                                             .               "},
      {"last incomplete record, base 10, asked for more than exist", TempFiles::Counting(100), 10,
       32, 2, 30, 5, kCust, 6, nullptr, nullptr, nullptr,
       "    00016   5A 5B 5C 5D 5E 5F 60 61 62 63            <  >   Z[\\]^_`abc      "},
      {"a long path stays on the header's first line", TempFiles::Counting(64), 0, 16, 0, 0, 1,
       "/home/someone/projects/data/customer.dat", 5,
       "    /home/someone/projects/data/customer.dat            Working Base: 0", nullptr, nullptr,
       nullptr},
      {"the character column in the file's set",
       "\xC8\xC5\xD3\xD3\xD6\x40\xE6\xD6\xD9\xD3\xC4\x5A\x7F\x05\x4A\x5B", 0, 16, 0, 0, 1, kCust, 5,
       nullptr, nullptr,
       "    00000  <C8>C5 D3 D3 D6 40 E6 D6 D9 D3 C4 5A 7F 05 4A 5B HELLO WORLD!\".¢$", nullptr,
       "IBM037"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Rig r;
    OpenAnew(r, row.bytes, row.base, row.length);
    r.s.Current.RequestedRecord = row.record;
    r.s.Current.RequestedOffset = static_cast<std::int16_t>(row.offset);
    r.s.Current.FileName = QString::fromUtf8(row.name);
    r.s.Current.CharSet = row.set;
    EXPECT_EQ(Print(r, {row.count, 60, 0}).records, 1);
    const FakePlatform::Job& job = r.p.jobs.back();
    ASSERT_EQ(job.lines.size(), row.lines);
    EXPECT_EQ(job.lines[2], QString(13, ' ') +
                                "0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F "
                                "0123456789ABCDEF");
    for (qsizetype i = 4; i < job.lines.size(); ++i) EXPECT_EQ(job.lines[i].size(), 76);
    for (auto [at, text] :
         {std::pair{0, row.line0}, {1, row.line1}, {4, row.line4}, {5, row.line5}})
      EXPECT_EQ(text ? job.lines[at] : QString(), QString::fromUtf8(text)) << at;
  }
}

TEST(PrintLayout, PageBreaksPageLimitAndCounts) {
  Rig r;
  OpenAnew(r, TempFiles::Counting(3 * 256), 0, 256);
  const auto lines = [&r] { return r.p.jobs.back().lines; };
  PrintResult res = Print(r, {3, 60, 0});
  // 21 lines per record; record 2's 15th dump line is the page's 61st.
  EXPECT_EQ(std::tuple(res.status, res.pages, lines().indexOf("\f"), lines().size()),
            std::tuple(PrintStatus::Done, 2, 61, 63));
  res = Print(r, {3, 10, 2});  // 26 lines, one break
  EXPECT_EQ(std::tuple(res.status, res.pages, res.records, lines().size()),
            std::tuple(PrintStatus::PageLimit, 2, 1, 27));
  EXPECT_TRUE(res.message.contains("page limit of 2 pages")) << res.message.toStdString();

  EXPECT_EQ(PrintCount(r.s, -1), 0);  // never below 0
  r.s.Current.RequestedRecord = 3;
  EXPECT_EQ(Print(r, {5, 60, 0}).status, PrintStatus::Nothing);
  EXPECT_TRUE(r.p.jobs.back().lines.isEmpty() && !r.p.jobs.back().ended);

  // Counts beyond 16 bits.
  Rig big;
  OpenAnew(big, TempFiles::Counting(40000), 0, 1);
  res = Print(big, {50000, 60, 0});
  EXPECT_EQ(res.records, 40000);
  EXPECT_EQ(RecordHeaderLines(big.s, 39999)[1].right(6), QStringLiteral("39,999"));
}

TEST(PrintLayout, AFailedReadOrPrinterStopsTheJobAndSaysSo) {
  Rig r;
  OpenAnew(r, TempFiles::Counting(512), 0, 256);
  r.p.failAfterLines = 30;
  PrintResult res = Print(r, {2, 60, 0});
  const FakePlatform::Job* job = &r.p.jobs.back();
  EXPECT_EQ(std::tuple(res.status, res.records, job->ended, job->incomplete),
            std::tuple(PrintStatus::Failed, 1, true, false));
  EXPECT_EQ(res.message, "The printer did not accept the job. 1 of 2 records were printed.");
  // Refused at its end, the job delivered none of the records it took.
  r.p.failAfterLines = -1;
  r.p.failAtEnd = true;
  EXPECT_EQ(Print(r, {2, 60, 0}).message,
            "The printer did not accept the job. 0 of 2 records were printed.");
  r.p.failAtEnd = false;

  r.sys.always[SysCalls::Call::Read] = EIO;
  res = Print(r, {2, 60, 0});
  job = &r.p.jobs.back();  // the header only
  EXPECT_EQ(std::tuple(res.status, res.records, job->lines.size(), job->ended, job->incomplete),
            std::tuple(PrintStatus::Failed, 0, 4, true, true));
  EXPECT_EQ(res.message,
            "Couldn't read the file at offset 0: Input/output error\n0 of 2 records were printed.");
  EXPECT_FALSE(r.s.OperationRunning);
}

TEST(PrintLayout, SettingsLoadAndTestPageTicks) {
  // A number read up to the first character not of it, rounded half to even, held in 1..32767.
  const std::vector<std::pair<const char*, int>> lengths = {
      {"72 words", 72}, {"words", 60}, {"60.5", 60}, {"61.5", 62}, {"-5", 60}, {"99999", 32767}};
  for (const auto& [text, want] : lengths) EXPECT_EQ(ReadPageLength(text), want) << text;
  for (const auto& [text, want] :
       std::vector<std::pair<const char*, std::int64_t>>{{"1,000", 1000}, {"0", 100}, {"x", 100}})
    EXPECT_EQ(ReadPageLimit(text), want) << text;
  // Loaded so; without "Prtr" the printer chosen in the dialog is current
  // again, and a font the printer lacks is none.
  Rig r;
  r.p.printers = {"Laser", kPdfPrinter};
  r.p.fonts["Laser"] = {"Courier"};
  r.p.settings = {{"Printer/PgLen", "72"},
                  {"Printer/PrinterName", " Laser "},
                  {"Printer/FontName", "Courier"},
                  {"Printer/PageLimit", "7"}};
  LoadPrintSettings(r.s, r.p);
  EXPECT_EQ(std::tuple(r.s.PrintPageLength, r.s.PrinterName, r.s.PrintFontName, r.s.PrintPageLimit),
            std::tuple(72, QString("Laser"), QString("Courier"), 7));
  r.p.settings["Printer/Prtr"] = kPdfPrinter;
  LoadPrintSettings(r.s, r.p);
  EXPECT_EQ(std::pair(r.s.PrinterName, r.s.PrintFontName),
            std::pair(QString(kPdfPrinter), QString()));

  // A tick each 100 twips up from the foot, longer at 500 and 1000, labelled at 500s.
  const std::vector<TestTick> ticks = TestPageTicks(15840);
  ASSERT_EQ(ticks.size(), 30u);
  for (auto [i, length, label] : {std::tuple{3, 100, ""}, {4, 200, " 500"}, {9, 300, " 1000"}}) {
    const int at = 100 * (i + 1);
    EXPECT_EQ(std::tuple(ticks[i].position, ticks[i].length, ticks[i].y, ticks[i].label),
              std::tuple(at, length, 15840 - at, QString::fromUtf8(label)));
  }
}

}  // namespace qx::test
