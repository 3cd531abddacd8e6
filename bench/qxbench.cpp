// qxbench: times Count, Find Next and Replace All through the same search
// functions the dialogs call, beside grep -c -F, cp and cp + sync of the
// same page-cached file; Copy of the whole file, Cut of 64 MiB from its
// middle and Paste Insert and Append of that 64 MiB through the block
// operations the dialogs call; then Fill of the whole file with a 3-byte
// pattern through the dialog's fill, beside dd from /dev/zero over it in
// place; then, on records of 100 and of 7 bytes, Record Chop of a field and
// Record Paste Insert of 4 bytes beside cp and cp + sync, and Record Fill of
// the field and Record Paste Overlay of the 4 bytes beside dd reading and
// rewriting the file in place.
//
//   qxbench FILE [PATTERN [REPLACEMENT]]   measure (FILE is rewritten and
//                                          restored, its .BAK removed; the
//                                          fills leave it overwritten)
//   qxbench --make FILE MIB HITS [PATTERN] write a test file: pseudo-random
//                                          bytes with HITS copies of PATTERN
//   qxbench --case FILE [PATTERN]          Count with Match case on and off only
//   qxbench --fields DIR [MIB]             Check Records beside cat, Export
//                                          Records beside cp + sync, on MIB MiB
//                                          of 120-byte records made in DIR
//
// The last lines of a measurement are Markdown table rows: the search
// table's (kTableHeader), marked "B" the block table's (kBlockHeader) and,
// marked "R", the record table's (kRecordHeader), one per record length;
// of --fields, marked "F", the fields table's (kFieldsHeader).
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CharacterSet.h"
#include "core/IO.h"
#include "core/NativeName.h"
#include "core/Navigation.h"
#include "fields/Copybook.h"
#include "fields/FieldCodec.h"
#include "ops/CheckRecords.h"
#include "ops/CutCopy.h"
#include "ops/ExportRecords.h"
#include "ops/Fill.h"
#include "ops/Paste.h"
#include "ops/RecChop.h"
#include "ops/RecFill.h"
#include "ops/RecPaste.h"
#include "search/Search.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers every question with OK/Yes and prints messages other than the count.
class BenchPlatform : public qx::Platform {
 public:
  qx::Answer MessageBox(const QString& text, qx::Buttons buttons, qx::Icon, const QString&,
                        qx::Answer) override {
    if (!text.endsWith(QStringLiteral("Occurrences"))) {
      std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    return buttons == qx::Buttons::YesNo ? qx::Answer::Yes : qx::Answer::Ok;
  }
  void Beep() override {}
  QString OpenFileName(const QString&, const QString&) override { return {}; }
  QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
  QString ReadSetting(const QString&, const QString&, const QString& d) override { return d; }
  void WriteSetting(const QString&, const QString&, const QString&) override {}
  std::int64_t AskValue(const QString&, std::int64_t v, int) override { return v; }
  QSize ScreenSpace() override { return {}; }
  void ShowNotice(const QString&) override {}
  void ShowMessage(const QString&) override {}
  void ProcessEvents() override { ++events; }
  void ShowHelp(int) override {}
  void HelpSearch() override {}
  bool StartSystemInfo() override { return false; }
  QStringList Printers() override { return {}; }
  QString DefaultPrinter() override { return {}; }
  QStringList PrinterFonts(const QString&) override { return {}; }
  std::unique_ptr<qx::PrintSink> StartPrintJob(const qx::PrintSetup&, QString& error) override {
    error = QStringLiteral("The benchmark prints nothing");
    return nullptr;
  }
  bool PrintTestPage(const qx::PrintSetup&, const std::vector<qx::TestTick>&,
                     QString& error) override {
    error = QStringLiteral("The benchmark prints nothing");
    return false;
  }
  void PreviewPrintJob(const qx::PrintSetup&, const std::function<void(qx::PrintSink&)>&) override {
  }
  long events = 0;
};

class NoView : public qx::FileView {
 public:
  void LoadDisplay() override {}
  void DisplayState() override {}
  void UpdateWindows() override {}
  void UpdateRecentFiles() override {}
  void SyncScrollBar() override {}
  void ResetScrollBar() override {}
  void UndoRedoChanged() override {}
  void ReadOnlyChanged() override {}
  void FocusFileBar() override {}
};

std::string Quote(const QString& s) {
  std::string out = "'";
  for (char c : s.toStdString()) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

long PeakKiB(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_maxrss;
}

// The best of runs timings of f, in seconds.
double Best(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

void Row(const char* what, double seconds, std::int64_t bytes, const std::string& note) {
  std::printf("%-28s %8.3f s %9.0f MB/s  %s\n", what, seconds,
              static_cast<double>(bytes) / seconds / 1e6, note.c_str());
}

std::string Fixed(double v, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, v);
  return text;
}

// "tmpfs" for a file in memory, otherwise "disk".
std::string Medium(const QString& path) {
  struct statfs fs {};
  if (::statfs(qx::NativeName(path).constData(), &fs) != 0) return "?";
  return fs.f_type == TMPFS_MAGIC ? "tmpfs" : "disk";
}

// Writes the file's pages out, so that no earlier writeback runs during the timings.
void SyncFile(const QString& path) {
  const int fd = ::open(qx::NativeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

int Run(const std::string& command) {
  return std::system(command.c_str());
}

constexpr std::string_view kTableHeader =
    "| medium | MiB | grep -c -F | Count | Count/grep | Count IBM037 | IBM037/grep | cp | cp+sync "
    "| Replace All | Replace/cp | Replace/(cp+sync) | dd | Fill | Fill/dd | peak memory |\n"
    "|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|";

constexpr std::string_view kBlockHeader =
    "| medium | MiB | cp | cp+sync | Copy | Copy/cp | Cut 64 MiB | Cut/(cp+sync) | Cut/cp "
    "| Insert 64 MiB | Insert/(cp+sync) | Insert/cp | Append 64 MiB | Append/(cp+sync) | "
    "Append/cp |\n"
    "|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|";

constexpr std::string_view kRecordHeader =
    "| medium | MiB | cp | cp+sync | dd in place | record | Chop | Chop/(cp+sync) | Chop/cp | "
    "Insert 4 | Insert/(cp+sync) | Insert/cp | Fill | Fill/dd | Overlay 4 | Overlay/dd |\n"
    "|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|";

constexpr std::string_view kFieldsHeader =
    "| medium | MiB | cat | Check Records | Check/cat | cp+sync | Export Records | "
    "Export/(cp+sync) |\n"
    "|---|--:|--:|--:|--:|--:|--:|--:|";

// Count with Match case off beside Count as it is: the same scan looking
// for either case of each letter. [1]: Match case on, [0]: off.
struct CaseTimes {
  std::int64_t length = 0;
  std::int64_t counts[2] = {};
  double times[2] = {};
};

CaseTimes TimeCase(qx::IO& io, const QString& pattern, int runs) {
  qx::EditorState& s = io.State();
  CaseTimes t;
  t.length = s.FileLength;
  for (const bool matchCase : {true, false}) {
    t.times[matchCase] = Best(runs, [&] {
      s.MatchCase = matchCase;
      (void)qx::PrepareSearch(s, pattern, QStringLiteral("0"), QString(), qx::kSearchAscii);
      t.counts[matchCase] = qx::CountOccurrences(io, nullptr, {}, false);
    });
  }
  s.MatchCase = true;
  return t;
}

void CaseRows(const CaseTimes& t) {
  Row("Count, Match case on", t.times[1], t.length, std::to_string(t.counts[1]) + " occurrences");
  Row("Count, Match case off", t.times[0], t.length,
      std::to_string(t.counts[0]) + " occurrences, " + Fixed(t.times[0] / t.times[1], 2) +
          "x Match case on");
}

int Make(const QString& path, long mib, long hits, const QByteArray& pattern) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return 1;
  }
  const std::int64_t size = std::int64_t{mib} << 20;
  std::vector<std::uint64_t> block(1 << 17);  // 1 MiB
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (std::int64_t at = 0; at < size; at += 1 << 20) {
    for (auto& w : block) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      w = x;
    }
    if (f.write(reinterpret_cast<const char*>(block.data()), 1 << 20) != 1 << 20) return 1;
  }
  // The hits, evenly spread.
  for (long k = 0; hits > 0 && k < hits; ++k) {
    const std::int64_t at = size / hits * k + size / hits / 2 - (k % 2) * 3;
    if (!f.seek(at) || f.write(pattern) != pattern.size()) return 1;
  }
  return 0;
}

// Check Records beside a plain read of the same cached file, and Export
// Records beside cp + sync: mib MiB of 120-byte EBCDIC records with 8
// numeric fields, made in dir.
int FieldsBench(const QString& dir, long mib) {
  const QString path = dir + QStringLiteral("/fields.dat");
  const QString csv = dir + QStringLiteral("/fields.csv");
  const qx::RecordKind kind =
      std::get<qx::Layout>(
          qx::ParseCopybook(" 01 R.\n 05 ID PIC 9(9).\n 05 NAME PIC X(30).\n"
                            " 05 BAL PIC S9(9)V99 COMP-3.\n 05 AMT PIC S9(7)V99 COMP-3.\n"
                            " 05 QTY PIC S9(4) COMP.\n 05 CNT PIC 9(8) COMP.\n"
                            " 05 RATE PIC S9(3)V99.\n 05 DAYS PIC S9(5) COMP-3.\n"
                            " 05 TOTAL PIC S9(13)V99 COMP-3.\n 05 FILLER PIC X(48).\n"))
          .kinds.front();
  const qx::CharacterSet& set = qx::CharacterSetOf(QStringLiteral("IBM037"));
  {
    // 8,192 distinct records, written over and over.
    QByteArray block;
    for (int r = 0; r < 8192; ++r) {
      QByteArray rec(120, '\x40');
      for (const qx::LayoutField& f : kind.fields) {
        const int n = (r * 7919 + f.offset * 31) % 1999 - 999;
        const QString value = f.type.storage == qx::Storage::Text
                                  ? QStringLiteral("CUSTOMER %1").arg(r)
                                  : QString::number(f.type.isSigned ? n : std::abs(n));
        const auto bytes = qx::EncodeField(f.type, value, set, {}, f.name);
        if (const auto* b = std::get_if<std::vector<std::uint8_t>>(&bytes))
          rec.replace(f.offset, f.type.length, reinterpret_cast<const char*>(b->data()),
                      f.type.length);
      }
      block += rec;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    const std::int64_t records = (std::int64_t{mib} << 20) / 120;
    for (std::int64_t r = 0; r < records; r += 8192) {
      const std::int64_t n = std::min<std::int64_t>(8192, records - r) * 120;
      if (f.write(block.constData(), n) != n) return 1;
    }
  }
  qx::EditorState s;
  BenchPlatform platform;
  NoView view;
  qx::IO io(s, platform, view);
  io.OpenFile(path);
  if (!qx::SetRecordLength(io, 120)) return 1;
  s.Current.CharSet = QStringLiteral("IBM037");
  const std::int64_t length = s.FileLength;
  const std::string file = Quote(path);
  const int runs = 3;
  SyncFile(path);
  if (Run("cat " + file + " > /dev/null") != 0) return 1;
  const double read = Best(runs, [&] { (void)Run("cat " + file + " > /dev/null"); });
  qx::CheckReport report;
  const double check =
      Best(runs, [&] { report = qx::CheckRecords(io, kind, 0, s.RecordCount - 1); });
  const double cpSync = Best(runs, [&] {
    (void)Run("cp " + file + " " + Quote(csv) + " && sync " + Quote(csv));
    (void)Run("rm -f " + Quote(csv));
  });
  qx::ExportOptions opt;
  for (int i = 0; i + 1 < static_cast<int>(kind.fields.size()); ++i) opt.fields.push_back(i);
  opt.to = s.RecordCount - 1;
  const double exportTime = Best(runs, [&] { (void)qx::ExportRecords(io, kind, opt, csv); });
  QFile out(csv);
  const std::int64_t csvBytes = out.size();
  (void)out.remove();
  std::printf("file %s, %lld bytes, %lld records of 120 bytes (%s), best of %d\n", qPrintable(path),
              static_cast<long long>(length), static_cast<long long>(s.RecordCount),
              Medium(path).c_str(), runs);
  Row("cat (cached)", read, length, "");
  Row("Check Records", check, length,
      Fixed(check / read, 2) + "x cat; " + std::to_string(report.problems) + " problems");
  Row("cp + sync", cpSync, length, "");
  Row("Export Records", exportTime, length,
      Fixed(exportTime / cpSync, 2) + "x cp+sync; " + std::to_string(csvBytes) + " bytes of CSV");
  std::printf("F| %s | %lld | %s s | %s s | %sx | %s s | %s s | %sx |\n", Medium(path).c_str(),
              static_cast<long long>((length + (1 << 19)) >> 20), Fixed(read, 3).c_str(),
              Fixed(check, 3).c_str(), Fixed(check / read, 2).c_str(), Fixed(cpSync, 3).c_str(),
              Fixed(exportTime, 3).c_str(), Fixed(exportTime / cpSync, 2).c_str());
  io.CloseFile();
  QFile::remove(path);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const QByteArray defaultPattern = "QXBENCH!";
  if (argc == 2 && std::string(argv[1]) == "--table-header") {
    std::printf("%s\n", kTableHeader.data());
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--block-header") {
    std::printf("%s\n", kBlockHeader.data());
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--record-header") {
    std::printf("%s\n", kRecordHeader.data());
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--fields-header") {
    std::printf("%s\n", kFieldsHeader.data());
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "--fields") {
    return FieldsBench(QString::fromLocal8Bit(argv[2]), argc > 3 ? std::atol(argv[3]) : 1024);
  }
  if (argc >= 5 && std::string(argv[1]) == "--make") {
    return Make(QString::fromLocal8Bit(argv[2]), std::atol(argv[3]), std::atol(argv[4]),
                argc > 5 ? QByteArray(argv[5]) : defaultPattern);
  }
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: qxbench FILE [PATTERN [REPLACEMENT]]\n"
                 "       qxbench --make FILE MIB HITS [PATTERN]\n"
                 "       qxbench --case FILE [PATTERN]\n"
                 "       qxbench --fields DIR [MIB]\n");
    return 2;
  }
  const bool caseOnly = std::string(argv[1]) == "--case";
  if (caseOnly) {
    --argc;
    ++argv;
    if (argc < 2) return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  const QString pattern = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString(defaultPattern);
  const QString replacement = argc > 3 ? QString::fromLocal8Bit(argv[3]) : pattern.toLower();
  const int runs = 3;

  qx::EditorState s;
  BenchPlatform platform;
  NoView view;
  qx::IO io(s, platform, view);
  io.OpenFile(path);
  if (s.FileLength < 1 || s.ReadOnly) {
    std::fprintf(stderr, "cannot open %s for writing\n", qPrintable(path));
    return 1;
  }
  const std::int64_t length = s.FileLength;
  const std::string file = Quote(path);
  const std::string copy = Quote(path + QStringLiteral(".qxbench-copy"));
  std::printf("file %s, %lld bytes, pattern \"%s\" -> \"%s\", best of %d\n", qPrintable(path),
              static_cast<long long>(length), qPrintable(pattern), qPrintable(replacement), runs);

  // On the disk and into the page cache first.
  SyncFile(path);
  if (Run("cat " + file + " > /dev/null") != 0) return 1;
  if (caseOnly) {
    CaseRows(TimeCase(io, pattern, runs));
    return 0;
  }

  // grep's output goes through a pipe: with its output on /dev/null grep
  // would stop at the first match.
  std::string grepCount;
  const double grep = Best(runs, [&] {
    const std::string command = "LC_ALL=C grep -c -F -- " + Quote(pattern) + " " + file;
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return;
    char line[64] = {};
    grepCount = std::fgets(line, sizeof line, out) ? std::string(line) : std::string();
    ::pclose(out);
    while (!grepCount.empty() && grepCount.back() == '\n') grepCount.pop_back();
  });
  std::int64_t count = 0;
  const double countTime = Best(runs, [&] {
    (void)qx::PrepareSearch(s, pattern, QStringLiteral("0"), QString(), qx::kSearchAscii);
    count = qx::CountOccurrences(io, nullptr, {}, false);
  });
  // The same text in an EBCDIC set: encoded once, then the same scan.
  std::int64_t ebcdicCount = 0;
  const double ebcdicTime = Best(runs, [&] {
    s.Current.CharSet = QStringLiteral("IBM037");
    (void)qx::PrepareSearch(s, pattern, QStringLiteral("0"), QString(), qx::kSearchAscii);
    ebcdicCount = qx::CountOccurrences(io, nullptr, {}, false);
    s.Current.CharSet = qx::kAsciiSetName;
  });
  std::int64_t hits = 0;
  const double findTime = Best(runs, [&] {
    (void)qx::PrepareSearch(s, pattern, QStringLiteral("0"), QString(), qx::kSearchAscii);
    s.SearchPosition = 0;
    s.Found = false;
    hits = 0;
    while (qx::FindNext(io) >= 0) ++hits;
  });
  const CaseTimes caseTimes = TimeCase(io, pattern, runs);
  // Removing the copy is not part of its time.
  double cp = 1e300;
  double cpSync = 1e300;
  for (int i = 0; i < runs; ++i) {
    cp = std::min(cp, Best(1, [&] { (void)Run("cp " + file + " " + copy); }));
    (void)Run("rm -f " + copy);
    cpSync = std::min(cpSync,
                      Best(1, [&] { (void)Run("cp " + file + " " + copy + " && sync " + copy); }));
    (void)Run("rm -f " + copy);
  }
  std::int64_t replaced = 0;
  double replaceTime = 1e300;
  for (int i = 0; i < runs; ++i) {
    if (!qx::ValidateReplaceFields(s, platform, pattern, replacement, QStringLiteral("0"),
                                   QString::number(s.WorkingLength - 1), qx::kSearchAscii)) {
      return 1;
    }
    const auto t0 = Clock::now();
    replaced = qx::PrepareReplace(io, pattern, replacement, qx::kSearchAscii).replaced;
    replaceTime = std::min(replaceTime, std::chrono::duration<double>(Clock::now() - t0).count());
    s.OperationRunning = false;
    // Undo brings the measured file back; the replaced copy is the backup,
    // removed here so that the next commit has no old backup to delete.
    io.UndoChange();
    QFile::remove(qx::BackupName(path));
  }

  // The block operations, with the clip file beside the file (on the same
  // medium). Each rewrite is undone and its backup removed, as above.
  s.ClipFile = path + QStringLiteral(".qxclip");
  const std::int64_t block = std::min<std::int64_t>(std::int64_t{64} << 20, length / 2);
  const std::int64_t middle = length / 2 - block / 2;
  const auto undo = [&] {
    io.UndoChange();
    QFile::remove(qx::BackupName(path));
  };
  // The best time of op over runs, with then (not timed) after each.
  const auto timed = [&](const std::function<bool()>& op, const std::function<void()>& then) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
      SyncFile(path);
      const auto t0 = Clock::now();
      if (!op()) std::fprintf(stderr, "a block operation failed\n");
      best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
      then();
    }
    return best;
  };
  // As with cp, removing the last copy is not part of the time.
  const double copyTime = timed(
      [&] {
        return qx::CopyFile(io, {0, s.WorkingLength - 1}, s.ClipFile);
      },
      [&] { QFile::remove(s.ClipFile); });
  const double cutTime = timed(
      [&] {
        return qx::CutFile(io, {middle, middle + block - 1}, s.ClipFile);
      },
      undo);
  // The clip now holds the 64 MiB that the pastes put back.
  s.Current.CursorOffset = middle;
  const double insertTime = timed(
      [&] { return qx::PasteFile(io, qx::PasteMode::Insert, {}) == qx::PasteResult::Done; }, undo);
  const double appendTime = timed(
      [&] { return qx::PasteFile(io, qx::PasteMode::Append, {}) == qx::PasteResult::Done; }, undo);
  QFile::remove(s.ClipFile);

  // Fill last: it overwrites the file. dd and Fill take turns, each after
  // the file's pages were written out, so that neither pays for the other's
  // writeback.
  const std::string dd = "dd if=/dev/zero of=" + file + " bs=1M count=" + std::to_string(length) +
                         " iflag=count_bytes conv=notrunc status=none";
  const std::vector<std::uint8_t> fillPattern{'Q', 'X', '!'};
  double ddTime = 1e300;
  double fillTime = 1e300;
  std::int64_t filled = 0;
  for (int i = 0; i < runs; ++i) {
    SyncFile(path);
    ddTime = std::min(ddTime, Best(1, [&] { (void)Run(dd); }));
    io.ReopenFile();  // dd's write is no stranger's change
    SyncFile(path);
    const auto t0 = Clock::now();
    const qx::FillResult fill =
        qx::FillRange(io, fillPattern, qx::FillKind::Ascii, 0, s.WorkingLength - 1);
    fillTime = std::min(fillTime, std::chrono::duration<double>(Clock::now() - t0).count());
    if (fill.status != qx::FillStatus::Done) return 1;
    filled = fill.written;
  }

  // The record operations on records of 100 bytes and of 7 (the worst
  // case): Chop of a field and Record Paste Insert of a 4-byte source with
  // their commits (undone after each run), beside cp and cp + sync; Record
  // Fill of the field and Record Paste Overlay of the 4 bytes in place,
  // beside dd reading and rewriting the same file in place.
  const std::string ddSelf = "dd if=" + file + " of=" + file + " bs=1M conv=notrunc status=none";
  double ddSelfTime = 1e300;
  for (int i = 0; i < runs; ++i) {
    SyncFile(path);
    ddSelfTime = std::min(ddSelfTime, Best(1, [&] { (void)Run(ddSelf); }));
  }
  io.ReopenFile();  // dd's write is no stranger's change
  s.ClipFile = path + QStringLiteral(".qxclip");
  {
    QFile clip(s.ClipFile);
    if (!clip.open(QIODevice::WriteOnly) || clip.write("QX!?") != 4) return 1;
  }
  struct RecordTimes {
    int recordLength;
    double chop, insert, fill, overlay;
  };
  std::vector<RecordTimes> recordRows;
  for (const int recordLength : {100, 7}) {
    if (!qx::SetRecordLength(io, recordLength)) return 1;
    const std::int64_t first = recordLength == 100 ? 10 : 2;
    const qx::RecordRange range{0, s.RecordCount - 1, first, first + (recordLength == 100 ? 9 : 1)};
    const double chop =
        timed([&] { return qx::ChopRecords(io, range) == qx::ChopStatus::Done; }, undo);
    const double insert = timed(
        [&] {
          return qx::PasteToRecords(io, qx::PasteMode::Insert, range, {}) ==
                 qx::RecPasteResult::Done;
        },
        undo);
    const double recFill = timed(
        [&] {
          return qx::FillRecords(io, fillPattern, qx::FillKind::Ascii, range).status ==
                 qx::RecFillStatus::Done;
        },
        [] {});
    const double overlay = timed(
        [&] {
          return qx::PasteToRecords(io, qx::PasteMode::Overlay, range, {}) ==
                 qx::RecPasteResult::Done;
        },
        [] {});
    Row(recordLength == 100 ? "Record Chop (10 of 100)" : "Record Chop (2 of 7)", chop, length,
        Fixed(chop / cpSync, 2) + "x cp+sync, " + Fixed(chop / cp, 2) + "x cp");
    Row("Record Paste Insert (4 bytes)", insert, length,
        Fixed(insert / cpSync, 2) + "x cp+sync, " + Fixed(insert / cp, 2) + "x cp");
    Row("Record Fill", recFill, length, Fixed(recFill / ddSelfTime, 2) + "x dd in place");
    Row("Record Paste Overlay (4 bytes)", overlay, length,
        Fixed(overlay / ddSelfTime, 2) + "x dd in place");
    recordRows.push_back({recordLength, chop, insert, recFill, overlay});
  }
  QFile::remove(s.ClipFile);

  Row("grep -c -F", grep, length, grepCount + " lines");
  Row("Count", countTime, length,
      std::to_string(count) + " occurrences, " + Fixed(countTime / grep, 2) + "x grep");
  Row("Count in IBM037", ebcdicTime, length,
      std::to_string(ebcdicCount) + " occurrences, " + Fixed(ebcdicTime / grep, 2) + "x grep");
  Row("Find Next (every hit)", findTime, length, std::to_string(hits) + " hits");
  CaseRows(caseTimes);
  Row("cp", cp, length, "");
  Row("cp + sync of the copy", cpSync, length, "");
  Row("Replace All (with commit)", replaceTime, length,
      std::to_string(replaced) + " replaced, " + Fixed(replaceTime / cp, 2) + "x cp, " +
          Fixed(replaceTime / cpSync, 2) + "x cp+sync");
  Row("Copy (whole file)", copyTime, length, Fixed(copyTime / cp, 2) + "x cp");
  Row("Cut (64 MiB, with commit)", cutTime, length,
      Fixed(cutTime / cpSync, 2) + "x cp+sync, " + Fixed(cutTime / cp, 2) + "x cp");
  Row("Paste Insert (64 MiB)", insertTime, length,
      Fixed(insertTime / cpSync, 2) + "x cp+sync, " + Fixed(insertTime / cp, 2) + "x cp");
  Row("Paste Append (64 MiB)", appendTime, length,
      Fixed(appendTime / cpSync, 2) + "x cp+sync, " + Fixed(appendTime / cp, 2) + "x cp");
  Row("dd over the file", ddTime, length, "");
  Row("Fill (3-byte pattern)", fillTime, length,
      std::to_string(filled) + " filled, " + Fixed(fillTime / ddTime, 2) + "x dd");
  Row("dd reading and rewriting", ddSelfTime, length, "");
  const long peak = PeakKiB(RUSAGE_SELF);
  std::printf("peak memory: %ld KiB (qxbench), %ld KiB (largest child)\n", peak,
              PeakKiB(RUSAGE_CHILDREN));
  std::printf(
      "| %s | %lld | %s s | %s s | %sx | %s s | %sx | %s s | %s s | %s s | %sx | %sx | %s s | "
      "%s s | %sx | %.1f MiB |\n",
      Medium(path).c_str(), static_cast<long long>(length >> 20), Fixed(grep, 3).c_str(),
      Fixed(countTime, 3).c_str(), Fixed(countTime / grep, 2).c_str(), Fixed(ebcdicTime, 3).c_str(),
      Fixed(ebcdicTime / grep, 2).c_str(), Fixed(cp, 3).c_str(), Fixed(cpSync, 3).c_str(),
      Fixed(replaceTime, 3).c_str(), Fixed(replaceTime / cp, 2).c_str(),
      Fixed(replaceTime / cpSync, 2).c_str(), Fixed(ddTime, 3).c_str(), Fixed(fillTime, 3).c_str(),
      Fixed(fillTime / ddTime, 2).c_str(), static_cast<double>(peak) / 1024.0);
  const auto ratios = [&](double t) {
    return Fixed(t, 3) + " s | " + Fixed(t / cpSync, 2) + "x | " + Fixed(t / cp, 2) + "x";
  };
  std::printf("B| %s | %lld | %s s | %s s | %s s | %sx | %s | %s | %s |\n", Medium(path).c_str(),
              static_cast<long long>(length >> 20), Fixed(cp, 3).c_str(), Fixed(cpSync, 3).c_str(),
              Fixed(copyTime, 3).c_str(), Fixed(copyTime / cp, 2).c_str(), ratios(cutTime).c_str(),
              ratios(insertTime).c_str(), ratios(appendTime).c_str());
  for (const RecordTimes& t : recordRows) {
    std::printf("R| %s | %lld | %s s | %s s | %s s | %d | %s | %s | %s s | %sx | %s s | %sx |\n",
                Medium(path).c_str(), static_cast<long long>(length >> 20), Fixed(cp, 3).c_str(),
                Fixed(cpSync, 3).c_str(), Fixed(ddSelfTime, 3).c_str(), t.recordLength,
                ratios(t.chop).c_str(), ratios(t.insert).c_str(), Fixed(t.fill, 3).c_str(),
                Fixed(t.fill / ddSelfTime, 2).c_str(), Fixed(t.overlay, 3).c_str(),
                Fixed(t.overlay / ddSelfTime, 2).c_str());
  }
  return 0;
}
