#include "core/Navigation.h"
#include "print/PrintModule.h"
#include "print/PrintUtilities.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// Records what a printer would get: the lines, where each new page began.
struct RecordingSink : PrintSink {
  bool Line(const QString& text) override {
    if (count == failAt) return false;
    ++count;
    if (keep) lines.push_back(text);
    return true;
  }
  bool NewPage() override {
    breaks.push_back(count);
    return true;
  }
  bool EndDocument() override { return ++ends > 0; }
  std::vector<QString> lines;
  std::vector<std::int64_t> breaks;  // line index at which a page begins
  std::int64_t count = 0;
  int ends = 0;
  bool keep = true;
  std::int64_t failAt = -1;  // the line the printer refuses
};

void Open(Rig& r, const QByteArray& bytes, std::int64_t base, std::int64_t length) {
  r.io.OpenFile(r.files.Write("f.bin", bytes));
  if (base > 0) {
    EXPECT_TRUE(SetWorkingBase(r.io, base));
  }
  EXPECT_TRUE(SetRecordLength(r.io, length));
}

QByteArray With(QByteArray b, int at, const QByteArray& bytes) {
  return b.replace(at, bytes.size(), bytes);
}

const QString kRuler =
    QStringLiteral("             0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F 0123456789ABCDEF");

}  // namespace

