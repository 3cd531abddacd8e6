#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "input/Utility.h"
#include "tests/WindowRig.h"

namespace qx::test {

namespace {

struct MenuRow {
  const char* name;
  const char* caption;
  const char* shortcut;
  int help;
  bool visible;
  bool enabled;
};

// The menu tree as the user sees it, top-level menus included, in order.
const MenuRow kExpectedMenus[] = {
    {"mnuFile", "&File", "", 100, true, true},
    {"mnuFileOpen", "&Open File...", "", 100, true, true},
    {"mnuFileClose", "&Close File", "", 100, true, true},
    {"file1", "", "", 0, true, true},
    {"mnuFileSaveSector", "&Save Sector", "F2", 100, true, true},
    {"file2", "", "", 0, true, true},
    {"mnuFileChoosePrinter", "&Choose Printer...", "", 100, true, true},
    {"mnuFilePrint", "&Print...", "", 100, true, true},
    {"file3", "", "", 0, true, true},
    {"mnuFileFiles(0)", "", "", 0, false, true},
    {"mnuFileFiles(1)", "", "", 0, false, true},
    {"mnuFileFiles(2)", "", "", 0, false, true},
    {"mnuFileFiles(3)", "", "", 0, false, true},
    {"file4", "", "", 0, true, true},
    {"mnuFileExit", "E&xit", "", 0, true, true},
    {"mnuEdit", "&Edit", "", 200, true, true},
    {"mnuEditUndo", "&Undo", "Ctrl+Z", 200, true, false},
    {"mnuEditRedo", "&Re-do", "", 200, true, false},
    {"edit2", "", "", 0, true, true},
    {"mnuEditCut", "Cu&t...", "", 200, true, true},
    {"mnuEditCopy", "&Copy...", "", 200, true, true},
    {"mnuEditPaste", "&Paste...", "", 200, true, true},
    {"mnuEditFill", "Fi&ll...", "", 200, true, true},
    {"edit3", "", "", 0, true, true},
    {"mnuEditFind", "&Find...", "Ctrl+F", 200, true, true},
    {"mnuEditFindNext", "Find Ne&xt", "F4", 200, true, true},
    {"mnuEditReplace", "&Search and Replace...", "", 200, true, true},
    {"edit4", "", "", 0, true, true},
    {"mnuEditValues", "Show &Values...", "", 200, true, true},
    {"mnuNav", "&Navigate", "", 300, true, true},
    {"mnuNavMark", "&Mark...", "Ctrl+M", 300, true, true},
    {"mnuNavGoToMark", "&Go To Mark...", "Ctrl+G", 300, true, true},
    {"nav1", "", "", 0, true, true},
    {"mnuNavGoToRecord", "Go To This &Record", "", 300, true, true},
    {"mnuNavPreviousRecord", "&Previous Record", "", 300, true, true},
    {"mnuNavNextRecord", "&Next Record", "", 300, true, true},
    {"nav2", "", "", 0, true, true},
    {"mnuNavGoToCursor", "Go To &Cursor", "", 300, true, true},
    {"mnuNavGoToByte", "Go To &Byte...", "", 300, true, true},
    {"nav3", "", "", 0, true, true},
    {"mnuNavToggle", "&Toggle Cursor", "F5", 300, true, true},
    {"mnuConfig", "&Configure", "", 400, true, true},
    {"mnuConfigSetWorkingBase", "Set &Working Base...", "", 400, true, true},
    {"mnuConfigSetRecordLength", "Set Record &Length...", "", 400, true, true},
    {"mnuConfigRecordNumber", "Set Record &Number...", "", 400, true, true},
    {"mnuConfigRecordOffset", "Set Record &Offset...", "", 400, true, true},
    {"mnuWindow", "&Window", "", 0, true, true},
    {"mnuWindowWindows(0)", "", "", 0, true, true},
    {"mnuWindowWindows(1)", "", "", 0, false, true},
    {"mnuWindowWindows(2)", "", "", 0, false, true},
    {"mnuWindowWindows(3)", "", "", 0, false, true},
    {"mnuRecord", "&Record Operations", "", 500, true, true},
    {"mnuRecordChop", "&Chop...", "", 500, true, true},
    {"mnuRecordPaste", "&Paste...", "", 500, true, true},
    {"mnuRecordFill", "&Fill...", "", 500, true, true},
    {"mnuHelp", "&Help", "", 0, true, true},
    {"mnuHelpSearch", "&Quellox Help Topics...", "", 0, true, true},
    {"mnuHelpAbout", "&About Quellox...", "", 0, true, true},
};

// Position 1..27: key and tooltip; an empty key is a separator.
const std::pair<const char*, const char*> kExpectedToolbar[] = {
    {"", ""},
    {"OpenFile", "Open File"},
    {"SaveSector", "Save Sector"},
    {"Undo", "Undo"},
    {"Redo", "Redo"},
    {"", ""},
    {"Print", "Print"},
    {"", ""},
    {"Find", "Find"},
    {"", ""},
    {"Mark", "Mark"},
    {"GoToMark", "Go To Mark"},
    {"", ""},
    {"GoToCursor", "Go To Cursor"},
    {"GoToByte", "Go To Byte"},
    {"", ""},
    {"RequestedRecord", "Go To Requested Record"},
    {"NextRecord", "Go To Next Record"},
    {"PreviousRecord", "Go To Previous Record"},
    {"", ""},
    {"ShowValues", "Show Values"},
    {"", ""},
    {"Cut", "Cut"},
    {"Copy", "Copy"},
    {"Paste", "Paste"},
    {"", ""},
    {"ToggleCursor", "Toggle Cursor"},
};

QByteArray Sample(int n) {
  QByteArray b = TempFiles::Counting(n);
  b[0] = 0x7F;
  b[1] = 0x1F;
  b[2] = 0x20;
  b[3] = 0x7E;
  b[4] = 'A';
  b[5] = static_cast<char>(0xFF);
  return b;
}

}  // namespace

TEST(MainWindow, MenuTreeAndToolbarFollowTheCommandTables) {
  WindowRig r;
  std::vector<QAction*> shown;
  for (QAction* top : r.w->menuBar()->actions()) {
    shown.push_back(top);
    for (QAction* item : top->menu()->actions()) shown.push_back(item);
  }
  ASSERT_EQ(shown.size(), std::size(kExpectedMenus));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const MenuRow& want = kExpectedMenus[i];
    QAction* a = shown[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(a->objectName(), QString::fromLatin1(want.name));
    EXPECT_EQ(r.w->MenuItem(QString::fromLatin1(want.name)), a);
    EXPECT_EQ(a->isSeparator(), QByteArray(want.name).startsWith("file") ||
                                    QByteArray(want.name).startsWith("edit") ||
                                    QByteArray(want.name).startsWith("nav"));
    if (!a->isSeparator()) {
      EXPECT_EQ(a->text(), QString::fromLatin1(want.caption));
    }
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(want.shortcut)));
    EXPECT_EQ(a->property("HelpContext").toInt(), want.help);
    EXPECT_EQ(a->isVisible(), want.visible);
    if (want.visible) {  // Qt disables hidden items
      EXPECT_EQ(a->isEnabled(), want.enabled);
    }
  }

  const QList<QAction*> buttons = r.w->Toolbar1->actions();
  ASSERT_EQ(buttons.size(), 27);
  for (int i = 0; i < 27; ++i) {
    const auto& [key, tip] = kExpectedToolbar[i];
    SCOPED_TRACE(i + 1);
    if (*key == '\0') {
      EXPECT_TRUE(buttons[i]->isSeparator());
      continue;
    }
    EXPECT_EQ(buttons[i]->property("Key").toString(), QString::fromLatin1(key));
    EXPECT_EQ(buttons[i]->toolTip(), QString::fromLatin1(tip));
    EXPECT_TRUE(buttons[i]->text().isEmpty());
    EXPECT_FALSE(buttons[i]->icon().pixmap(16, 16).isNull());  // the picture is there
    EXPECT_EQ(r.w->ToolButton(QString::fromLatin1(key)), buttons[i]);
  }

  // The toolbar takes no notice of the items' state: Undo on a fresh file.
  r.Open("a.bin", Sample(100));
  EXPECT_FALSE(r.w->MenuItem("mnuEditUndo")->isEnabled());
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

  // F1 on a highlighted item opens the help at the item's topic.
  QMenu* nav = r.w->MenuItem("mnuNav")->menu();
  nav->popup(QPoint(0, 0));
  nav->setActiveAction(r.w->MenuItem("mnuNavGoToByte"));
  QTest::keyClick(nav, Qt::Key_F1);
  nav->close();
  EXPECT_EQ(r.p.helpContexts, std::vector<int>{300});
  r.p.Verify();
}

