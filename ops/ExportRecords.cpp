#include "ops/ExportRecords.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <utility>

#include "core/FileExchange.h"
#include "core/NativeName.h"
#include "core/Posix.h"
#include "core/TempFileWriter.h"
#include "core/ValueFormat.h"
#include "fields/ByField.h"
#include "fields/FieldCheck.h"
#include "fields/FieldCodec.h"
#include "fields/FileLayouts.h"
#include "print/PdfOutput.h"

namespace qx {

namespace {

const QString kExportSection = QStringLiteral("Export");
const QString kExportFolderKey = QStringLiteral("Folder");
const QString kCsvSuffix = QStringLiteral(".csv");

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCell(std::string& out, std::string_view text) {
  if (!NeedsQuotes(text)) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// A number x 10^-scale as plain digits: "-3.07", "5.00", "0".
void AppendScaled(std::string& out, Int128 v, int scale) {
  const bool negative = v < 0;
  char digits[48];
  int n = 0;
  Int128 m = negative ? -v : v;
  // 128-bit division is slow; most numbers fit in 64 bits.
  for (; m > std::numeric_limits<std::uint64_t>::max(); m /= 10)
    digits[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
  for (auto low = static_cast<std::uint64_t>(m); low != 0 || n == 0; low /= 10)
    digits[n++] = static_cast<char>('0' + low % 10);
  const bool zero = n == 1 && digits[0] == '0';
  while (scale > 0 && n < scale + 1) digits[n++] = '0';
  if (negative && !zero) out += '-';
  for (int i = n - 1; i >= 0; --i) {
    out += digits[i];
    if (i == scale && scale > 0) out += '.';
  }
  if (scale < 0 && !zero) out.append(static_cast<std::size_t>(-scale), '0');
}

// How each column reads its field.
struct Column {
  const LayoutField* field;
  FieldChecker checker;
};

// The UTF-8 of each byte of the set; U+FFFD for a byte without a character.
struct Utf8Table {
  explicit Utf8Table(const CharacterSet& set) {
    for (int b = 0; b < 256; ++b) {
      const QChar c = set.Decode(static_cast<std::uint8_t>(b)).value_or(QChar(0xFFFD));
      const std::string utf8 = QString(c).toStdString();
      std::copy(utf8.begin(), utf8.end(), text[b].begin());
      size[b] = static_cast<std::uint8_t>(utf8.size());
      space[b] = c == u' ';
    }
  }
  std::array<std::array<char, 4>, 256> text{};
  std::array<std::uint8_t, 256> size{};
  std::array<bool, 256> space{};
};

void AppendHex(std::string& out, const std::uint8_t* bytes, std::int64_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::int64_t i = 0; i < n; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0F];
  }
}

// The new file takes the permissions of the file it replaces, or a new
// file's; its owner is the user.
bool SetMode(TempFileWriter& writer, SysCalls& sys, const QString& target) {
  struct stat st {};
  if (sys.Stat(NativeName(target).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
    st.st_mode = NewFileMode();
  }
  st.st_uid = ::geteuid();
  st.st_gid = ::getegid();
  return writer.MatchOwnerAndMode(st);
}

}  // namespace

QString CsvCell(const QString& text) {
  std::string out;
  AppendCell(out, text.toStdString());
  return QString::fromStdString(out);
}

QString ExportMessage(const ExportResult& result) {
  QString text =
      QStringLiteral("%1 %2 exported")
          .arg(GroupedNumber(result.records),
               result.records == 1 ? QStringLiteral("record") : QStringLiteral("records"));
  if (result.emptyCells == 1) {
    text += QStringLiteral("; 1 cell is empty");
  } else if (result.emptyCells > 1) {
    text += QStringLiteral("; %1 cells are empty").arg(GroupedNumber(result.emptyCells));
  }
  if (result.emptyCells > 0)
    text += QStringLiteral(" (blank, low-values, or bytes that do not decode)");
  return text;
}

QString ChooseExportFile(const EditorState& s, Platform& p) {
  SysCalls& sys = *s.Sys;
  struct stat st {};
  QString folder = p.ReadSetting(kExportSection, kExportFolderKey, QString());
  if (folder.isEmpty() || sys.Stat(NativeName(folder).constData(), &st) != 0 ||
      !S_ISDIR(st.st_mode)) {
    folder = s.Current.FileName.isEmpty() ? QDir::homePath() : DirectoryOf(s.Current.FileName);
  }
  const QString suggested =
      s.Current.FileName.isEmpty()
          ? QString()
          : QDir(folder).filePath(QFileInfo(s.Current.FileName).fileName() + kCsvSuffix);
  const QString typed = p.SaveFileName(QStringLiteral("Export Records"), suggested,
                                       QStringLiteral("CSV files (*.csv)"));
  if (typed.isEmpty()) return {};
  const QString path = QFileInfo(typed).absoluteFilePath();
  QString target;
  const QString why = PdfTargetRefusal(s, path, target, QStringLiteral("the CSV file"));
  if (!why.isEmpty()) {
    p.MessageBox(why, Buttons::Ok, Icon::Critical);
    return {};
  }
  p.WriteSetting(kExportSection, kExportFolderKey, QFileInfo(path).absolutePath());
  return target;
}

ExportResult ExportRecords(IO& io, const RecordKind& kind, const ExportOptions& opt,
                           const QString& target, ProgressBar* bar) {
  EditorState& s = io.State();
  Platform& p = io.Plat();
  SysCalls& sys = *s.Sys;
  ExportResult result;
  if (io.BusyRefused()) return {ExportStatus::Failed, 0, 0};
  const std::int64_t length = s.Current.RecordLength;
  const std::int64_t from = std::max<std::int64_t>(opt.from, 0);
  const std::int64_t to = std::min(opt.to, s.RecordCount - 1);
  const CharacterSet& set = CharacterSetOf(s.Current.CharSet);
  const LayoutChoices choices = ChoicesOf(s.Current.Layout);
  std::vector<Column> columns;
  for (const int i : opt.fields) {
    if (i < 0 || i >= std::ssize(kind.fields)) continue;
    const LayoutField& f = kind.fields[static_cast<std::size_t>(i)];
    columns.push_back({&f, FieldChecker(f.type, set, choices)});
  }
  const Utf8Table utf8(set);
  UnusedCopies unused(kind, length, set, choices);

  const auto fail = [&](const QString& why) {
    p.MessageBox(why + QStringLiteral("\nNothing was exported."), Buttons::Ok, Icon::Critical);
    return ExportResult{ExportStatus::Failed, 0, 0};
  };
  TempFileWriter writer;
  if (!writer.Create(target, sys) || !SetMode(writer, sys, target)) return fail(writer.Error());

  std::string out;
  for (const Column& c : columns) {
    if (!out.empty()) out += ',';
    AppendCell(out, c.field->name.toStdString());
    if (opt.addHex) AppendCell(out += ',', (c.field->name + QStringLiteral("-HEX")).toStdString());
  }
  out += "\r\n";

  const std::int64_t perBlock =
      std::max<std::int64_t>(opt.blockSize / std::max<std::int64_t>(length, 1), 1);
  const std::int64_t total = std::max<std::int64_t>(to - from + 1, 0);
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min(perBlock, total) * length));
  std::string cell;
  s.OperationRunning = true;
  {
    BarShown shown(bar, total * length > kProgressThreshold);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    for (std::int64_t r = from; r <= to && length > 0; r += perBlock) {
      if (!pacer.Step(r - from, total)) {
        result.status = ExportStatus::Cancelled;
        break;
      }
      const std::int64_t records = std::min(perBlock, to - r + 1);
      const std::int64_t want = std::min(records * length, s.WorkingLength - r * length);
      if (s.File1.ReadAt(s.Current.WorkingBase + r * length, buf.data(), want) != want) {
        s.OperationRunning = false;
        return fail(QStringLiteral("The file could not be read."));
      }
      for (std::int64_t i = 0; i < records; ++i) {
        const std::uint8_t* rec = buf.data() + i * length;
        const std::int64_t have = std::min(length, want - i * length);
        unused.Read(rec, have);
        bool first = true;
        for (const Column& c : columns) {
          if (!std::exchange(first, false)) out += ',';
          const LayoutField& f = *c.field;
          const std::int64_t n = std::clamp<std::int64_t>(have - f.offset, 0, f.type.length);
          const std::uint8_t* bytes = rec + std::min<std::int64_t>(f.offset, have);
          cell.clear();
          bool empty = false;
          if (n < f.type.length || unused.Unused(f.offset)) {
            empty = n < f.type.length;
          } else if (f.type.storage == Storage::Text) {
            std::int64_t end = n;
            if (!opt.keepTrailingSpaces) {
              while (end > 0 && utf8.space[bytes[end - 1]]) --end;
            }
            empty = (end == 0 && n > 0) ||
                    std::all_of(bytes, bytes + n, [](std::uint8_t b) { return b == 0; });
            for (std::int64_t k = 0; k < end && !empty; ++k)
              cell.append(utf8.text[bytes[k]].data(), utf8.size[bytes[k]]);
          } else if (f.type.storage == Storage::Float) {
            const FieldValue v = DecodeField(f.type, std::span(bytes, n), set, choices);
            cell = v.text.toStdString();
          } else if (const auto v = c.checker.Scaled(bytes)) {
            AppendScaled(cell, *v, f.type.scale);
          } else {
            empty = true;
          }
          result.emptyCells += empty;
          AppendCell(out, cell);
          if (opt.addHex) AppendHex(out += ',', bytes, n);
        }
        out += "\r\n";
      }
      result.records += records;
      if (!writer.Write(out.data(), std::ssize(out))) break;
      out.clear();
    }
    if (result.status == ExportStatus::Done && writer.Write(out.data(), std::ssize(out))) {
      (void)writer.Finish([&] { pacer.Flush(); });
    }
  }
  s.OperationRunning = false;
  if (result.status == ExportStatus::Cancelled) {
    (void)writer.Discard();
    p.MessageBox(QStringLiteral("Export cancelled; nothing was written."), Buttons::Ok, Icon::None,
                 QString());
    return {ExportStatus::Cancelled, 0, 0};
  }
  if (writer.Failed()) return fail(writer.Error());
  // The name must still be the file written, not something put in its place.
  struct stat named {};
  const FileStamp mine = writer.Stamp();
  if (!mine.Valid() || sys.Lstat(NativeName(writer.Path()).constData(), &named) != 0) {
    return fail(QStringLiteral("Couldn't write %1: %2").arg(DisplayName(target), Reason(errno)));
  }
  if (!S_ISREG(named.st_mode) || !FileStamp::Of(named).SameFile(mine)) {
    writer.Release();  // not ours to delete
    return fail(QStringLiteral("Couldn't write %1: the new file was removed or replaced while it "
                               "was written")
                    .arg(DisplayName(target)));
  }
  if (sys.Rename(NativeName(writer.Path()).constData(), NativeName(target).constData()) != 0) {
    const int e = errno;
    return fail(QStringLiteral("Couldn't write %1: %2").arg(DisplayName(target), Reason(e)));
  }
  writer.Release();
  SyncDirectoryOf(sys, target);
  p.MessageBox(ExportMessage(result), Buttons::Ok, Icon::None, QString());
  return result;
}

}  // namespace qx
