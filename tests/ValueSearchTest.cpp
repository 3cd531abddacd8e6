// Find, Count and Fill Records by value: a number in a numeric field
// whatever valid form stores it, and the numbers a field cannot hold.
#include "fields/Copybook.h"
#include "ops/RecFill.h"
#include "search/ValueSearch.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// Records of 16 bytes in IBM037: P packed, Z zoned, B binary, F an IBM
// float, X text; each record stores its numbers in another valid form.
const char* const kCopybook =
    " 01 R.\n 05 P PIC S9(3) COMP-3.\n 05 Z PIC S9(3).\n 05 B PIC S9(4) COMP.\n"
    " 05 F COMP-2.\n 05 X PIC X.\n";
const QByteArray kRecords = QByteArray::fromHex(
    "005C F0F0C5 0005 4150000000000000 C1"    // +5: sign C, zone C
    "005F F0F0F5 FFFB C150000000000000 C1"    // +5: sign F, zone F; -5
    "000D F0F0D0 0000 8000000000000000 C1"    // -0 in each
    "005D F0F0D5 0000 4205000000000000 C1"    // -5; 5 unnormalised
    "4040 F0C1F5 0000 0000000000000000 C1");  // blank, bad digit

struct ValueRig : Rig {
  explicit ValueRig(const QByteArray& bytes = "ab" + kRecords) {
    OpenAnew(*this, bytes, 2, 16);
    s.Current.CharSet = "IBM037";
    kind = std::get<Layout>(ParseCopybook(kCopybook)).kinds.front();
  }
  const LayoutField& Field(const QString& name) const {
    return *std::find_if(kind.fields.begin(), kind.fields.end(),
                         [&](const LayoutField& f) { return f.name == name; });
  }
  RecordKind kind;
};

}  // namespace

TEST(ValueSearch, FindsAndCountsEveryStoredForm) {
  struct Row {
    const char* field;
    const char* value;
    std::vector<std::int64_t> records;
    std::int64_t rangeStart = 0;
    const char* rangeEnd = "";
  };
  const Row rows[] = {
      {"P", "5", {0, 1}},
      {"P", "+5.0", {0, 1}},
      {"P", "0", {2}},
      {"Z", "5", {0, 1}},
      {"Z", "-0", {2}},
      {"Z", "-5", {3}},
      {"B", "-5", {1}},
      {"B", "5", {0}},
      {"F", "5", {0, 3}},
      {"F", "-5", {1}},
      {"F", "0", {2, 4}},
      {"F", "0.5", {}},
      {"P", "5", {1}, 1},
      {"B", "0", {3, 4}, 40},
      {"P", "5", {0, 1}, 0, "17"},  // the range ends on the field's last byte
      {"P", "5", {0}, 0, "16"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.field << " " << row.value);
    ValueRig r;
    const LayoutField& f = r.Field(row.field);
    ASSERT_TRUE(
        PrepareSearch(r.s, row.value, QString::number(row.rangeStart), row.rangeEnd, kSearchValue));
    r.s.SearchPosition = 0;
    r.s.Found = false;
    std::vector<std::int64_t> found;
    for (std::int64_t hit; (hit = FindValue(r.io, f, nullptr, {20})) >= 0;) {
      EXPECT_EQ(r.s.Current.CursorOffset, hit - 2);
      found.push_back((hit - 2 - f.offset) / 16);
    }
    EXPECT_EQ(found, row.records);
    EXPECT_EQ(r.p.notices.value(r.p.notices.size() - 1), "Not Found Within Range");
    r.p.ExpectBox(CountMessage(std::ssize(row.records)));
    EXPECT_EQ(CountValue(r.io, f, nullptr, {40}), std::ssize(row.records));
  }
}

// A number the field cannot hold is refused, with the encoder's words, and
// fills nothing; a good one fills every record that holds the whole field.
TEST(ValueSearch, FillRecordsByValueAndItsRefusals) {
  ValueRig r;
  r.p.ExpectBox("P holds -999 to 999");
  EXPECT_EQ(FillRecordsByValue(r.io, r.Field("P"), "1.5", {0, 9}).status, RecFillStatus::Failed);
  r.p.ExpectBox("P holds -999 to 999");
  r.s.SearchText = "1000";
  EXPECT_EQ(CountValue(r.io, r.Field("P")), -1);
  r.p.ExpectBox("X is not a numeric field");
  EXPECT_EQ(FillRecordsByValue(r.io, r.Field("X"), "5", {0, 9}).status, RecFillStatus::Failed);
  LayoutField beyond = r.Field("X");
  beyond.offset = 15;
  beyond.type = r.Field("B").type;
  r.p.ExpectBox("X runs past the end of the record");
  EXPECT_EQ(FillRecordsByValue(r.io, beyond, "5", {0, 9}).status, RecFillStatus::Failed);
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(r.s.Current.FileName), "ab" + kRecords);

  // Cut short, the last record keeps its bytes.
  ValueRig c("ab" + kRecords.left(16 * 4 + 6));
  EXPECT_EQ(FillRecordsByValue(c.io, c.Field("B"), "-2", {1, 9}).records, 3);
  QByteArray want = "ab" + kRecords.left(16 * 4 + 6);
  want.replace(2 + 16 + 5, 2, "\xFF\xFE")
      .replace(2 + 32 + 5, 2, "\xFF\xFE")
      .replace(2 + 48 + 5, 2, "\xFF\xFE");
  EXPECT_EQ(TempFiles::Read(c.s.Current.FileName).toHex(' '), want.toHex(' '));
  // A field that ends where the record and the file end is filled.
  ValueRig e("ab" + kRecords.left(16));
  LayoutField last = e.Field("Z");
  last.offset = 13;
  EXPECT_EQ(FillRecordsByValue(e.io, last, "-2", {0, 9}).records, 1);
  EXPECT_EQ(TempFiles::Read(e.s.Current.FileName).right(3), QByteArray("\xF0\xF0\xD2"));
  // F4 then looks for the value just written, in its field.
  EXPECT_EQ(
      std::tuple(e.s.SearchType, e.s.SearchText, e.s.SearchField.name, e.s.SearchField.offset),
      std::tuple(kSearchValue, QString("-2"), QString("Z"), std::int64_t{13}));
}

}  // namespace qx::test
