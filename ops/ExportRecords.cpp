#include "ops/ExportRecords.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
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

// Two decimal digits a step, as to_chars does.
constexpr std::array<char, 200> kPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Longest a number's cell can be: a sign, 39 digits of 128 bits or two a
// byte of the field, a point, and the zeros a scale adds on either side.
std::size_t NumberRoom(const FieldType& type) {
  return 42 + 2 * static_cast<std::size_t>(type.length) +
         static_cast<std::size_t>(std::abs(type.scale));
}

// A number x 10^-scale, given as its decimal digits, as plain digits:
// "-3.07", "5.00", "0". Returns the end.
char* PutDigits(char* w, const char* d, int count, bool negative, int scale) {
  while (count > 0 && *d == '0') ++d, --count;
  if (count == 0) {
    *w++ = '0';
    if (scale > 0) {
      *w++ = '.';
      w = std::fill_n(w, scale, '0');
    }
    return w;
  }
  if (negative) *w++ = '-';
  if (scale <= 0) {
    w = std::copy_n(d, count, w);
    return std::fill_n(w, -scale, '0');
  }
  if (count > scale) {
    w = std::copy_n(d, count - scale, w);
    *w++ = '.';
    return std::copy_n(d + count - scale, scale, w);
  }
  *w++ = '0';
  *w++ = '.';
  w = std::fill_n(w, scale - count, '0');
  return std::copy_n(d, count, w);
}

// The same of a number.
char* PutScaled(char* w, Int128 v, int scale) {
  const bool negative = v < 0;
  char digits[48];
  char* const end = digits + sizeof digits;
  char* d = end;  // filled from the right
  Int128 m = negative ? -v : v;
  // 128-bit division is slow; most numbers fit in 64 bits.
  while (m > std::numeric_limits<std::uint64_t>::max()) {
    *--d = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  }
  // Two digits a step; a leading zero is dropped with the others.
  auto low = static_cast<std::uint64_t>(m);
  do {
    d -= 2;
    std::memcpy(d, &kPairs[static_cast<std::size_t>(2 * (low % 100))], 2);
    low /= 100;
  } while (low != 0);
  return PutDigits(w, d, static_cast<int>(end - d), negative, scale);
}

// How each column reads its field.
struct Column {
  enum class Kind { Text, Number, Float };
  const LayoutField* field;
  FieldChecker checker;
  Kind kind;
  bool digits;  // zoned or packed, short enough to be read digit by digit
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
      quote[b] = c == u',' || c == u'"' || c == u'\r' || c == u'\n';
    }
  }
  std::array<std::array<char, 4>, 256> text{};
  std::array<std::uint8_t, 256> size{};
  std::array<bool, 256> space{};
  std::array<bool, 256> quote{};  // a cell that holds it is quoted
};

// Longest a text cell of n bytes can be: each character three bytes of
// UTF-8 (a quote doubled is two), the quotes around it, and the four bytes
// the last character is stored as.
std::size_t TextRoom(std::int64_t n) {
  return 3 * static_cast<std::size_t>(n) + 6;
}

// The characters of bytes[0..n) as a cell; w must have TextRoom(n) free.
char* PutText(char* w, const std::uint8_t* bytes, std::int64_t n, const Utf8Table& utf8) {
  char* const start = w;
  bool quote = false;
  for (std::int64_t k = 0; k < n; ++k) {
    std::memcpy(w, utf8.text[bytes[k]].data(), 4);
    w += utf8.size[bytes[k]];
    quote |= utf8.quote[bytes[k]];
  }
  if (!quote) return w;
  w = start;
  *w++ = '"';
  for (std::int64_t k = 0; k < n; ++k) {
    if (utf8.text[bytes[k]][0] == '"') *w++ = '"';
    std::memcpy(w, utf8.text[bytes[k]].data(), 4);
    w += utf8.size[bytes[k]];
  }
  *w++ = '"';
  return w;
}

