#include <sys/stat.h>
#include <QAction>
#include <QDropEvent>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>
#include <QWheelEvent>
#include <functional>
#include <limits>
#include <tuple>

#include "help/HelpContexts.h"
#include "input/Utility.h"
#include "search/Search.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/Marks.h"
#include "ui/dialogs/Request.h"

namespace qx::test {

namespace {

// The menu tree in order, ';' between entries: name|caption|shortcut|help context, each
// top-level menu before its items; a bare name is a separator.
const char kMenus[] =
    "mnuFile|&File||100;mnuFileOpen|&Open File...||100;mnuFileClose|&Close File||100;file1;"
    "mnuFileSaveSector|&Save Sector|F2|100;file2;mnuFileChoosePrinter|&Choose Printer...||100;"
    "mnuFilePrint|&Print...||100;file3;mnuFileFiles(0)|||0;mnuFileFiles(1)|||0;"
    "mnuFileFiles(2)|||0;mnuFileFiles(3)|||0;file4;mnuFileExit|E&xit||0;"
    "mnuEdit|&Edit||200;mnuEditUndo|&Undo|Ctrl+Z|200;mnuEditRedo|&Re-do||200;edit2;"
    "mnuEditCut|Cu&t...||200;mnuEditCopy|&Copy...||200;mnuEditPaste|&Paste...||200;"
    "mnuEditFill|Fi&ll...||200;edit3;mnuEditFind|&Find...|Ctrl+F|200;"
    "mnuEditFindNext|Find Ne&xt|F4|200;mnuEditReplace|&Search and Replace...||200;edit4;"
    "mnuEditValues|Show &Values...||200;"
    "mnuNav|&Navigate||300;mnuNavMark|&Mark...|Ctrl+M|300;"
    "mnuNavGoToMark|&Go To Mark...|Ctrl+G|300;nav1;mnuNavGoToRecord|Go To This &Record||300;"
    "mnuNavPreviousRecord|&Previous Record||300;mnuNavNextRecord|&Next Record||300;nav2;"
    "mnuNavGoToCursor|Go To &Cursor||300;mnuNavGoToByte|Go To &Byte...||300;nav3;"
    "mnuNavToggle|&Toggle Cursor|F5|300;"
    "mnuConfig|&Configure||400;mnuConfigSetWorkingBase|Set &Working Base...||400;"
    "mnuConfigSetRecordLength|Set Record &Length...||400;"
    "mnuConfigRecordNumber|Set Record &Number...||400;"
    "mnuConfigRecordOffset|Set Record &Offset...||400;config1;"
    "mnuConfigZoomIn|Zoom &In|Ctrl++|400;mnuConfigZoomOut|Zoom O&ut|Ctrl+-|400;"
    "mnuConfigActualSize|&Actual Size|Ctrl+0|400;"
    "mnuWindow|&Window||0;mnuWindowWindows(0)|||0;mnuWindowWindows(1)|||0;"
    "mnuWindowWindows(2)|||0;mnuWindowWindows(3)|||0;"
    "mnuRecord|&Record Operations||500;mnuRecordChop|&Chop...||500;mnuRecordPaste|&Paste...||500;"
    "mnuRecordFill|&Fill...||500;"
    "mnuHelp|&Help||0;mnuHelpSearch|&Quellox Help Topics...||0;"
    "mnuHelpAbout|&About Quellox...||0";

// Toolbar1 left to right, '|' between buttons: keys and tooltips; empty is a separator.
const char kToolbarKeys[] =
    "|OpenFile|SaveSector|Undo|Redo||Print||Find||Mark|GoToMark||GoToCursor|GoToByte|"
    "|RequestedRecord|NextRecord|PreviousRecord||ShowValues||Cut|Copy|Paste||ToggleCursor";
const char kToolbarTips[] =
    "|Open File|Save Sector|Undo|Redo||Print||Find||Mark|Go To Mark||Go To Cursor|Go To Byte|"
    "|Go To Requested Record|Go To Next Record|Go To Previous Record||Show Values||Cut|Copy|Paste|"
    "|Toggle Cursor";

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

TEST(MainWindow, MenuTreeAndToolbarFollowTheCommandTables) {
  WindowRig r;
  std::vector<QAction*> shown;
  for (QAction* top : r.w->menuBar()->actions()) {
    shown.push_back(top);
    for (QAction* item : top->menu()->actions()) shown.push_back(item);
  }
  const QStringList rows = QString(kMenus).split(';');
  ASSERT_EQ(shown.size(), rows.size());
  // At the start the recent files and the Window entries after the first are hidden,
  // Undo and Re-do disabled.
  const QStringList hidden = {"mnuFileFiles(0)",    "mnuFileFiles(1)",     "mnuFileFiles(2)",
                              "mnuFileFiles(3)",    "mnuWindowWindows(1)", "mnuWindowWindows(2)",
                              "mnuWindowWindows(3)"};
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const QStringList want = rows[static_cast<int>(i)].split('|');
    QAction* a = shown[i];
    SCOPED_TRACE(want[0].toStdString());
    EXPECT_EQ(a->objectName(), want[0]);
    EXPECT_EQ(r.w->MenuItem(want[0]), a);
    EXPECT_EQ(a->isSeparator(), want.size() == 1);
    if (want.size() == 1) continue;
    EXPECT_EQ(a->text(), want[1]);
    EXPECT_EQ(a->shortcut(), QKeySequence(want[2]));
    EXPECT_EQ(a->property("HelpContext").toInt(), want[3].toInt());
    EXPECT_EQ(a->isVisible(), !hidden.contains(want[0]));
    EXPECT_EQ(a->isEnabled() || !a->isVisible(),
              want[0] != "mnuEditUndo" && want[0] != "mnuEditRedo");
  }