TEST(MainWindow, StartsEmptyAndShowsTheStatusOfAnOpenedFile) {
  WindowRig r;
  EXPECT_EQ(r.w->windowTitle(), "Quellox");
  EXPECT_EQ(r.w->CharWidth, r.w->font().pointSize() * 20);
  EXPECT_EQ(r.w->RowHeight, r.w->CharWidth + 30);
  EXPECT_TRUE(r.w->FilenameBox->text().isEmpty());
  EXPECT_TRUE(r.w->BufferTopBox->text().isEmpty());
  EXPECT_EQ(r.w->FileLengthBox->text(), "0");
  EXPECT_EQ(r.w->RecordLengthBox->text(), "256");
  EXPECT_TRUE(r.w->ReadOnlyWarning->isHidden());
  EXPECT_EQ(r.w->Label5->text(), "Zapping:");
  EXPECT_EQ(r.w->Label1->text(), "Buffer Bottom");
  EXPECT_EQ(r.w->RBar[16 + 10]->text(), "A");
  EXPECT_EQ(r.w->FileBar->maximum(), 32767);
  EXPECT_EQ(r.w->FileBar->pageStep(), 16);

  // With no file every key but F1 is swallowed.
  r.Type('7');
  r.Key(Qt::Key_Down);
  r.Key(Qt::Key_F1);
  EXPECT_EQ(r.p.helpContexts, std::vector<int>{1});

  // A sparse file of 1,234,567 bytes: the boxes group the digits.
  const QString big = r.files.Path("big.bin");
  {
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(1234567));
  }
  r.p.ExpectOpenFile(big);
  r.w->mnuFileOpen_Click();
  EXPECT_EQ(r.w->FilenameBox->text(), big);
  EXPECT_EQ(r.w->FileLengthBox->text(), "1,234,567");
  EXPECT_EQ(r.w->RecordCountBox->text(), "4,823");
  EXPECT_EQ(r.w->BufferTopBox->text(), "0");
  EXPECT_EQ(r.w->MenuItem("mnuWindowWindows(0)")->text(), "&1 " + big);
  EXPECT_EQ(r.w->MenuItem("mnuFileFiles(0)")->text(), "&1 " + big);
  EXPECT_TRUE(r.w->MenuItem("mnuFileFiles(0)")->isVisible());

  r.p.ExpectOpenFile({});  // cancelled: nothing changes
  r.w->mnuFileOpen_Click();
  EXPECT_EQ(r.s.OpenFileCount, 1);
  r.p.Verify();
}

