#include <QAction>
#include <QBoxLayout>
#include <QDropEvent>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolBar>
#include <QWheelEvent>
#include <QWindow>
#include <functional>
#include <limits>
#include <tuple>

#include "app/QtPlatform.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/LayoutChoice.h"

namespace qx::test {

namespace {

QByteArray Sample(int n) {
  QByteArray b = TempFiles::Counting(n);
  b.replace(0, 6, "\x7F\x1F ~A\xFF");
  return b;
}

bool NearColour(QColor c, QColor want) {
  return std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) +
             std::abs(c.blue() - want.blue()) <
         150;
}

}  // namespace

TEST(MainWindow, MenusToolbarAndHelpKeys) {
  WindowRig r;
  // No two items of one menu share an access letter (Alt+F, C once closed the file).
  for (QWidget* menu : r.w->findChildren<QWidget*>()) {
    if (qobject_cast<QMenu*>(menu) == nullptr && qobject_cast<QMenuBar*>(menu) == nullptr) continue;
    QMap<QString, QString> seen;
    for (QAction* a : menu->actions()) {
      const QString letter = QRegularExpression("&([^&])").match(a->text()).captured(1).toLower();
      EXPECT_TRUE(letter.isEmpty() || !seen.contains(letter))
          << a->text().toStdString() << " and " << seen.value(letter).toStdString();
      seen.insert(letter, a->text());
    }
  }

  // The toolbar takes no notice of the items' state: Undo on a fresh file.
  r.Open("a.bin", Sample(100));
  r.p.ExpectBox("Can't Undo");
  QTest::mouseClick(r.w->Toolbar1->widgetForAction(r.w->ToolButton("Undo")), Qt::LeftButton);

  // F1 on a highlighted item opens its topic (or the overview); in a dialog, the dialog's.
  for (const auto& [menuName, item] : {std::pair{"mnuRecord", "mnuRecordChop"},
                                       {"mnuFile", "mnuFileExit"},
                                       {"mnuConfigCharSet", "mnuConfigCharSet(5)"}}) {
    QMenu* menu = r.w->MenuItem(menuName)->menu();
    menu->popup(QPoint(0, 0));
    menu->setActiveAction(r.w->MenuItem(item));
    QTest::keyClick(menu, Qt::Key_F1);
    menu->close();
  }
  // A copybook opened asks its choices and lists its record kinds.
  r.p.ExpectOpenFile(r.files.Write("good.cpy", "01 R1 PIC X(100).\n01 R2 PIC X(50).\n"));
  {
    WhenModal<LayoutChoice> choose([](LayoutChoice* d) {
      QTest::keyClick(d, Qt::Key_F1);
      d->LittleEndian->setChecked(true);
      d->OKButton->click();
    });
    r.w->MenuItem("mnuLayoutOpen")->trigger();
  }
  QStringList kinds;
  for (QAction* a : r.w->MenuItem("mnuLayoutKind")->menu()->actions())
    kinds << a->text() + (a->isEnabled() ? "" : "-");
  EXPECT_EQ(std::tuple(kinds.join('|'), r.s.Current.Layout),
            std::tuple("R1|R2", LayoutFlags{true}));
  EXPECT_EQ(r.p.helpContexts, (std::vector<int>{500, 1, 440, 550}));
  r.p.Verify();
}