  const QList<QAction*> buttons = r.w->Toolbar1->actions();
  const QStringList keys = QString(kToolbarKeys).split('|'),
                    tips = QString(kToolbarTips).split('|');
  ASSERT_EQ(buttons.size(), keys.size());
  for (int i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(buttons[i]->isSeparator(), keys[i].isEmpty());
    if (keys[i].isEmpty()) continue;
    EXPECT_EQ(buttons[i]->property("Key").toString(), keys[i]);
    EXPECT_EQ(buttons[i]->toolTip(), tips[i]);
    EXPECT_TRUE(buttons[i]->text().isEmpty());
    EXPECT_FALSE(buttons[i]->icon().pixmap(16, 16).isNull());
    EXPECT_EQ(r.w->ToolButton(keys[i]), buttons[i]);
  }

  // The toolbar takes no notice of the items' state: Undo on a fresh file.
  r.Open("a.bin", Sample(100));
  r.w->MenuItem("mnuEditUndo")->trigger();  // disabled: nothing
  r.p.ExpectBox("Can't Undo");
  QTest::mouseClick(r.w->Toolbar1->widgetForAction(r.w->ToolButton("Undo")), Qt::LeftButton);
  r.p.ExpectBox("Can't Redo");
  r.w->Toolbar1_ButtonClick("Redo");
  r.w->Toolbar1_ButtonClick("");              // a separator
  r.w->Toolbar1_ButtonClick("togglecursor");  // keys are case-sensitive
  EXPECT_FALSE(r.w->AsciiSide);
  r.w->Toolbar1_ButtonClick("ToggleCursor");
  EXPECT_TRUE(r.w->AsciiSide);

