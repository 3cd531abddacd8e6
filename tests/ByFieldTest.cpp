// The field as the unit of moving (Ctrl+Right, Ctrl+Left) and of editing.
#include <gtest/gtest.h>

#include "fields/ByField.h"
#include "input/Typing.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/ChangeValue.h"

namespace qx::test {

namespace {

// 11-byte records: NAME 0, BALANCE 4, N 7, B 9.
const char* const kByFieldCopybook =
    "01 C. 05 NAME PIC X(4). 05 BALANCE PIC S9(3)V99 COMP-3. 05 N PIC 9(2). 05 B PIC S9(4) COMP.";

}  // namespace

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
  const std::vector<LayoutField> fields =
      std::get<Layout>(ParseCopybook(kByFieldCopybook)).kinds[0].fields;
  struct Row {
    const char *field, *text;
    int record;
    const char *bytes, *refusal;
    int recordLength = 11;
  };
  const Row rows[] = {
      {"NAME", "AB", 0, "C1C24040", ""},
      {"BALANCE", "-5.00", 0, "00500D", ""},
      {"N", "7", 0, "F0F7", ""},
      {"B", "-2", 0, "FFFE", ""},
      {"BALANCE", "1000", 0, "", "BALANCE holds -999.99 to 999.99"},
      {"BALANCE", "1.234", 0, "", "BALANCE holds -999.99 to 999.99"},
      {"N", "-1", 0, "", "N holds 0 to 99"},
      {"NAME", "ABCDE", 0, "", "NAME holds 4 characters"},
      {"NAME", "\u20AC", 0, "", "No code for \"\u20AC\" in IBM037"},
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

// Ctrl+Right and Ctrl+Left move by field in either view; Ctrl+E changes a
// value in the record view only, and hands the focus back to the view.
TEST(ByField, WindowMovesByFieldAndChangesAValue) {
  WindowRig r;
  r.Open("v.dat", QByteArray(22, '\x40'));
  r.w->SetCharacterSet("IBM037");
  const QString cpy = r.files.Write("c.cpy", kByFieldCopybook);
  r.p.ExpectBox("The layout's records are 11 bytes; the record length is 22. Use 11?", Answer::Yes);
  r.w->UseLayout(cpy, std::get<Layout>(ReadCopybook(cpy)));
  r.Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(r.s.Current.CursorOffset, 4);
  r.Key(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(r.p.messages.back(), "Switch to the record view (F6) to change values");
  r.Key(Qt::Key_F6);
  r.Key(Qt::Key_Right, Qt::ControlModifier);
  r.Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(r.s.Current.CursorOffset, 4);
  const auto type = [&](const char* keys, Qt::Key end) {
    WhenModal<ChangeValue> dialog([&](ChangeValue* d) {
      EXPECT_EQ(d->ValueBox->selectedText(), "blank");
      QTest::keyClicks(d->ValueBox, keys);
      QTest::keyClick(d->ValueBox, end);
    });
    r.Key(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(r.w.get()));
    EXPECT_EQ(std::tuple(r.s.Current.CursorOffset, QApplication::focusWidget()),
              std::tuple(4, static_cast<QWidget*>(r.w->RecordBar)));
  };
  // Escape, and Enter on the value as shown (a word, not a number), change nothing.
  type("-5", Qt::Key_Escape);
  type("", Qt::Key_Return);
  EXPECT_FALSE(r.s.Dirty);
  type("-5", Qt::Key_Return);
  EXPECT_EQ(std::tuple(ScreenByte(r.s, 4), ScreenByte(r.s, 5), ScreenByte(r.s, 6)),
            std::tuple(0x00, 0x50, 0x0D));
  r.p.Verify();
}

}  // namespace qx::test