TEST(PrintLayout, HeaderAndDumpLinesFromTheRequestedRecord) {
  struct Row {
    const char* what;
    QByteArray bytes;
    std::int64_t base, length, record, offset, count;
    const char* name;  // printed in place of the temporary path
    std::int64_t lines;
    const char *line0, *line1, *line4, *line5;  // as they must read, when given
  };
  const char* const kCust = "/data/cust.dat";
  const Row rows[] = {
      {"digit groups, bracket at 0", TempFiles::Counting(8192), 4096, 1, 1234, 0, 1, kCust, 5,
       "    /data/cust.dat          Working Base:             4,096",
       "    File Offset: 1,234      Record Number:            1,234",
       "    00000  <D2>                                             .               ", nullptr},
      {"length 32 from record 3; 41 7F 0A; offset 17 bracketed",
       With(QByteArray(160, '\0'), 112, "\x41\x7F\x0A"), 0, 32, 3, 17, 1, kCust, 6,
       "    /data/cust.dat          Working Base:             0",
       "    File Offset: 96         Record Number:            3",
       "    00000   00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ................",
       "    00016   41<7F>0A 00 00 00 00 00 00 00 00 00 00 00 00 00 A..............."},
      {"last incomplete record, base 10, asked for more than exist", TempFiles::Counting(100), 10,
       32, 2, 30, 5, kCust, 6, nullptr, nullptr, nullptr,
       "    00016   5A 5B 5C 5D 5E 5F 60 61 62 63            <  >   Z[\\]^_`abc      "},
      {"a long path stays on the header's first line", TempFiles::Counting(64), 0, 16, 0, 0, 1,
       "/home/someone/projects/data/customer.dat", 5,
       "    /home/someone/projects/data/customer.dat            Working Base: 0",
       "    File Offset: 0          Record Number:            0", nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Rig r;
    Open(r, row.bytes, row.base, row.length);
    r.s.Current.RequestedRecord = row.record;
    r.s.Current.RequestedOffset = static_cast<std::int16_t>(row.offset);
    r.s.Current.FileName = QString::fromUtf8(row.name);
    RecordingSink sink;
    const PrintResult res = PrintRecords(r.s, r.p, sink, {row.count, 60, 0});
    EXPECT_EQ(res.status, PrintStatus::Done);
    EXPECT_EQ(res.records, 1);
    ASSERT_EQ(static_cast<std::int64_t>(sink.lines.size()), row.lines);
    EXPECT_EQ(sink.lines[2], kRuler);
    EXPECT_EQ(sink.lines[3], QString(4, ' ') + QString(72, '-'));
    for (std::size_t i = 4; i < sink.lines.size(); ++i) EXPECT_EQ(sink.lines[i].size(), 76);
    for (auto [at, text] :
         {std::pair{0, row.line0}, {1, row.line1}, {4, row.line4}, {5, row.line5}})
      EXPECT_EQ(text ? sink.lines[at] : QString(), QString::fromUtf8(text)) << at;
    EXPECT_EQ(sink.ends, 1);
    EXPECT_FALSE(r.s.OperationRunning);
  }
}

TEST(PrintLayout, RecordLengthsThatAreNoMultipleOf16PrintEveryByteOfTheRecordOnly) {
  for (const int length : {1, 17, 40, 300}) {
    SCOPED_TRACE(length);
    Rig r;
    Open(r, TempFiles::Counting(1000), 0, length);
    r.s.Current.RequestedRecord = 1;
    r.s.Current.RequestedOffset = static_cast<std::int16_t>(length - 1);
    RecordingSink sink;
    ASSERT_EQ(PrintRecords(r.s, r.p, sink, {1, 60, 0}).status, PrintStatus::Done);
    ASSERT_EQ(static_cast<int>(sink.lines.size()), 4 + (length + 15) / 16);
    const int n = (length - 1) % 16 + 1;  // bytes on the last line
    const QString last = sink.lines.back().mid(4);
    const int lastByte = (2 * length - 1) & 0xFF;  // record 1's last byte
    EXPECT_EQ(last.left(5), QStringLiteral("%1").arg((length - 1) / 16 * 16, 5, 10, QChar('0')));
    EXPECT_EQ(last.mid(4 + 3 * n, 4),
              QStringLiteral("<%1>").arg(lastByte, 2, 16, QChar('0')).toUpper());
    EXPECT_EQ(last.mid(8 + 3 * n, 48 - 3 * n).trimmed(), QString());
    EXPECT_EQ(last.mid(56 + n).trimmed(), QString());
  }
}

TEST(PrintLayout, PageBreaksPageLimitAndCounts) {
  Rig r;
  Open(r, TempFiles::Counting(3 * 256), 0, 256);
  RecordingSink sink;
  PrintResult res = PrintRecords(r.s, r.p, sink, {3, 60, 0});
  // 21 lines per record; record 2's 15th dump line is the page's 61st.
  EXPECT_EQ(res.status, PrintStatus::Done);
  EXPECT_EQ(sink.breaks, std::vector<std::int64_t>{61});
  EXPECT_EQ(sink.count, 62);
  EXPECT_EQ(res.pages, 2);

  RecordingSink limited;
  res = PrintRecords(r.s, r.p, limited, {3, 10, 2});
  EXPECT_EQ(res.status, PrintStatus::PageLimit);
  EXPECT_EQ(res.pages, 2);
  EXPECT_EQ(res.records, 1);
  EXPECT_EQ(limited.count, 26);
  EXPECT_EQ(limited.ends, 1);
  EXPECT_TRUE(res.message.contains("page limit of 2 pages")) << res.message.toStdString();

  RecordingSink none;
  r.s.Current.RequestedRecord = 3;
  EXPECT_EQ(PrintRecords(r.s, r.p, none, {5, 60, 0}).status, PrintStatus::Nothing);
  EXPECT_EQ(none.count + none.ends, 0);

  struct Count {
    std::int64_t records, from, asked, want;
  };
  for (const Count& c : {Count{5, 0, 9, 5}, Count{5, 3, 9, 2}, Count{5, 5, 1, 0},
                         Count{5, 0, -1, 0}, Count{100000, 0, 40000, 40000}}) {
    EditorState s;
    s.RecordCount = c.records;
    s.Current.RequestedRecord = c.from;
    EXPECT_EQ(PrintCount(s, c.asked), c.want) << c.records << " " << c.from << " " << c.asked;
  }

  // Counts beyond 16 bits.
  Rig big;
  Open(big, TempFiles::Counting(40000), 0, 1);
  RecordingSink counted;
  counted.keep = false;
  res = PrintRecords(big.s, big.p, counted, {50000, 60, 0});
  EXPECT_EQ(res.records, 40000);
  EXPECT_EQ(counted.count, 40000 * 6 - 1);
  EXPECT_EQ(RecordHeaderLines(big.s, 39999)[1].right(6), QStringLiteral("39,999"));
}

TEST(PrintLayout, AFailedReadOrPrinterStopsTheJobAndSaysSo) {
  Rig r;
  Open(r, TempFiles::Counting(512), 0, 256);
  RecordingSink refusing;
  refusing.failAt = 30;
  PrintResult res = PrintRecords(r.s, r.p, refusing, {2, 60, 0});
  EXPECT_EQ(res.status, PrintStatus::Failed);
  EXPECT_EQ(res.records, 1);
  EXPECT_EQ(refusing.ends, 1);
  EXPECT_TRUE(res.message.contains("printer")) << res.message.toStdString();

  r.sys.always[SysCalls::Call::Read] = EIO;
  RecordingSink sink;
  res = PrintRecords(r.s, r.p, sink, {2, 60, 0});
  EXPECT_EQ(res.status, PrintStatus::Failed);
  EXPECT_EQ(res.records, 0);
  EXPECT_EQ(sink.count, 4);  // the header only
  EXPECT_EQ(sink.ends, 1);
  EXPECT_TRUE(res.message.startsWith("Couldn't read the file at offset 0"))
      << res.message.toStdString();
  EXPECT_FALSE(r.s.OperationRunning);
}

TEST(PrintLayout, SettingsAndTestPageTicks) {
  const std::vector<std::pair<const char*, int>> lengths = {
      {"72 words", 72}, {"", 60},  {"words", 60}, {" 45", 45},     {"60.5", 60},
      {"61.5", 62},     {"0", 60}, {"-5", 60},    {"99999", 32767}};
  for (const auto& [text, want] : lengths) EXPECT_EQ(ReadPageLength(text), want) << text;
  FakePlatform p;
  EXPECT_EQ(LoadPrintPageLength(p), 60);
  p.settings["Printer/PgLen"] = "72 words";
  EXPECT_EQ(LoadPrintPageLength(p), 72);
  for (const auto& [text, want] : std::vector<std::pair<const char*, std::int64_t>>{
           {"", 100}, {"250", 250}, {"1,000", 1000}, {"0", 100}, {"x", 100}})
    EXPECT_EQ(ReadPageLimit(text), want) << text;

  const std::vector<TestTick> ticks = TestPageTicks(15840);
  ASSERT_EQ(ticks.size(), 30u);
  struct Tick {
    int index, position, length;
    const char* label;
  };
  for (const Tick& t :
       {Tick{0, 100, 100, ""}, Tick{3, 400, 100, ""}, Tick{4, 500, 200, " 500"},
        Tick{9, 1000, 300, " 1000"}, Tick{14, 1500, 200, " 1500"}, Tick{29, 3000, 300, " 3000"}}) {
    EXPECT_EQ(ticks[t.index].position, t.position);
    EXPECT_EQ(ticks[t.index].length, t.length);
    EXPECT_EQ(ticks[t.index].y, 15840 - t.position);
    EXPECT_EQ(ticks[t.index].label, QString::fromUtf8(t.label));
  }
}

}  // namespace qx::test
