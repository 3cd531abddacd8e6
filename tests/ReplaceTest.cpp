#include <random>

#include "core/CharacterSet.h"
#include "ops/FillPattern.h"
#include "search/Search.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

struct ReplaceRig : Rig {
  QString path;
  std::vector<std::int64_t> asked;  // where Ask First asked

  explicit ReplaceRig(const QByteArray& bytes) : path(files.Write("DATA.BIN", bytes)) {
    io.OpenFile(path);
  }
  // What the dialog does: Replace All, or Ask First answering in turn, then Cancel.
  ReplaceResult Run(const QString& find, const QString& repl, int type = kSearchAscii,
                    const QString& start = "0", const QString& end = "99999999999999999999",
                    std::vector<Answer> answers = {}, std::int64_t chunk = 16) {
    if (!ValidateReplaceFields(s, p, find, repl, start, end, type)) return {};
    const AskFn ask = [this, answers](std::int64_t offset) {
      asked.push_back(offset);
      return asked.size() <= answers.size() ? answers[asked.size() - 1] : Answer::Cancel;
    };
    return PrepareReplace(io, find, repl, type, answers.empty() ? AskFn{} : ask, nullptr, {chunk});
  }
  QByteArray Content() const { return TempFiles::Read(path); }
  QByteArray Backup() const { return TempFiles::Read(files.Path("DATA.BAK")); }
  void ExpectLeftOnly(bool backup) const {
    EXPECT_EQ(files.Entries(),
              backup ? QStringList({"DATA.BAK", "DATA.BIN"}) : QStringList({"DATA.BIN"}));
  }
};

// pat replaced left to right in data[first..last]; with a field, only inside
// it (records of length from base), each field padded at its end.
QByteArray ReferenceReplace(const QByteArray& data, const QByteArray& pat, const QByteArray& repl,
                            std::int64_t first, std::int64_t last, const FieldScope& field = {},
                            std::int64_t base = 0, std::int64_t length = 256) {
  QByteArray out = data.left(std::min<std::int64_t>(first, data.size()));
  std::int64_t pad = 0, padAt = 0;
  for (std::int64_t h = first; h < data.size();) {
    if (pad > 0 && h == padAt) out += QByteArray(std::exchange(pad, 0), char(field.pad));
    const std::int64_t in = (h - base) % length;
    const std::int64_t end = std::min(field.offset + field.length, length);  // in the record
    const bool hit = h + pat.size() - 1 <= last && data.mid(h, pat.size()) == pat &&
                     (!field.Active() || (in >= field.offset && in + pat.size() <= end));
    out += hit ? repl : data.mid(h, 1);
    if (hit && field.Active()) {
      pad += pat.size() - repl.size();
      padAt = std::min<std::int64_t>(h - in + end, data.size());
    }
    h += hit ? pat.size() : 1;
  }
  return out + QByteArray(pad, char(field.pad));
}

}  // namespace

TEST(Replace, AsksAtEachOccurrenceKeepsABackupAndStopsCleanly) {
  // Occurrences far apart, across chunks: every byte between kept, whether
  // it is copied from the file or from the scan's buffer.
  QByteArray far = TempFiles::Counting(400010);
  for (char& c : far) c = static_cast<char>(c & 0x7F);
  for (int at : {3, 20003, 150003, 399990}) far.replace(at, 2, "\xF0\xF1");
  far.replace(9000, 1, "\xF0");
  for (std::int64_t chunk : {1000, 1 << 17}) {
    ReplaceRig big(far);
    big.Run("f0 f1", "01 02 03", kSearchHex, "0", "99999999999999999999", {}, chunk);
    EXPECT_EQ(big.Content(), ReferenceReplace(far, "\xF0\xF1", "\x01\x02\x03", 0, 400009));
  }

  // A changed page is offered for saving before the rewrite. Ask First: No
  // keeps, Yes replaces, Cancel keeps the rest.
  ReplaceRig r("ABxABxABxAB");
  r.s.PageBuffer[0] = 'Q';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  EXPECT_EQ(r.Run("AB", "Z", kSearchAscii, "0", "99", {Answer::No, Answer::Yes}).replaced, 1);
  EXPECT_EQ(r.asked, std::vector<std::int64_t>({3, 6, 9}));
  EXPECT_EQ(r.Content(), "QBxABxZxAB");
  EXPECT_EQ(r.Backup(), "QBxABxABxAB");
  EXPECT_EQ(r.s.Current.CursorOffset, 9);  // on the occurrence it asked about

  // A lone hex digit, spaces only, an empty replacement: no bytes.
  for (auto [find, repl, type] :
       {std::tuple{"4", "41", kSearchHex}, {"41", "  ", kSearchHex}, {"AB", "", kSearchAscii}}) {
    r.p.ExpectBox("You must enter values");
    r.Run(find, repl, type);
  }
  r.p.Verify();

  // Cancel: no new backup, no temporary file, cursor at 0.
  r.p.onEvents = [&] { r.s.OperationRunning = false; };
  EXPECT_EQ(r.Run("AB", "Y").status, ScanStatus::Cancelled);
  EXPECT_EQ(r.Content(), "QBxABxZxAB");
  EXPECT_EQ(r.Backup(), "QBxABxABxAB");
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  r.ExpectLeftOnly(true);

  // A read failure halfway: told, nothing committed, nothing left behind.
  ReplaceRig f(QByteArray(5000, 'A'));
  f.sys.always[SysCalls::Call::Read] = EIO;
  f.p.ExpectBox("The file could not be read.\nOperation aborted; the file was not changed.");
  EXPECT_EQ(f.Run("AA", "B", kSearchAscii, "0", "99999", {}, 64).status, ScanStatus::Failed);
  f.p.Verify();
  EXPECT_EQ(f.Content(), QByteArray(5000, 'A'));
  f.ExpectLeftOnly(false);
}

