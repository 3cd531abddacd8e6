#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>

#include "tests/Fakes.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Find.h"
#include "ui/dialogs/Found.h"
#include "ui/dialogs/Replace.h"

namespace qx::test {

namespace {

QByteArray WithAt(QByteArray data, std::initializer_list<int> at, const QByteArray& what) {
  for (int a : at) data.replace(a, what.size(), what);
  return data;
}

// Clicks the buttons of the Found prompts as they come up, in turn.
class PromptAnswerer : public QObject {
 public:
  explicit PromptAnswerer(QStringList buttons) : buttons_(std::move(buttons)) {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* prompt = qobject_cast<Found*>(QApplication::activeModalWidget());
      if (!prompt || !prompt->isVisible() || buttons_.isEmpty()) return;
      EXPECT_EQ(prompt->Label1->text(), "Replace?");
      const QString b = buttons_.takeFirst();
      if (b == "Escape") {
        QTest::keyClick(prompt, Qt::Key_Escape);
      } else if (b == "Enter") {
        QTest::keyClick(prompt, Qt::Key_Return);
      } else {
        (b == "No" ? prompt->NoButton : prompt->YesButton)->click();
      }
    });
    timer_.start();
  }
  ~PromptAnswerer() override { EXPECT_TRUE(buttons_.isEmpty()) << "prompts not shown"; }

 private:
  QStringList buttons_;
  QTimer timer_;
};

}  // namespace

TEST(FindDialog, FindsCountsAndFollowsTheFieldRules) {
  Rig r;
  r.io.OpenFile(r.files.Write("f.bin", WithAt(QByteArray(1024, '.'), {100, 300, 700}, "XY")));
  Find f(nullptr, r.io);
  f.Options.chunkSize = 64;
  EXPECT_EQ(f.windowTitle(), "Find");
  EXPECT_EQ(f.StartBox->text(), "0");
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
  EXPECT_FALSE(f.Progress->isVisible());

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
  EXPECT_EQ(r.s.SearchType, kSearchHex);

  // The close box cancels.
  r.s.OperationRunning = true;
  f.close();
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(r.s.OperationRunning);

  // The next dialog shows the range and type of the last search.
  Find again(nullptr, r.io);
  EXPECT_EQ(again.StartBox->text(), "200");
  EXPECT_TRUE(again.SearchTypeButton[2]->isChecked());
  EXPECT_TRUE(again.FindStringBox->text().isEmpty());
}

TEST(FindDialog, ReplaceDialogRewritesAsksAndCancels) {
  Rig r;
  const QString path = r.files.Write("r.bin", "ABcABcAB");
  r.io.OpenFile(path);
  {
    Replace d(nullptr, r.io);
    EXPECT_EQ(d.windowTitle(), "Replace");
    EXPECT_EQ(d.StartBox->text(), "0");
    EXPECT_EQ(d.EndBox->text(), "7");
    d.show();
    QTest::keyClicks(d.FindStringBox, "AB");
    QTest::keyClicks(d.ReplaceStringBox, "XYZ");
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
    QTest::keyClicks(d.FindStringBox, "AB");
    QTest::keyClicks(d.ReplaceStringBox, "XYZ");
    PromptAnswerer answers({"No", "Enter", "Escape"});
    QTest::mouseClick(d.AskFirstButton, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  }
  EXPECT_EQ(TempFiles::Read(path), "ABcXYZcAB");
  EXPECT_EQ(TempFiles::Read(r.files.Path("r.BAK")), "ABcABcAB");
  EXPECT_EQ(r.s.FileLength, 9);
  {
    Replace d(nullptr, r.io);
    d.show();
    QTest::keyClicks(d.FindStringBox, "AB");
    QTest::keyClicks(d.ReplaceStringBox, "Q");
    EXPECT_EQ(d.EndBox->text(), "7");  // the last range, now short of the end
    QTest::keyClick(d.EndBox, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(d.EndBox->text(), "8");
    QTest::mouseClick(d.ReplaceAllButton, Qt::LeftButton);
  }
  EXPECT_EQ(TempFiles::Read(path), "QcXYZcQ");
}

TEST(FindDialog, WindowCommandsReachTheSearch) {
  WindowRig r;
  r.Open("w.bin", "..XY..XY..XY..");
  r.Key(Qt::Key_F4);  // no search yet: nothing happens
  EXPECT_TRUE(r.p.notices.isEmpty());

  QTimer::singleShot(0, [&] {
    auto* f = qobject_cast<Find*>(QApplication::activeModalWidget());
    ASSERT_NE(f, nullptr);
    QTest::keyClicks(f->FindStringBox, "XY");
    f->FindFirstButton->click();
    f->CancelButton->click();
  });
  r.w->mnuEditFind_Click();
  EXPECT_EQ(r.s.Current.CursorOffset, 2);
  r.Key(Qt::Key_F4);  // one step per press
  EXPECT_EQ(r.s.Current.CursorOffset, 6);
  r.w->mnuEditFindNext_Click();
  EXPECT_EQ(r.s.Current.CursorOffset, 10);
  EXPECT_EQ(r.p.notices, QStringList({"Found", "Found", "Found"}));

  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<Replace*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    QTest::keyClicks(d->FindStringBox, "XY");
    QTest::keyClicks(d->ReplaceStringBox, "Q");
    d->ReplaceAllButton->click();
  });
  r.w->mnuEditReplace_Click();
  EXPECT_EQ(TempFiles::Read(r.files.Path("w.bin")), "..Q..Q..Q..");
  EXPECT_EQ(r.s.FileLength, 11);
  r.w->mnuEditUndo_Click();
  EXPECT_EQ(TempFiles::Read(r.files.Path("w.bin")), "..XY..XY..XY..");

  // Another file newly opened: its range is 0..0 until Find is used there.
  r.Open("v.bin", "XYXYXY");
  r.Key(Qt::Key_F4);
  EXPECT_EQ(r.p.notices.back(), "Not Found Within Range");
}

}  // namespace qx::test