TEST(MainWindow, PanesPaintThePageAndTheCursor) {
  WindowRig r;
  r.w->show();
  r.Open("a.bin", Sample(300));
  EXPECT_EQ(r.w->HexBox->CellText(0, 0), "7F");
  EXPECT_EQ(r.w->HexBox->CellText(0, 5), "FF");
  EXPECT_EQ(r.w->HexBox->CellText(15, 15), "FF");
  EXPECT_EQ(r.w->AsciiBox->CellText(0, 0), ".");  // 0x7F
  EXPECT_EQ(r.w->AsciiBox->CellText(0, 1), ".");  // 0x1F
  EXPECT_EQ(r.w->AsciiBox->CellText(0, 2), " ");
  EXPECT_EQ(r.w->AsciiBox->CellText(0, 3), "~");
  EXPECT_EQ(r.w->AsciiBox->CellText(0, 4), "A");
  EXPECT_EQ(r.w->AsciiBox->CellText(3, 1), "1");  // byte 0x31
  // The cursor at 0: red on the active hex side, green in the characters.
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(r.w->AsciiBox->CellColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(r.w->HexBox->CellColor(0, 1), QColor(0, 0, 0));

  // What reaches the screen: red pixels in the first cell, black in the next.
  const QImage hex = r.w->HexBox->grab().toImage();
  auto countColour = [&](const QImage& img, QRect area, auto pred) {
    int n = 0;
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += pred(img.pixelColor(x, y)) ? 1 : 0;
    return n;
  };
  const qreal ratio = hex.devicePixelRatio();
  auto cellRect = [&](PagePane* pane, int row, int col, int chars) {
    const QPoint c = r.CellCentre(pane, row, col);
    const int w = static_cast<int>(chars * r.w->CharWidth * pane->logicalDpiX() / 1440.0 * ratio);
    const int h = static_cast<int>(r.w->RowHeight * pane->logicalDpiY() / 1440.0 * ratio);
    return QRect(static_cast<int>(c.x() * ratio) - w / 2, static_cast<int>(c.y() * ratio) - h / 2,
                 w, h);
  };
  auto reddish = [](QColor c) { return c.red() > 150 && c.green() < 100 && c.blue() < 100; };
  auto dark = [](QColor c) { return c.red() < 100 && c.green() < 100 && c.blue() < 100; };
  EXPECT_GT(countColour(hex, cellRect(r.w->HexBox, 0, 0, 2), reddish), 0);
  EXPECT_EQ(countColour(hex, cellRect(r.w->HexBox, 0, 1, 2), reddish), 0);
  EXPECT_GT(countColour(hex, cellRect(r.w->HexBox, 0, 1, 2), dark), 0);
  const QImage chars = r.w->AsciiBox->grab().toImage();
  auto greenish = [](QColor c) { return c.green() > 150 && c.red() < 100 && c.blue() < 100; };
  EXPECT_GT(countColour(chars, cellRect(r.w->AsciiBox, 0, 0, 1), greenish), 0);

  // Toggle Cursor swaps the colours between the panes.
  r.Key(Qt::Key_F5);
  EXPECT_EQ(r.w->HexBox->CellColor(0, 0), QColor(0, 255, 0));
  EXPECT_EQ(r.w->AsciiBox->CellColor(0, 0), QColor(255, 0, 0));

  // The last page of 300 bytes, 20 bytes from its top: 20 cells and no more.
  r.w->FileBar->setValue(1 + 16);  // one trough click: a page down
  EXPECT_EQ(r.s.Current.BufferTop, 256);
  EXPECT_EQ(r.w->BufferTopBox->text(), "256");
  r.s.Current.BufferTop = 280;
  r.w->Io().ShowPage();
  int hexCells = 0, charCells = 0;
  for (int row = 0; row < 16; ++row)
    for (int col = 0; col < 16; ++col) {
      hexCells += r.w->HexBox->CellText(row, col).isEmpty() ? 0 : 1;
      charCells += r.w->AsciiBox->CellText(row, col).isEmpty() ? 0 : 1;
    }
  EXPECT_EQ(hexCells, 20);
  EXPECT_EQ(charCells, 20);
  EXPECT_EQ(r.w->HexBox->CellText(1, 3), QStringLiteral("%1").arg(299 & 0xFF, 2, 16).toUpper());
  EXPECT_TRUE(r.w->HexBox->CellText(1, 4).isEmpty());
  r.p.Verify();
}

TEST(MainWindow, ScrollBarMovesThePageByRowPageAndThumb) {
  WindowRig r;
  r.Open("k.bin", TempFiles::Counting(1000));
  QScrollBar* bar = r.w->FileBar;
  for (int i = 0; i < 10; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(r.s.Current.BufferTop, 992);
  EXPECT_EQ(r.w->HexBox->CellText(0, 7), "E7");  // 999 & 0xFF
  EXPECT_TRUE(r.w->HexBox->CellText(0, 8).isEmpty());
  EXPECT_EQ(bar->value(), r.w->LastBarValue);
  EXPECT_EQ(bar->value(), 32506);  // round(992 / 1000 x 32767 + 1)

  bar->setValue(kScrollMax);  // the thumb dragged to the bottom
  EXPECT_EQ(r.s.Current.BufferTop, 999);
  EXPECT_EQ(bar->value(), kScrollMax);

  bar->setValue(1);  // thumb back to the top
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // arrow up at the top
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // one row down
  EXPECT_EQ(r.s.Current.BufferTop, 16);
  EXPECT_EQ(bar->value(), 525);  // round(16 / 1000 x 32767 + 1)

  // Page Down and Page Up move a page and do not move it a second time.
  r.Key(Qt::Key_PageDown);
  EXPECT_EQ(r.s.Current.BufferTop, 272);
  r.Key(Qt::Key_PageUp);
  EXPECT_EQ(r.s.Current.BufferTop, 16);

  // After a re-synchronisation that left the bar's value unchanged the next
  // user move still counts.
  r.w->SyncScrollBar();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(r.s.Current.BufferTop, 32);

  WindowRig one;
  one.Open("o.bin", TempFiles::Counting(1024));
  for (int i = 0; i < 10; ++i) one.w->FileBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(one.s.Current.BufferTop, 1008);

  WindowRig exact;
  exact.Open("e.bin", TempFiles::Counting(32767));
  exact.w->FileBar->setValue(5000);
  EXPECT_EQ(exact.s.Current.BufferTop, 4999);
  // The wheel over the page scrolls by rows, however small the file.
  bar->setValue(1);
  QWheelEvent down(QPointF(10, 10), r.w->HexBox->mapToGlobal(QPointF(10, 10)), QPoint(),
                   QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(r.w->HexBox, &down);
  EXPECT_EQ(r.s.Current.BufferTop, 48);
  r.p.Verify();
}

TEST(MainWindow, WindowMenuRecentFilesCloseAndExit) {
  WindowRig r;
  const QString a = r.Open("a.bin", TempFiles::Counting(100));
  const QString b = r.Open("b.bin", TempFiles::Counting(200));
  EXPECT_EQ(r.w->MenuItem("mnuWindowWindows(0)")->text(), "&1 " + b);
  EXPECT_EQ(r.w->MenuItem("mnuWindowWindows(1)")->text(), "&2 " + a);
  EXPECT_TRUE(r.w->MenuItem("mnuWindowWindows(1)")->isVisible());
  EXPECT_FALSE(r.w->MenuItem("mnuWindowWindows(2)")->isVisible());
  r.w->MenuItem("mnuWindowWindows(1)")->trigger();
  EXPECT_EQ(r.s.Current.FileName, a);
  EXPECT_EQ(r.w->FileLengthBox->text(), "100");
  r.w->MenuItem("mnuFileFiles(0)")->trigger();  // b, the most recent
  EXPECT_EQ(r.s.Current.FileName, b);

  r.w->MenuItem("mnuFileClose")->trigger();
  EXPECT_EQ(r.s.Current.FileName, a);
  r.w->MenuItem("mnuFileClose")->trigger();
  EXPECT_TRUE(r.s.Current.FileName.isEmpty());
  EXPECT_TRUE(r.w->MenuItem("mnuWindowWindows(0)")->text().isEmpty());
  EXPECT_TRUE(r.w->MenuItem("mnuWindowWindows(0)")->isVisible());
  EXPECT_EQ(r.w->HexBox->CellText(0, 0), QString());

  // Exit deletes the clip file.
  QFile clip(r.s.ClipFile);
  ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
  clip.close();
  r.w->show();
  r.w->MenuItem("mnuFileExit")->trigger();
  EXPECT_FALSE(QFile::exists(r.s.ClipFile));
  r.p.Verify();
}

}  // namespace qx::test