char* PutHex(char* w, const std::uint8_t* bytes, std::int64_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::int64_t i = 0; i < n; ++i) {
    *w++ = kDigits[bytes[i] >> 4];
    *w++ = kDigits[bytes[i] & 0x0F];
  }
  return w;
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
  const QString suggested = SuggestedOutputName(s, p, kExportSection, kExportFolderKey,
                                                DirectoryOf(s.Current.FileName), kCsvSuffix);
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
  std::vector<const LayoutField*> numbers;
  std::size_t rowRoom = 2;  // CRLF
  for (const int i : opt.fields) {
    if (i < 0 || i >= std::ssize(kind.fields)) continue;
    const LayoutField& f = kind.fields[static_cast<std::size_t>(i)];
    const Column::Kind k = f.type.storage == Storage::Text    ? Column::Kind::Text
                           : f.type.storage == Storage::Float ? Column::Kind::Float
                                                              : Column::Kind::Number;
    const bool digits = (f.type.storage == Storage::Zoned || f.type.storage == Storage::Packed) &&
                        f.type.length <= 32;
    columns.push_back({&f, FieldChecker(f.type, set, choices), k, digits});
    if (k == Column::Kind::Number && f.offset + f.type.length <= length) numbers.push_back(&f);
    rowRoom += 1 + (k == Column::Kind::Text    ? TextRoom(f.type.length)
                    : k == Column::Kind::Float ? 64
                                               : NumberRoom(f.type));
    if (opt.addHex) rowRoom += 1 + 2 * static_cast<std::size_t>(f.type.length);
  }
  const Utf8Table utf8(set);
  UnusedCopies unused(kind, length, set, choices);
  // A record whose numbers all pass as a whole needs no check of each.
  const RecordChecker whole(numbers, static_cast<int>(length), set, choices);

  const auto fail = [&](const QString& why) {
    p.MessageBox(why + QStringLiteral("\nNothing was exported."), Buttons::Ok, Icon::Critical);
    return ExportResult{ExportStatus::Failed, 0, 0};
  };
  TempFileWriter writer;
  if (!writer.Create(target, sys) || !SetMode(writer, sys, target)) return fail(writer.Error());

  std::string header;
  for (const Column& c : columns) {
    if (!header.empty()) header += ',';
    AppendCell(header, c.field->name.toStdString());
    if (opt.addHex)
      AppendCell(header += ',', (c.field->name + QStringLiteral("-HEX")).toStdString());
  }
  header += "\r\n";

  const std::int64_t perBlock =
      std::max<std::int64_t>(opt.blockSize / std::max<std::int64_t>(length, 1), 1);
  const std::int64_t total = std::max<std::int64_t>(to - from + 1, 0);
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min(perBlock, total) * length));
  // Rows go straight into out, which is written whenever a megabyte is in
  // it: there is always room for one more row.
  constexpr std::size_t kWriteEvery = std::size_t{1} << 20;
  std::vector<char> out(header.size() + kWriteEvery + rowRoom);
  char* w = std::copy(header.begin(), header.end(), out.data());
  const auto put = [&] {
    const bool ok = writer.Write(out.data(), w - out.data());
    w = out.data();
    return ok;
  };
  s.OperationRunning = true;
  {
    BarShown shown(bar, total * length > kProgressThreshold);
    OperationPacer pacer(s, p, shown.Bar());
    pacer.Flush();
    bool written = true;
    for (std::int64_t r = from; r <= to && length > 0 && written; r += perBlock) {
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
      for (std::int64_t i = 0; i < records && written; ++i) {
        const std::uint8_t* rec = buf.data() + i * length;
        const std::int64_t have = std::min(length, want - i * length);
        unused.Read(rec, have);
        const bool good = have == length && whole.Passes(rec);
        bool first = true;
        for (const Column& c : columns) {
          if (!std::exchange(first, false)) *w++ = ',';
          const LayoutField& f = *c.field;
          const std::int64_t n = std::clamp<std::int64_t>(have - f.offset, 0, f.type.length);
          const std::uint8_t* bytes = rec + std::min<std::int64_t>(f.offset, have);
          bool empty = false;
          if (n < f.type.length || unused.Unused(f.offset)) {
            empty = n < f.type.length;
          } else if (c.kind == Column::Kind::Number && good && c.digits) {
            char digits[64];
            bool negative = false;
            const int count = c.checker.Digits(bytes, digits, negative);
            w = PutDigits(w, digits, count, negative, f.type.scale);
          } else if (c.kind == Column::Kind::Number) {
            if (const auto v = c.checker.Scaled(bytes)) {
              w = PutScaled(w, *v, f.type.scale);
            } else {
              empty = true;
            }
          } else if (c.kind == Column::Kind::Text) {
            std::int64_t end = n;
            if (!opt.keepTrailingSpaces) {
              while (end > 0 && utf8.space[bytes[end - 1]]) --end;
            }
            empty = (end == 0 && n > 0) ||
                    (bytes[0] == 0 &&
                     std::all_of(bytes, bytes + n, [](std::uint8_t b) { return b == 0; }));
            if (!empty) w = PutText(w, bytes, end, utf8);
          } else {
            const FieldValue v = DecodeField(f.type, std::span(bytes, n), set, choices);
            const std::string text = v.text.toStdString();
            w = std::copy_n(text.data(), std::min<std::size_t>(text.size(), 63), w);
          }
          result.emptyCells += empty;
          if (opt.addHex) {
            *w++ = ',';
            w = PutHex(w, bytes, n);
          }
        }
        *w++ = '\r';
        *w++ = '\n';
        if (static_cast<std::size_t>(w - out.data()) >= kWriteEvery) written = put();
      }
      result.records += records;
    }
    if (result.status == ExportStatus::Done && written && put()) {
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
