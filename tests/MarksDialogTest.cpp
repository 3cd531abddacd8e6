#include "tests/WindowRig.h"
#include "ui/dialogs/Marks.h"

namespace qx::test {

TEST(MarksDialog, LettersValuesKeysAndClicks) {
  EditorState s;
  s.Current.MarkTable[12].CursorOffset = 4660;
  QWidget main;
  Marks dialog(&main, s);
  EXPECT_EQ(dialog.CursorValue[12]->text(), "4,660");
  // Filled column by column: D under A, E beside A.
  dialog.show();
  const QPoint a = dialog.Label[0]->pos(), d = dialog.Label[3]->pos(), e = dialog.Label[4]->pos();
  EXPECT_TRUE(d.x() == a.x() && d.y() > a.y() && e.x() > a.x() && e.y() == a.y());

  // What the user does in the chooser, and the mark it returns (-1: none).
  const auto choose = [&](const std::function<void(Marks*)>& act) {
    Marks d(&main, s);
    WhenModal<Marks> when(act);
    d.exec();
    return d.Value();
  };
  EXPECT_EQ(choose([](Marks* d) { QTest::keyClick(d, Qt::Key_Q); }), 'Q' - 'A');
  EXPECT_EQ(choose([](Marks* d) { QTest::keyClick(d, Qt::Key_5); }), -1);
  EXPECT_EQ(choose([](Marks* d) {
              QTest::keyClick(d, Qt::Key_Shift);  // Shift alone does not close it
              QTest::keyClick(d, Qt::Key_B, Qt::ShiftModifier);
            }),
            1);
  EXPECT_EQ(choose([](Marks* d) { QTest::keyClick(d->ExitButton, 'z'); }), 25);  // on the button
  EXPECT_EQ(choose([](Marks* d) { QTest::mouseClick(d->Label[7], Qt::LeftButton); }), 7);
  EXPECT_EQ(choose([](Marks* d) { QTest::mouseClick(d->CursorValue[24], Qt::LeftButton); }), 24);
  EXPECT_EQ(choose([](Marks* d) { QTest::mouseClick(d->ExitButton, Qt::LeftButton); }), -1);
}

}  // namespace qx::test