TEST(Replace, NumbersAtAndPastTheInt64LimitsAreHeldThere) {
  QByteArray data(300, '.');
  for (int at : {50, 150, 298}) data.replace(at, 2, "AB");
  // (base, start, end, replaced, the first byte of the range): past the end nothing is
  // written, not even a backup; a negative End is refused.
  const char* kMax = "9223372036854775807";
  for (auto [base, start, end, want, first] :
       {std::tuple{100, kMax, kMax, 0, 0},
        {0, "0", "-99999999999999999999", 0, 0},
        {100, "-99999999999999999999", "99999999999999999999", 2, 100}}) {
    ReplaceRig huge(data);
    huge.s.Current.WorkingBase = base;
    huge.s.WorkingLength = 300 - base;
    EXPECT_EQ(huge.Run("AB", "Q", kSearchAscii, start, end).replaced, want) << start;
    EXPECT_EQ(huge.Content(), want > 0 ? ReferenceReplace(data, "AB", "Q", first, 299) : data);
    huge.ExpectLeftOnly(want > 0);
  }
}

TEST(Replace, MatchesAReferenceOnRandomDataAndRanges) {
  std::mt19937 rng(777);
  for (int round = 0; round < 80; ++round) {
    QByteArray data(1 + static_cast<int>(rng() % 400), '\0');
    for (char& c : data) c = "aab"[rng() % 3];
    QByteArray pat(1 + static_cast<int>(rng() % 3), '\0');
    for (char& c : pat) c = "ab"[rng() % 2];
    const bool inField = round % 2;
    const QByteArray repl(static_cast<int>(rng() % (inField ? pat.size() : 4)) + 1, 'Z');
    const std::int64_t start = rng() % (data.size() + 3), end = rng() % (data.size() + 3);
    ReplaceRig r(data);
    std::int64_t base = 0, length = 256;
    if (inField) {
      base = rng() % std::min<std::int64_t>(data.size(), 5);
      length = 1 + rng() % std::min<std::int64_t>(20, data.size() - base);
      ASSERT_TRUE(SetWorkingBase(r.io, base) && SetRecordLength(r.io, length));
      r.s.SearchField = {"F", static_cast<std::int64_t>(rng() % length),
                         static_cast<std::int64_t>(1 + rng() % 10), true, '_'};
    }
    r.Run(QString::fromLatin1(pat), QString::fromLatin1(repl), kSearchAscii, QString::number(start),
          QString::number(end), {}, 1 + rng() % 30);
    EXPECT_EQ(r.Content(), ReferenceReplace(data, pat, repl, base + start, base + end,
                                            r.s.SearchField, base, length))
        << "round " << round;
    // A Start past the end writes nothing, not even a backup.
    EXPECT_EQ(r.Backup(), base + start < data.size() ? data : QByteArray()) << "round " << round;
  }
}

