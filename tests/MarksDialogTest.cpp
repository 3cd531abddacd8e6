#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/dialogs/Marks.h"

namespace qx::test {

namespace {

// Runs the chooser modally; act reaches it once the event loop shows it.
int RunChooser(const EditorState& s, const std::function<void(Marks&)>& act) {
  QWidget main;
  Marks dialog(&main, s);
  QTimer::singleShot(0, &dialog, [&] { act(dialog); });
  dialog.exec();
  return dialog.Value();
}

// Where a key typed into the chooser goes.
QWidget* Target(Marks& d) {
  return d.focusWidget() ? d.focusWidget() : &d;
}

}  // namespace

TEST(MarksDialog, LettersAndValues) {
  EditorState s;
  s.Current.MarkTable[12].CursorOffset = 4660;
  QWidget main;
  Marks dialog(&main, s);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Marks");
  EXPECT_EQ(dialog.Label[12]->text().toStdString(), "M");
  EXPECT_EQ(dialog.Label[25]->text().toStdString(), "Z");
  EXPECT_EQ(dialog.CursorValue[0]->text().toStdString(), "0");
  EXPECT_EQ(dialog.CursorValue[12]->text().toStdString(), "4,660");
  EXPECT_EQ(dialog.ExitButton->text().toStdString(), "Exit");
  EXPECT_EQ(dialog.Value(), -1);
  // Filled column by column: D under A, E beside A.
  dialog.show();
  EXPECT_EQ(dialog.Label[3]->x(), dialog.Label[0]->x());
  EXPECT_GT(dialog.Label[3]->y(), dialog.Label[0]->y());
  EXPECT_GT(dialog.Label[4]->x(), dialog.Label[0]->x());
  EXPECT_EQ(dialog.Label[4]->y(), dialog.Label[0]->y());
}

TEST(MarksDialog, KeysAndClicksChoose) {
  EditorState s;
  const auto type = [](char c) { return [c](Marks& d) { QTest::keyClick(Target(d), c); }; };
  EXPECT_EQ(RunChooser(s, type('q')), 'Q' - 'A');
  EXPECT_EQ(RunChooser(s, type('5')), -1);
  // Shift on its way to a capital does not close the chooser.
  const auto capitalB = [](Marks& d) {
    QTest::keyClick(Target(d), Qt::Key_Shift);
    QTest::keyClick(Target(d), Qt::Key_B, Qt::ShiftModifier);
  };
  EXPECT_EQ(RunChooser(s, capitalB), 1);
  EXPECT_EQ(RunChooser(s, [](Marks& d) { QTest::keyClick(d.ExitButton, 'z'); }), 25);
  EXPECT_EQ(RunChooser(s, [](Marks& d) { QTest::keyClick(d.ExitButton, Qt::Key_Return); }), -1);
  const auto click = [](QWidget* (*what)(Marks&)) {
    return [what](Marks& d) { QTest::mouseClick(what(d), Qt::LeftButton); };
  };
  EXPECT_EQ(RunChooser(s, click([](Marks& d) -> QWidget* { return d.Label[7]; })), 7);
  EXPECT_EQ(RunChooser(s, click([](Marks& d) -> QWidget* { return d.CursorValue[24]; })), 24);
  EXPECT_EQ(RunChooser(s, click([](Marks& d) -> QWidget* { return d.ExitButton; })), -1);
}

}  // namespace qx::test
