#include <QComboBox>
#include <QDockWidget>
#include <QTableWidget>

#include "core/FileMemory.h"
#include "fields/FieldRows.h"
#include "fields/FileLayouts.h"
#include "help/HelpContexts.h"
#include "input/Typing.h"
#include "tests/Fakes.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/ChangeValue.h"

namespace qx::test {

// One EBCDIC record read through its layout: the hidden REDEFINES
// alternative is no row; the copy past the count is unused. Show Values names
// the field under the cursor by its offset in the record of the kind in use.
TEST(FieldRows, OneRecordEveryKindOfValue) {
  Rig r;
  const QString cpy = r.files.Write(
      "f.cpy",
      " 01 R.\n  05 NAME PIC X(4).\n  05 BAL PIC S9(5)V99 COMP-3.\n"
      "  05 ALT REDEFINES BAL PIC X(4).\n  05 Q PIC 9(2).\n  05 BLK PIC S9(3) COMP-3.\n"
      "  05 LOW PIC 9(2).\n  05 BAD PIC S9(3) COMP-3.\n  05 BIG PIC S9(2) COMP-3.\n"
      "  05 C PIC S9(4) COMP.\n  05 T PIC X OCCURS 1 TO 3 DEPENDING ON Q.\n 01 W PIC X(3).\n");
  const QByteArray record = QByteArray::fromHex("D1D6C8D51234567CF0F2404000001234123CFFFEC1C2C3");
  r.io.OpenFile(r.files.Write("f.dat", record + record));
  r.s.Current.CharSet = "IBM037";
  FileLayouts layouts;
  r.p.ExpectBox("The layout's records are 23 bytes; the record length is 46. Use 23?", Answer::Yes);
  layouts.Use(r.io, cpy, std::get<Layout>(ReadCopybook(cpy)), {});
  EXPECT_EQ(std::tuple(r.p.boxes.back().defaultAnswer, r.s.Current.RecordLength),
            std::tuple(Answer::Yes, 23));
  r.s.PageBuffer[0] = 0xD2;  // an unsaved edit shows
  r.s.Current.CursorOffset = 5;
  const FieldRows got = RowsAtCursor(r.s, layouts);
  const std::vector<FieldRow> want = {
      {"NAME", 0, 4, "X(4)", "KOHN", "D2 D6 C8 D5"},
      {"BAL", 4, 4, "S9(5)V99 COMP-3", "12,345.67", "12 34 56 7C", false, 0, {"BAL", "ALT"}},
      {"Q", 8, 2, "9(2)", "2", "F0 F2"},
      {"BLK", 10, 2, "S9(3) COMP-3", "blank", "40 40"},
      {"LOW", 12, 2, "9(2)", "low-values", "00 00"},
      {"BAD", 14, 2, "S9(3) COMP-3", "bad sign nibble 4", "12 34"},
      {"BIG", 16, 2, "S9(2) COMP-3", "123 (beyond PIC)", "12 3C"},
      {"C", 18, 2, "S9(4) BINARY", "-2", "FF FE"},
      {"T(1)", 20, 1, "X", "A", "C1"},
      {"T(2)", 21, 1, "X", "B", "C2"},
      {"T(3)", 22, 1, "X", "C", "C3", true},
  };
  EXPECT_EQ(got.rows, want);
  EXPECT_EQ(got.cursor, 1);
  EXPECT_EQ(FieldAtCursor(r.s, layouts), "BAL = 12,345.67");
  r.s.Current.CursorOffset = 23;
  EXPECT_EQ(FieldAtCursor(r.s, layouts), "NAME = JOHN");
  // Another alternative chosen holds for every record and is remembered.
  ASSERT_TRUE(layouts.ChooseAlternative(r.io, 0, 1));
  r.s.Current.CursorOffset = 27;
  const FieldRow alt = RowsAtCursor(r.s, layouts).rows[1];
  EXPECT_EQ(
      std::tuple(alt.name, alt.alternative, RecallGeometry(r.p, r.s.Current.FileName)->Layout),
      std::tuple("ALT", 1, LayoutFlags{false, false, false, {1}}));
  FileLayouts reread;  // as when the file opens again
  reread.Sync(r.io);
  EXPECT_EQ(RowsAtCursor(r.s, reread).rows[1].name, "ALT");
  ASSERT_TRUE(layouts.ChooseKind(r.io, 1));
  EXPECT_EQ(FieldAtCursor(r.s, layouts), "none at offset 4 of the record");
  layouts.Close(r.io);
  EXPECT_EQ(std::tuple(FieldAtCursor(r.s, layouts), r.s.Current.Copybook), std::tuple("", ""));
}

// Shown, it leaves the focus where it was and follows the cursor; a click on
// a row moves the cursor; its keys never reach the file, but the menu's do.
// Ctrl+Right and Ctrl+Left move by field in either view; Ctrl+E changes a
// value in the record view only, and hands the focus back to the view.
TEST(FieldRows, PanelFollowsTheCursorAndKeepsItsKeys) {
  WindowRig r;
  r.Open("p.dat", QByteArray(22, '\x40'));
  r.w->SetCharacterSet("IBM037");
  const QString cpy = r.files.Write("p.cpy",
                                    "01 C. 05 A PIC X(4). 05 B PIC S9(3) COMP-3. 05 N PIC X(5). "
                                    "05 M REDEFINES N PIC 9(5).");
  r.p.ExpectBox("The layout's records are 11 bytes; the record length is 22. Use 11?", Answer::Yes);
  r.w->UseLayout(cpy, std::get<Layout>(ReadCopybook(cpy)));
  r.Key(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(r.p.messages.value(r.p.messages.size() - 1),
            "Switch to the record view (F6) to change values");
  QWidget* focus = QApplication::focusWidget();
  r.w->MenuItem("mnuLayoutFields")->trigger();
  auto* panel = r.w->findChild<QDockWidget*>("FieldPanel");
  ASSERT_TRUE(panel && panel->isVisible() && r.w->MenuItem("mnuLayoutFields")->isChecked());
  auto* table = panel->findChild<QTableWidget*>();
  EXPECT_EQ(std::tuple(QApplication::focusWidget(), table->rowCount()), std::tuple(focus, 3));
  r.Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(std::tuple(table->currentRow(), r.s.Current.CursorOffset), std::tuple(1, 4));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualItemRect(table->item(2, 0)).center());
  EXPECT_EQ(std::tuple(r.s.Current.CursorOffset, QApplication::focusWidget()),
            std::tuple(6, static_cast<QWidget*>(table)));
  for (Qt::Key k : {Qt::Key_9, Qt::Key_Up, Qt::Key_Delete}) QTest::keyClick(table, k);
  EXPECT_EQ(std::tuple(r.s.Dirty, r.s.Current.CursorOffset, ScreenByte(r.s, 6)),
            std::tuple(false, 6, 0x40));
  QTest::keyClick(table, Qt::Key_F6);
  EXPECT_TRUE(r.s.Current.RecordView);
  r.Key(Qt::Key_Left, Qt::ControlModifier);
  // Change Value from Ctrl+E, Enter on a row or a double-click on its value;
  // Escape, and Enter on the value as shown (a word, not a number), change nothing.
  const auto change = [&](const char* keys, Qt::Key end, const std::function<void()>& open) {
    WhenModal<ChangeValue> dialog([&](ChangeValue* d) {
      QTest::keyClicks(d->ValueBox, keys);
      QTest::keyClick(d->ValueBox, end);
    });
    open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(r.w.get()));
  };
  const auto ctrlE = [&] { r.Key(Qt::Key_E, Qt::ControlModifier); };
  change("-5", Qt::Key_Escape, ctrlE);
  change("", Qt::Key_Return, ctrlE);
  EXPECT_EQ(std::tuple(r.s.Dirty, r.s.Current.CursorOffset, QApplication::focusWidget()),
            std::tuple(false, 4, static_cast<QWidget*>(r.w->RecordBar)));
  table->setCurrentCell(1, 0);
  change("-5", Qt::Key_Return, [&] { QTest::keyClick(table, Qt::Key_Return); });
  EXPECT_EQ(std::tuple(ScreenByte(r.s, 4), ScreenByte(r.s, 5), QApplication::focusWidget()),
            std::tuple(0x00, 0x5D, static_cast<QWidget*>(table)));
  table->scrollToItem(table->item(1, 4));
  const QPoint value = table->visualItemRect(table->item(1, 4)).center();  // B's
  QTest::mousePress(table->viewport(), Qt::LeftButton, {}, value);
  change("7", Qt::Key_Return,
         [&] { QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, value); });
  EXPECT_EQ(ScreenByte(r.s, 5), 0x7C);
  table->setCurrentCell(2, 0);
  QTest::keyClick(table, Qt::Key_F1);
  QTest::keyClick(table, Qt::Key_Space);  // opens N's drop-down
  auto* box = qobject_cast<QComboBox*>(table->cellWidget(2, 0));
  ASSERT_TRUE(box->view()->isVisible());
  QTest::keyClick(box->view(), Qt::Key_Escape);
  QTest::keyClick(table, Qt::Key_Down, Qt::AltModifier);  // so does Alt+Down
  ASSERT_TRUE(box->view()->isVisible());
  QTest::keyClick(box->view(), Qt::Key_Down);
  QTest::keyClick(box->view(), Qt::Key_Return);
  EXPECT_EQ(r.p.helpContexts, std::vector{help::kFieldPanel});
  EXPECT_EQ(std::tuple(table->item(2, 0)->text(), r.s.Current.Layout.Alternatives),
            std::tuple("M", std::vector{1}));
  r.p.Verify();
  r.w = r.MakeWindow();  // the next start shows it again with the layout
  r.w->UpdateWindows();  // as opening the file does
  auto* shown = r.w->findChild<QDockWidget*>("FieldPanel");
  EXPECT_TRUE(shown && shown->isVisible() && r.w->MenuItem("mnuLayoutFields")->isChecked());
  r.w->MenuItem("mnuLayoutFields")->trigger();
  EXPECT_EQ(r.p.settings.value("View/FieldPanelShown"), "0");
}

}  // namespace qx::test
