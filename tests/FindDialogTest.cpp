#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "core/CharacterSet.h"
#include "fields/FieldList.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/FieldChoice.h"
#include "ui/dialogs/Find.h"
#include "ui/dialogs/Found.h"
#include "ui/dialogs/Replace.h"

namespace qx::test {

// Enter and Escape do what they say; the close box cancels.
TEST(FindDialog, FindAndReplaceReadTheirBoxesAndClose) {
  Rig r;
  QByteArray data(1024, '.');
  for (int at : {100, 300, 700}) data.replace(at, 2, "XY");
  r.io.OpenFile(r.files.Write("f.bin", data));
  Find f(nullptr, r.io);
  EXPECT_EQ(f.EndBox->text(), "1,023");
  f.show();

  QTest::keyClicks(f.FindStringBox, "XY");
  QTest::mouseClick(f.FindFirstButton, Qt::LeftButton);
  QTest::mouseClick(f.FindNextButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);
  QTest::keyClick(f.FindStringBox, Qt::Key_Return);  // Enter is Find Next
  EXPECT_EQ(r.s.Current.CursorOffset, 700);
  f.StartBox->setText("200");  // a changed Start begins again there
  QTest::mouseClick(f.FindNextButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);
  r.p.ExpectBox(" 2 Occurrences");
  QTest::keyClick(&f, Qt::Key_Escape);  // Escape presses Count
  EXPECT_TRUE(f.isVisible());

  // A new type empties the box; hex digits reach the search.
  QTest::mouseClick(f.SearchTypeButton[2], Qt::LeftButton);
  EXPECT_TRUE(f.FindStringBox->text().isEmpty());
  QTest::keyClicks(f.FindStringBox, "5859");
  QTest::mouseClick(f.FindFirstButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);

  // Nothing to look for: Count (Escape) closes the window, no count shown.
  f.FindStringBox->clear();
  QTest::keyClick(&f, Qt::Key_Escape);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(r.p.boxes.size(), 1u);

  f.show();  // the close box cancels
  r.s.OperationRunning = true;
  f.close();
  EXPECT_FALSE(r.s.OperationRunning);

  // The next dialog shows the range and type of the last search.
  Find again(nullptr, r.io);
  EXPECT_EQ(again.StartBox->text(), "200");
  EXPECT_TRUE(again.SearchTypeButton[2]->isChecked());

  // Replace: Ask First from Start 1 answered No, Enter (Yes), Escape (quit);
  // then Replace All.
  const QString path = r.files.Write("w.bin", "..XY..XY..XY..");
  r.io.OpenFile(path);
  Replace d(nullptr, r.io);
  d.SearchTypeButton[kSearchAscii]->click();
  d.FindStringBox->setText("XY");
  d.ReplaceStringBox->setText("Q");
  d.StartBox->setText("1");
  int asked = 0;
  WhenModal<Found> answers(
      [&](Found* a) {
        ++asked == 1 ? a->NoButton->click()
                     : QTest::keyClick(a, asked == 2 ? Qt::Key_Return : Qt::Key_Escape);
      },
      3);
  d.AskFirstButton->click();
  EXPECT_EQ(TempFiles::Read(path), "..XY..Q..XY..");
  d.ReplaceAllButton->click();
  EXPECT_EQ(TempFiles::Read(path), "..Q..Q..Q..");
  r.p.Verify();
}

// The fields a search can be limited to: those in use, a group after its
// last field, an inner group before the outer, the copies of a table first.
TEST(FindDialog, FieldChoiceAndMatchCaseBecomeTheSearchsAndStay) {
  const Layout layout = std::get<Layout>(
      ParseCopybook("01 R. 05 ID PIC X(4). 05 ADDR. 10 CITY PIC X(6). 10 Z. 15 ZIP PIC 9(5).\n"
                    "05 AMT PIC S9(5) COMP-3. 05 AMT-X REDEFINES AMT PIC X(3).\n"
                    "05 LINE PIC XX OCCURS 2. 05 N PIC 9."));
  const RecordKind& kind = layout.kinds[0];
  QStringList items;
  for (const FieldItem& f : FieldItems(kind)) items << f.Label() + (f.text ? " text" : "");
  EXPECT_EQ(items.join(", "),
            "ID  (0-3) text, CITY  (4-9) text, ZIP  (10-14), Z  (10-14), ADDR  (4-14), "
            "AMT  (15-17), LINE(1)  (18-19) text, LINE(2)  (20-21) text, LINE  (18-21) text, "
            "N  (22-22), R  (0-22)");

  Rig r;
  r.io.OpenFile(r.files.Write("f.bin", QByteArray(44, 'x')));
  r.s.Current.CharSet = "IBM037";
  {
    Find f(nullptr, r.io, &kind);
    f.show();
    QTest::keyClicks(f.FieldBox, "CITY");  // typing a name selects it
    f.MatchCaseBox->click();
    f.FindStringBox->setText("q");
    f.FindFirstButton->click();
  }
  const FieldScope city = r.s.SearchField;
  EXPECT_EQ(std::tuple(city.name, city.offset, city.length, city.text, city.pad, r.s.MatchCase),
            std::tuple(QString("CITY"), 4, 6, true, 0x40, false));
  Find(nullptr, r.io).FindNext();                      // F4 keeps both
  const CharacterSet& set = CharacterSetOf("IBM037");  // F4 in another file's layout
  EXPECT_EQ(
      std::tuple(ScopeNamed("CITY", &kind, set).offset, ScopeNamed("CITY", nullptr, set).Active(),
                 ScopeNamed("CIT", &kind, set).Active()),
      std::tuple(4, false, false));
  EXPECT_EQ(std::pair(r.s.SearchField.name, r.s.MatchCase), std::pair(QString("CITY"), false));
  Replace d(nullptr, r.io, &kind);  // the next opening shows them
  EXPECT_EQ(d.FieldBox->currentText(), "CITY  (4-9)");
  EXPECT_FALSE(d.MatchCaseBox->isChecked());
  d.SearchTypeButton[kSearchHex]->click();
  EXPECT_FALSE(d.MatchCaseBox->isEnabled());
  d.SearchTypeButton[kSearchAscii]->click();
  d.FieldBox->Select("ZIP");
  r.p.ExpectBox("You must enter values");
  d.ReplaceAllButton->click();
  EXPECT_EQ(std::tuple(r.s.SearchField.name, r.s.SearchField.text),
            std::tuple(QString("ZIP"), false));
  d.FieldBox->setCurrentIndex(0);  // "(none)"
  r.p.ExpectBox("You must enter values");
  d.ReplaceAllButton->click();
  EXPECT_FALSE(r.s.SearchField.Active());
  r.p.Verify();
}

// A number is found in whatever valid form each record holds it.
TEST(FindDialog, ValueKindSearchesANumericField) {
  const Layout layout =
      std::get<Layout>(ParseCopybook("01 R. 05 ID PIC XX. 05 AMT PIC S9(3) COMP-3."));
  WindowRig w;
  w.Open("v.bin", QByteArray::fromHex("6161005C6262012C6363005F6464005D"));  // 5, 12, 5, -5
  ASSERT_TRUE(SetRecordLength(w.w->Io(), 4));
  w.w->UseLayout("v.cpy", layout);
  {
    Find f(nullptr, w.w->Io(), &layout.kinds[0]);
    f.show();
    QRadioButton* value = f.SearchTypeButton[kSearchValue];
    EXPECT_FALSE(value->isEnabled());
    f.FieldBox->Select("AMT");
    value->click();
    EXPECT_FALSE(f.MatchCaseBox->isEnabled());
    QTest::keyClicks(f.FindStringBox, "-5");
    f.FindFirstButton->click();
    EXPECT_EQ(w.s.Current.CursorOffset, 14);
    f.FindStringBox->setText("5");
    w.p.ExpectBox(" 2 Occurrences");
    f.CountButton->click();
    f.FindFirstButton->click();
    EXPECT_EQ(w.s.Current.CursorOffset, 2);
    f.FieldBox->Select("ID");  // a text field: back to ASCII
    EXPECT_EQ(std::tuple(value->isEnabled(), f.SearchTypeButton[0]->isChecked(),
                         f.MatchCaseBox->isEnabled()),
              std::tuple(false, true, true));
  }
  EXPECT_TRUE(
      Find(nullptr, w.w->Io(), &layout.kinds[0]).SearchTypeButton[kSearchValue]->isChecked());
  // Replace has no Value: it opens on ASCII.
  EXPECT_TRUE(Replace(nullptr, w.w->Io(), &layout.kinds[0]).SearchTypeButton[0]->isChecked());
  w.Key(Qt::Key_F4);
  EXPECT_EQ(w.s.Current.CursorOffset, 10);
  w.w->UseLayout("w.cpy", std::get<Layout>(ParseCopybook("01 R. 05 ID PIC X(4).")));
  w.Key(Qt::Key_F4);
  EXPECT_EQ(w.s.Current.CursorOffset, 10);
  EXPECT_EQ(w.p.messages.value(w.p.messages.size() - 1),
            "AMT is not a field of this file's layout");
  w.p.Verify();
}

}  // namespace qx::test
