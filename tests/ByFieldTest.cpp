// The field as the unit of moving (Ctrl+Right, Ctrl+Left) and of editing.
#include <gtest/gtest.h>

#include "fields/ByField.h"
#include "input/Typing.h"
#include "tests/Fakes.h"

namespace qx::test {

// A 0, slack 1, H 2, BASE 4 (L2 at 6 of an alternative not in use), E 8, in
// 9-byte records; the last record is short: its E (26) is past the file.
TEST(ByField, MovesToTheNextOrPreviousFieldsFirstByte) {
  const Layout layout = std::get<Layout>(
      ParseCopybook("01 R. 05 A PIC X. 05 H PIC S9(4) COMP SYNC. 05 BASE PIC X(4).\n"
                    " 05 LARGE REDEFINES BASE. 10 L1 PIC X(2). 10 L2 PIC X(2). 05 E PIC X."));
  const std::tuple<std::int64_t, bool, std::int64_t> rows[] = {
      {0, true, 2},   {2, true, 4},    {4, true, 8},    {8, true, 9},  {20, true, 22},
      {22, true, 22}, {0, false, 0},   {1, false, 0},   {6, false, 4}, {4, false, 2},
      {9, false, 8},  {13, false, 11}, {23, false, 22},
  };
  for (const auto& [from, forward, to] : rows)
    EXPECT_EQ(MoveByField(layout.kinds[0], 9, 24, from, forward), to) << from << forward;
  // LARGE chosen: L2 is a field; a choice not one per area is the first.
  RecordKind large = layout.kinds[0];
  const std::pair<std::vector<int>, std::int64_t> chosen[] = {{{1}, 6}, {{1, 0}, 8}};
  for (const auto& [alternatives, to] : chosen) {
    large.chosen = alternatives;
    EXPECT_EQ(MoveByField(large, 9, 24, 4, true), to);
  }
}

// Stored through the path of typing: on disk after Save Sector, gone after
// Undo; a refusal changes nothing.
TEST(ByField, ChangeFieldValueWritesTheEncodedBytesOrRefuses) {
  // 11-byte records: NAME 0, BALANCE 4, N 7, B 9.
  const Layout layout =
      std::get<Layout>(ParseCopybook("01 C. 05 NAME PIC X(4). 05 BALANCE PIC S9(3)V99 COMP-3. "
                                     "05 N PIC 9(2). 05 B PIC S9(4) COMP."));
  const std::vector<LayoutField>& fields = layout.kinds[0].fields;
  struct Row {
    const char *field, *text;
    int record;
    const char *bytes, *refusal;
    int recordLength = 11;
  };
  const Row rows[] = {
      {"NAME", "AB", 0, "C1C24040", ""},
      {"BALANCE", "-5.00", 0, "00500D", ""},
      {"B", "-2", 0, "FFFE", ""},
      {"BALANCE", "1000", 0, "", "BALANCE holds -999.99 to 999.99"},
      {"NAME", "A", 1, "", "NAME is not on the screen"},
      {"BALANCE", "1", 2, "", "BALANCE runs past the end of the file"},
      {"B", "1", 0, "", "B runs past the end of the record", 10},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    Rig r;
    const QByteArray original = TempFiles::Counting(28);
    const QString path = OpenAnew(r, original, 0, row.recordLength);
    r.s.Current.CharSet = "IBM037";
    r.s.Current.RecordView = true;
    r.io.ReadRecords(0, 11);
    const LayoutField& field =
        *std::find_if(fields.begin(), fields.end(), [&](auto& f) { return f.name == row.field; });
    const int start = row.record * 11 + field.offset;
    EXPECT_EQ(ChangeFieldValue(r.s, field, start, QString::fromUtf8(row.text)), row.refusal);
    EXPECT_EQ(r.s.Dirty, !*row.refusal);
    if (*row.refusal) continue;
    r.io.SavePage();
    EXPECT_EQ(TempFiles::Read(path), QByteArray(original).replace(start, field.type.length,
                                                                  QByteArray::fromHex(row.bytes)));
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(path), original);
  }
}

}  // namespace qx::test