  // F1 on a highlighted item opens the help at the item's topic, or at the
  // overview for an item without one; in a dialog, at the dialog's topic.
  for (const auto& [menuName, item] : {std::pair{"mnuNav", "mnuNavGoToByte"},
                                       {"mnuRecord", "mnuRecordChop"},
                                       {"mnuFile", "mnuFileExit"}}) {
    QMenu* menu = r.w->MenuItem(menuName)->menu();
    menu->popup(QPoint(0, 0));
    menu->setActiveAction(r.w->MenuItem(item));
    QTest::keyClick(menu, Qt::Key_F1);
    menu->close();
  }
  {
    WhenModal<Marks> help([](Marks* m) {
      QTest::keyClick(m, Qt::Key_F1);
      m->reject();
    });
    r.w->mnuNavMark_Click();
  }
  {
    WhenModal<Request> help([](Request* q) {
      QTest::keyClick(q->Entry, Qt::Key_F1);
      q->reject();
    });
    Request::Ask(r.w.get(), QStringLiteral("Working File Base"), 0, help::kWorkingBase);
  }
  EXPECT_EQ(r.p.helpContexts, (std::vector<int>{300, 500, 1, 310, 410}));
  r.p.Verify();
}

TEST(MainWindow, StartsEmptyAndShowsTheStatusOfAnOpenedFile) {
  WindowRig r;
  EXPECT_EQ(r.w->windowTitle(), "Quellox");
  EXPECT_EQ(r.w->FileLengthBox->text(), "0");

  // With no file every key but F1 is swallowed.
  r.Type('7');
  r.Key(Qt::Key_Down);
  r.Key(Qt::Key_F1);
  EXPECT_EQ(r.p.helpContexts, std::vector<int>{1});

  // A sparse file of 1,234,567 bytes: the boxes group the digits.
  const QString big = r.files.Write("big.bin", {});
  ASSERT_TRUE(QFile::resize(big, 1234567));
  r.p.ExpectOpenFile(big);
  r.w->mnuFileOpen_Click();
  EXPECT_EQ(r.w->FilenameBox->toolTip(), big);
  EXPECT_EQ(r.w->FileLengthBox->text(), "1,234,567");
  EXPECT_EQ(r.w->RecordCountBox->text(), "4,823");
  EXPECT_EQ(r.w->MenuItem("mnuFileFiles(0)")->text(), "&1 " + big);
  EXPECT_TRUE(r.w->MenuItem("mnuFileFiles(0)")->isVisible());

  // Every number box shows the largest count whole, and the status area's
  // controls neither overlap nor leave the window.
  QX& w = *r.w;
  const QString most = FormatCount(std::numeric_limits<std::int64_t>::max());
  for (QLabel* box : std::initializer_list<QLabel*>{
           w.WorkingBaseBox, w.RecordLengthBox, w.RecordCountBox, w.FileLengthBox,
           w.RecordNumberBoxActual, w.RecordNumberBoxRequest, w.FieldOffsetBoxActual,
           w.FieldOffsetBoxRequest, w.FileOffsetBox, w.BufferTopBox}) {
    SCOPED_TRACE(box->objectName().toStdString());
    box->setText(most);
    EXPECT_LE(box->fontMetrics().horizontalAdvance(most), box->contentsRect().width());
    EXPECT_LE(box->sizeHint().width(), box->width());
  }
  const std::vector<QWidget*> status = {
      w.Label5,          w.ReadOnlyWarning, w.FilenameBox,   w.Label13, w.WorkingBaseBox, w.Label6,
      w.RecordLengthBox, w.RecordCountBox,  w.Label8,        w.Frame1,  w.Frame2,         w.Label9,
      w.FileLengthBox,   w.Label19,         w.FileOffsetBox, w.Label1,  w.BufferTopBox};
  for (std::size_t i = 0; i < status.size(); ++i) {
    SCOPED_TRACE(status[i]->objectName().toStdString());
    EXPECT_LE(status[i]->geometry().right(), w.centralWidget()->width());
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_FALSE(status[i]->geometry().intersects(status[j]->geometry()))
          << status[j]->objectName().toStdString();
  }

  r.p.ExpectOpenFile({});  // cancelled: nothing changes
  r.w->mnuFileOpen_Click();
  EXPECT_EQ(r.s.OpenFileCount, 1);
  r.p.Verify();
}

TEST(MainWindow, TitleAndFileNameBoxFollowTheCurrentFile) {
  WindowRig r;
  EXPECT_FALSE(r.w->BufferTopBox->isVisible());
  EXPECT_FALSE(r.w->Label1->isVisible());
  EXPECT_FALSE(r.w->FileBar->isEnabled());
  const QString longName = QString(120, 'n') + ".bin";
  // name to open ("" closes), read only, the title
  const std::tuple<QString, bool, QString> rows[] = {
      {"a.bin", false, "a.bin - Quellox"},
      {"b c.bin", true, "b c.bin [read only] - Quellox"},
      {longName, false, longName + " - Quellox"},
      {"", false, "Quellox"},
  };
  for (const auto& [name, readOnly, title] : rows) {
    SCOPED_TRACE(name.toStdString());
    if (name.isEmpty()) {
      while (r.s.OpenFileCount > 0) r.w->mnuFileClose_Click();
    } else {
      r.Open(name, Sample(50));
      r.s.ReadOnly = readOnly;  // as the open of a file without write access leaves it
      r.w->ReadOnlyChanged();
    }
    EXPECT_EQ(r.w->windowTitle(), title);
    const QString path = name.isEmpty() ? QString() : r.files.Path(name);
    EXPECT_EQ(r.w->FilenameBox->toolTip(), path);
    const QString shown = r.w->FilenameBox->text();
    EXPECT_LE(r.w->FilenameBox->fontMetrics().horizontalAdvance(shown),
              r.w->FilenameBox->contentsRect().width());
    const bool fits = r.w->FilenameBox->fontMetrics().horizontalAdvance(path) <=
                      r.w->FilenameBox->contentsRect().width();
    EXPECT_EQ(shown == path, fits);
    EXPECT_EQ(shown.contains(QChar(0x2026)), !fits);
    EXPECT_TRUE(!fits || name != longName);
    EXPECT_EQ(r.w->BufferTopBox->isVisible(), !name.isEmpty());
    EXPECT_EQ(r.w->FileBar->isEnabled(), !name.isEmpty());
  }
  r.p.Verify();
}

TEST(MainWindow, ZoomRebuildsTheLayoutWithinItsLimitsAndIsRemembered) {
  WindowRig r;
  r.Open("a.bin", Sample(300));
  r.w->FileBar->setValue(2);  // the page and the bar survive a rebuild
  const int bar = r.w->FileBar->value();
  const int width = r.w->HexBox->width();
  EXPECT_EQ(r.w->CharWidth, 160);
  r.Key(Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(r.w->CharWidth, 180);
  EXPECT_GT(r.w->HexBox->width(), width);
  EXPECT_EQ(r.s.Current.BufferTop, 16);
  EXPECT_EQ(r.w->FileBar->value(), bar);
  EXPECT_EQ(r.w->HexBox->CellText(0, 0), "10");
  EXPECT_LE(r.w->centralWidget()->minimumWidth(), r.w->centralWidget()->width());
  // steps of In or Out, the size after them
  for (auto [steps, points] : {std::pair{20, 24}, {-30, 6}, {3, 9}}) {
    SCOPED_TRACE(steps);
    for (int i = 0; i < std::abs(steps); ++i)
      r.w->MenuItem(steps > 0 ? "mnuConfigZoomIn" : "mnuConfigZoomOut")->trigger();
    EXPECT_EQ(r.w->CharWidth, points * 20);
    EXPECT_EQ(r.w->font().pointSize(), points);
    EXPECT_EQ(r.p.settings.value("View/FontPoints"), QString::number(points));
  }
  const QSize nine = r.w->size();
  // A second window over the same settings starts at the size left.
  {
    EditorState s2;
    QX second(s2, r.p);
    EXPECT_EQ(second.CharWidth, 180);
    EXPECT_EQ(second.HexBox->width(), r.w->HexBox->width());
  }
  r.w->mnuFileClose_Click();
  r.w->MenuItem("mnuConfigActualSize")->trigger();  // the shortcuts act without a file too
  EXPECT_EQ(r.w->CharWidth, 160);
  EXPECT_EQ(r.w->HexBox->width(), width);
  EXPECT_LT(r.w->width(), nine.width());
  r.Key(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(r.w->CharWidth, 140);
  r.p.Verify();
}

TEST(MainWindow, DroppedFilesOpenInOrderUpToFour) {
  WindowRig r;
  QList<QUrl> urls;
  for (const char* name : {"1.bin", "2.bin", "3.bin", "4.bin", "5.bin"})
    urls.push_back(QUrl::fromLocalFile(r.files.Write(name, Sample(20))));
  const auto drop = [&](const QList<QUrl>& these) {
    QMimeData data;
    data.setUrls(these);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(r.w.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(r.w.get(), &dropped);
  };
  drop(urls.mid(0, 2));
  EXPECT_EQ(r.s.OpenFileCount, 2);
  EXPECT_EQ(r.s.Current.FileName, urls[1].toLocalFile());
  EXPECT_EQ(r.w->windowTitle(), "2.bin - Quellox");
  r.p.ExpectBox("Four files are open. Please close one file before opening another.");
  drop(urls.mid(2));
  EXPECT_EQ(r.s.OpenFileCount, 4);
  EXPECT_EQ(r.s.Current.FileName, urls[3].toLocalFile());
  r.p.Verify();
}

TEST(MainWindow, PanesPaintThePageAndTheCursor) {
  WindowRig r;
  r.Open("a.bin", Sample(300));
  EXPECT_EQ(WindowRig::RowText(r.w->HexBox, 0, 0, 6), "7F1F207E41FF");
  EXPECT_EQ(WindowRig::RowText(r.w->AsciiBox, 0, 0, 6), ".. ~A.");
  // The cursor at 0: red on the active hex side, green in the characters.
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(r.w->AsciiBox->CellColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(r.w->HexBox->CellColor(0, 1), QColor(0, 0, 0));

  // What reaches the screen: pixels near a colour in cell (0, col) of a pane.
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
  EXPECT_GT(pixels(r.w->HexBox, 0, Qt::red), 0);
  EXPECT_EQ(pixels(r.w->HexBox, 1, Qt::red), 0);
  EXPECT_GT(pixels(r.w->AsciiBox, 0, Qt::green), 0);

  // Toggle Cursor swaps the colours between the panes.
  r.Key(Qt::Key_F5);
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(r.w->AsciiBox->CellColor(0, 0), QColor(255, 0, 0));

  // The last page of 300 bytes, 20 bytes from its top: 20 cells and no more.
  r.w->FileBar->setValue(1 + 16);  // one trough click: a page down
  EXPECT_EQ(r.w->BufferTopBox->text(), "256");
  r.s.Current.BufferTop = 280;
  r.w->Io().ShowPage();
  QString hex, chars;
  for (int row = 0; row < 16; ++row) {
    hex += WindowRig::RowText(r.w->HexBox, row, 0, 16);
    chars += WindowRig::RowText(r.w->AsciiBox, row, 0, 16);
  }
  EXPECT_EQ(hex.size(), 40);
  EXPECT_EQ(chars.size(), 20);
  EXPECT_TRUE(hex.endsWith("2A2B"));  // bytes 298 and 299
  r.p.Verify();
}

TEST(MainWindow, ScrollBarMovesThePageByRowPageAndThumb) {
  WindowRig r;
  r.Open("k.bin", TempFiles::Counting(1000));
  QScrollBar* bar = r.w->FileBar;
  const auto wheel = [&](int dy) {
    QWheelEvent e(QPointF(10, 10), r.w->HexBox->mapToGlobal(QPointF(10, 10)), QPoint(),
                  QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(r.w->HexBox, &e);
  };
  const auto act = [&](QAbstractSlider::SliderAction a) { return [=] { bar->triggerAction(a); }; };
  const auto key = [&](Qt::Key k) { return [=, &r] { r.Key(k); }; };
  // One after the other: a step, the page top and the bar's value (-1: any) after it.
  const std::tuple<std::function<void()>, std::int64_t, int> moves[] = {
      {[&] {
         for (int i = 0; i < 10; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
       },
       992, 32506},                                           // round(992 / 1000 x 32767 + 1)
      {[&] { bar->setValue(kScrollMax); }, 999, kScrollMax},  // the thumb dragged to the bottom
      {[&] { bar->setValue(1); }, 0, 1},
      {act(QAbstractSlider::SliderSingleStepSub), 0, 1},     // arrow up at the top
      {act(QAbstractSlider::SliderSingleStepAdd), 16, 525},  // round(16 / 1000 x 32767 + 1)
      // Page Down and Page Up move a page and do not move it a second time.
      {key(Qt::Key_PageDown), 272, -1},
      {key(Qt::Key_PageUp), 16, -1},
      // After a re-synchronisation that left the bar's value unchanged the
      // next user move still counts.
      {[&] {
         r.w->SyncScrollBar();
         bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
       },
       32, -1},
      {[&] { wheel(-120); }, 80, -1},  // the wheel scrolls by rows, however small the file
  };
  for (const auto& [step, top, value] : moves) {
    step();
    EXPECT_EQ(r.s.Current.BufferTop, top);
    if (value >= 0) {
      EXPECT_EQ(bar->value(), value) << top;
    }
  }

  // Far longer than the bar's range: near either end a step leaves the
  // bar's value where it is, and still moves the page by its own amount.
  const QString big = r.files.Write("big.bin", {});
  ASSERT_TRUE(QFile::resize(big, 100000000));
  r.w->Io().OpenFile(big);
  const std::vector<std::tuple<std::int64_t, std::function<void()>, std::int64_t>> steps = {
      {1000, key(Qt::Key_PageUp), 744},
      {100, key(Qt::Key_PageUp), 0},
      {1000, act(QAbstractSlider::SliderSingleStepSub), 984},
      {1000, [&] { wheel(120); }, 952},
      {1000, act(QAbstractSlider::SliderToMinimum), 0},
      {99999000, key(Qt::Key_PageDown), 99999256},
      {99999900, key(Qt::Key_PageDown), 99999984},
      {99999000, act(QAbstractSlider::SliderSingleStepAdd), 99999016},
      {99999000, [&] { wheel(-120); }, 99999048},
      {99999000, act(QAbstractSlider::SliderToMaximum), 99999999},
  };
  for (const auto& [from, step, want] : steps) {
    SCOPED_TRACE(want);
    r.s.Current.BufferTop = from;
    r.w->Io().ShowPage();
    step();
    EXPECT_EQ(r.s.Current.BufferTop, want);
    EXPECT_EQ(bar->value(), want < 3052 ? 1 : kScrollMax);
  }

  r.Open("o.bin", TempFiles::Counting(1024));
  for (int i = 0; i < 10; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(r.s.Current.BufferTop, 1008);
  r.Open("e.bin", TempFiles::Counting(32767));
  bar->setValue(5000);
  EXPECT_EQ(r.s.Current.BufferTop, 4999);
  r.p.Verify();
}

TEST(MainWindow, WindowMenuRecentFilesCloseAndExit) {
  WindowRig r;
  const QString a = r.Open("a.bin", TempFiles::Counting(100));
  const QString b = r.Open("b.bin", TempFiles::Counting(200));
  EXPECT_EQ(r.w->MenuItem("mnuWindowWindows(0)")->text(), "&1 " + b);
  EXPECT_EQ(r.w->MenuItem("mnuWindowWindows(1)")->text(), "&2 " + a);
  EXPECT_FALSE(r.w->MenuItem("mnuWindowWindows(2)")->isVisible());
  r.w->MenuItem("mnuWindowWindows(1)")->trigger();
  EXPECT_EQ(r.s.Current.FileName, a);
  EXPECT_EQ(r.w->FileLengthBox->text(), "100");
  r.w->MenuItem("mnuFileFiles(0)")->trigger();  // b, the most recent
  EXPECT_EQ(r.s.Current.FileName, b);

  r.w->MenuItem("mnuFileClose")->trigger();
  EXPECT_EQ(r.s.Current.FileName, a);
  ASSERT_TRUE(PrepareSearch(r.s, "a", "0", "99", 0));
  r.w->MenuItem("mnuFileClose")->trigger();
  EXPECT_TRUE(r.w->MenuItem("mnuWindowWindows(0)")->text().isEmpty());
  EXPECT_TRUE(r.w->HexBox->CellText(0, 0).isEmpty());

  // Without a file the menu shortcuts do nothing, F4 with a search left
  // from a closed file and Ctrl+Z with Undo left enabled among them.
  r.s.UndoEnabled = true;
  r.w->UndoRedoChanged();
  for (auto [key, m] : {std::pair{Qt::Key_F4, Qt::NoModifier},
                        {Qt::Key_Z, Qt::ControlModifier},
                        {Qt::Key_F2, Qt::NoModifier},
                        {Qt::Key_F, Qt::ControlModifier},
                        {Qt::Key_M, Qt::ControlModifier},
                        {Qt::Key_G, Qt::ControlModifier},
                        {Qt::Key_F5, Qt::NoModifier}}) {
    r.Key(key, m);
  }
  r.w->MenuItem("mnuEditFindNext")->trigger();
  EXPECT_TRUE(r.p.boxes.empty());
  EXPECT_TRUE(r.p.notices.isEmpty());
  EXPECT_EQ(r.s.Current.CursorOffset, 0);

  // Exit deletes the clip file that this program wrote.
  ASSERT_TRUE(QFile(r.s.ClipFile).open(QIODevice::WriteOnly));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(r.s.ClipFile).constData(), &st), 0);
  r.s.ClipSeen = FileStamp::Of(st);
  r.w->MenuItem("mnuFileExit")->trigger();
  EXPECT_FALSE(QFile::exists(r.s.ClipFile));
  r.p.Verify();
}

}  // namespace qx::test
