#include "tests/WindowRig.h"
#include "ui/dialogs/Marks.h"

namespace qx::test {

TEST(MarksDialog, LettersValuesKeysAndClicks) {
  EditorState s;
  s.Current.MarkTable[12].CursorOffset = 4660;
  QWidget main;
  Marks dialog(&main, s);
  EXPECT_EQ(dialog.Label[12]->text(), "M");
  EXPECT_EQ(dialog.CursorValue[12]->text(), "4,660");
  EXPECT_EQ(dialog.CursorValue[0]->text(), "0");
  EXPECT_EQ(dialog.Value(), -1);
  // Filled column by column: D under A, E beside A.
  dialog.show();
  EXPECT_EQ(dialog.Label[3]->x(), dialog.Label[0]->x());
  EXPECT_GT(dialog.Label[3]->y(), dialog.Label[0]->y());
  EXPECT_GT(dialog.Label[4]->x(), dialog.Label[0]->x());
  EXPECT_EQ(dialog.Label[4]->y(), dialog.Label[0]->y());

  // What the user does in the chooser, and the mark it returns (-1: none).
  const auto choose = [&](const std::function<void(Marks*)>& act) {
    Marks d(&main, s);
    WhenModal<Marks> when(act);
    d.exec();
    return d.Value();
  };
  const auto type = [](int key, Qt::KeyboardModifiers m = {}) {
    return [=](Marks* d) {
      QWidget* target = d->focusWidget() ? d->focusWidget() : d;
      if (m) QTest::keyClick(target, Qt::Key_Shift);  // Shift alone does not close it
      QTest::keyClick(target, static_cast<Qt::Key>(key), m);
    };
  };
  const auto click = [](auto what) {
    return [=](Marks* d) { QTest::mouseClick(what(d), Qt::LeftButton); };
  };
  EXPECT_EQ(choose(type(Qt::Key_Q)), 'Q' - 'A');
  EXPECT_EQ(choose(type(Qt::Key_5)), -1);
  EXPECT_EQ(choose(type(Qt::Key_B, Qt::ShiftModifier)), 1);
  EXPECT_EQ(choose([](Marks* d) { QTest::keyClick(d->ExitButton, 'z'); }), 25);
  EXPECT_EQ(choose([](Marks* d) { QTest::keyClick(d->ExitButton, Qt::Key_Return); }), -1);
  EXPECT_EQ(choose(click([](Marks* d) { return d->Label[7]; })), 7);
  EXPECT_EQ(choose(click([](Marks* d) { return d->CursorValue[24]; })), 24);
  EXPECT_EQ(choose(click([](Marks* d) { return d->ExitButton; })), -1);
}

}  // namespace qx::test
