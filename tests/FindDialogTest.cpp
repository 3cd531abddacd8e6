#include <QLineEdit>
#include <QRadioButton>

#include "core/Navigation.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Find.h"
#include "ui/dialogs/Found.h"
#include "ui/dialogs/Replace.h"

namespace qx::test {

namespace {

void Fill(Replace& d, const char* find, const char* repl) {
  QTest::keyClicks(d.FindStringBox, find);
  QTest::keyClicks(d.ReplaceStringBox, repl);
}

}  // namespace

TEST(FindDialog, FindsCountsAndFollowsTheFieldRules) {
  Rig r;
  QByteArray data(1024, '.');
  for (int at : {100, 300, 700}) data.replace(at, 2, "XY");
  r.io.OpenFile(r.files.Write("f.bin", data));
  Find f(nullptr, r.io);
  f.Options.chunkSize = 64;
  EXPECT_EQ(f.EndBox->text(), "1,023");
  EXPECT_TRUE(f.SearchTypeButton[0]->isChecked());
  EXPECT_EQ(f.FindStringBox->maxLength(), 40);
  f.show();

  QTest::keyClicks(f.FindStringBox, "XY");
  QTest::mouseClick(f.FindFirstButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 100);
  QTest::mouseClick(f.FindNextButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);
  QTest::keyClick(f.FindStringBox, Qt::Key_Return);  // Enter is Find Next
  EXPECT_EQ(r.s.Current.CursorOffset, 700);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found"}));

  // A changed Start begins again there.
  f.StartBox->setText("200");
  QTest::mouseClick(f.FindNextButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);

  r.p.ExpectBox(" 2 Occurrences");
  QTest::mouseClick(f.CountButton, Qt::LeftButton);
  r.p.ExpectBox(" 2 Occurrences");
  QTest::keyClick(&f, Qt::Key_Escape);  // Escape presses Count
  r.p.Verify();
  EXPECT_TRUE(f.isVisible());

  // Hexadecimal: a new type empties the box; digits upper-cased, others refused.
  QTest::mouseClick(f.SearchTypeButton[2], Qt::LeftButton);
  EXPECT_TRUE(f.FindStringBox->text().isEmpty());
  QTest::keyClicks(f.FindStringBox, "58g 59");
  EXPECT_EQ(f.FindStringBox->text(), "5859");
  QTest::mouseClick(f.FindFirstButton, Qt::LeftButton);
  EXPECT_EQ(r.s.Current.CursorOffset, 300);

  // Nothing to look for: Count (Escape) closes the window and counts nothing.
  f.FindStringBox->clear();
  QTest::keyClick(&f, Qt::Key_Escape);
  EXPECT_FALSE(f.isVisible());

  // The close box cancels.
  f.show();
  r.s.OperationRunning = true;
  f.close();
  EXPECT_FALSE(r.s.OperationRunning);

  // The next dialog shows the range and type of the last search.
  Find again(nullptr, r.io);
  EXPECT_EQ(again.StartBox->text(), "200");
  EXPECT_TRUE(again.SearchTypeButton[2]->isChecked());

  // A Start no offset reaches, past a working base: nothing found or counted.
  ASSERT_TRUE(SetWorkingBase(r.io, 10));
  again.show();
  QTest::keyClicks(again.FindStringBox, "5859");
  again.StartBox->setText("9223372036854775807");
  again.EndBox->setText("99999999999999999999");
  r.p.notices.clear();
  const std::int64_t cursor = r.s.Current.CursorOffset;
  QTest::mouseClick(again.FindFirstButton, Qt::LeftButton);
  QTest::mouseClick(again.FindNextButton, Qt::LeftButton);
  r.p.ExpectBox(" 0 Occurrences");
  QTest::mouseClick(again.CountButton, Qt::LeftButton);
  r.p.Verify();
  EXPECT_EQ(r.p.notices, QStringList(2, "Not Found Within Range"));
  EXPECT_EQ(r.s.Current.CursorOffset, cursor);
}

TEST(FindDialog, ReplaceDialogRewritesAsksAndCancels) {
  Rig r;
  const QString path = r.files.Write("r.bin", "ABcABcAB");
  r.io.OpenFile(path);
  {
    Replace d(nullptr, r.io);
    EXPECT_EQ(d.EndBox->text(), "7");
    d.show();
    Fill(d, "AB", "XYZ");
    QTest::keyClick(&d, Qt::Key_Escape);  // Escape leaves without writing
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(TempFiles::Read(path), "ABcABcAB");
  }
  {
    Replace d(nullptr, r.io);
    d.show();
    r.p.ExpectBox("You must enter values");
    QTest::mouseClick(d.ReplaceAllButton, Qt::LeftButton);
    r.p.Verify();
    EXPECT_TRUE(d.isVisible());
    Fill(d, "AB", "XYZ");
    QStringList keys{"No", "Enter", "Escape"};
    WhenModal<Found> answers(
        [&](Found* f) {
          EXPECT_EQ(f->Label1->text(), "Replace?");
          const QString k = keys.takeFirst();
          if (k == "No")
            f->NoButton->click();
          else
            QTest::keyClick(f, k == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
        },
        3);
    QTest::mouseClick(d.AskFirstButton, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  }
  EXPECT_EQ(TempFiles::Read(path), "ABcXYZcAB");
  EXPECT_EQ(TempFiles::Read(r.files.Path("r.BAK")), "ABcABcAB");
  {
    Replace d(nullptr, r.io);
    d.show();
    Fill(d, "AB", "Q");
    EXPECT_EQ(d.EndBox->text(), "7");  // the last range, now short of the end
    QTest::keyClick(d.EndBox, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(d.EndBox->text(), "8");
    QTest::mouseClick(d.ReplaceAllButton, Qt::LeftButton);
  }
  EXPECT_EQ(TempFiles::Read(path), "QcXYZcQ");
}

TEST(FindDialog, WindowCommandsReachTheSearch) {
  WindowRig r;
  const QString path = r.Open("w.bin", "..XY..XY..XY..");
  r.Key(Qt::Key_F4);  // no search yet: nothing happens
  EXPECT_TRUE(r.p.notices.isEmpty());
  {
    WhenModal<Find> find([](Find* f) {
      QTest::keyClicks(f->FindStringBox, "XY");
      f->FindFirstButton->click();
      f->CancelButton->click();
    });
    r.w->mnuEditFind_Click();
  }
  EXPECT_EQ(r.s.Current.CursorOffset, 2);
  r.Key(Qt::Key_F4);  // one step per press
  EXPECT_EQ(r.s.Current.CursorOffset, 6);
  r.w->mnuEditFindNext_Click();
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found"}));
  {
    WhenModal<Replace> replace([](Replace* d) {
      Fill(*d, "XY", "Q");
      d->ReplaceAllButton->click();
    });
    r.w->mnuEditReplace_Click();
  }
  EXPECT_EQ(TempFiles::Read(path), "..Q..Q..Q..");
  r.w->mnuEditUndo_Click();
  EXPECT_EQ(TempFiles::Read(path), "..XY..XY..XY..");
}

}  // namespace qx::test