TEST(MainWindow, TitleAndStatusFollowTheCurrentFile) {
  WindowRig r;
  const QString longName = QString(120, 'n') + ".bin";
  // name to open through the menu ("" cancels, then closes all), read only, the title
  const std::tuple<QString, bool, QString> rows[] = {
      {"b c.bin", true, "b c.bin [read only] - Quellox"},
      {"x[*].bin", false, "x[*].bin - Quellox"},
      {longName, false, longName + " - Quellox"},
      {"", false, "Quellox"},
  };
  for (const auto& [name, readOnly, title] : rows) {
    SCOPED_TRACE(name.toStdString());
    r.p.ExpectOpenFile(name.isEmpty() ? QString() : r.files.Write(name, Sample(1234)));
    r.w->mnuFileOpen_Click();
    while (name.isEmpty() && r.s.OpenFileCount > 0) r.w->mnuFileClose_Click();
    r.s.ReadOnly = readOnly;  // as the open of a file without write access leaves it
    r.w->ReadOnlyChanged();
    EXPECT_EQ(r.w->windowHandle()->title(), title);
    EXPECT_EQ(r.w->FileLengthBox->text(), name.isEmpty() ? "0" : "1,234");
    // The path box, with all the room up to the frame, shows the whole path or elides it.
    const QString path = name.isEmpty() ? QString() : r.files.Path(name);
    const QString shown = r.w->FilenameBox->text();
    const QFontMetrics metrics = r.w->FilenameBox->fontMetrics();
    const int room = r.w->FilenameBox->contentsRect().width();
    EXPECT_GE(r.w->FilenameBox->geometry().right() + 10, r.w->Frame1->x());
    EXPECT_LE(metrics.horizontalAdvance(shown), room);
    const bool fits = metrics.horizontalAdvance(path) <= room && name != longName;
    EXPECT_EQ(std::tuple(r.w->FilenameBox->toolTip(), shown == path, shown.contains(QChar(0x2026))),
              std::tuple(path, fits, !fits));
  }

  // Number boxes hold the largest count; the status controls neither overlap nor leave.
  QX& w = *r.w;
  QWidget* client = w.centralWidget();
  const QString most = FormatCount(std::numeric_limits<std::int64_t>::max());
  for (QLabel* box : client->findChildren<QLabel*>()) {
    if (!box->objectName().contains("Box") || box == r.w->FilenameBox || box == r.w->CharSetBox)
      continue;
    box->setText(most);
    EXPECT_LE(box->sizeHint().width(), box->width()) << box->objectName().toStdString();
  }
  QRegion taken;  // by everything above the digits over the panes
  for (QWidget* c : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (c->geometry().bottom() >= w.RBar[0]->geometry().top()) continue;
    EXPECT_FALSE(taken.intersects(c->geometry()) || c->geometry().right() > client->width())
        << c->objectName().toStdString();
    taken += c->geometry();
  }

  // The message line elides what it cannot hold and clears at the next command.
  r.Open("m.bin", Sample(100));
  const QSize size = w.size();
  w.ShowMessage(QString(500, 'm'));
  QApplication::processEvents();
  EXPECT_EQ(std::pair(w.size(), w.MessageLine->text().contains(QChar(0x2026))),
            std::pair(size, true));
  r.Key(Qt::Key_Right);
  EXPECT_EQ(std::pair(w.MessageLine->text(), r.s.Current.CursorOffset),
            std::pair(QString(), std::int64_t{1}));
  // A message raised in a dialog shows there until a key; at its close it moves to the window.
  QtPlatform desk;
  desk.SetMainWindow(&w);
  QDialog dialog(&w);
  auto* edit = new QLineEdit(&dialog);
  (new QVBoxLayout(&dialog))->addWidget(edit);
  QStringList seen;
  WhenModal<QDialog> act([&](QDialog* d) {
    desk.ShowMessage("No code");
    const auto* line = d->findChild<QLabel*>("MessageLine");
    ASSERT_NE(line, nullptr);
    seen << line->text() << w.MessageLine->text();
    QTest::keyClick(edit, Qt::Key_X);
    seen << line->text();
    desk.ShowMessage("The PDF is written");
    d->hide();
  });
  dialog.exec();
  EXPECT_EQ(seen << w.MessageLine->text(), QStringList({"No code", "", "", "The PDF is written"}));
  r.p.Verify();
}