// Text patterns take the file's character set, encoded anew when it changes; a
// character the set lacks is refused with its notice.
TEST(Replace, TextPatternsAreEncodedInTheFilesCharacterSet) {
  const QByteArray hello = QByteArray::fromHex("C8C5D3D3D6");             // "HELLO" in IBM037
  ReplaceRig r(hello + QByteArray::fromHex("40E6D6D9D3C46B40") + hello);  // " WORLD, "
  r.s.Current.CharSet = "IBM037";
  ASSERT_TRUE(PrepareSearch(r.s, "HELLO", "0", "17", kSearchAscii));
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {}, false), 2);
  r.s.Current.CharSet = kAsciiSetName;
  EXPECT_EQ(CountOccurrences(r.io, nullptr, {}, false), 0);
  r.s.Current.CharSet = "IBM037";

  const QByteArray hi = QByteArray::fromHex("C8C95A40E6D6D9D3C46B40C8C95A");  // "HI! WORLD, HI!"
  EXPECT_EQ(r.Run("HELLO", "HI!").replaced, 2);
  EXPECT_EQ(r.Content(), hi);
  r.p.messages.clear();
  EXPECT_EQ(r.Run("WORLD", "\u20AC").replaced, 0);  // the euro is not in IBM037
  EXPECT_EQ(r.p.messages, QStringList{"No code for \"\u20AC\" in IBM037"});
  EXPECT_EQ(r.Content(), hi);
  EXPECT_EQ(BuildFillPattern("ab", FillKind::Ascii, CharacterSetOf("IBM037")),
            std::optional(std::vector<std::uint8_t>{0x81, 0x82}));
}

// Within a field (records of 8 bytes, the field their bytes 1..5, the short
// last record holding 1..2 of it) a shorter replacement pads the field's end;
// a longer one, or another length in a field that is not text, is refused.
// Without a field every later record moves: asked once, No the default.
TEST(Replace, AChangeOfLengthKeepsTheRecordLengthOrAsksBeforeRecordsMove) {
  using enum Answer;
  const QByteArray data = "xABxABxxABxxxxABxAB";
  const QString longer =
      "The replacement is %1 longer than the text it replaces; within a field the record length "
      "is kept";
  const QString notText =
      "BALANCE is not a text field: the replacement must be as long as the text it replaces";
  const QString moves =
      "The replacement is %1 than the text: every record after the first match will move. "
      "Replace anyway?";
  enum Scope { kText, kNumber, kRecords, kCopybook };  // the last two without a field
  // (scope, find, replacement, Ask First answers, the message, its answer, the file after)
  using Row = std::tuple<Scope, QString, QString, std::vector<Answer>, QString, Answer, QByteArray>;
  const Row rows[] = {
      {kText, "AB", "Q", {Yes, No, Yes}, "", Ok, "xQxAB xxABxxxxABxQ "},
      {kText, "B", "CDE", {}, longer.arg("2 bytes"), Ok, data},
      {kText, "AB", "CDE", {}, longer.arg("1 byte"), Ok, data},
      {kNumber, "AB", "CD", {}, "", Ok, "xCDxCDxxABxxxxABxCD"},
      {kNumber, "AB", "Q", {}, notText, Ok, data},
      {kRecords, "AB", "Q", {}, moves.arg("1 byte shorter"), Yes, "xQxQxxQxxxxQxQ"},
      {kRecords, "AB", "QQQQ", {}, moves.arg("2 bytes longer"), No, data},
      {kCopybook, "xxAB", "xAB", {Yes, No}, moves.arg("1 byte shorter"), Yes, "xABxABxABxxxxABxAB"},
  };
  for (const auto& [scope, find, repl, answers, message, answer, want] : rows) {
    ReplaceRig r(data);
    if (scope == kCopybook) r.s.Current.Copybook = "cust.cpy";  // its records are its own
    ASSERT_TRUE(scope == kCopybook || SetRecordLength(r.io, 8));
    if (scope < kRecords) r.s.SearchField = {"BALANCE", 1, 5, scope == kText, ' '};
    if (!message.isEmpty()) r.p.ExpectBox(message, answer);
    r.Run(find, repl, kSearchAscii, "0", "99999", answers, 4);
    r.p.Verify();
    EXPECT_EQ(r.Content(), want) << find.toStdString() << " " << repl.toStdString();
    EXPECT_TRUE(answer == Ok || r.p.boxes.at(0).defaultAnswer == No);  // a question's default
    EXPECT_EQ(r.asked.size(), answer == No ? 0u : answers.size());
    r.ExpectLeftOnly(message.isEmpty() || answer == Yes);
  }
  // A full disk: told, the file as it was, nothing left behind.
  ReplaceRig full(data);
  ASSERT_TRUE(SetRecordLength(full.io, 8));
  full.s.SearchField = {"CITY", 1, 5, true, ' '};
  full.sys.always[SysCalls::Call::Write] = ENOSPC;
  full.p.anyBox = true;
  EXPECT_FALSE(full.Run("AB", "Q").committed);
  EXPECT_EQ(full.Content(), data);
  full.ExpectLeftOnly(false);
}

}  // namespace qx::test