TEST(MainWindow, ZoomRebuildsTheLayoutWithinItsLimitsAndIsRemembered) {
  WindowRig r;
  r.Open("a.bin", Sample(300));
  r.w->FileBar->setValue(2);  // the page and the bar survive a rebuild
  const int bar = r.w->FileBar->value(), width = r.w->HexBox->width();
  EditorState s2;  // for a second window over the same settings
  r.Key(Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(std::tuple(r.w->CharWidth, r.w->FileBar->value(), r.w->HexBox->CellText(0, 0)),
            std::tuple(180, bar, "10"));
  EXPECT_GT(r.w->HexBox->width(), width);
  EXPECT_LE(r.w->centralWidget()->minimumWidth(), r.w->centralWidget()->width());
  // steps of In or Out, the size after them
  for (auto [steps, points] : {std::pair{20, 24}, {-30, 6}, {3, 9}}) {
    for (int i = 0; i < std::abs(steps); ++i)
      r.w->MenuItem(steps > 0 ? "mnuConfigZoomIn" : "mnuConfigZoomOut")->trigger();
    EXPECT_EQ(std::pair(r.w->font().pointSize(), r.p.settings.value("View/FontPoints")),
              std::pair(points, QString::number(points)));
  }
  r.w->mnuFileClose_Click();
  r.w->MenuItem("mnuConfigActualSize")->trigger();  // the shortcuts act without a file too
  EXPECT_EQ(r.w->HexBox->width(), width);
  r.Key(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(r.w->CharWidth, 140);

  // A step that would not fit the screen is refused; a larger remembered size steps down to fit.
  r.p.screenSpace = QSize(1280, 1024);
  for (int i = 0; i < 20 && r.p.messages.isEmpty(); ++i) r.Key(Qt::Key_Plus, Qt::ControlModifier);
  const int fits = r.w->font().pointSize();
  EXPECT_EQ(r.p.messages.join('|'),
            QString("The window would not fit on the screen at %1 points").arg(fits + 1));
  EXPECT_LE(r.w->width(), 1280);
  EXPECT_EQ(r.p.settings.value("View/FontPoints"), QString::number(fits));
  r.p.settings["View/FontPoints"] = "24";
  QX small(s2, r.p);
  EXPECT_EQ(small.font().pointSize(), fits);
  EXPECT_EQ(r.p.settings.value("View/FontPoints"), "24");
  // A wide, short screen: the height is what refuses.
  r.p.screenSpace = QSize(1920, 600);
  r.w->MenuItem("mnuConfigActualSize")->trigger();
  for (int i = 0; i < 20; ++i) r.Key(Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_LE(r.w->frameGeometry().height(), 600);
  r.p.Verify();
}

TEST(MainWindow, PanesPaintThePageAndTheCursor) {
  WindowRig r;
  r.Open("a.bin", Sample(300));
  EXPECT_EQ(WindowRig::RowText(r.w->HexBox, 0, 0, 6) + WindowRig::RowText(r.w->AsciiBox, 0, 0, 6),
            "7F1F207E41FF.. ~A.");
  // The cursor at 0 is red on the active hex side, green in the characters.
  // Pixels near a colour in cell (0, col) of a pane:
  auto pixels = [&](PagePane* pane, int col, QColor want) {
    const QImage img = pane->grab().toImage();
    const double k = img.devicePixelRatio(), chars = pane == r.w->HexBox ? 2 : 1;
    const QPoint c = r.CellCentre(pane, 0, col) * k;
    const int w = static_cast<int>(chars * r.w->CharWidth * pane->logicalDpiX() * k / 2880);
    const int h = static_cast<int>(r.w->RowHeight * pane->logicalDpiY() * k / 2880);
    int n = 0;
    for (int y = c.y() - h; y < c.y() + h; ++y)
      for (int x = c.x() - w; x < c.x() + w; ++x)
        n += img.rect().contains(x, y) && NearColour(img.pixelColor(x, y), want);
    return n;
  };
  EXPECT_TRUE(pixels(r.w->HexBox, 0, Qt::red) > 0 && pixels(r.w->HexBox, 1, Qt::red) == 0 &&
              pixels(r.w->AsciiBox, 0, Qt::green) > 0);

  // Toggle Cursor swaps the colours between the panes.
  r.Key(Qt::Key_F5);
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(r.w->AsciiBox->CellColor(0, 0), QColor(255, 0, 0));

  // The last page of 300 bytes, 20 bytes from its top: 20 cells and no more.
  r.s.Current.BufferTop = 280;
  r.w->Io().ShowPage();
  EXPECT_EQ(
      WindowRig::RowText(r.w->HexBox, 1, 0, 16) + WindowRig::RowText(r.w->AsciiBox, 1, 0, 16) +
          WindowRig::RowText(r.w->HexBox, 2, 0, 16) + WindowRig::RowText(r.w->AsciiBox, 2, 0, 1),
      "28292A2B()*+");
  r.p.Verify();
}

TEST(MainWindow, ScrollBarMovesThePageByRowPageAndThumb) {
  WindowRig r;
  r.Open("k.bin", TempFiles::Counting(1000));
  const QString big = r.files.Write("big.bin", {});
  ASSERT_TRUE(QFile::resize(big, 100000000));
  QScrollBar* bar = r.w->FileBar;
  const auto wheel = [&](int dy) {
    return [&r, dy] {
      QWheelEvent e(QPointF(10, 10), r.w->HexBox->mapToGlobal(QPointF(10, 10)), QPoint(),
                    QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(r.w->HexBox, &e);
    };
  };
  const auto act = [&](QAbstractSlider::SliderAction a) { return [=] { bar->triggerAction(a); }; };
  const auto key = [&](Qt::Key k) { return [=, &r] { r.Key(k); }; };
  const auto set = [&](int v) { return [=] { bar->setValue(v); }; };
  // The page top to start from (-1: as left), a step, the page top and bar value after it.
  const std::tuple<std::int64_t, std::function<void()>, std::int64_t, int> moves[] = {
      {-1, set(kScrollMax), 999, kScrollMax},  // the thumb dragged to the bottom
      {-1, set(1), 0, 1},
      {-1, act(QAbstractSlider::SliderSingleStepSub), 0, 1},     // arrow up at the top
      {-1, act(QAbstractSlider::SliderSingleStepAdd), 16, 525},  // round(16 / 1000 x 32767 + 1)
      {-1, set(525 + 16), 272, 8914},  // a change by a trough step moves a page
      // Page Up and Page Down move a page and do not move it a second time.
      {-1, key(Qt::Key_PageUp), 16, 525},
      {-1, key(Qt::Key_PageDown), 272, 8914},
      // After a re-synchronisation that left the bar's value, a user move still counts.
      {-1,
       [&] {
         r.w->SyncScrollBar();
         bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
       },
       288, 9438},
      {-1, wheel(-120), 336, 11011},  // the wheel scrolls by rows, however small the file
      // Far longer than the bar's range: near either end a step keeps the value, moves the page.
      {-1, [&] { r.w->Io().OpenFile(big); }, 0, 1},
      {1000, key(Qt::Key_PageUp), 744, 1},
      {1000, act(QAbstractSlider::SliderToMinimum), 0, 1},
      {99999000, act(QAbstractSlider::SliderSingleStepAdd), 99999016, kScrollMax},
      {99999000, act(QAbstractSlider::SliderToMaximum), 99999999, kScrollMax},
  };
  for (const auto& [from, step, top, value] : moves) {
    if (from >= 0) {
      r.s.Current.BufferTop = from;
      r.w->Io().ShowPage();
    }
    step();
    EXPECT_EQ(std::pair(r.s.Current.BufferTop, bar->value()), std::pair(top, value));
  }
  r.p.Verify();
}

TEST(MainWindow, EachOpenFileKeepsItsCharacterSet) {
  WindowRig r;
  const QByteArray text("\xC8\xC5\xD3\xD3\xD6\x40\x7F\x05", 8);  // HELLO " and a tab
  r.Open("a.dat", text);
  QMenu* sets = r.w->MenuItem("mnuConfigCharSet")->menu();
  const auto item = [&](const QString& set) {
    for (QAction* i : sets->actions())
      if (i->text().startsWith(set + " (")) return i;
    return static_cast<QAction*>(nullptr);
  };
  const auto shows = [&](const char* set, const char* row) {
    EXPECT_EQ(r.w->CharSetBox->text(), set);
    EXPECT_TRUE(item(set)->isChecked()) << set;
    EXPECT_EQ(WindowRig::RowText(r.w->AsciiBox, 0, 0, 8), row);
  };
  shows("ASCII", ".....@..");
  // The status box opens the same choice as Configure > Character Set.
  QTest::mouseClick(r.w->CharSetBox, Qt::LeftButton);
  EXPECT_EQ(QApplication::activePopupWidget(), sets);
  item("IBM037")->trigger();
  sets->close();
  shows("IBM037", "HELLO \".");
  r.Open("b.dat", text);
  shows("ASCII", ".....@..");
  r.w->MenuItem("mnuWindowWindows(1)")->trigger();
  shows("IBM037", "HELLO \".");
  r.p.Verify();
}

TEST(MainWindow, DroppedFilesWindowMenuRecentFilesAndClose) {
  WindowRig r;
  QList<QUrl> urls;
  for (int i = 1; i <= 4; ++i)
    urls << QUrl::fromLocalFile(r.files.Write(QString("%1.bin").arg(i), TempFiles::Counting(i)));
  // Dropped files open in order.
  for (const QList<QUrl>& these : {urls.mid(0, 2), urls.mid(2)}) {
    QMimeData data;
    data.setUrls(these);
    // Shift proposes a move; the file manager must be told "copied".
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(10, 10), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(r.w.get(), &enter);
    QDropEvent dropped(QPointF(10, 10), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(r.w.get(), &dropped);
    EXPECT_TRUE(enter.isAccepted() && enter.dropAction() == Qt::CopyAction &&
                dropped.dropAction() == Qt::CopyAction);
    EXPECT_EQ(r.s.Current.FileName, these.value(1).toLocalFile());
  }
  r.Key(Qt::Key_W, Qt::ControlModifier);
  r.w->MenuItem("mnuFileFiles(0)")->trigger();  // the closed one, the most recent, opens again
  EXPECT_EQ(r.s.Current.FileName, urls[3].toLocalFile());
  EXPECT_EQ(r.s.OpenFileCount, 4);
  ASSERT_TRUE(PrepareSearch(r.s, "a", "0", "0", 0));
  while (r.s.OpenFileCount > 0) r.w->MenuItem("mnuFileClose")->trigger();
  EXPECT_TRUE(r.w->MenuItem("mnuWindowWindows(0)")->text().isEmpty() &&
              r.w->HexBox->CellText(0, 0).isEmpty());

  // Without a file every key but F1 and Ctrl+O does nothing, even with a search or Undo left.
  r.s.UndoEnabled = true;
  r.w->UndoRedoChanged();
  for (const char* keys : {"7, Down, F1, F4", "Ctrl+Z, Ctrl+G, Ctrl+S"})
    QTest::keySequence(r.w->FileBar, QKeySequence(keys));
  r.w->MenuItem("mnuEditFindNext")->trigger();
  EXPECT_TRUE(r.p.boxes.empty() && r.p.notices.isEmpty());
  EXPECT_EQ(r.p.helpContexts, std::vector<int>{1});
  r.p.ExpectOpenFile("");  // but Ctrl+O opens a file
  r.Key(Qt::Key_O, Qt::ControlModifier);
  r.p.Verify();

  // While an operation runs every command but Help beeps; closing asks to cancel it.
  const QString busy = r.Open("busy.bin", Sample(100));
  r.Type('4');
  r.s.OperationRunning = true;
  r.p.beeps = 0;
  QTest::keySequence(r.w->FileBar, QKeySequence("F2, 1"));
  r.w->MenuItem("mnuEditCut")->trigger();
  r.w->Toolbar1_ButtonClick("SaveSector");
  r.w->Io().SavePage();
  r.w->Io().CloseFile();
  EXPECT_EQ(std::tuple(r.p.beeps, r.s.Dirty, r.s.Current.FileName, TempFiles::Read(busy)),
            std::tuple(6, true, busy, Sample(100)));
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    r.p.ExpectBox("An operation is running. Cancel it?", answer);
    EXPECT_EQ(std::tuple(r.w->close(), r.s.OperationRunning, r.w->isVisible()),
              std::tuple(false, answer == Answer::No, true));
  }
  r.s.Dirty = false;

  r.w->Io().CloseFile();
  r.Key(Qt::Key_Q, Qt::ControlModifier);  // Exit, with no file open too
  EXPECT_FALSE(r.w->isVisible());
  r.p.Verify();
}

}  // namespace qx::test
